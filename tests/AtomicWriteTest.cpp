// Files that the library writes appear whole or leave the old file as it was:
// they go through a temporary file of their own that replaces the target only
// when complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "custom/DefinitionWriter.h"
#include "host/AtomicFile.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(AtomicWrite, GeneratedDefinitionReplacesOnlyItsTarget) {
  TempFolder folder;
  // A file that happens to have the name of a fixed temporary name survives.
  folder.Write("points.xml", "old");
  folder.Write("points.xml.tmp", "someone else's");
  folder.Write("real.xml", "old");
  fs::create_symlink(folder.Path("real.xml"), folder.Path("link.xml"));
  EXPECT_EQ(WriteDefinitionFile(folder.Path("points.xml"), "<format/>"), "");
  EXPECT_EQ(WriteDefinitionFile(folder.Path("link.xml"), "<linked/>"), "");
  EXPECT_TRUE(Contains(WriteDefinitionFile(folder.Path("none/points.xml"), "x"), "points.xml"));
  EXPECT_EQ(ReadFile(folder.Path("points.xml")), "<format/>");
  EXPECT_EQ(ReadFile(folder.Path("points.xml.tmp")), "someone else's");
  // A link stays a link; the file it points to is replaced.
  EXPECT_TRUE(fs::is_symlink(folder.Path("link.xml")));
  EXPECT_EQ(ReadFile(folder.Path("real.xml")), "<linked/>");
  EXPECT_EQ(folder.Names(), (Names{"link.xml", "points.xml", "points.xml.tmp", "real.xml"}));
}

TEST(AtomicWrite, AbortLeavesTheOldFileAndCommitKeepsItsPermissions) {
  TempFolder folder;
  const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit);
    const std::string path = folder.Write("out.txt", "old");
    fs::permissions(path, ownerOnly);
    {
      AtomicFile file;
      int code = 0;
      ASSERT_TRUE(file.Open(path, code));
      file.Write("new");
      EXPECT_TRUE(fs::exists(file.TemporaryName()));
      // Without Commit the destructor throws the new bytes away.
      if (commit) file.Commit();
    }
    EXPECT_EQ(ReadFile(path), commit ? "new" : "old");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, ownerOnly);
    EXPECT_EQ(folder.Names(), Names{"out.txt"});
  }
}

}  // namespace
}  // namespace compoundparser::testing
