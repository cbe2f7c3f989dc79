// Copies of a definition share its document, so they must share its groups:
// an edit through one copy is what every copy sees and saves.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"

namespace compoundparser {
namespace {

std::string GroupFile(const std::string& name) {
  return std::string(CP_TEST_DATA_DIR) + "/groups/" + name;
}

// Counts the group elements under the shared document's group container.
int GroupElements(const FormatDefinition& definition) {
  return static_cast<int>(
      definition.Document().AsNode().SelectNodes("/format/repeat/radio/group").size());
}

TEST(DefinitionCopy, GroupEditsThroughOneCopyAreSeenByTheOther) {
  const struct {
    const char* name;
    void (*edit)(FormatDefinition&);
    int groupsAfter;  // relative to the groups before the edit
  } cases[] = {
      {"remove the first group", [](FormatDefinition& d) { d.RemoveGroup(d.GetGroup(0)); }, -1},
      {"add a group", [](FormatDefinition& d) { ASSERT_NE(d.AddGroup(), nullptr); }, +1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto original = std::make_unique<FormatDefinition>(GroupFile("mixed.xml"), nullptr);
    ASSERT_TRUE(original->Load());
    const int before = original->NumGroups();
    ASSERT_GT(before, 0);
    FormatDefinition copy(*original);
    FormatDefinition assigned(GroupFile("points.xml"), nullptr);
    ASSERT_TRUE(assigned.Load());
    assigned = copy;

    c.edit(copy);
    for (FormatDefinition* d : {original.get(), &copy, &assigned}) {
      EXPECT_EQ(d->NumGroups(), before + c.groupsAfter);
      EXPECT_EQ(GroupElements(*d), before + c.groupsAfter);
      // Every group held still stands in the document.
      for (int i = 0; i < d->NumGroups(); ++i) {
        EXPECT_TRUE(d->GetGroup(i).Element().Parent());
      }
    }
    // The copies keep the list when the definition they came from is gone.
    original.reset();
    EXPECT_EQ(copy.NumGroups(), before + c.groupsAfter);
    EXPECT_EQ(assigned.NumGroups(), before + c.groupsAfter);
  }
}

TEST(DefinitionCopy, ReloadingACopyLeavesTheOthersGroupsAlone) {
  FormatDefinition original(GroupFile("mixed.xml"), nullptr);
  ASSERT_TRUE(original.Load());
  const int before = original.NumGroups();
  FormatDefinition copy(original);
  copy.RemoveGroup(copy.GetGroup(0));
  // The reload reads the file into a document of its own.
  ASSERT_TRUE(copy.Load());
  EXPECT_EQ(copy.NumGroups(), before);
  EXPECT_EQ(original.NumGroups(), before - 1);
  EXPECT_EQ(GroupElements(original), before - 1);
}

}  // namespace
}  // namespace compoundparser
