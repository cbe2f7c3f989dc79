// Literals: hex decoding, matching with budgets and lastError, element-bound
// literals both ways, read-only literals, and the forward search.
#include <gtest/gtest.h>

#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

TEST(LiteralParser, HexTextDecodesPairByPair) {
  struct Case {
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {"0D0A", "\r\n"},
      {"0D0", "\r"},
      {"414", "A"},
      {"zz41", "A"},
      {"2c", ","},
      {"", ""},
      {"0", ""},
      {" 41 42", std::string("A\x01" "B")},  // white space before a pair is skipped, "%2x" style
      {"00", std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    LiteralParser literal(c.text, "", "", true, false);
    EXPECT_EQ(literal.Literal(), c.bytes);
  }
}

TEST(LiteralParserRead, MatchesExactlyOrLeavesError) {
  struct Case {
    const char* literal;
    const char* input;
    uint32_t start;
    unsigned long budget;
    bool ok;
    uint32_t end;
    const char* lastError;
  };
  const Case cases[] = {
      {"AB", "xyzAB", 3, 2, true, 5, "previous"},
      {"AB", "xyzAC", 3, 2, false, 3, "In 3 pos. literal 'AB' not found"},
      {"ab", "xyzAB", 3, 2, false, 3, "In 3 pos. literal 'ab' not found"},  // case-sensitive
      {"ABC", "xyzAB", 3, 2, false, 3, "previous"},  // longer than the budget: no text
      {"", "xyz", 1, 0, true, 1, "previous"},         // empty literal matches nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input + std::string(" ") + c.literal);
    Harness h;
    h.param.lastError = "previous";
    h.param.file.OpenBuffer(c.input);
    h.param.file.Seek(c.start);
    LiteralParser literal(c.literal, "", "", false, false);
    EXPECT_EQ(literal.Read(h.param, c.budget), c.ok);
    EXPECT_EQ(h.Position(), c.end);
    EXPECT_EQ(h.param.lastError, c.lastError);
    EXPECT_TRUE(h.callBack.messages.empty());
  }
}

TEST(LiteralParserRead, ElementBoundLiteralRecordsItself) {
  struct Case {
    const char* value;
    const char* expected;
  };
  const Case cases[] = {{"Text", "<Type>Text</Type>\r\n"}, {"", "<Type>C</Type>\r\n"}};
  for (const auto& c : cases) {
    Harness h;
    LiteralParser literal("C", "Type", c.value, false, false);
    ASSERT_TRUE(h.Import(literal, "C"));
    EXPECT_EQ(h.Content(), c.expected);
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
      {"", "", false, "<data/>", "D"},
      {"", "", true, "<data/>", "<fail>"},
      {"Type", "DATE", false, "<data><Type>DATE</Type></data>", "D"},
      {"Type", "DATE", false, "<data><Type>date</Type></data>", "<fail>"},
      {"Type", "DATE", false, "<data><Other>DATE</Other></data>", "<fail>"},
      {"Type", "DATE", false, "<data><Type/></data>", "<fail>"},
      {"Type", "DATE", false, "<data><Type><!--c-->DATE</Type></data>", "D"},  // first text counts
      {"Type", "", false, "<data><Type>D</Type></data>",
       "D"},  // no value: compared with the literal
      {"Type", "", false, "<data><Type>DATE</Type></data>", "<fail>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    Harness h;
    h.SetDocument(c.document);
    LiteralParser literal("D", c.id, c.value, false, c.readOnly);
    EXPECT_EQ(h.Exported(literal), c.written);
  }
}

TEST(LiteralParserFindAhead, SearchesWithinWidth) {
  std::string input(1022, '.');
  input += "ABCD";
  input += "...";
  struct Case {
    uint32_t start;
    unsigned long width;
    bool found;
    uint32_t position;
  };
  const Case cases[] = {
      {0, 5000, true, 1022},   // spans the 1024-byte block edge
      {0, 1026, true, 1022},   // ends exactly at the width
      {0, 1025, false, 0},     // the last byte is beyond the width
      {10, 2000, true, 1022},
      {1023, 100, false, 1023},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Harness h;
    h.param.lastError = "kept";
    h.param.file.OpenBuffer(input);
    h.param.file.Seek(c.start);
    LiteralParser literal("ABCD", "", "", false, false);
    EXPECT_EQ(literal.FindAhead(h.param, c.width), c.found);
    EXPECT_EQ(h.Position(), c.position);
    EXPECT_EQ(h.param.lastError, "kept");
  }
}

}  // namespace
}  // namespace compoundparser::testing
