// Files that the library writes appear whole or leave the old file as it was:
// they go through an unnamed temporary file (or, where the file system refuses
// one, a hidden temporary file) that takes the target's name only when
// complete. A symbolic link at the target is replaced, never written through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "custom/DefinitionWriter.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/AtomicFile.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Runs a test body with unnamed temporary files and again without (the way a
// file system that refuses them is written to), and allows them again after.
class AtomicWrite : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { AtomicFile::SetUnnamedFiles(GetParam()); }
  void TearDown() override { AtomicFile::SetUnnamedFiles(true); }
  bool Unnamed() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(TemporaryFiles, AtomicWrite, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? std::string("Unnamed") : std::string("Named");
                         });

// Every writer of the library, writing a new version of `path`.
struct Writer {
  const char* what;
  std::function<bool(const std::string& path)> write;
};

std::vector<Writer> Writers() {
  static RecordingCallBack callBack;
  const std::string points = TestData("instrument/points.xml");
  const std::string data = TestData("instrument/points.txt");
  return {
      {"definition file",
       [](const std::string& path) { return WriteDefinitionFile(path, "<format/>").empty(); }},
      {"SaveXml",
       [=](const std::string& path) {
         FormatDefinition definition(points, &callBack);
         InstrumentData document(definition, &callBack);
         return definition.Load() && document.ParseRead(data, definition) && document.SaveXml(path);
       }},
      {"definition Save",
       [=](const std::string& path) {
         FormatDefinition definition(points, &callBack);
         if (!definition.Load()) return false;
         definition.SetFileName(path);
         return definition.Save();
       }},
      {"streaming import",
       [=](const std::string& path) {
         FormatDefinition definition(points, &callBack);
         InstrumentData document(definition, &callBack);
         return definition.Load() && document.ParseReadToFile(data, definition, path);
       }},
      {"export",
       [=](const std::string& path) {
         FormatDefinition definition(points, &callBack);
         InstrumentData document(definition, &callBack);
         return definition.Load() && document.ParseRead(data, definition) &&
                document.ParseWrite(path, definition);
       }},
  };
}

TEST_P(AtomicWrite, EveryWriterReplacesALinkAndNeverWritesThroughIt) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    folder.Write("real.xml", "precious");
    fs::create_symlink(folder.Path("real.xml"), folder.Path("link.xml"));
    fs::create_symlink(folder.Path("nowhere.xml"), folder.Path("dangling.xml"));
    folder.Write("plain.xml", "old");
    for (const char* name : {"link.xml", "dangling.xml", "plain.xml", "new.xml"}) {
      SCOPED_TRACE(name);
      ASSERT_TRUE(writer.write(folder.Path(name)));
      EXPECT_FALSE(fs::is_symlink(folder.Path(name)));
      EXPECT_TRUE(fs::is_regular_file(folder.Path(name)));
      EXPECT_NE(ReadFile(folder.Path(name)), "old");
    }
    EXPECT_EQ(ReadFile(folder.Path("real.xml")), "precious");
    EXPECT_FALSE(fs::exists(folder.Path("nowhere.xml")));
    // Nothing else is left in the folder: no temporary file.
    EXPECT_EQ(folder.Names(),
              (Names{"dangling.xml", "link.xml", "new.xml", "plain.xml", "real.xml"}));
  }
}

TEST_P(AtomicWrite, AbortLeavesTheOldFileAndCommitKeepsItsPermissions) {
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
      // An unnamed file is in no folder; a named one sits beside the target.
      EXPECT_EQ(folder.Names().size(), Unnamed() ? 1u : 2u);
      EXPECT_EQ(file.TemporaryName().empty(), Unnamed());
      // Without Commit the destructor throws the new bytes away.
      if (commit) file.Commit();
    }
    EXPECT_EQ(ReadFile(path), commit ? "new" : "old");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, ownerOnly);
    EXPECT_EQ(folder.Names(), Names{"out.txt"});
  }
}

// A writer killed before it commits leaves nothing when its file is unnamed;
// the named file of the other scheme stays behind.
TEST_P(AtomicWrite, AKilledWriterLeavesNoTemporaryFile) {
  TempFolder folder;
  folder.Write("out.txt", "old");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile file;
    int code = 0;
    if (file.Open(folder.Path("out.txt"), code)) file.Write(std::string(1 << 20, 'x'));
    raise(SIGKILL);
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(folder.Path("out.txt")), "old");
  EXPECT_EQ(folder.Names().size(), Unnamed() ? 1u : 2u);
}

TEST(AtomicWriteTargets, AFolderIsRefusedAndADeviceWrittenAsItIs) {
  TempFolder folder;
  AtomicFile file;
  int code = 0;
  EXPECT_FALSE(file.Open(folder.Path(""), code));
  EXPECT_EQ(code, EISDIR);
  EXPECT_FALSE(file.Open(folder.Path("missing/out.txt"), code));
  EXPECT_EQ(code, ENOENT);
  struct stat device {};
  if (stat("/dev/null", &device) != 0 || !S_ISCHR(device.st_mode) || access("/dev/null", W_OK)) {
    GTEST_SKIP() << "/dev/null is no writable device here";
  }
  ASSERT_TRUE(file.Open("/dev/null", code));
  file.Write("discarded");
  EXPECT_THROW(file.Truncate(0), FileError);
  file.Commit();
  struct stat info {};
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

}  // namespace
}  // namespace compoundparser::testing
