#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <utility>

namespace cli_test {

ToolRun RunToolBare(const std::vector<std::string>& args) {
  ScratchFolder streams;
  std::string command = CP_TOOL;
  for (const std::string& arg : args) {
    command += " '";
    for (char c : arg) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  command += " </dev/null >" + streams.Path("out") + " 2>" + streams.Path("err");
  const int status = std::system(command.c_str());
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return {code, ReadFile(streams.Path("out")), ReadFile(streams.Path("err"))};
}

ToolRun RunTool(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"--app-folder", CP_SOURCE_DIR, "--user-folder",
                                  UserFolderOfRuns()};
  all.insert(all.end(), args.begin(), args.end());
  return RunToolBare(all);
}

std::string Expand(std::string text, const ScratchFolder& folder) {
  for (const auto& [token, value] :
       {std::pair<std::string, std::string>{"$S", CP_SOURCE_DIR}, {"$D", folder.root.string()}}) {
    for (size_t at = text.find(token); at != std::string::npos;
         at = text.find(token, at + value.size())) {
      text.replace(at, token.size(), value);
    }
  }
  return text;
}

std::vector<std::string> Parts(const std::string& text, const ScratchFolder& folder) {
  std::vector<std::string> parts;
  for (size_t start = 0, end = 0; end != std::string::npos && !text.empty(); start = end + 1) {
    end = text.find('|', start);
    parts.push_back(Expand(text.substr(start, end - start), folder));
  }
  return parts;
}

namespace {
// Checks that `stream` holds each part of `parts`, at its start when it starts with '^'.
void ExpectHolds(const std::string& stream, const std::string& parts, const ScratchFolder& folder) {
  for (const std::string& part : Parts(parts, folder)) {
    if (part[0] == '^') {
      EXPECT_EQ(stream.substr(0, part.size() - 1), part.substr(1)) << stream;
    } else {
      EXPECT_TRUE(Contains(stream, part));
    }
  }
}
}  // namespace

void ExpectRuns(const std::vector<ToolCase>& cases, const ScratchFolder& folder) {
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(c.args);
    const std::vector<std::string> args = Parts(c.args, folder);
    const ToolRun run = c.args.rfind("--app-folder", 0) == 0 ? RunToolBare(args) : RunTool(args);
    EXPECT_TRUE(c.exitCode < 0 || run.exitCode == c.exitCode) << run.exitCode << ": " << run.err;
    EXPECT_TRUE(run.exitCode == 0 || !run.err.empty()) << "a failure without a message";
    ExpectHolds(run.out, c.outHas, folder);
    ExpectHolds(run.err, c.errHas, folder);
    for (const std::string& part : Parts(c.lacks, folder)) {
      EXPECT_FALSE(Contains(run.out + run.err, part));
    }
  }
}

std::string UserFolderOfRuns() {
  // One per test process, empty at the start.
  static const ScratchFolder folder;
  return folder.root.string();
}

}  // namespace cli_test
