// The nodes of a parser tree: literals, sequences and groups, optional parts,
// alternatives, repetitions, terminated stretches, conditions, assignments and
// substitutes, in both directions.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

ParserPtr Repeat(ParserPtr pass, int32_t writeCount = RepeatParser::kNoWriteLimit) {
  auto repeat = std::make_unique<RepeatParser>(writeCount);
  if (pass) repeat->Append(std::move(pass));
  return repeat;
}
std::unique_ptr<GroupParser> Group(const std::string& name, bool repeated = true, int depth = 1) {
  return std::make_unique<GroupParser>(name, repeated, false, depth);
}
ParserPtr Opt(ParserPtr p) { return With(std::make_unique<OptionalParser>(), std::move(p)); }
template <class... C>
ParserPtr Radio(C... c) {
  return With(std::make_unique<RadioParser>(), std::move(c)...);
}
ParserPtr Term(int maxWidth, ParserPtr data, ParserPtr end) {
  return With(std::make_unique<TerminatedParser>(maxWidth), std::move(data), std::move(end));
}
ParserPtr If(const char* value, bool equal, ParserPtr then) {
  return With(std::make_unique<IfParser>("Strict", value, equal), std::move(then));
}
ParserPtr Set(const char* variable, const char* value) {
  return std::make_unique<AssignParser>(variable, value);
}
ParserPtr LineEnd() { return Radio(Lit("\r\n"), Lit("\n")); }

