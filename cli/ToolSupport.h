// What every subcommand of the tool shares: the global options, the output
// file that appears only when a run succeeds, and the lookup of a format by
// display name or definition file. The tool owns all of these.
#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/ConsoleCallBack.h"
#include "definitions/FormatDefinition.h"
#include "definitions/FormatList.h"
#include "engine/TParserCallBack.h"
#include "engine/TVars.h"
#include "host/AtomicFile.h"

namespace compoundparser {
namespace cli {

// Exit codes of the tool.
constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Thrown for a wrong use that CLI11 cannot see (a bad --set, an unknown format).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The options that every subcommand accepts.
struct GlobalOptions {
  std::string appFolder;
  std::string userFolder;
  std::vector<std::string> sets;
  bool verbose = false;
  bool quiet = false;
  bool noProgress = false;
  std::string encoding;
  std::string maxInput;
  bool noDiagnosis = false;

  // Passes the folder options, the code page and the input limit to the
  // library; throws UsageError for a code page that the system does not know
  // or a limit that is no size.
  void ApplyFolders() const;
  // Assigns every --set NAME=VALUE to `vars`; throws UsageError for a bad one.
  void ApplySets(TVars& vars) const;
};

// An output that appears only on Commit.
class PendingOutput {
 public:
  virtual ~PendingOutput() = default;
  // Returns why the target cannot be written (its folder is missing or not
  // writable, or it is a folder), or "" when it can; known before a run, so
  // that a long conversion does not end on it.
  virtual std::string Problem() const = 0;
  // Puts the output in place; false with `error` set on failure.
  virtual bool Commit(std::string& error) = 0;
};

// The output of import, export and convert: the run writes into an unnamed
// file in the target's folder, which Commit gives the target's name, so that
// a failed or killed run leaves nothing (a symbolic link at the target is
// replaced, never written through). "-" means standard output: the file is
// made in the temporary folder and copied there on Commit.
class OutputFile : public PendingOutput {
 public:
  explicit OutputFile(const std::string& target);

  AtomicFile& File() { return file_; }
  std::string Problem() const override { return problem_; }
  bool IsStandardOutput() const { return target_ == "-"; }
  bool Commit(std::string& error) override;

 private:
  std::string target_;
  AtomicFile file_;
  std::string problem_;
};

// A generated definition: written under an unpredictable temporary name in the
// target's folder, made before the run (the generators write files by name),
// checked, then renamed over the target by Commit; destruction without Commit
// removes it.
class NamedOutputFile : public PendingOutput {
 public:
  explicit NamedOutputFile(const std::string& target);
  ~NamedOutputFile() override;
  NamedOutputFile(const NamedOutputFile&) = delete;
  NamedOutputFile& operator=(const NamedOutputFile&) = delete;

  // Returns the name to write to.
  const std::string& TemporaryName() const { return temporary_; }
  std::string Problem() const override;
  bool Commit(std::string& error) override;

 private:
  std::string target_;
  std::string temporary_;
  int createError_ = 0;
  bool committed_ = false;
};

// Throws UsageError when `output` is the file `input` (the same file through
// another name or a link as well), which a run would replace.
void RefuseSameFile(const std::string& input, const std::string& output);

// Tells whether an export through `format` gave a whole output: it succeeded
// and, if it reported an error, left none of the format's records unwritten.
// Otherwise reports the failure, naming `input`, and returns false.
bool ExportIsWhole(ConsoleCallBack& callBack, const std::string& input, FormatDefinition& format,
                   bool exported, bool errorReported, const XmlDocument& document);
// Tells whether `output` can be written; reports why not through the callback.
bool OutputIsWritable(const PendingOutput& output);
bool OutputIsWritable(ConsoleCallBack& callBack, const PendingOutput& output);
// Ends a run that wrote `output`: moves it into place and returns kExitSuccess,
// or reports why it could not (naming `input`) and returns kExitFailed.
int CommitOutput(PendingOutput& output, const std::string& input);
int CommitOutput(ConsoleCallBack& callBack, PendingOutput& output, const std::string& input);

// Which global options a command takes: all of them, or those of commands
// that read no data file (the folders, -v and -q).
enum GlobalOptionSet { kAllGlobalOptions, kCatalogueOptions };
// Adds the global options to `app` (the tool or one command), in the group
// "Global options".
void AddGlobalOptions(CLI::App& app, GlobalOptions& options, GlobalOptionSet which);

// A format chosen on the command line, with the catalogue that holds it.
struct ChosenFormat {
  std::shared_ptr<FormatList> catalogue;
  FormatDefinition* definition = nullptr;
};

// Returns the chosen definition when it loaded and allows import (or export);
// otherwise reports why, naming `formatArgument` or `input`, and returns null.
FormatDefinition* UsableFormat(const ChosenFormat& chosen, const std::string& formatArgument,
                               const std::string& input, bool forImport);
FormatDefinition* UsableFormat(ConsoleCallBack& callBack, const ChosenFormat& chosen,
                               const std::string& formatArgument, const std::string& input,
                               bool forImport);

// Returns the catalogue of both Formats folders. The first catalogue of a run
// reports through `callBack` what its scan found wrong (definitions that do
// not load, names given twice, no definition at all), as warnings; later ones
// (another format of the same command, a worker thread's own copy) load
// silently.
std::shared_ptr<FormatList> LoadCatalogue(ConsoleCallBack& callBack);

// Returns the format named `format`: a definition file when a file of that
// name exists, else the catalogue's format of that display name or id, matched
// without regard to case. Throws UsageError for an unknown name, with the
// closest names; returns a null definition when the file does not load.
ChosenFormat ChooseFormat(const std::string& format, ConsoleCallBack& callBack);

// The summary of a failed import of an empty data file.
constexpr char kEmptyFile[] =
    "the file is empty (0 bytes): there is nothing to import; no output written";
// Tells whether `fileName` is a regular file of 0 bytes.
bool IsEmptyFile(const std::string& fileName);

// Prints the one summary line of a failed run on standard error, or through
// the callback's sink.
void ReportFailure(const std::string& input, const std::string& what);
void ReportFailure(ConsoleCallBack& callBack, const std::string& input, const std::string& what);
// Returns the size of a file in bytes, 0 when it cannot be read.
uint64_t FileSize(const std::string& fileName);

}  // namespace cli
}  // namespace compoundparser
