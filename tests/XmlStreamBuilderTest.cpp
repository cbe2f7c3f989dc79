// A whole field written in one step gives the bytes, the empty-text flag and
// the record tally of the calls it stands for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/RecordTally.h"
#include "data/XmlStreamBuilder.h"
#include "engine/TParserParam.h"
#include "host/HostError.h"

namespace compoundparser::testing {
namespace {

struct Field {
  const char* name;
  int indent;
  std::string text;
  const char* after;
};

struct Written {
  std::string bytes;
  bool emptyTexts = false;
  RecordTally tally;
};

// Writes `fields` inside the groups `record` (a record below `data` and the
// groups inside it; straight below `data` when there is none), each field
// either in one step or as the four calls, through a tallying builder.
Written Write(const std::vector<std::string>& record, const std::vector<Field>& fields,
              bool oneStep) {
  XmlStreamBuilder stream(nullptr);
  TParserParam param;
  Written written;
  TallyingBuilder builder(param, stream, written.tally);
  stream.AppendRaw("<data>\r\n");
  for (size_t depth = 0; depth < record.size(); ++depth) {
    builder.OpenElement(record[depth], static_cast<int>(depth));
  }
  for (const Field& field : fields) {
    if (oneStep) {
      builder.AppendElement(field.name, field.indent, field.text, TByteRange{}, field.after);
    } else {
      builder.OpenElement(field.name, field.indent);
      builder.AppendValue(field.text, TByteRange{});
      builder.CloseElement();
      builder.AppendText(field.after);
    }
  }
  for (size_t depth = 0; depth < record.size(); ++depth) {
    builder.CloseElement();
    builder.AppendText("\r\n");
  }
  stream.CloseAll();
  stream.AppendRaw("</data>");
  written.emptyTexts = stream.HasEmptyTexts();
  size_t size = 0;
  char* text = stream.ReleaseText(size);
  written.bytes.assign(text, size);
  std::free(text);
  return written;
}

struct Case {
  const char* label;
  std::vector<std::string> record;
  std::vector<Field> fields;
};

TEST(XmlStreamBuilder, FieldInOneStepEqualsTheCallsItStandsFor) {
  const std::vector<Case> cases = {
      {"plain values", {"Point"}, {{"Northing", 3, "123.456", "\r\n"}, {"Code", 3, "CP", "\r\n"}}},
      {"empty value", {"Point"}, {{"Code", 2, "", "\r\n"}}},
      {"markup escaped", {"Point"}, {{"Code", 2, "A&B<C>", "\r\n"}}},
      {"carriage return inside", {"Note"}, {{"Text", 1, "a\rb", "\r\n"}}},
      {"value of blanks", {"Note"}, {{"Text", 1, "   ", "\r\n"}}},
      {"blanks and a return", {"Note"}, {{"Text", 1, " \r ", "\r\n"}}},
      {"UTF-8 value", {"Point"}, {{"Code", 2, "M\xC3\xBCller", "\r\n"}}},
      {"other text after", {"Point"}, {{"Code", 2, "x", "\n"}, {"Name", 2, "y", ""}}},
      {"no indentation", {"Point"}, {{"Code", 0, "x", "\r\n"}}},
      // The indented start tag is kept per depth: one name at several depths.
      {"one name at two depths",
       {"Point"},
       {{"Code", 1, "a", "\r\n"}, {"Code", 4, "b", "\r\n"}, {"Code", 1, "c", "\r\n"}}},
      {"no record open", {}, {{"ErrorLine", 0, "bad line", "\r\n"}}},
      {"header record", {"Header"}, {{"HeaderText", 1, "PNEZD", "\r\n"}}},
      {"catch-all record", {"Record"}, {{"ErrorLine", 1, "???", "\r\n"}}},
      {"error line in a group of a record",
       {"Record", "Observation"},
       {{"Angle", 2, "100", "\r\n"}, {"ErrorLine", 2, "???", "\r\n"}}},
      {"error line deeper down",
       {"Record", "Observation", "Target"},
       {{"ErrorLine", 3, "???", "\r\n"}}},
      {"record kind from its first field", {"Record"}, {{"Note", 1, "a", "\r\n"}}},
      {"header line of a generated format", {"Header"}, {{"Line", 1, "N,E,Z", "\r\n"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Written calls = Write(c.record, c.fields, false);
    const Written oneStep = Write(c.record, c.fields, true);
    EXPECT_EQ(oneStep.bytes, calls.bytes);
    EXPECT_EQ(oneStep.emptyTexts, calls.emptyTexts);
    EXPECT_EQ(oneStep.tally.records, calls.tally.records);
    EXPECT_EQ(oneStep.tally.catchAll, calls.tally.catchAll);
    EXPECT_EQ(oneStep.tally.kinds, calls.tally.kinds);
    EXPECT_EQ(oneStep.tally.hasHeader, calls.tally.hasHeader);
    EXPECT_EQ(oneStep.tally.headerText, calls.tally.headerText);
  }
}

TEST(XmlStreamBuilder, FieldWithABadNameRaisesAndKeepsItsIndentation) {
  for (const bool oneStep : {false, true}) {
    SCOPED_TRACE(oneStep ? "one step" : "calls");
    XmlStreamBuilder builder(nullptr);
    builder.OpenElement("Point", 0);
    if (oneStep) {
      EXPECT_THROW(builder.AppendElement("1bad", 2, "x", TByteRange{}, "\r\n"), XmlError);
    } else {
      EXPECT_THROW(builder.OpenElement("1bad", 2), XmlError);
    }
    size_t size = 0;
    char* text = builder.ReleaseText(size);
    EXPECT_EQ(std::string(text, size), "<Point>    ");
    std::free(text);
  }
}

}  // namespace
}  // namespace compoundparser::testing
