// Files that the library writes appear whole or leave the old file as it was:
// generated definitions, saved definitions and saved documents all go through
// a temporary file of their own that replaces the target only when complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "custom/DefinitionWriter.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/AtomicFile.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class AtomicWrite : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  TempFolder folder_;
};

TEST_F(AtomicWrite, GeneratedDefinitionLeavesOtherFilesAlone) {
  // A file that happens to have the name of a fixed temporary name survives.
  folder_.Write("points.xml", "old");
  folder_.Write("points.xml.tmp", "someone else's");
  EXPECT_EQ(WriteDefinitionFile(Path("points.xml"), "<format/>"), "");
  EXPECT_EQ(ReadFile(Path("points.xml")), "<format/>");
  EXPECT_EQ(ReadFile(Path("points.xml.tmp")), "someone else's");
  EXPECT_EQ(folder_.Names(), (Names{"points.xml", "points.xml.tmp"}));
}

TEST_F(AtomicWrite, GeneratedDefinitionThroughALinkReplacesItsTarget) {
  folder_.Write("real.xml", "old");
  fs::create_symlink(Path("real.xml"), Path("link.xml"));
  EXPECT_EQ(WriteDefinitionFile(Path("link.xml"), "<format/>"), "");
  EXPECT_TRUE(fs::is_symlink(Path("link.xml")));
  EXPECT_EQ(ReadFile(Path("real.xml")), "<format/>");
}

TEST_F(AtomicWrite, GeneratedDefinitionInAMissingFolderFailsWithoutAFile) {
  const std::string message = WriteDefinitionFile(Path("none/points.xml"), "x");
  EXPECT_TRUE(Contains(message, "points.xml"));
  EXPECT_EQ(folder_.Names(), Names{});
}

TEST_F(AtomicWrite, AbortedFileLeavesTheOldOneAndNoTemporary) {
  folder_.Write("out.txt", "old");
  {
    AtomicFile file;
    int code = 0;
    ASSERT_TRUE(file.Open(Path("out.txt"), code));
    file.Write("new but incomplete");
    EXPECT_TRUE(fs::exists(file.TemporaryName()));
    // Destroyed without Commit.
  }
  EXPECT_EQ(ReadFile(Path("out.txt")), "old");
  EXPECT_EQ(folder_.Names(), Names{"out.txt"});
}

TEST_F(AtomicWrite, CommitKeepsThePermissionsOfTheReplacedFile) {
  folder_.Write("out.txt", "old");
  fs::permissions(Path("out.txt"), fs::perms::owner_read | fs::perms::owner_write);
  AtomicFile file;
  int code = 0;
  ASSERT_TRUE(file.Open(Path("out.txt"), code));
  file.Write("new");
  file.Commit();
  EXPECT_EQ(ReadFile(Path("out.txt")), "new");
  EXPECT_EQ(fs::status(Path("out.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(folder_.Names(), Names{"out.txt"});
}

TEST_F(AtomicWrite, SavesLeaveNoTemporaryFiles) {
  const std::string definitionFile = Path("points.xml");
  folder_.Copy(TestData("groups/points.xml"), "points.xml");
  FormatDefinition definition(definitionFile, nullptr);
  ASSERT_TRUE(definition.Load());
  definition.SetName("Renamed");
  ASSERT_TRUE(definition.Save());
  InstrumentData data(definition, nullptr);
  folder_.Write("points.txt", ReadFile(TestData("groups/points.txt")));
  ASSERT_TRUE(data.LoadXml(definitionFile));
  ASSERT_TRUE(data.SaveXml(Path("saved.xml")));
  EXPECT_EQ(folder_.Names(), (Names{"points.txt", "points.xml", "saved.xml"}));
  EXPECT_TRUE(Contains(ReadFile(Path("points.xml")), "name=\"Renamed\""));
}

}  // namespace
}  // namespace compoundparser::testing
