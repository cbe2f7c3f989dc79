// Tests of the group model of whole definitions and of saving them: load, edit,
// save, load again and compare, including the data a saved definition imports.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "host/Xml.h"
#include "tests/GroupTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::Contains;

namespace fs = std::filesystem;
using testing::ReadFile;

const fs::path kGroupData = fs::path(CP_TEST_DATA_DIR) / "groups";

// Returns the id of every group of `definition`, separated by blanks.
std::string GroupIds(FormatDefinition& definition) {
  std::string out;
  for (int i = 0; i < definition.NumGroups(); ++i) {
    if (!out.empty()) out += ' ';
    out += definition.GetGroup(i).Element().GetAttribute("id").value_or("-");
  }
  return out;
}

// Describes the items of every group of `definition`, " / " between groups.
std::string AllItems(FormatDefinition& definition) {
  std::string out;
  for (int i = 0; i < definition.NumGroups(); ++i) {
    out += (i ? " / " : "") + DescribeItems(definition.GetGroup(i));
  }
  return out;
}

// Each test works in a fresh folder of its own.
class SaveDefinitionTest : public ::testing::Test {
 protected:
  // Copies a file of the test data into the folder and returns its new path.
  std::string CopyData(const std::string& name) {
    return folder.Copy((kGroupData / name).string(), name);
  }

  // Loads a definition from `path`; fails the test when it does not load.
  std::unique_ptr<FormatDefinition> LoadDefinition(const std::string& path) {
    auto definition = std::make_unique<FormatDefinition>(path, nullptr);
    EXPECT_TRUE(definition->Load()) << path;
    return definition;
  }

  testing::TempFolder folder;
};

// Sets LC_NUMERIC for its lifetime and restores the previous setting.
class NumericLocale {
 public:
  explicit NumericLocale(const char* name) : previous(std::setlocale(LC_NUMERIC, nullptr)) {
    active = std::setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~NumericLocale() { std::setlocale(LC_NUMERIC, previous.c_str()); }
  bool Active() const { return active; }

 private:
  std::string previous;
  bool active = false;
};

// Runs under a German numeric locale (decimal comma) when it is installed.
TEST_F(SaveDefinitionTest, NewDefinitionSavesHeaderAndGroupInAnyNumericLocale) {
  NumericLocale german("de_DE.UTF-8");
  const std::string path = folder.Path("new.xml");
  FormatDefinition definition(path, nullptr);
  // A new definition is the skeleton of a simple one: no tree, no groups yet.
  EXPECT_TRUE(definition.IsModified());
  EXPECT_EQ(definition.Type() + definition.Name() + definition.FileMask(), "");
  EXPECT_TRUE(definition.IsImport() && definition.IsExport());
  EXPECT_FALSE(definition.IsTotalStationImport() || definition.IsTotalStationExport());
  EXPECT_EQ(definition.RootParser(), nullptr);
  EXPECT_TRUE(definition.Substitutes().empty() && definition.ElementIds().empty());
  EXPECT_EQ(definition.NumGroups(), 0);
  GroupDefinition* group = definition.AddGroup();
  ASSERT_NE(group, nullptr);
  group->Element().SetAttribute("id", "Point");
  auto field = std::make_unique<ElementDefinition>();
  field->SetId("Name");
  field->SetOffset(1.5);
  group->AppendItem(std::move(field));
  definition.SetType("Points");
  definition.SetName("Made Here");
  definition.SetFileMask("*.pts");

  ASSERT_TRUE(definition.Save());
  EXPECT_FALSE(definition.IsModified());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"new.xml"});
  EXPECT_EQ(ReadFile(path),
            R"(<?xml version="1.0"?><!--OXEL File Format Definition--><format simple="true" )"
            R"(type="Points" name="Made Here" FileMask="*.pts"><repeat><radio><group id="Point">)"
            R"(<element id="Name" offset="1.500000"/></group></radio></repeat></format>)");
  auto reloaded = LoadDefinition(path);
  EXPECT_TRUE(reloaded->IsSimple());
  EXPECT_EQ(reloaded->Type() + "|" + reloaded->Name() + "|" + reloaded->FileMask(),
            "Points|Made Here|*.pts");
  EXPECT_FALSE(reloaded->IsModified());
  EXPECT_EQ(GroupIds(*reloaded), "Point");
  EXPECT_EQ(DescribeItems(reloaded->GetGroup(0)), "E(Name,0)");
  EXPECT_DOUBLE_EQ(dynamic_cast<ElementDefinition&>(reloaded->GetGroup(0).GetItem(0)).Offset(),
                   1.5);

  // Without a document root the setters change nothing.
  FormatDefinition rootless(folder.Path("x.xml"), nullptr);
  rootless.Document().Clear();
  rootless.SetType("T");
  rootless.SetName("N");
  rootless.SetFileMask("M");
  EXPECT_EQ(rootless.Type() + rootless.Name() + rootless.FileMask(), "");
}

