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

// Returns, for each file name of the round-trip findings that wait for a fix
// of a definition, the formats to leave out.
std::map<std::string, std::vector<std::string>> PendingRoundTrips() {
  std::map<std::string, std::vector<std::string>> pending;
  std::istringstream lines(
      testing::ReadFile(std::string(CP_TEST_DATA_DIR) + "/fuzz-regressions/roundtrip-pending.txt"));
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    std::vector<std::string>& formats = pending[line.substr(0, tab)];
    std::istringstream names(line.substr(tab + 1));
    for (std::string name; std::getline(names, name, ',');) formats.push_back(name);
  }
  return pending;
}

TEST(FuzzRegression, RoundTripSeedsAndFindingsGiveTheSameBytes) {
  const auto pending = PendingRoundTrips();
  const std::vector<fs::path> seeds = FilesOf(fs::path(CP_SOURCE_DIR) / "fuzz/corpus/roundtrip");
  ASSERT_FALSE(seeds.empty()) << "no seed inputs";
  size_t left = 0;
  for (const auto& folder :
       {seeds, FilesOf(fs::path(CP_TEST_DATA_DIR) / "fuzz-regressions" / "roundtrip")}) {
    for (const fs::path& file : folder) {
      SCOPED_TRACE(file.string());
      const auto waiting = pending.find(file.filename().string());
      const std::vector<std::string> none;
      left += waiting != pending.end() ? waiting->second.size() : 0;
      EXPECT_EQ(fuzzing::RunRoundTripInput(testing::ReadFile(file.string()),
                                           waiting != pending.end() ? waiting->second : none),
                "");
    }
  }
  // Says how much waits for the definitions (every other format was checked).
  std::printf("[ note     ] %zu format runs of round-trip findings wait for their definitions\n",
              left);
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
