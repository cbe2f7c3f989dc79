// What every subcommand of the tool shares: the global options, the console
// callback that prints the library's messages and draws the progress bar, the
// output file that appears only when a run succeeds, and the lookup of a
// format by display name or definition file. The tool owns all of these.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

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

// Prints the library's messages on standard error and draws a progress bar
// there while a large file is read or written.
class ConsoleCallBack : public TParserCallBack {
 public:
  explicit ConsoleCallBack(const GlobalOptions& options) : options_(options) {}
  ~ConsoleCallBack() override;

  void OnMessage(int kind, std::string text) override;
  void OnProgress(unsigned long total, unsigned long current) override;

  // Shows every message kind, details included (the check subcommand).
  void SetShowDetails(bool show) { showDetails_ = show; }
  // Reports load failures of the catalogue as warnings, and only with -v.
  void SetCatalogueScan(bool scanning) { catalogueScan_ = scanning; }
  // Starts a progress bar for a run over `bytes` bytes when it is worth one.
  // `countsRecords`: OnProgress counts records (export), not bytes (import).
  void BeginProgress(const std::string& label, uint64_t bytes, bool countsRecords);
  // Removes the progress bar, if one is drawn, and says how many more times
  // each repeated warning came.
  void EndProgress();
  // Gives byte positions in messages also as line:column of this data file.
  void SetDataFile(const std::string& fileName);
  // Returns the number of error messages (kinds 4 and 50) seen so far.
  int ErrorCount() const { return errors_; }
  // Holds the error messages of an import until its outcome is known: the
  // engine reports a field that does not fit even when another alternative
  // then reads the bytes, so an import that succeeds shows them as details
  // (with -v) and one that fails as errors.
  void HoldErrors();
  void ReleaseErrors(bool runFailed);

 private:
  void Draw(unsigned long total, unsigned long current);
  void ClearLine();

  const GlobalOptions& options_;
  std::string dataFile_;
  bool showDetails_ = false;
  bool catalogueScan_ = false;
  int errors_ = 0;
  // Warnings and details: each text is shown kShownRepeats times, and how
  // many more times it came when the run ends.
  struct Repeat {
    unsigned long count = 0;
  };
  static constexpr unsigned long kShownRepeats = 3;
  static constexpr size_t kMaxTrackedTexts = 4096;
  std::unordered_map<std::string, Repeat> repeats_;
  std::vector<std::string> repeatOrder_;
  // Errors held during an import: the first kHeldEach and the last kHeldEach
  // (the last say why an import stopped), and how many came between.
  static constexpr size_t kHeldEach = 10;
  bool holding_ = false;
  std::vector<std::pair<int, std::string>> held_;
  std::deque<std::pair<int, std::string>> heldLast_;
  unsigned long heldOver_ = 0;
  // Progress state: the clock is read only every `stride_` calls.
  bool progressOn_ = false;
  bool lineDrawn_ = false;
  std::string label_;
  uint64_t bytes_ = 0;
  unsigned long calls_ = 0;
  unsigned long nextCheck_ = 0;
  unsigned long stride_ = 4096;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastDraw_;
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

// A generated definition: written under a temporary name in the target's
// folder (the generators write files by name), checked, then renamed over the
// target by Commit; destruction without Commit removes it.
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
  bool committed_ = false;
};

// Throws UsageError when `output` is the file `input` (the same file through
// another name or a link as well), which a run would replace.
void RefuseSameFile(const std::string& input, const std::string& output);

// Tells whether an export through `format` gave a whole output: it succeeded
// and, if it reported an error, left none of the format's records unwritten.
// Otherwise reports the failure, naming `input`, and returns false.
bool ExportIsWhole(const std::string& input, FormatDefinition& format, bool exported,
                   bool errorReported, const XmlDocument& document, TParserCallBack& callBack);
// Tells whether `output` can be written; reports why not on standard error.
bool OutputIsWritable(const PendingOutput& output);
// Ends a run that wrote `output`: moves it into place and returns kExitSuccess,
// or reports why it could not (naming `input`) and returns kExitFailed.
int CommitOutput(PendingOutput& output, const std::string& input);

// A format chosen on the command line, with the catalogue that holds it.
struct ChosenFormat {
  std::shared_ptr<FormatList> catalogue;
  FormatDefinition* definition = nullptr;
};

// Returns the chosen definition when it loaded and allows import (or export);
// otherwise reports why, naming `formatArgument` or `input`, and returns null.
FormatDefinition* UsableFormat(const ChosenFormat& chosen, const std::string& formatArgument,
                               const std::string& input, bool forImport);

// Returns the format named `format`: a definition file when a file of that name
// exists, else a display name of the catalogue. Throws UsageError for an
// unknown name; returns a null definition when the file does not load.
ChosenFormat ChooseFormat(const std::string& format, ConsoleCallBack& callBack);

// Returns the one import format of the catalogue that reads all of `input`;
// throws UsageError listing the candidates when there is none or several.
ChosenFormat ChooseDetectedFormat(const std::string& input, const GlobalOptions& options,
                                  ConsoleCallBack& callBack);

// The summary of a failed import of an empty data file.
constexpr char kEmptyFile[] =
    "the file is empty (0 bytes): there is nothing to import; no output written";
// Tells whether `fileName` is a regular file of 0 bytes.
bool IsEmptyFile(const std::string& fileName);

// Prints the one summary line of a failed run on standard error.
void ReportFailure(const std::string& input, const std::string& what);
// Returns the size of a file in bytes, 0 when it cannot be read.
uint64_t FileSize(const std::string& fileName);

}  // namespace cli
}  // namespace compoundparser
