// The records of instrument data documents as a host reads them: groups,
// values and paths in document order, lookups by name and by path, and
// numbers that do not follow the process locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "data/RecordReader.h"
#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

XmlDocument Parse(const std::string& text) {
  XmlDocument document = XmlDocument::Create();
  EXPECT_TRUE(document.LoadBuffer(text.data(), text.size(), "test", XmlLoadMode::kKeepValues))
      << text;
  return document;
}

// One line per record: "2 Record/Observation: Record/Observation/N=5 ...".
std::string Dump(RecordReader& reader) {
  std::string dump;
  TRecord record;
  while (reader.Next(record)) {
    dump += std::to_string(record.Number()) + " " + record.Group() + ":";
    for (const TRecordValue& value : record.Values()) {
      dump += " " + value.path + "=" + value.value;
      const std::string last = value.path.substr(value.path.rfind('/') + 1);
      if (last.substr(0, last.find('[')) != value.name) dump += "(name " + value.name + ")";
    }
    dump += "\n";
  }
  return dump;
}

struct ReadCase {
  const char* what;
  const char* body;  // the children of `data`
  const char* dump;
};

const ReadCase kReadCases[] = {
    {"points, info passed over", R"(<info><format name="P"/></info>
  <Point><PointNumber>1</PointNumber><Northing>10.5</Northing></Point>
  <Point><PointNumber>2</PointNumber><Northing></Northing></Point>)",
     "1 Point: Point/PointNumber=1 Point/Northing=10.5\n"
     "2 Point: Point/PointNumber=2 Point/Northing=\n"},
    {"raw records name their one group",
     "<Record>\n  <Station><StationPoint>100</StationPoint></Station>\n  </Record>"
     "<Record><Deleted>true</Deleted><Observation><PointNumber>7</PointNumber></Observation>"
     "<NoLineEnd>true</NoLineEnd></Record>",
     "1 Record/Station: Record/Station/StationPoint=100\n"
     "2 Record/Observation: Record/Deleted=true Record/Observation/PointNumber=7 "
     "Record/NoLineEnd=true\n"},
    {"a record of marks only", "<Record><Blank>true</Blank><Blanks>3</Blanks></Record>",
     "1 Record: Record/Blank=true Record/Blanks=3\n"},
    {"file-level marks are records of one value",
     "<ByteOrderMark>UTF-8</ByteOrderMark><Point><N>1</N></Point><EndOfText>ETX</EndOfText>"
     "<DataFile><LineEnd>CRLF</LineEnd></DataFile>",
     "1 ByteOrderMark: ByteOrderMark=UTF-8\n2 Point: Point/N=1\n3 EndOfText: EndOfText=ETX\n"
     "4 DataFile: DataFile/LineEnd=CRLF\n"},
    {"groups below the child group show in the paths only",
     "<Record><Point><N>1</N><Word><WordIndex>83</WordIndex></Word><H>2</H></Point></Record>"
     "<A><B><C><V>1</V></C></B><W>2</W></A>",
     "1 Record/Point: Record/Point/N=1 Record/Point/Word/WordIndex=83 Record/Point/H=2\n"
     "2 A/B: A/B/C/V=1 A/W=2\n"},
    {"two child groups: the group is the record's element",
     "<Record><Pos><N>5</N></Pos><Pos><N>6</N></Pos></Record>",
     "1 Record: Record/Pos/N=5 Record/Pos[2]/N=6\n"},
    {"elements that share a name are numbered from the second",
     "<Point><V>1</V><W>2</W><V>3</V><V>4</V></Point>",
     "1 Point: Point/V=1 Point/W=2 Point/V[2]=3 Point/V[3]=4\n"},
    {"the child group is named by its step",
     "<Record><Station>x</Station><Station><S>1</S></Station></Record>",
     "1 Record/Station[2]: Record/Station=x Record/Station[2]/S=1\n"},
    {"texts as the document holds them",
     "<Point><Code>  A&amp;B </Code><Note><![CDATA[x<y]]></Note><Empty/></Point>",
     "1 Point: Point/Code=  A&B  Point/Note=x<y Point/Empty=\n"},
    {"comments and processing instructions are no records",
     "<!--c--><?pi x?><Point><!--c--><N>1</N></Point>", "1 Point: Point/N=1\n"},
    {"no records", "<info/>", ""},
};

