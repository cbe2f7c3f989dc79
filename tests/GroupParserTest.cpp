// Sequences and groups: budgets, cut-back on export, the indentation text
// that import writes, and the removal of written repeated groups.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::unique_ptr<GroupParser> Group(const std::string& name, int depth, bool repeated = false,
                                   bool skipWrong = false) {
  return std::make_unique<GroupParser>(name, repeated, skipWrong, depth);
}
ParserPtr Point(int depth) {
  return With(Group("Point", depth), Delimited("Name", ",", 1), Field("North", 1));
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
      {With(Group("Empty", 1), Lit("")), "x", -1, 0,
       "ok 0   <Empty>\r\n  </Empty>\r\n|"},  // empty match
      {With(Group("", 3), Field("Name", 0)), "AB", -1, 0,
       "ok 2 <Name>AB</Name>\r\n|"},  // no name: a sequence
      // A failure drops the element and restores the position.
      {With(Group("G", 0), Field("Name", 1), Lit(";")), "AB,", 2, 1, "fail 1 |"},
      // The optional sequence fails at its literal; the field it already read stays.
      {With(Group("G", 0),
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
      {With(Group("P", 0), Lit("x")), "<data><Q/></data>", "<fail>|", 0},
      {With(std::make_unique<RepeatParser>(),
            With(Group("P", 0, true, true), Field("N"), Lit(";"))),
       points, "1;3;|3:Element with ID='N' not found", 2},  // skipWrong drops the failing element
      {With(std::make_unique<RepeatParser>(), With(Group("P", 0, true), Field("N"), Lit(";"))),
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

TEST(GroupParserWrite, RepeatedGroupsAreConsumedInOrder) {
  Harness h;
  h.SetDocument("<data><Other/><P><N>1</N></P><P><N>2</N></P><P><N>3</N></P></data>");
  h.param.totalCount = 3;
  auto repeat =
      With(std::make_unique<RepeatParser>(), With(Group("P", 0, true), Field("N"), Lit(";")));
  EXPECT_EQ(h.Exported(*repeat), "1;2;3;");
  EXPECT_EQ(h.param.writtenCount, 3);
  EXPECT_FALSE(Contains(h.doc.SaveToString(), "<P>"));
  EXPECT_TRUE(Contains(h.doc.SaveToString(), "<Other"));
  const std::vector<std::pair<unsigned long, unsigned long>> progress = {{3, 0}, {3, 1}, {3, 2}};
  EXPECT_EQ(h.callBack.progress, progress);
}

}  // namespace
}  // namespace compoundparser::testing
