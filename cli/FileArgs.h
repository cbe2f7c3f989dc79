// The files of import, export and convert: several inputs (shell globs
// expanded by the shell), one output (-o) or an output folder (-O) where each
// output is named after its input with the target's extension, '-' for
// standard input and output, and the number of worker threads (-j).
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "cli/RunSequence.h"

namespace compoundparser {
namespace cli {

struct FileArgs {
  std::vector<std::string> inputs;
  std::string output;
  std::string outputFolder;
  unsigned jobs = 0;  // 0: the cores of the machine
};

// Adds the inputs and -o, -O and -j to a subcommand.
void AddFileOptions(CLI::App& sub, FileArgs& files, const std::string& inputHelp,
                    const std::string& outputHelp);

// A copy of standard input in a temporary file (formats are tried on it more
// than once, and the library reads files); removed on destruction.
class StandardInputCopy {
 public:
  StandardInputCopy() = default;
  ~StandardInputCopy();
  StandardInputCopy(const StandardInputCopy&) = delete;
  StandardInputCopy& operator=(const StandardInputCopy&) = delete;
  // Copies standard input (at most `limit` bytes); returns the file's name.
  // Throws UsageError when it cannot.
  const std::string& Take(uint64_t limit);

 private:
  std::string name_;
};

// Returns the tasks of a command: one per input, with its output (-o, a name
// in the -O folder with `extension`, or standard output when neither is given
// and `standardOutputByDefault`). Throws UsageError for a wrong combination
// (several inputs with -o or without -O, -o with -O, '-' twice, two inputs
// that would give the same output name, a -O that is no folder).
std::vector<FileTask> PlanTasks(const FileArgs& files, const std::string& extension,
                                bool standardOutputByDefault, StandardInputCopy& standardInput);

// Returns the extension (".csv") of the files of a format, from the first
// pattern of its file mask; ".txt" when the mask names none.
std::string ExtensionOf(const FormatDefinition& format);

// Returns the number of threads to use for `tasks`.
unsigned ThreadsFor(const FileArgs& files, size_t tasks);

}  // namespace cli
}  // namespace compoundparser
