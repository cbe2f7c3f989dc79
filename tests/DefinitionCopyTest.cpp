// Copies of a definition share its document, tree and groups: an edit through
// one copy is what every copy sees, and copies outlive the original.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// Returns the groups held, then the group elements in the shared document.
std::string Groups(const FormatDefinition& d) {
  return std::to_string(d.NumGroups()) + " " +
         std::to_string(d.Document().AsNode().SelectNodes("/format/repeat/radio/group").size());
}

// Returns name, mask, tree, substitutes and element ids of a loaded definition.
std::string Outline(const FormatDefinition& d) {
  std::string text = d.Name() + "|" + d.FileMask() + "|" + d.RootParser()->Dump() + "|";
  for (const auto& entry : d.Substitutes())
    text += entry.first + "=" + entry.second->tree->Dump() + " ";
  for (const std::string& id : d.ElementIds()) text += id + ",";
  return text;
}

// Imports points.txt through `definition`; returns the number of Point records or -1.
int ImportPoints(FormatDefinition& definition) {
  Harness h;
  if (!definition.ParseFile(TestData("definitions/points.txt"), h.param)) return -1;
  return static_cast<int>(h.doc.AsNode().SelectNodes("/data/Point").size());
}

TEST(DefinitionCopy, CopiesShareTheTreeOutliveTheOriginalAndReloadTheSame) {
  // file, points (imported from points.txt)
  const std::tuple<const char*, int> cases[] = {{"points_delimited.xml", 3},
                                                {"subst_earlier.xml", -1}};
  for (const auto& [file, points] : cases) {
    SCOPED_TRACE(file);
    auto original = std::make_unique<FormatDefinition>(TestData("definitions/") + file, nullptr);
    ASSERT_TRUE(original->Load());
    const std::string outline = Outline(*original);
    FormatDefinition copy(*original);
    EXPECT_EQ(copy.RootParser(), original->RootParser());
    EXPECT_TRUE(copy.Document() == original->Document());
    FormatDefinition assigned(TestData("definitions/minimal.xml"), nullptr);
    ASSERT_TRUE(assigned.Load());
    assigned = *original;
    original.reset();
    for (FormatDefinition* d : {&copy, &assigned}) {
      EXPECT_EQ(Outline(*d), outline);
      EXPECT_EQ(ImportPoints(*d), points);
    }
    const CompoundParser* root = copy.RootParser();
    FormatDefinition& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.RootParser(), root);
    // A reload of the copy replaces its tree without touching what it shared.
    ASSERT_TRUE(copy.Load());
    EXPECT_EQ(Outline(copy), outline);
    EXPECT_EQ(Outline(assigned), outline);
  }
}

TEST(DefinitionCopy, GroupEditsThroughOneCopyAreSeenByTheOther) {
  for (const int change : {-1, +1}) {
    SCOPED_TRACE(change);
    auto original = std::make_unique<FormatDefinition>(TestData("groups/mixed.xml"), nullptr);
    ASSERT_TRUE(original->Load());
    const int before = original->NumGroups();
    ASSERT_GT(before, 0);
    FormatDefinition copy(*original);
    FormatDefinition assigned(TestData("groups/points.xml"), nullptr);
    ASSERT_TRUE(assigned.Load());
    assigned = copy;
    change < 0 ? copy.RemoveGroup(copy.GetGroup(0)) : (void)copy.AddGroup();
    const std::string after =
        std::to_string(before + change) + " " + std::to_string(before + change);
    for (FormatDefinition* d : {original.get(), &copy, &assigned}) {
      EXPECT_EQ(Groups(*d), after);
      for (int i = 0; i < d->NumGroups(); ++i) EXPECT_TRUE(d->GetGroup(i).Element().Parent());
    }
    // The copies keep the list when the definition they came from is gone.
    original.reset();
    EXPECT_EQ(Groups(copy) + " " + Groups(assigned), after + " " + after);
  }
  // A reload reads the file into a document of its own.
  FormatDefinition original(TestData("groups/mixed.xml"), nullptr);
  ASSERT_TRUE(original.Load());
  const int before = original.NumGroups();
  FormatDefinition copy(original);
  copy.RemoveGroup(copy.GetGroup(0));
  ASSERT_TRUE(copy.Load());
  EXPECT_EQ(copy.NumGroups(), before);
  EXPECT_EQ(Groups(original), std::to_string(before - 1) + " " + std::to_string(before - 1));
}

}  // namespace
}  // namespace compoundparser::testing
