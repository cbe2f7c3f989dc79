// Runs the built tool as a user would: arguments in, exit code and both output
// streams out. Each test gets its own scratch folder, which also serves as
// the user folder so that no test sees the real user's formats.
#pragma once

#include <string>
#include <vector>

namespace cli_test {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the tool with `args` (after the folder options) and waits for it.
ToolRun RunTool(const std::vector<std::string>& args);
// Runs the tool with exactly `args`, no folder options added.
ToolRun RunToolBare(const std::vector<std::string>& args);

// A folder created for one test and removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // Returns the path of `name` inside the folder.
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  // Returns the names of the entries of the folder, hidden ones included.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

// Returns the path of a file of the source tree.
std::string SourcePath(const std::string& relative);
// Returns the whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes `content` to a file, replacing it.
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
// Returns the user folder that RunTool passes to the tool.
std::string UserFolderOfRuns();

}  // namespace cli_test