TEST(RecordReaderRead, RecordsInDocumentOrder) {
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.what);
    RecordReader reader(Parse(std::string("<data>") + c.body + "</data>"));
    EXPECT_EQ(Dump(reader), c.dump);
  }
}

TEST(RecordReaderRead, NothingToReadGivesNoRecord) {
  TRecord record;
  EXPECT_FALSE(RecordReader(XmlDocument()).Next(record));
  EXPECT_FALSE(RecordReader(XmlDocument::Create()).Next(record));
  EXPECT_FALSE(RecordReader(XmlNode()).Next(record));
}

TEST(RecordReaderRead, ARecordReusedForTheNextHoldsOnlyItsOwnValues) {
  RecordReader reader(Parse("<data><Point><A>1</A><B>2</B></Point><Other><C>3</C></Other></data>"));
  TRecord record;
  ASSERT_TRUE(reader.Next(record));
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record.Group(), "Other");
  EXPECT_EQ(record.NumValues(), 1);
  EXPECT_FALSE(record.HasValue("A"));
  EXPECT_FALSE(reader.Next(record));
  EXPECT_FALSE(reader.Next(record));
}

TEST(RecordReaderRead, RangeForSeesWhatNextSees) {
  const std::string text =
      "<data><info/><Point><N>1</N></Point><Record><Station><S>2</S></Station></Record>"
      "<EndOfText>ETX</EndOfText></data>";
  std::vector<std::string> seen;
  for (const TRecord& record : RecordReader(Parse(text))) {
    seen.push_back(std::to_string(record.Number()) + record.Group() + record.Values()[0].value);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1Point1", "2Record/Station2", "3EndOfTextETX"}));
  RecordReader empty(Parse("<data><info/></data>"));
  EXPECT_TRUE(empty.begin() == empty.end());
}

TEST(RecordReaderRead, NodeIsTheLastGroupNamed) {
  RecordReader reader(Parse("<data><Record><Observation><N>1</N></Observation></Record></data>"));
  TRecord record;
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record.Node().Name(), "Observation");
  EXPECT_EQ(record.Node().Parent().Name(), "Record");
}

struct LookupCase {
  const char* name;
  const char* value;  // nullptr: no such value
};

TEST(RecordReaderLookup, ByNameOrByPath) {
  RecordReader reader(
      Parse("<data><Record><Deleted>true</Deleted><Station><N>1</N><Pos><N>2</N></Pos>"
            "<Code></Code><V>a</V><V>b</V><Pos><N>4</N></Pos></Station><N>3</N></Record></data>"));
  TRecord record;
  ASSERT_TRUE(reader.Next(record));
  const LookupCase kCases[] = {
      {"N", "1"},                        // the first in document order
      {"Record/Station/Pos/N", "2"},     // a path picks one
      {"Record/Station/Pos[2]/N", "4"},  //
      {"Record/Station/Pos[1]/N", "2"},  // [1] is the first
      {"Record/Station/V[2]", "b"},      //
      {"Record/Station/V[1]", "a"},      //
      {"Record/N", "3"},                 //
      {"Record/Deleted", "true"},        //
      {"Deleted", "true"},               //
      {"Code", ""},                      // present and empty
      {"n", nullptr},                    // names are compared exactly
      {"V[2]", nullptr},                 // an index belongs to a path
      {"Station/N", nullptr},            // a path starts at the record's element
      {"Record/Station/Pos[3]/N", nullptr},
      {"Record/Station/Pos[1]x/N", nullptr},
      {"Pos", nullptr},                // a group is no value
      {"Record/Station/N/", nullptr},  //
      {"", nullptr},                   //
  };
  for (const LookupCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string* found = record.FindValue(c.name);
    EXPECT_EQ(record.HasValue(c.name), c.value != nullptr);
    if (c.value == nullptr) {
      EXPECT_EQ(found, nullptr);
      EXPECT_EQ(record.GetValue(c.name, "none"), "none");
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(*found, c.value);
      EXPECT_EQ(record.GetValue(c.name, "none"), c.value);
    }
  }
}

