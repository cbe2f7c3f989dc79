// Files that the library writes appear whole or leave the old file as it was:
// generated definitions, saved definitions and saved documents all go through
// a temporary file of their own that replaces the target only when complete.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "custom/DefinitionWriter.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/AtomicFile.h"
#include "host/HostError.h"

namespace compoundparser {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class AtomicWrite : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(testing::TempDir()) /
              ("atomic-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  // Returns the names in the folder, sorted and joined by spaces.
  std::string Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.insert(entry.path().filename().string());
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : " ") + name;
    return out;
  }

  fs::path folder_;
};

TEST_F(AtomicWrite, GeneratedDefinitionLeavesOtherFilesAlone) {
  // A file that happens to have the name of a fixed temporary name survives.
  Put("points.xml", "old");
  Put("points.xml.tmp", "someone else's");
  EXPECT_EQ(WriteDefinitionFile((folder_ / "points.xml").string(), "<format/>"), "");
  EXPECT_EQ(ReadBytes(folder_ / "points.xml"), "<format/>");
  EXPECT_EQ(ReadBytes(folder_ / "points.xml.tmp"), "someone else's");
  EXPECT_EQ(Listing(), "points.xml points.xml.tmp");
}

TEST_F(AtomicWrite, GeneratedDefinitionThroughALinkReplacesItsTarget) {
  Put("real.xml", "old");
  fs::create_symlink(folder_ / "real.xml", folder_ / "link.xml");
  EXPECT_EQ(WriteDefinitionFile((folder_ / "link.xml").string(), "<format/>"), "");
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.xml"));
  EXPECT_EQ(ReadBytes(folder_ / "real.xml"), "<format/>");
}

TEST_F(AtomicWrite, GeneratedDefinitionInAMissingFolderFailsWithoutAFile) {
  const std::string message = WriteDefinitionFile((folder_ / "none" / "points.xml").string(), "x");
  EXPECT_NE(message.find("points.xml"), std::string::npos) << message;
  EXPECT_EQ(Listing(), "");
}

TEST_F(AtomicWrite, AbortedFileLeavesTheOldOneAndNoTemporary) {
  Put("out.txt", "old");
  {
    AtomicFile file;
    int code = 0;
    ASSERT_TRUE(file.Open((folder_ / "out.txt").string(), code));
    file.Write("new but incomplete");
    EXPECT_TRUE(fs::exists(file.TemporaryName()));
    // Destroyed without Commit.
  }
  EXPECT_EQ(ReadBytes(folder_ / "out.txt"), "old");
  EXPECT_EQ(Listing(), "out.txt");
}

TEST_F(AtomicWrite, CommitKeepsThePermissionsOfTheReplacedFile) {
  Put("out.txt", "old");
  fs::permissions(folder_ / "out.txt", fs::perms::owner_read | fs::perms::owner_write);
  AtomicFile file;
  int code = 0;
  ASSERT_TRUE(file.Open((folder_ / "out.txt").string(), code));
  file.Write("new");
  file.Commit();
  EXPECT_EQ(ReadBytes(folder_ / "out.txt"), "new");
  EXPECT_EQ(fs::status(folder_ / "out.txt").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Listing(), "out.txt");
}

TEST_F(AtomicWrite, SavesLeaveNoTemporaryFiles) {
  const std::string definitionFile = (folder_ / "points.xml").string();
  fs::copy_file(std::string(CP_TEST_DATA_DIR) + "/groups/points.xml", definitionFile);
  FormatDefinition definition(definitionFile, nullptr);
  ASSERT_TRUE(definition.Load());
  definition.SetName("Renamed");
  ASSERT_TRUE(definition.Save());
  InstrumentData data(definition, nullptr);
  Put("points.txt", ReadBytes(std::string(CP_TEST_DATA_DIR) + "/groups/points.txt"));
  ASSERT_TRUE(data.LoadXml(definitionFile));
  ASSERT_TRUE(data.SaveXml((folder_ / "saved.xml").string()));
  EXPECT_EQ(Listing(), "points.txt points.xml saved.xml");
  EXPECT_NE(ReadBytes(folder_ / "points.xml").find("name=\"Renamed\""), std::string::npos);
}

}  // namespace
}  // namespace compoundparser
