// The console side of the tool: where the messages of a run go (standard
// error at once, or held in order while the run works on a thread of its own),
// and the callback that prints the library's messages and draws the progress
// bar.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/TParserCallBack.h"

namespace compoundparser {
namespace cli {

struct GlobalOptions;

// The messages of one run, in the order they came. A sink that does not hold
// prints each at once on standard error; one that holds keeps them until
// Flush, so that the files of a command run on several threads report in the
// order of the command line, exactly as a run on one thread does.
class MessageSink {
 public:
  explicit MessageSink(bool hold = false) : hold_(hold) {}
  MessageSink(const MessageSink&) = delete;
  MessageSink& operator=(const MessageSink&) = delete;

  bool Holds() const { return hold_; }
  // Prints `text` (lines with their line ends) on standard error.
  void Write(std::string text);
  // Runs `print`, which prints on standard error itself (a diagnosis), in its
  // place among the messages.
  void Later(std::function<void()> print);
  // Prints and drops everything held.
  void Flush();

 private:
  bool hold_;
  std::vector<std::pair<std::string, std::function<void()>>> held_;
};

// Prints the library's messages through a sink and draws a progress bar on
// standard error while a large file is read or written (only when the sink
// does not hold: a bar of one file among several threads would mislead).
class ConsoleCallBack : public TParserCallBack {
 public:
  ConsoleCallBack(const GlobalOptions& options, MessageSink& sink)
      : options_(options), sink_(&sink) {}
  // Prints straight on standard error.
  explicit ConsoleCallBack(const GlobalOptions& options) : options_(options) {}
  ~ConsoleCallBack() override;
  ConsoleCallBack(const ConsoleCallBack&) = delete;
  ConsoleCallBack& operator=(const ConsoleCallBack&) = delete;

  void OnMessage(int kind, std::string text) override;
  // Shows the line and column of the byte that the message names after the
  // words that name it, when a data file is set.
  void OnMessageAt(int kind, std::string text, const TMessagePlace& place) override;
  void OnProgress(unsigned long total, unsigned long current) override;

  // Prints a line of the tool's own (no prefix) through the sink.
  void Print(std::string line);
  MessageSink* Sink() const { return sink_; }

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
  // Returns the number of warnings printed so far.
  int WarningCount() const { return warnings_; }
  // Holds the error messages of an import until its outcome is known: the
  // engine reports a field that does not fit even when another alternative
  // then reads the bytes, so an import that succeeds shows them as details
  // (with -v) and one that fails as errors.
  void HoldErrors();
  void ReleaseErrors(bool runFailed);

 private:
  void Emit(const std::string& text);
  // A message, with the byte of the data file that it names when it names one.
  struct Held {
    int kind;
    std::string text;
    bool placed;
    TMessagePlace place;
  };
  void Show(Held message);
  void Draw(unsigned long total, unsigned long current);
  void ClearLine();

  const GlobalOptions& options_;
  MessageSink* sink_ = nullptr;
  std::string dataFile_;
  bool showDetails_ = false;
  bool catalogueScan_ = false;
  std::string scanReason_;  // the first error of the definition being loaded
  int errors_ = 0;
  int warnings_ = 0;
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
  std::vector<Held> held_;
  std::deque<Held> heldLast_;
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

}  // namespace cli
}  // namespace compoundparser
