// How ReadSurvey takes the records of a document apart: which group each
// entry comes from, what it keeps as extras, and what it counts and passes
// over (marks of a line, deleted records, groups nested in a record's group).
#include <gtest/gtest.h>

#include <string>

#include "survey/Survey.h"

namespace compoundparser::testing {
namespace {

const char* KindName(survey::EntryKind kind) {
  switch (kind) {
    case survey::EntryKind::kUnits:
      return "units";
    case survey::EntryKind::kSetup:
      return "setup";
    case survey::EntryKind::kShot:
      return "shot";
    case survey::EntryKind::kPoint:
      return "point";
    case survey::EntryKind::kGnss:
      return "gnss";
    case survey::EntryKind::kJob:
      return "job";
    case survey::EntryKind::kComment:
      return "comment";
    case survey::EntryKind::kOther:
      return "other";
  }
  return "?";
}

// "records=2 deleted=1 | 1 point Point[101] extras(Word=83+0) | ..."
std::string Outline(const std::string& body) {
  XmlDocument document = XmlDocument::Create();
  const std::string text = "<data><info/>" + body + "</data>";
  EXPECT_TRUE(document.LoadBuffer(text.data(), text.size(), "test", XmlLoadMode::kKeepValues));
  const survey::Survey read = survey::ReadSurvey(document.DocumentElement());
  std::string outline =
      "records=" + std::to_string(read.records) + " deleted=" + std::to_string(read.deleted);
  for (const survey::Entry& entry : read.entries) {
    outline +=
        " | " + std::to_string(entry.record) + " " + KindName(entry.kind) + " " + entry.group;
    if (entry.kind == survey::EntryKind::kPoint) outline += "[" + entry.point.name + "]";
    if (entry.kind == survey::EntryKind::kShot) outline += "[" + entry.shot.point + "]";
    if (!entry.extras.empty()) {
      outline += " extras(";
      for (size_t i = 0; i < entry.extras.size(); ++i) {
        if (i > 0) outline += ",";
        outline += entry.extras[i].first + "=" + entry.extras[i].second;
      }
      outline += ")";
    }
  }
  for (const std::string& note : read.notes) outline += " | note: " + note;
  return outline;
}

struct ReadCase {
  const char* what;
  const char* body;
  const char* outline;
};

const ReadCase kCases[] = {
    {"points of a list and of a raw file",
     "<Point><PointNumber> 7 </PointNumber><Northing>1</Northing><Easting>2</Easting></Point>"
     "<Record><Point><PointNumber>8</PointNumber><Time>10:00</Time></Point>"
     "<NoLineEnd>true</NoLineEnd></Record>",
     "records=2 deleted=0 | 1 point Point[7] | 2 point Point[8] extras(Time=10:00)"},
    {"a group nested in a record's group is one extra element",
     "<Record><Point><PointNumber>102</PointNumber>\n<Word>\n  <WordIndex>83</WordIndex>\n"
     "  <WordValue>+000-----</WordValue>\n</Word><Northing>5</Northing></Point></Record>",
     "records=1 deleted=0 | 1 point Point[102] extras(Word=83+000-----)"},
    {"each nested group counts once",
     "<Record><Point><PointNumber>1</PointNumber><Word><WordIndex>83</WordIndex></Word>"
     "<Word><WordIndex>84</WordIndex></Word></Point></Record>",
     "records=1 deleted=0 | 1 point Point[1] extras(Word=83,Word=84)"},
    {"deleted records and lines of blanks are passed over",
     "<Record><Deleted>true</Deleted><Observation><PointNumber>1</PointNumber>"
     "<SlopeDistance>5</SlopeDistance></Observation></Record>"
     "<Record><Blank>true</Blank><Blanks>4</Blanks></Record><Record/>"
     "<Record><Observation><PointNumber>2</PointNumber><SlopeDistance>5</SlopeDistance>"
     "</Observation></Record>",
     "records=4 deleted=1 | 4 shot Observation[2]"},
    {"a line kept whole is a record of that name",
     "<Record><RecordText>  \t </RecordText><NoLineEnd>true</NoLineEnd></Record>",
     "records=1 deleted=0 | 1 other RecordText"},
    {"a record of two groups is passed over with a note",
     "<Record><Station><StationPoint>1</StationPoint></Station>"
     "<Comment><Text>x</Text></Comment></Record>",
     "records=1 deleted=0 | note: record 1: holds more than one group; passed over"},
    {"elements other than records and points are not read",
     "<ByteOrderMark>UTF-8</ByteOrderMark><Units><LinearUnit>Feet</LinearUnit></Units>"
     "<DataFile><LineEnd>LF</LineEnd></DataFile>",
     "records=0 deleted=0"},
};

TEST(SurveyRead, EntriesOfRecords) {
  for (const ReadCase& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Outline(c.body), c.outline);
  }
}

}  // namespace
}  // namespace compoundparser::testing
