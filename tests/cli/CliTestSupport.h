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
using ScratchFolder = compoundparser::testing::TempFolder;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// One run of the tool and what it must give. Arguments and the parts of each
// text are separated by '|'; "$S" stands for the source tree and "$D" for the
// scratch folder; a part that starts with '^' must start its stream.
struct ToolCase {
  std::string args;
  int exitCode;  // -1: not checked
  std::string outHas = "";
  std::string errHas = "";
  std::string lacks = "";  // in neither stream
};

// Runs the tool with exactly `args`, no folder options added.
ToolRun RunToolBare(const std::vector<std::string>& args);
// Runs the tool with `args` after the options naming the source tree and the user folder.
ToolRun RunTool(const std::vector<std::string>& args);
// Returns `text` with "$S" and "$D" replaced by the source tree and `folder`.
std::string Expand(std::string text, const ScratchFolder& folder);
// Returns the parts of `text` between '|', each expanded.
std::vector<std::string> Parts(const std::string& text, const ScratchFolder& folder);
// Runs each case in turn in `folder` (with the folder options unless it names
// its own) and checks its exit code and texts, and that a failing run says why.
void ExpectRuns(const std::vector<ToolCase>& cases, const ScratchFolder& folder);
// Returns the user folder that RunTool passes to the tool.
std::string UserFolderOfRuns();

}  // namespace cli_test