TEST(ControlFlowRead, Table) {
  const std::string radio = "6:RadioParser: No radio elements found in pos ";
  auto comma = [](int maxWidth) { return Term(maxWidth, Field("V"), Lit(",")); };
  auto strict = [](const char* value, bool equal) {
    return Seq(Set("Strict", value), If("true", equal, Lit("X")));
  };
  const struct {
    ParserPtr tree;
    std::string input;
    std::string result;
    long budget = -1;
    uint32_t start = 0;
  } cases[] = {
      {Repeat(Lit("ab")), "ababx", "ok 4 |"},  // stops at the failing pass
      {Repeat(Lit("ab")), "abab", "ok 4 |"},   // exactly its budget: no more tries
      {Repeat(Lit("ab")), "abab", "ok 2 |", 2},
      {Repeat(Lit("ab")), "abab", "ok 0 |", 0},                      // budget 0: no pass at all
      {Repeat(Opt(Lit("x"))), "xxy", "fail 2 |4:Infinity looping"},  // a pass reading nothing
      {Repeat(nullptr), "abc", "ok 0 |4:CompoundParser: No Parsers"},
      {Radio(Lit("AB"), Lit("A"), Lit("ABC")), "ABC", "ok 2 |"},  // the first that passes
      {Radio(Lit("AB"), Lit("A")), std::string(26, 'z') + "Q", "fail 26 |" + radio + "1ah", 1, 26},
      {Radio(Opt(Lit("X")), Lit("B")), "B", "ok 0 |"},
      {comma(0), "12,34,", "ok 3 <V>12</V>\r\n|"},
      {comma(0), ",34,", "fail 0 |"},     // the field refuses a budget of 0
      {comma(5), "123456,", "fail 0 |"},  // beyond MaxWidth: silent
      {comma(5), "1234,", "ok 5 <V>1234</V>\r\n|"},
      {comma(0), "1234", "fail 0 |"},
      {Term(0, Lit(""), Lit(",")), ",x", "ok 1 |"},
      {Term(0, Lit("1"), Lit(",")), "12,", "fail 0 |6:TerminatedParser: Not all data parsed"},
      {With(std::make_unique<TerminatedParser>(), Field("V")), "1,",
       "fail 0 |4:TerminatedParser: Number of parsers != 2"},
      // A terminator that is no literal is tried at every offset.
      {Term(0, Field("V"), LineEnd()), "ab\nc",
       "ok 3 <V>ab</V>\r\n|" + radio + "0h|" + radio + "1h"},
      // Each radio failure is reported, then the last literal error (the try at
      // offset 3 has a budget of 0, too small for any literal to leave a text).
      {Term(3, Field("V"), LineEnd()), "abcdef",
       "fail 0 |" + radio + "0h|" + radio + "1h|" + radio + "2h|" + radio +
           "3h|3:In 2 pos. literal '\n' not found|3:TerminatedParser: Reach end"},
      // Terminator nodes come before data.
      {Term(0, Field("V"), std::make_unique<LiteralParser>(";", "End", "semicolon", false, false)),
       "7;", "ok 2 <End>semicolon</End>\r\n<V>7</V>\r\n|"},
      {strict("true", true), "X", "ok 1 |"},
      {strict("true", false), "X", "ok 0 |"},
      {strict("True", true), "X", "ok 0 |"},
      {strict("false", false), "X", "ok 1 |"},
      {If("true", true, Lit("X")), "X", "ok 0 |"},  // never assigned
      {If("true", false, Lit("X")), "X", "ok 1 |"},
      // Later nodes of a pass see the value assigned.
      {Repeat(Seq(Set("Strict", "B"), If("B", true, Lit("b")), Set("Strict", ""))), "bbb",
       "ok 3 |"},
      {std::make_unique<SubstParser>(nullptr, "Gone"), "x", "fail 0 |4:SubstituteParser: NULL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    Harness h;
    EXPECT_EQ(h.ReadRun(*c.tree, c.input, c.budget, c.start), c.result);
    if (c.start == 26) {
      EXPECT_EQ(h.param.lastError, "In 26 pos. literal 'A' not found");
    }
  }
}

TEST(ControlFlowWrite, Table) {
  const char* points = "<data><P><N>1</N></P><P><N>2</N></P><P><N>3</N></P></data>";
  auto pass = [](bool repeated) { return With(Group("P", repeated), Field("N"), Lit(";")); };
  // tree, document, written
  const std::tuple<ParserPtr, const char*, const char*> cases[] = {
      {Repeat(pass(true)), points, "1;2;3;|"},
      {Repeat(pass(true), 0), points, "1;2;3;|"},
      {Repeat(pass(true), -5), points, "1;2;3;|"},
      {Repeat(pass(true), 1), points, "1;|"},
      {Repeat(pass(true), 2), points, "1;2;|"},
      {Repeat(pass(false), 1), points, "1;|"},
      // Without RepeatedNode nothing is consumed: the repetition ends after one pass.
      {Repeat(pass(false)), points, "1;|"},
      {Repeat(pass(false), 0), points, "1;|"},
      {Repeat(pass(false), 3), points, "1;1;1;|"},  // an explicit count is honoured
      // Each pass flips a variable, so passes differ until the if stops writing.
      {Repeat(With(std::make_unique<IfParser>("Seen", "yes", false), Lit("header;"),
                   Set("Seen", "yes"))),
       "<data/>", "header;|"},
      {Radio(Opt(Lit("X")), Lit("B")), "<data/>", "X|"},
      // With the wrong number of children it is a plain sequence.
      {With(std::make_unique<TerminatedParser>(), Field("V")), "<data><V>5</V></data>", "5|"},
  };
  for (const auto& [tree, document, written] : cases) {
    SCOPED_TRACE(written);
    Harness h;
    EXPECT_EQ(h.WriteRun(*tree, document), written);
  }
}

TEST(ControlFlowWrite, RadioChoosesAlternativeWhoseDataIsPresent) {
  Harness h;
  auto radio =
      Radio(With(Group("Point"), Lit("P"), Field("N")), With(Group("Line"), Lit("L"), Field("N")));
  EXPECT_EQ(h.WriteRun(*radio, "<data><Line><N>7</N></Line></data>"), "L7|");
  EXPECT_EQ(h.Exported(*radio), "<fail>");  // the Line was consumed
}

TEST(SubstParser, SharedTreeRunsUnderEachCurrentNode) {
  TSubstitute fields("Fields");
  fields.tree->Append(Delimited("Name", ",", 1));
  auto use = [&](const char* group) {
    return With(Group(group, false, 0), std::make_unique<SubstParser>(fields.tree.get(), "Fields"));
  };
  auto tree = Seq(use("A"), use("B"));
  Harness h;
  EXPECT_EQ(h.ReadRun(*tree, "x,y,"),
            "ok 4 <A>\r\n  <Name>x</Name>\r\n</A>\r\n<B>\r\n  <Name>y</Name>\r\n</B>\r\n|");
  EXPECT_EQ(tree->Dump(), "seq{group[A@0]{subst[Fields]} group[B@0]{subst[Fields]}}");
}

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

std::unique_ptr<GroupParser> GroupAt(const std::string& name, int depth, bool repeated = false,
                                     bool skipWrong = false) {
  return std::make_unique<GroupParser>(name, repeated, skipWrong, depth);
}
ParserPtr Point(int depth) {
  return With(GroupAt("Point", depth), Delimited("Name", ",", 1), Field("North", 1));
}

TEST(GroupParserRead, Table) {
  // tree, input, budget, start, result
  const std::tuple<ParserPtr, const char*, long, uint32_t, const char*> cases[] = {
      {Point(0), "P1,12", -1, 0,
       "ok 5 <Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n</Point>\r\n|"},
      {Point(1), "P1,12", -1, 0,
       "ok 5   <Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n  </Point>\r\n|"},
      {Point(2), "P1,12", -1, 0,
       "ok 5     <Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n    </Point>\r\n|"},
      {With(GroupAt("Empty", 1), Lit("")), "x", -1, 0,
       "ok 0   <Empty>\r\n  </Empty>\r\n|"},  // empty match
      {With(GroupAt("", 3), Field("Name", 0)), "AB", -1, 0,
       "ok 2 <Name>AB</Name>\r\n|"},  // no name: a sequence
      // A failure drops the element and restores the position.
      {With(GroupAt("G", 0), Field("Name", 1), Lit(";")), "AB,", 2, 1, "fail 1 |"},
      // The optional sequence fails at its literal; the field it already read stays.
      {With(GroupAt("G", 0),
            With(std::make_unique<OptionalParser>(), Delimited("A", ",", 2), Lit("!")),
            Field("Rest", 1)),
       "x,y", -1, 0, "ok 3 <G>\r\n    <A>x</A>\r\n  <Rest>x,y</Rest>\r\n</G>\r\n|"},
      {std::make_unique<CompoundParser>(), "abc", -1, 0, "fail 0 |4:CompoundParser: No Parsers"},
      {Seq(Lit("ab"), Field("Rest")), "abcdefgh", 5, 0,
       "ok 5 <Rest>cde</Rest>\r\n|"},  // the rest of the budget
  };
  for (const auto& [tree, input, budget, start, result] : cases) {
    SCOPED_TRACE(result);
    Harness h;
    EXPECT_EQ(h.ReadRun(*tree, input, budget, start), result);
    EXPECT_EQ(h.param.currentNode, h.data);
    if (budget == 5) {
      const std::vector<std::pair<unsigned long, unsigned long>> progress = {{8, 0}};
      EXPECT_EQ(h.callBack.progress, progress);
    }
  }
}

TEST(GroupParserWrite, Table) {
  const char* points = "<data><Other/><P><N>1</N></P><P><X>2</X></P><P><N>3</N></P></data>";
  // tree, document, written, count (repeated groups written)
  const std::tuple<ParserPtr, const char*, const char*, int> cases[] = {
      {Seq(Lit("<"), Field("A"), Field("Missing")), "<data><A>1</A></data>",
       "<fail>|3:Element with ID='Missing' not found", 0},  // a failed child cuts the output back
      {std::make_unique<CompoundParser>(), "<data/>", "<fail>|", 0},
      {With(GroupAt("P", 0), Lit("x")), "<data><Q/></data>", "<fail>|", 0},
      {With(std::make_unique<RepeatParser>(),
            With(GroupAt("P", 0, true, true), Field("N"), Lit(";"))),
       points, "1;3;|3:Element with ID='N' not found", 2},  // skipWrong drops the failing element
      {With(std::make_unique<RepeatParser>(), With(GroupAt("P", 0, true), Field("N"), Lit(";"))),
       points, "1;|3:Element with ID='N' not found", 1},
  };
  for (const auto& [tree, document, written, count] : cases) {
    SCOPED_TRACE(written);
    Harness h;
    EXPECT_EQ(h.WriteRun(*tree, document), written);
    EXPECT_EQ(h.param.writtenCount, count);
    EXPECT_EQ(h.param.currentNode, h.data);
  }
}

}  // namespace
}  // namespace compoundparser::testing
