// Runs the built tool as a user would: arguments in, exit code and both output
// streams out. Each test gets its own scratch folders; the runs share one user
// folder of their own, so that no test sees the real user's formats.
#pragma once

#include <string>
#include <vector>

#include "tests/TestFiles.h"

namespace cli_test {

using compoundparser::testing::Contains;
using compoundparser::testing::ReadFile;
using compoundparser::testing::WriteFile;
using ScratchFolder = compoundparser::testing::TempFolder;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the tool with `args` (after the folder options) and waits for it.
ToolRun RunTool(const std::vector<std::string>& args);
// Runs the tool with exactly `args`, no folder options added.
ToolRun RunToolBare(const std::vector<std::string>& args);

// Returns the path of a file of the source tree.
inline std::string SourcePath(const std::string& relative) {
  return std::string(CP_SOURCE_DIR) + "/" + relative;
}
inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }
// Returns the user folder that RunTool passes to the tool.
std::string UserFolderOfRuns();

}  // namespace cli_test
