// Optional parts, alternatives, repetitions, terminated stretches, conditions,
// assignments and substitutes, and a multi-record round trip.
#include <gtest/gtest.h>

#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::unique_ptr<RepeatParser> Repeat(int32_t writeCount = RepeatParser::kNoWriteLimit) {
  return std::make_unique<RepeatParser>(writeCount);
}
std::unique_ptr<GroupParser> Group(const std::string& name, bool repeated = true, int depth = 1) {
  return std::make_unique<GroupParser>(name, repeated, false, depth);
}

TEST(RepeatParserRead, PassesUntilFailureOrBudget) {
  const struct {
    ParserPtr repeat;
    const char* input;
    unsigned long budget;
    bool ok;
    uint32_t end;
    const char* messages;
  } cases[] = {
      {With(Repeat(), Lit("ab")), "ababx", 5, true, 4, ""},  // stops at the failing pass
      {With(Repeat(), Lit("ab")), "abab", 4, true, 4, ""},   // exactly its budget: no more tries
      {With(Repeat(), Lit("ab")), "abab", 2, true, 2, ""},
      {With(Repeat(), Lit("ab")), "abab", 0, true, 0, ""},  // budget 0: no pass at all
      // A pass that reads nothing would loop for ever.
      {With(Repeat(), With(std::make_unique<OptionalParser>(), Lit("x"))), "xxy", 3, false, 2,
       "4:Infinity looping"},
      {Repeat(), "abc", 3, true, 0, "4:CompoundParser: No Parsers"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Harness h;
    h.param.file.OpenBuffer(c.input);
    EXPECT_EQ(c.repeat->Read(h.param, c.budget), c.ok);
    EXPECT_EQ(h.Position(), c.end);
    EXPECT_EQ(h.callBack.Joined(), c.messages);
  }
}

TEST(RepeatParserWrite, WriteCountLimitsPasses) {
  struct Case {
    int32_t writeCount;
    bool repeated;
    const char* written;
  };
  const Case cases[] = {
      {RepeatParser::kNoWriteLimit, true, "1;2;3;"},
      {0, true, "1;2;3;"},
      {-5, true, "1;2;3;"},
      {1, true, "1;"},
      {2, true, "1;2;"},
      {1, false, "1;"},  // writes the first element once
      // Without RepeatedNode nothing is consumed: the repetition ends after
      // the first pass instead of writing the same element for ever.
      {RepeatParser::kNoWriteLimit, false, "1;"},
      {0, false, "1;"},
      {3, false, "1;1;1;"},  // an explicit count is honoured
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.writeCount);
    Harness h;
    h.SetDocument("<data><P><N>1</N></P><P><N>2</N></P><P><N>3</N></P></data>");
    auto repeat = With(Repeat(c.writeCount), With(Group("P", c.repeated), Field("N"), Lit(";")));
    EXPECT_EQ(h.Exported(*repeat), c.written);
  }
}

TEST(RepeatParserWrite, AssignmentsKeepAnUnlimitedRepetitionGoingUntilStable) {
  // Each pass flips a variable, so passes differ until the if stops writing.
  Harness h;
  h.SetDocument("<data/>");
  auto onFirst = With(std::make_unique<IfParser>("Seen", "yes", false), Lit("header;"),
                      std::make_unique<AssignParser>("Seen", "yes"));
  auto repeat = With(Repeat(), std::move(onFirst));
  EXPECT_EQ(h.Exported(*repeat), "header;");
}

TEST(RadioParser, FirstSuccessfulAlternativeWins) {
  Harness h;
  auto radio = With(std::make_unique<RadioParser>(), Lit("AB"), Lit("A"), Lit("ABC"));
  ASSERT_TRUE(h.Import(*radio, "ABC"));
  EXPECT_EQ(h.Position(), 2u);

  Harness none;
  none.param.file.OpenBuffer(std::string(26, 'z') + "Q");
  none.param.file.Seek(26);
  EXPECT_FALSE(radio->Read(none.param, 1));
  EXPECT_EQ(none.callBack.Joined(), "6:RadioParser: No radio elements found in pos 1ah");
  EXPECT_EQ(none.param.lastError, "In 26 pos. literal 'A' not found");
}

