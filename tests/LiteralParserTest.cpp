// Literals: hex decoding, matching with budgets and lastError, element-bound
// literals both ways, read-only literals, and the forward search.
#include <gtest/gtest.h>

#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

TEST(LiteralParser, HexTextDecodesPairByPair) {
  const struct {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"0D0A", "\r\n"},
      {"0D0", "\r"},
      {"414", "A"},
      {"zz41", "A"},
      {"2c", ","},
      {"", ""},
      {"0", ""},
      {" 41 42", std::string("A\x01"
                             "B")},  // white space before a pair is skipped, "%2x" style
      {"00", std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LiteralParser(c.text, "", "", true, false).Literal(), c.bytes);
  }
}

TEST(LiteralParserRead, MatchesExactlyOrLeavesError) {
  const struct {
    const char* literal;
    const char* id;  // the element the literal is bound to, with the literal's value
    const char* value;
    const char* input;
    uint32_t start;
    unsigned long budget;
    const char* result;
    const char* lastError;
  } cases[] = {
      {"AB", "", "", "xyzAB", 3, 2, "ok 5 |", "previous"},
      {"AB", "", "", "xyzAC", 3, 2, "fail 3 |", "In 3 pos. literal 'AB' not found"},
      {"ab", "", "", "xyzAB", 3, 2, "fail 3 |",
       "In 3 pos. literal 'ab' not found"},                    // case-sensitive
      {"ABC", "", "", "xyzAB", 3, 2, "fail 3 |", "previous"},  // longer than the budget: no text
      {"", "", "", "xyz", 1, 0, "ok 1 |", "previous"},         // empty literal matches nothing
      {"C", "Type", "Text", "C", 0, 1, "ok 1 <Type>Text</Type>\r\n|", "previous"},
      {"C", "Type", "", "C", 0, 1, "ok 1 <Type>C</Type>\r\n|", "previous"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input + std::string(" ") + c.literal);
    Harness h;
    h.param.lastError = "previous";
    LiteralParser literal(c.literal, c.id, c.value, false, false);
    EXPECT_EQ(h.ReadRun(literal, c.input, c.budget, c.start), c.result);
    EXPECT_EQ(h.param.lastError, c.lastError);
  }
}

TEST(LiteralParserWrite, PlainReadOnlyAndElementBound) {
  const struct {
    const char* id;     // the element the literal is bound to
    const char* value;  // the literal's value attribute
    bool readOnly;
    const char* document;
    const char* written;
  } cases[] = {
      {"", "", false, "<data/>", "D|"},
      {"", "", true, "<data/>", "<fail>|"},
      {"Type", "DATE", false, "<data><Type>DATE</Type></data>", "D|"},
      {"Type", "DATE", false, "<data><Type>date</Type></data>", "<fail>|"},
      {"Type", "DATE", false, "<data><Other>DATE</Other></data>", "<fail>|"},
      {"Type", "DATE", false, "<data><Type/></data>", "<fail>|"},
      {"Type", "DATE", false, "<data><Type><!--c-->DATE</Type></data>", "D|"},  // first text counts
      {"Type", "", false, "<data><Type>D</Type></data>",
       "D|"},  // no value: compared with the literal
      {"Type", "", false, "<data><Type>DATE</Type></data>", "<fail>|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    LiteralParser literal("D", c.id, c.value, false, c.readOnly);
    EXPECT_EQ(Harness().WriteRun(literal, c.document), c.written);
  }
}

TEST(LiteralParserFindAhead, SearchesWithinWidth) {
  const struct {
    uint32_t start;
    unsigned long width;
    bool found;
    uint32_t position;
  } cases[] = {
      {0, 5000, true, 1022},  // spans the 1024-byte block edge
      {0, 1026, true, 1022},  // ends exactly at the width
      {0, 1025, false, 0},    // the last byte is beyond the width
      {10, 2000, true, 1022}, {1023, 100, false, 1023},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Harness h;
    h.param.lastError = "kept";
    h.param.file.OpenBuffer(std::string(1022, '.') + "ABCD...");
    h.param.file.Seek(c.start);
    EXPECT_EQ(LiteralParser("ABCD", "", "", false, false).FindAhead(h.param, c.width), c.found);
    EXPECT_EQ(h.Position(), c.position);
    EXPECT_EQ(h.param.lastError, "kept");
  }
}

}  // namespace
}  // namespace compoundparser::testing
