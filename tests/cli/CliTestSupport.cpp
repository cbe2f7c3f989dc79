#include "tests/cli/CliTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace cli_test {

ToolRun RunToolBare(const std::vector<std::string>& args) {
  ScratchFolder streams;
  const std::string outName = streams.Path("stdout");
  const std::string errName = streams.Path("stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<std::string> all = {CP_TOOL};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ToolRun run;
  if (posix_spawn(&pid, CP_TOOL, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFile(outName);
  run.err = ReadFile(errName);
  return run;
}

ToolRun RunTool(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"--app-folder", CP_SOURCE_DIR, "--user-folder",
                                  UserFolderOfRuns()};
  all.insert(all.end(), args.begin(), args.end());
  return RunToolBare(all);
}

std::string UserFolderOfRuns() {
  // One per test process, empty at the start.
  static const ScratchFolder folder;
  return folder.root.string();
}

}  // namespace cli_test