TEST(RadioParser, OptionalFirstAlternativeAlwaysWins) {
  Harness h;
  auto radio = With(std::make_unique<RadioParser>(),
                    With(std::make_unique<OptionalParser>(), Lit("X")), Lit("B"));
  ASSERT_TRUE(h.Import(*radio, "B"));
  EXPECT_EQ(h.Position(), 0u);
  h.SetDocument("<data/>");
  EXPECT_EQ(h.Exported(*radio), "X");
}

TEST(RadioParserWrite, ChoosesAlternativeWhoseDataIsPresent) {
  Harness h;
  h.SetDocument("<data><Line><N>7</N></Line></data>");
  auto radio = With(std::make_unique<RadioParser>(), With(Group("Point"), Lit("P"), Field("N")),
                    With(Group("Line"), Lit("L"), Field("N")));
  EXPECT_EQ(h.Exported(*radio), "L7");
  EXPECT_EQ(h.Exported(*radio), "<fail>");  // the Line was consumed
}

TEST(TerminatedParserRead, LiteralTerminator) {
  auto term = [](int maxWidth, ParserPtr data) {
    return With(std::make_unique<TerminatedParser>(maxWidth), std::move(data), Lit(","));
  };
  const struct {
    ParserPtr tree;
    const char* input;
    bool ok;
    uint32_t end;
    const char* stored;  // the content of `data`
    const char* messages;
  } cases[] = {
      {term(0, Field("V")), "12,34,", true, 3, "<V>12</V>\r\n", ""},
      {term(0, Field("V")), ",34,", false, 0, "", ""},     // the field refuses a budget of 0
      {term(5, Field("V")), "123456,", false, 0, "", ""},  // beyond MaxWidth: silent failure
      {term(5, Field("V")), "1234,", true, 5, "<V>1234</V>\r\n", ""},
      {term(0, Field("V")), "1234", false, 0, "", ""},  // no terminator at all
      {term(0, Lit("")), ",x", true, 1, "", ""},        // terminator at the start: no data
      {term(0, Lit("1")), "12,", false, 0, "", "6:TerminatedParser: Not all data parsed"},
      {With(std::make_unique<TerminatedParser>(), Field("V")), "1,", false, 0, "",
       "4:TerminatedParser: Number of parsers != 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Harness h;
    EXPECT_EQ(h.Import(*c.tree, c.input), c.ok);
    EXPECT_EQ(h.Position(), c.end);
    EXPECT_EQ(h.Content(), c.stored);
    EXPECT_EQ(h.callBack.Joined(), c.messages);
  }
  // With the wrong number of children it is a plain sequence on export.
  Harness h;
  h.SetDocument("<data><V>5</V></data>");
  EXPECT_EQ(h.Exported(*cases[7].tree), "5");
}

TEST(TerminatedParserRead, NonLiteralTerminatorIsTriedAtEveryOffset) {
  // A radio of line ends: CR LF or LF.
  auto lineEnd = [] { return With(std::make_unique<RadioParser>(), Lit("\r\n"), Lit("\n")); };
  Harness h;
  auto term = With(std::make_unique<TerminatedParser>(), Field("V"), lineEnd());
  ASSERT_TRUE(h.Import(*term, "ab\nc"));
  EXPECT_EQ(h.Position(), 3u);
  EXPECT_EQ(h.Content(), "<V>ab</V>\r\n");

  Harness miss;
  auto term3 = With(std::make_unique<TerminatedParser>(3), Field("V"), lineEnd());
  EXPECT_FALSE(miss.Import(*term3, "abcdef"));
  EXPECT_EQ(miss.Position(), 0u);
  // Four attempts (offsets 0 to 3), each radio failure reported, then the last
  // literal error (the attempt at offset 3 has a budget of 0, too small for any
  // literal to leave a text) and the end.
  const auto& m = miss.callBack.messages;
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[3], (Message{6, "RadioParser: No radio elements found in pos 3h"}));
  EXPECT_EQ(m[4], (Message{3, "In 2 pos. literal '\n' not found"}));
  EXPECT_EQ(m[5], (Message{3, "TerminatedParser: Reach end"}));
}

TEST(TerminatedParserRead, TerminatorNodesComeBeforeData) {
  Harness h;
  auto term = With(std::make_unique<TerminatedParser>(), Field("V"),
                   std::make_unique<LiteralParser>(";", "End", "semicolon", false, false));
  ASSERT_TRUE(h.Import(*term, "7;"));
  EXPECT_EQ(h.Content(), "<End>semicolon</End>\r\n<V>7</V>\r\n");
}