TEST(RecordReaderLookup, NumbersAreCheckedValues) {
  RecordReader reader(
      Parse("<data><Point><N> 5000.250 </N><E>2,5</E><H></H><Z>-0.5e1</Z></Point></data>"));
  TRecord record;
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record.GetNumber("N"), 5000.25);
  EXPECT_EQ(record.GetNumber("Z"), -5.0);
  EXPECT_EQ(record.GetNumber("E"), std::nullopt);  // a decimal comma is no number
  EXPECT_EQ(record.GetNumber("H"), std::nullopt);  // empty
  EXPECT_EQ(record.GetNumber("X"), std::nullopt);  // absent
}

struct NumberCase {
  const char* text;
  double value;
};

const NumberCase kNumbers[] = {
    {"0", 0},
    {"12", 12},
    {"-12.5", -12.5},
    {"+3.25", 3.25},
    {".5", 0.5},
    {"5.", 5},
    {"-.5", -0.5},
    {"  1.5\t", 1.5},
    {"1e3", 1000},
    {"1.5E-2", 0.015},
    {"007.10", 7.1},
    {"-0", 0},
    {"4500.123456789", 4500.123456789},
    {"1e308", 1e308},
};

const char* const kNotNumbers[] = {
    "",         " ",    "\t",  "+",   "-",   ".",     "1,5",   "1.5.2", "1 2",
    "12a",      "a12",  "+-1", "-+1", "++1", "--1",   "nan",   "inf",   "-inf",
    "infinity", "0x1A", "1e",  "1e+", "e5",  "1e400", "1.5 m", "١٢",    "1_000",
};

TEST(ParseDecimal, ReadsDecimalNumbers) {
  for (const NumberCase& c : kNumbers) {
    SCOPED_TRACE(c.text);
    double value = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(ParseDecimal(c.text, value));
    EXPECT_EQ(value, c.value);
  }
}

TEST(ParseDecimal, RefusesOtherTextsAndLeavesTheValue) {
  for (const char* text : kNotNumbers) {
    SCOPED_TRACE(text);
    double value = 42;
    EXPECT_FALSE(ParseDecimal(text, value));
    EXPECT_EQ(value, 42);
  }
}

// A process in a locale with a decimal comma still reads points, and still
// refuses commas.
TEST(ParseDecimal, DoesNotFollowTheProcessLocale) {
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (make test generates it)";
  }
  double point = 0;
  double comma = 42;
  const bool readPoint = ParseDecimal("1234.5", point);
  const bool readComma = ParseDecimal("1234,5", comma);
  std::setlocale(LC_ALL, old.c_str());
  EXPECT_TRUE(readPoint);
  EXPECT_EQ(point, 1234.5);
  EXPECT_FALSE(readComma);
  EXPECT_EQ(comma, 42);
}

// What a host sees of a real import: the points of the comma sample.
TEST(RecordReaderImport, PointsOfAnImportedFile) {
  RecordingCallBack recorder;
  auto definition = Bundled("points-comma.xml", recorder);
  ASSERT_NE(definition, nullptr);
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(
      data.ParseRead(std::string(CP_SOURCE_DIR) + "/examples/points-comma.csv", *definition))
      << recorder.Lines(kKindError);
  std::vector<std::string> points;
  for (const TRecord& record : RecordReader(data.GetDocument())) {
    if (record.Group() != "Point") continue;
    const std::optional<double> northing = record.GetNumber("Northing");
    ASSERT_TRUE(northing.has_value()) << record.GetValue("Northing");
    points.push_back(record.GetValue("PointNumber") + "@" + std::to_string(*northing));
  }
  EXPECT_EQ(points.size(), 4u);
  EXPECT_EQ(points.front(), "1001@5000.000000");
}

}  // namespace
}  // namespace compoundparser::testing