TEST_F(SaveDefinitionTest, AddTwiceThenRemoveFirstAndNoGroupsWhenNotSimple) {
  auto definition = LoadDefinition(CopyData("mixed.xml"));
  // Container children other than groups are passed over.
  EXPECT_EQ(GroupIds(*definition), "First Second");
  EXPECT_EQ(DescribeItems(definition->GetGroup(0)), "E(Kind,2) E(Name,0) L(;)");
  // A group of another definition is not removed.
  auto other = LoadDefinition(CopyData("points.xml"));
  definition->RemoveGroup(other->GetGroup(0));
  EXPECT_EQ(definition->NumGroups(), 2);
  EXPECT_EQ(other->NumGroups(), 2);
  EXPECT_FALSE(definition->IsModified());
  GroupDefinition* first = definition->AddGroup();
  GroupDefinition* second = definition->AddGroup();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(definition->IsModified());
  definition->RemoveGroup(*first);
  ASSERT_EQ(definition->NumGroups(), 3);
  EXPECT_EQ(&definition->GetGroup(2), second);
  XmlNode radio = definition->Document().AsNode().SelectSingleNode("/format/repeat/radio");
  EXPECT_EQ(radio.LastChild(), second->Element());
  EXPECT_EQ(GroupIds(*definition), "First Second -");
  EXPECT_THROW(definition->GetGroup(3), std::out_of_range);

  auto notSimple = LoadDefinition(CopyData("notsimple.xml"));
  EXPECT_FALSE(notSimple->IsSimple());
  EXPECT_EQ(notSimple->NumGroups(), 0);
  EXPECT_EQ(notSimple->AddGroup(), nullptr);
  EXPECT_FALSE(notSimple->IsModified());
}

// Written groups lose what the model does not hold; the other groups, the comment and the
// rest of the document keep theirs. A removed group disappears from the file.
TEST_F(SaveDefinitionTest, UnheldAttributesVanishOnlyFromWrittenGroupsAndRemovedGroupsFromFile) {
  const std::string path = CopyData("mixed.xml");
  auto definition = LoadDefinition(path);
  definition->GetGroup(0).GetItem(0).SetModified();
  ASSERT_TRUE(definition->Save());
  const std::string head =
      R"(<?xml version="1.0"?><!--OXEL File Format Definition--><format type="Points" )"
      R"(name="Group Edit Mixed" simple="true"><repeat writecount="5"><radio><!--the first group-->)";
  const std::string first =
      R"(<group id="First"><element id="Kind" width="2"/><terminated><element id="Name"/>)"
      R"(<literal>;</literal></terminated></group>)";
  const std::string rest =
      R"(<optional><group id="Hidden"><element id="Nothing"/></group></optional><group id="Second">)"
      R"(<element id="Kind" width="2" default="PT" factor="2"/><terminated MaxWidth="20">)"
      R"(<element id="Name"/><literal readonly="true">;</literal></terminated>)"
      R"(<optional><element id="Extra"/></optional></group></radio></repeat></format>)";
  EXPECT_EQ(ReadFile(path), head + first + rest);
  auto reloaded = LoadDefinition(path);
  EXPECT_EQ(DescribeItems(reloaded->GetGroup(0)), DescribeItems(definition->GetGroup(0)));
  reloaded->RemoveGroup(reloaded->GetGroup(0));
  EXPECT_TRUE(reloaded->IsModified());
  ASSERT_TRUE(reloaded->Save());
  EXPECT_EQ(ReadFile(path), head + rest);
}

TEST_F(SaveDefinitionTest, SavedDefinitionImportsTheSameData) {
  const std::string path = CopyData("points.xml");
  const std::string data = CopyData("points.txt");
  auto definition = LoadDefinition(path);
  const std::string shapes = AllItems(*definition);

  InstrumentData before(*definition, nullptr);
  ASSERT_TRUE(before.ParseRead(data, *definition)) << before.GetLastError();
  const std::string imported = before.GetDocument().SaveToString();
  ASSERT_TRUE(Contains(imported, "fence post"));

  // Moving an item onto its own place marks the group, so every group is written back.
  for (int i = 0; i < definition->NumGroups(); ++i) {
    ASSERT_TRUE(definition->GetGroup(i).MoveItem(0, 0));
  }
  ASSERT_TRUE(definition->IsModified());
  ASSERT_TRUE(definition->Save());
  EXPECT_FALSE(definition->IsModified());

  auto reloaded = LoadDefinition(path);
  EXPECT_EQ(AllItems(*reloaded), shapes);
  InstrumentData after(*reloaded, nullptr);
  ASSERT_TRUE(after.ParseRead(data, *reloaded)) << after.GetLastError();
  EXPECT_EQ(after.GetDocument().SaveToString(), imported);
}

TEST_F(SaveDefinitionTest, FailedSaveKeepsEverythingAndLeavesNoTemporaryFile) {
  const std::string path = CopyData("mixed.xml");
  const std::string original = ReadFile(path);
  // A folder where the file should be cannot be replaced by the written file.
  fs::create_directory(folder.root / "taken.xml");
  testing::WriteFile(folder.Path("taken.xml/keep.txt"), "keep");
  auto definition = LoadDefinition(path);
  definition->SetType("Other");
  definition->GetGroup(0).GetItem(0).SetModified();
  for (const char* target : {"missing/mixed.xml", "taken.xml"}) {
    SCOPED_TRACE(target);
    definition->SetFileName(folder.Path(target));
    EXPECT_FALSE(definition->Save());
    EXPECT_TRUE(definition->IsModified());
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(ReadFile(folder.Path("taken.xml/keep.txt")), "keep");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"mixed.xml", "taken.xml"}));
  }
  definition->SetFileName(path);
  ASSERT_TRUE(definition->Save());
  EXPECT_EQ(LoadDefinition(path)->Type(), "Other");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"mixed.xml", "taken.xml"}));
}

}  // namespace
}  // namespace compoundparser