TEST(IfParser, TestsVariables) {
  struct Case {
    const char* assigned;  // nullptr: never assigned
    bool compare;
    bool runs;
  };
  const Case cases[] = {
      {"true", true, true},  {"true", false, false}, {"True", true, false},
      {nullptr, true, false}, {nullptr, false, true}, {"false", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.assigned ? c.assigned : "<unset>") + (c.compare ? " ==" : " !="));
    Harness h;
    if (c.assigned) h.param.vars.Assign("Strict", c.assigned);
    auto test = With(std::make_unique<IfParser>("Strict", "true", c.compare), Lit("X"));
    EXPECT_TRUE(h.Import(*test, "X"));
    EXPECT_EQ(h.Position(), c.runs ? 1u : 0u);
  }
}

TEST(AssignParser, LaterNodesOfThePassSeeTheValue) {
  Harness h;
  auto pass = Seq(std::make_unique<AssignParser>("Mode", "B"),
                  With(std::make_unique<IfParser>("Mode", "B", true), Lit("b")),
                  std::make_unique<AssignParser>("Mode", ""));
  auto repeat = With(Repeat(), std::move(pass));
  ASSERT_TRUE(h.Import(*repeat, "bbb"));
  EXPECT_EQ(h.Position(), 3u);
  std::string mode = "unchanged";
  EXPECT_TRUE(h.param.vars.getValue("Mode", mode));
  EXPECT_EQ(mode, "");
}

TEST(SubstParser, SharedTreeRunsUnderEachCurrentNode) {
  TSubstitute fields("Fields");
  fields.tree->Append(Delimited("Name", ",", 1));
  Harness h;
  auto tree = Seq(With(Group("A", false, 0), std::make_unique<SubstParser>(fields.tree.get(), "Fields")),
                  With(Group("B", false, 0), std::make_unique<SubstParser>(fields.tree.get(), "Fields")));
  ASSERT_TRUE(h.Import(*tree, "x,y,"));
  EXPECT_EQ(h.Content(),
            "<A>\r\n  <Name>x</Name>\r\n</A>\r\n<B>\r\n  <Name>y</Name>\r\n</B>\r\n");
  EXPECT_EQ(tree->Dump(), "seq{group[A@0]{subst[Fields]} group[B@0]{subst[Fields]}}");

  SubstParser dangling(nullptr, "Gone");
  EXPECT_FALSE(h.Import(dangling, "x"));
  EXPECT_EQ(h.callBack.Joined(), "4:SubstituteParser: NULL");
}

// A field that may be empty: terminated{optional{field}, literal}.
std::unique_ptr<TerminatedParser> MaybeEmpty(const std::string& id, const std::string& delimiter) {
  return With(std::make_unique<TerminatedParser>(),
              With(std::make_unique<OptionalParser>(), Field(id, 4)), Lit(delimiter));
}

// A points file: a repeat of a radio between a header line and point lines,
// every field terminated by a comma or the line end.
std::unique_ptr<Parser> PointsTree() {
  auto point = With(std::make_unique<GroupParser>("Point", true, false, 2), Delimited("Name", ",", 4),
                    MaybeEmpty("North", ","), MaybeEmpty("East", "\r\n"));
  auto header = With(std::make_unique<GroupParser>("Header", true, false, 2),
                     std::make_unique<LiteralParser>("#", "", "", false, true),
                     Delimited("Title", "\r\n", 4));
  auto radio = With(std::make_unique<RadioParser>(), std::move(header), std::move(point));
  return Seq(With(Repeat(), std::move(radio)));
}

TEST(EngineRoundTrip, MultiRecordFileImportsAndExportsBack) {
  const std::string file = "P1,100.5,200\r\nP2,-3,4.25\r\nP3,,\r\n";
  auto tree = PointsTree();
  Harness h;
  ASSERT_TRUE(h.Import(*tree, file));
  EXPECT_EQ(h.Position(), file.size());
  EXPECT_TRUE(Contains(h.Content(), "    <Point>\r\n        <Name>P1</Name>\r\n"));
  EXPECT_EQ(h.Exported(*tree), file);
  EXPECT_EQ(h.param.writtenCount, 3);
}

}  // namespace
}  // namespace compoundparser::testing
