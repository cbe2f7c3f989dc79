// The man page and the bash completion script that the build makes from the
// tool's own help: man renders the page with every command, and bash, given
// the script, offers the commands, a command's options and format ids.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::ReadFile;
using cli_test::ScratchFolder;

// Runs a shell command; returns its standard output, or "" when it failed.
std::string Shell(const std::string& command, const ScratchFolder& folder) {
  const std::string out = folder.Path("shell.out");
  const int status = std::system((command + " >" + out + " 2>/dev/null").c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "";
  return ReadFile(out);
}

TEST(ToolDocs, ManRendersThePageWithEveryCommand) {
  const std::string page = std::string(CP_BUILD_SHARE) + "/man/man1/compoundparser.1";
  if (!std::filesystem::exists(page)) {
    GTEST_SKIP() << "no man page was built (help2man is missing: Debian package help2man)";
  }
  if (std::system("command -v man >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "man is not installed (Debian package man-db)";
  }
  ScratchFolder folder;
  const std::string text = Shell("MANWIDTH=100 man -l '" + page + "'", folder);
  ASSERT_FALSE(text.empty()) << "man -l failed on " << page;
  for (const char* part : {"compoundparser", "COMMANDS", "import", "export", "convert", "detect",
                           "--output-folder", "COMPOUNDPARSER_APP_FOLDER"}) {
    EXPECT_TRUE(Contains(text, part)) << part;
  }
}

TEST(ToolDocs, BashCompletionOffersCommandsOptionsAndFormatIds) {
  const std::string script = std::string(CP_BUILD_SHARE) + "/completion/compoundparser";
  ASSERT_TRUE(std::filesystem::exists(script));
  if (std::system("command -v bash >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "bash is not installed";
  }
  ScratchFolder folder;
  // The words typed so far; what bash would offer for the last one.
  const auto offers = [&](const std::string& words) {
    const std::string program =
        "source '" + script + "'; complete -p compoundparser; COMP_WORDS=(" + words +
        "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _compoundparser; printf '%s\\n' "
        "\"${COMPREPLY[@]}\"";
    folder.Write("complete.sh", program);
    return Shell("PATH='" + std::filesystem::path(CP_TOOL).parent_path().string() +
                     "':$PATH bash '" + folder.Path("complete.sh") + "'",
                 folder);
  };
  const struct {
    std::string words;
    std::string has;
  } kCases[] = {
      {"compoundparser ''", "complete -o filenames -F _compoundparser compoundparser\n"},
      {"compoundparser im", "\nimport\n"},
      {"compoundparser ''", "\nconvert\n"},
      {"compoundparser import --out", "\n--output\n"},
      {"compoundparser import --out", "\n--output-folder\n"},
      {"compoundparser convert --no-", "\n--no-compute\n"},
      {"compoundparser export --en", "\n--encoding\n"},
      {"compoundparser import -f leica-", "\nleica-gsi16\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_TRUE(Contains(offers(c.words), c.has)) << c.words << " -> " << offers(c.words);
  }
}

}  // namespace
