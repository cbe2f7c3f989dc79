// Replays the inputs that the fuzz targets once failed on (and their seed
// inputs) through the same drivers as the targets: each must now keep every
// invariant that its target checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/FuzzDrivers.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

namespace fs = std::filesystem;

const struct {
  const char* name;
  std::string (*driver)(std::string_view);
} kTargets[] = {
    {"definition", fuzzing::RunDefinitionInput},
    {"import", fuzzing::RunImportInput},
    {"export", fuzzing::RunExportInput},
    {"groups", fuzzing::RunGroupsInput},
};

// Returns the files of `folder`, sorted (none when it does not exist).
std::vector<fs::path> FilesOf(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzRegression, SeedInputsAndSavedFindingsKeepTheInvariants) {
  for (const auto& target : kTargets) {
    SCOPED_TRACE(target.name);
    const std::vector<fs::path> seeds =
        FilesOf(fs::path(CP_SOURCE_DIR) / "fuzz/corpus" / target.name);
    ASSERT_FALSE(seeds.empty()) << "no seed inputs";
    for (const auto& folder :
         {seeds, FilesOf(fs::path(CP_TEST_DATA_DIR) / "fuzz-regressions" / target.name)}) {
      for (const fs::path& file : folder) {
        SCOPED_TRACE(file.string());
        EXPECT_EQ(target.driver(testing::ReadFile(file.string())), "");
      }
    }
  }
}

TEST(FuzzRegression, RoundTripSeedsAndFindingsGiveTheSameBytes) {
  const std::vector<fs::path> seeds = FilesOf(fs::path(CP_SOURCE_DIR) / "fuzz/corpus/roundtrip");
  ASSERT_FALSE(seeds.empty()) << "no seed inputs";
  for (const auto& folder :
       {seeds, FilesOf(fs::path(CP_TEST_DATA_DIR) / "fuzz-regressions" / "roundtrip")}) {
    for (const fs::path& file : folder) {
      SCOPED_TRACE(file.string());
      EXPECT_EQ(fuzzing::RunRoundTripInput(testing::ReadFile(file.string())), "");
    }
  }
}

TEST(FuzzDrivers, BundledDefinitionsEndWithTheTestDefinitions) {
  EXPECT_GT(fs::file_size(fuzzing::DefinitionTargetDataFile()), 0u);
  const std::vector<std::string> files = fuzzing::BundledDefinitionFiles();
  const auto points = std::find(files.begin(), files.end(),
                                std::string(CP_SOURCE_DIR) + "/tests/data/instrument/points.xml");
  ASSERT_NE(points, files.end());
  // Everything before the test definitions comes from Formats, in name order.
  for (auto it = files.begin(); it != points; ++it) {
    EXPECT_EQ(fs::path(*it).parent_path().filename(), "Formats") << *it;
    EXPECT_EQ(fs::path(*it).extension(), ".xml") << *it;
  }
  EXPECT_TRUE(std::is_sorted(files.begin(), points));
  for (const std::string& file : files) EXPECT_TRUE(fs::exists(file)) << file;
}

}  // namespace
}  // namespace compoundparser
