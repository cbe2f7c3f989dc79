// Literals: hex decoding, matching with budgets and lastError, element-bound
// literals both ways, read-only literals, and the forward search.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

TEST(LiteralParser, HexTextDecodesPairByPair) {
  // text, bytes
  const std::tuple<const char*, std::string> cases[] = {
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
  for (const auto& [text, bytes] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(LiteralParser(text, "", "", true, false).Literal(), bytes);
  }
}

TEST(LiteralParserRead, MatchesExactlyOrLeavesError) {
  // text, id (the element the literal is bound to, with the literal's value), value, input,
  // start, budget, result, lastError
  const std::tuple<const char*, const char*, const char*, const char*, uint32_t, unsigned long,
                   const char*, const char*>
      cases[] = {
          {"AB", "", "", "xyzAB", 3, 2, "ok 5 |", "previous"},
          {"AB", "", "", "xyzAC", 3, 2, "fail 3 |", "In 3 pos. literal 'AB' not found"},
          {"ab", "", "", "xyzAB", 3, 2, "fail 3 |",
           "In 3 pos. literal 'ab' not found"},  // case-sensitive
          {"ABC", "", "", "xyzAB", 3, 2, "fail 3 |",
           "previous"},                                     // longer than the budget: no text
          {"", "", "", "xyz", 1, 0, "ok 1 |", "previous"},  // empty literal matches nothing
          {"C", "Type", "Text", "C", 0, 1, "ok 1 <Type>Text</Type>\r\n|", "previous"},
          {"C", "Type", "", "C", 0, 1, "ok 1 <Type>C</Type>\r\n|", "previous"},
      };
  for (const auto& [text, id, value, input, start, budget, result, lastError] : cases) {
    SCOPED_TRACE(input + std::string(" ") + text);
    Harness h;
    h.param.lastError = "previous";
    LiteralParser literal(text, id, value, false, false);
    EXPECT_EQ(h.ReadRun(literal, input, budget, start), result);
    EXPECT_EQ(h.param.lastError, lastError);
  }
}

TEST(LiteralParserWrite, PlainReadOnlyAndElementBound) {
  // id (the element the literal is bound to), value (the literal's value attribute), readOnly,
  // document, written
  const std::tuple<const char*, const char*, bool, const char*, const char*> cases[] = {
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
  for (const auto& [id, value, readOnly, document, written] : cases) {
    SCOPED_TRACE(document);
    LiteralParser literal("D", id, value, false, readOnly);
    EXPECT_EQ(Harness().WriteRun(literal, document), written);
  }
}

TEST(LiteralParserFindAhead, SearchesWithinWidth) {
  // start, width, found, position
  const std::tuple<uint32_t, unsigned long, bool, uint32_t> cases[] = {
      {0, 5000, true, 1022},  // spans the 1024-byte block edge
      {0, 1026, true, 1022},  // ends exactly at the width
      {0, 1025, false, 0},    // the last byte is beyond the width
      {10, 2000, true, 1022}, {1023, 100, false, 1023},
  };
  for (const auto& [start, width, found, position] : cases) {
    SCOPED_TRACE(width);
    Harness h;
    h.param.lastError = "kept";
    h.param.file.OpenBuffer(std::string(1022, '.') + "ABCD...");
    h.param.file.Seek(start);
    EXPECT_EQ(LiteralParser("ABCD", "", "", false, false).FindAhead(h.param, width), found);
    EXPECT_EQ(h.Position(), position);
    EXPECT_EQ(h.param.lastError, "kept");
  }
}

}  // namespace
}  // namespace compoundparser::testing
