// Sequences and groups: budgets, cut-back on export, the indentation text
// that import writes, and the removal of written repeated groups.
#include <gtest/gtest.h>

#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::unique_ptr<GroupParser> Group(const std::string& name, int depth, bool repeated = false,
                                   bool skipWrong = false) {
  return std::make_unique<GroupParser>(name, repeated, skipWrong, depth);
}

TEST(GroupParserRead, IndentsByDepth) {
  const struct {
    ParserPtr tree;
    const char* input;
    const char* expected;
    uint32_t end;
  } cases[] = {
      {With(Group("Point", 0), Delimited("Name", ",", 1), Field("North", 1)), "P1,12",
       "<Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n</Point>\r\n", 5},
      {With(Group("Point", 1), Delimited("Name", ",", 1), Field("North", 1)), "P1,12",
       "  <Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n  </Point>\r\n", 5},
      {With(Group("Point", 2), Delimited("Name", ",", 1), Field("North", 1)), "P1,12",
       "    <Point>\r\n  <Name>P1</Name>\r\n  <North>12</North>\r\n    </Point>\r\n", 5},
      // An empty match still adds the element.
      {With(Group("Empty", 1), Lit("")), "x", "  <Empty>\r\n  </Empty>\r\n", 0},
      // Without a name the group acts as a sequence.
      {With(Group("", 3), Field("Name", 0)), "AB", "<Name>AB</Name>\r\n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    Harness h;
    ASSERT_TRUE(h.Import(*c.tree, c.input));
    EXPECT_EQ(h.Content(), c.expected);
    EXPECT_EQ(h.Position(), c.end);
    EXPECT_EQ(h.param.currentNode, h.data);
  }
}

TEST(GroupParserRead, FailureDropsElementAndRestoresPosition) {
  Harness h;
  auto tree = Seq(Lit("A"), With(Group("G", 0), Field("Name", 1), Lit(";")));
  h.param.file.OpenBuffer("AB,");
  Parser& group = *static_cast<CompoundParser&>(*tree).Child(1);
  h.param.file.Seek(1);
  EXPECT_FALSE(group.Read(h.param, 2));
  EXPECT_EQ(h.Position(), 1u);
  EXPECT_EQ(h.Content(), "");
  EXPECT_EQ(h.param.currentNode, h.data);
}

TEST(GroupParserRead, OptionalInsideGroupKeepsEarlierNodes) {
  // The optional sequence fails at its literal; the field it already read stays.
  Harness h;
  auto optional = With(std::make_unique<OptionalParser>(), Delimited("A", ",", 2), Lit("!"));
  auto tree = With(Group("G", 0), std::move(optional), Field("Rest", 1));
  ASSERT_TRUE(h.Import(*tree, "x,y"));
  EXPECT_EQ(h.Content(), "<G>\r\n    <A>x</A>\r\n  <Rest>x,y</Rest>\r\n</G>\r\n");
}

TEST(CompoundParserRead, EmptySequenceFailsWithMessage) {
  Harness h;
  CompoundParser empty;
  EXPECT_FALSE(h.Import(empty, "abc"));
  EXPECT_EQ(h.callBack.Joined(), "4:CompoundParser: No Parsers");
}

TEST(CompoundParserRead, PassesRemainingBudgetAndReportsProgress) {
  Harness h;
  auto tree = Seq(Lit("ab"), Field("Rest"));
  h.param.file.OpenBuffer("abcdefgh");
  ASSERT_TRUE(tree->Read(h.param, 5));  // the field gets 3 bytes
  EXPECT_EQ(h.Content(), "<Rest>cde</Rest>\r\n");
  ASSERT_EQ(h.callBack.progress.size(), 1u);
  EXPECT_EQ(h.callBack.progress[0], std::make_pair(8ul, 0ul));
}

TEST(CompoundParserWrite, FailedChildCutsOutputBack) {
  Harness h;
  h.SetDocument("<data><A>1</A></data>");
  auto tree = Seq(Lit("<"), Field("A"), Field("Missing"));
  EXPECT_EQ(h.Exported(*tree), "<fail>");
  CompoundParser empty;
  EXPECT_EQ(h.Exported(empty), "<fail>");
  EXPECT_EQ(h.callBack.Joined(), "3:Element with ID='Missing' not found");
}

TEST(GroupParserWrite, RepeatedGroupsAreConsumedInOrder) {
  Harness h;
  h.SetDocument("<data><Other/><P><N>1</N></P><P><N>2</N></P><P><N>3</N></P></data>");
  h.param.totalCount = 3;
  auto repeat = With(std::make_unique<RepeatParser>(), With(Group("P", 0, true), Field("N"), Lit(";")));
  EXPECT_EQ(h.Exported(*repeat), "1;2;3;");
  EXPECT_EQ(h.param.writtenCount, 3);
  EXPECT_FALSE(Contains(h.doc.SaveToString(), "<P>"));
  EXPECT_TRUE(Contains(h.doc.SaveToString(), "<Other"));
  const std::vector<std::pair<unsigned long, unsigned long>> progress = {{3, 0}, {3, 1}, {3, 2}};
  EXPECT_EQ(h.callBack.progress, progress);
}

TEST(GroupParserWrite, SkipWrongDropsFailingElement) {
  struct Case {
    bool skipWrong;
    const char* expected;
  };
  const Case cases[] = {{true, "1;3;"}, {false, "1;"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skipWrong);
    Harness h;
    h.SetDocument("<data><P><N>1</N></P><P><X>2</X></P><P><N>3</N></P></data>");
    auto repeat = With(std::make_unique<RepeatParser>(),
                       With(Group("P", 0, true, c.skipWrong), Field("N"), Lit(";")));
    EXPECT_EQ(h.Exported(*repeat), c.expected);
    EXPECT_EQ(h.param.writtenCount, c.skipWrong ? 2 : 1);
  }
}

TEST(GroupParserWrite, MissingElementWritesNothing) {
  Harness h;
  h.SetDocument("<data><Q/></data>");
  auto group = With(Group("P", 0), Lit("x"));
  EXPECT_EQ(h.Exported(*group), "<fail>");
  EXPECT_EQ(h.param.currentNode, h.data);
}

}  // namespace
}  // namespace compoundparser::testing
