// The nodes of a parser tree: literals, fields, sequences and groups, optional
// parts, alternatives, repetitions, terminated stretches, conditions,
// assignments and substitutes, in both directions.
#include <gtest/gtest.h>

#include <tuple>

#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

ParserPtr Repeat(ParserPtr pass, int32_t writeCount = RepeatParser::kNoWriteLimit) {
  auto repeat = std::make_unique<RepeatParser>(writeCount);
  if (pass) repeat->Append(std::move(pass));
  return repeat;
}
std::unique_ptr<GroupParser> Group(const std::string& name, int depth = 1, bool repeated = true,
                                   bool skipWrong = false) {
  return std::make_unique<GroupParser>(name, repeated, skipWrong, depth);
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
// A literal bound to the element `id` with `value`.
ParserPtr Bound(const char* text, const char* id, const char* value, bool readOnly = false) {
  return std::make_unique<LiteralParser>(text, id, value, false, readOnly);
}
ParserPtr Point(int depth) {
  return With(Group("Point", depth, false), Delimited("Name", ",", 1), Field("North", 1));
}

TEST(ParserNodeRead, Table) {
  const std::string radio = "6:RadioParser: No radio elements found in pos ";
  auto comma = [](int maxWidth) { return Term(maxWidth, Field("V"), Lit(",")); };
  auto strict = [](const char* value, bool equal) {
    return Seq(Set("Strict", value), If("true", equal, Lit("X")));
  };
  const std::string point = "<Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n";
  TSubstitute fields("Fields");
  fields.tree->Append(Delimited("Name", ",", 1));
  auto use = [&](const char* group) {
    return With(Group(group, 0, false), std::make_unique<SubstParser>(fields.tree.get(), "Fields"));
  };
  const struct {
    ParserPtr tree;
    std::string input;
    std::string result;
    long budget = -1;
    uint32_t start = 0;
    const char* lastError = nullptr;  // the last error after a start with "previous"
  } cases[] = {
      {Lit("AB"), "xyzAB", "ok 5 |", 2, 3, "previous"},
      {Lit("AB"), "xyzAC", "fail 3 |", 2, 3, "In 3 pos. literal 'AB' not found"},
      {Lit("ab"), "xyzAB", "fail 3 |", 2, 3, "In 3 pos. literal 'ab' not found"},  // case-sensitive
      {Lit("ABC"), "xyzAB", "fail 3 |", 2, 3, "previous"},  // longer than the budget: no text
      {Lit(""), "xyz", "ok 1 |", 0, 1, "previous"},         // empty literal matches nothing
      {Bound("C", "Type", "Text"), "C", "ok 1 <Type>Text</Type>\r\n|", 1, 0, "previous"},
      {Bound("C", "Type", ""), "C", "ok 1 <Type>C</Type>\r\n|", 1, 0, "previous"},
      {Field("Name", 2), "P1", "ok 2     <Name>P1</Name>\r\n|"},
      {Field("", 1), "xyz", "ok 3 |"},
      {Seq(Delimited("Name", ",", 2), Field("Name", 2)), "P1,P1",  // one id twice: two elements
       "ok 5     <Name>P1</Name>\r\n    <Name>P1</Name>\r\n|"},
      // A shared substitute runs under each current node.
      {Seq(use("A"), use("B")), "x,y,",
       "ok 4 <A>\r\n  <Name>x</Name>\r\n</A>\r\n<B>\r\n  <Name>y</Name>\r\n</B>\r\n|"},  // without
                                                                                         // id the
                                                                                         // field
                                                                                         // consumes
                                                                                         // only
      {Point(0), "P1,12", "ok 5 " + point + "</Point>\r\n|"},
      {Point(1), "P1,12", "ok 5   " + point + "  </Point>\r\n|"},
      {Point(2), "P1,12", "ok 5     " + point + "    </Point>\r\n|"},
      {With(Group("Empty"), Lit("")), "x", "ok 0   <Empty>&#13;\n  </Empty>\r\n|"},  // empty match
      {With(Group("", 3), Field("Name", 0)), "AB", "ok 2 <Name>AB</Name>\r\n|"},     // a sequence
      // A failure drops the element and restores the position.
      {With(Group("G", 0), Field("Name", 1), Lit(";")), "AB,", "fail 1 |", 2, 1},
      // The optional sequence fails at its literal; the field it already read stays.
      {With(Group("G", 0),
            With(std::make_unique<OptionalParser>(), Delimited("A", ",", 2), Lit("!")),
            Field("Rest", 1)),
       "x,y", "ok 3 <G>\r\n    <A>x</A>\r\n  <Rest>x,y</Rest>\r\n</G>\r\n|", -1, 0,
       "In 2 pos. literal '!' not found"},
      {std::make_unique<CompoundParser>(), "abc", "fail 0 |4:CompoundParser: No Parsers"},
      {Seq(Lit("ab"), Field("Rest")), "abcdefgh", "ok 5 <Rest>cde</Rest>\r\n|", 5},  // the rest
      {Repeat(Lit("ab")), "ababx", "ok 4 |"},  // the last pass is beyond the budget: no text
      {Repeat(Lit("ab")), "abab", "ok 4 |"},   // exactly its budget: no more tries
      {Repeat(Lit("ab")), "abab", "ok 2 |", 2},
      {Repeat(Lit("ab")), "abab", "ok 0 |", 0},  // budget 0: no pass at all
      {Repeat(Opt(Lit("x"))), "xxy", "fail 2 |4:Infinity looping"},
      {Repeat(nullptr), "abc", "ok 0 |4:CompoundParser: No Parsers"},
      {Radio(Lit("AB"), Lit("A"), Lit("ABC")), "ABC", "ok 2 |"},  // the first that passes
      {Radio(Lit("AB"), Lit("A")), std::string(26, 'z') + "Q", "fail 26 |" + radio + "1ah", 1, 26,
       "In 26 pos. literal 'A' not found"},
      {Radio(Opt(Lit("X")), Lit("B")), "B", "ok 0 |", -1, 0, "In 0 pos. literal 'X' not found"},
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
      {Term(0, Field("V"), Bound(";", "End", "semicolon")), "7;",
       "ok 2 <End>semicolon</End>\r\n<V>7</V>\r\n|"},
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
    h.param.lastError = "previous";
    EXPECT_EQ(h.ReadRun(*c.tree, c.input, c.budget, c.start), c.result);
    EXPECT_EQ(h.param.currentNode, h.data);
    if (c.lastError) {
      EXPECT_EQ(h.param.lastError, c.lastError);
    }
    if (c.budget == 5) {
      EXPECT_EQ(h.callBack.progress,
                (std::vector<std::pair<unsigned long, unsigned long>>{{8, 0}}));
    }
  }
}

TEST(ParserNodeWrite, Table) {
  const char* points = "<data><P><N>1</N></P><P><N>2</N></P><P><N>3</N></P></data>";
  const char* gap = "<data><Other/><P><N>1</N></P><P><X>2</X></P><P><N>3</N></P></data>";
  auto pass = [](bool repeated, bool skipWrong = false) {
    return With(Group("P", 0, repeated, skipWrong), Field("N"), Lit(";"));
  };
  const char* type = "<data><Type>DATE</Type></data>";
  const std::string noN = "|3:Element with ID='N' not found";
  const struct {
    ParserPtr tree;
    const char* document;
    std::string written;
    int count = -1;  // repeated groups written, when not -1
  } cases[] = {
      {Lit("D"), "<data/>", "D|"},
      {Bound("D", "", "", true), "<data/>", "<fail>|"},  // read-only
      {Bound("D", "Type", "DATE"), type, "D|"},
      {Bound("D", "Type", "DATE"), "<data><Type>date</Type></data>", "<fail>|"},
      {Bound("D", "Type", "DATE"), "<data><Other>DATE</Other></data>", "<fail>|"},
      {Bound("D", "Type", "DATE"), "<data><Type/></data>", "<fail>|"},
      {Bound("D", "Type", "DATE"), "<data><Type><!--c-->DATE</Type></data>", "D|"},  // first text
      {Bound("D", "Type", ""), "<data><Type>D</Type></data>", "D|"},  // compared with the literal
      {Bound("D", "Type", ""), type, "<fail>|"},
      // A failed child cuts the output back.
      {Seq(Lit("<"), Field("A"), Field("Missing")), "<data><A>1</A></data>",
       "<fail>|3:Element with ID='Missing' not found", 0},
      {std::make_unique<CompoundParser>(), "<data/>", "<fail>|", 0},
      {With(Group("P", 0, false), Lit("x")), "<data><Q/></data>", "<fail>|", 0},
      {Repeat(pass(true, true)), gap, "1;3;" + noN, 2},  // skipWrong drops the failing element
      {Repeat(pass(true)), gap, "1;" + noN, 1},
      {Repeat(pass(true)), points, "1;2;3;|", 3},
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    Harness h;
    EXPECT_EQ(h.WriteRun(*c.tree, c.document), c.written);
    EXPECT_EQ(h.param.currentNode, h.data);
    if (c.count >= 0) {
      EXPECT_EQ(h.param.writtenCount, c.count);
    }
  }
}

TEST(ParserNodeWrite, RadioChoosesAlternativeWhoseDataIsPresentAndConsumesIt) {
  Harness h;
  auto radio =
      Radio(With(Group("Point"), Lit("P"), Field("N")), With(Group("Line"), Lit("L"), Field("N")));
  EXPECT_EQ(h.WriteRun(*radio, "<data><Other/><Line><N>7</N></Line></data>"), "L7|");
  EXPECT_EQ(h.Exported(*radio), "<fail>");
  EXPECT_EQ(h.Content(), "<Other/>");
}

TEST(LiteralParser, HexTextDecodesPairByPair) {
  // text, bytes; white space before a pair is skipped, "%2x" style
  const std::tuple<const char*, std::string> cases[] = {
      {"0D0A", "\r\n"},
      {"0D0", "\r"},
      {"414", "A"},
      {"zz41", "A"},
      {"2c", ","},
      {"", ""},
      {"0", ""},
      {" 41 42", std::string("A\x01"
                             "B")},
      {"00", std::string(1, '\0')},
  };
  for (const auto& [text, bytes] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(LiteralParser(text, "", "", true, false).Literal(), bytes);
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
