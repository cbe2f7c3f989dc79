// The host's callback: every message and progress report of the library goes
// through it. The host owns it; it must outlive every object it was given to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace compoundparser {

// Message kinds passed to OnMessage.
enum MessageKind : int {
  kKindWarning = 3,     // routine trouble, the run may go on
  kKindError = 4,       // a failure of the engine, the loader or the catalogue
  kKindDetail = 6,      // detail of a failed alternative or field
  kKindFileError = 50,  // the system's text for a file error during export
};

// A byte of the data file that a message names, and where its text names it.
struct TMessagePlace {
  uint64_t position = 0;
  // The index in the text just past the words that name the byte ("In 12
  // pos.", "in pos 1ah", "Parsed only 12 bytes").
  size_t mentionEnd = 0;
};

class TParserCallBack {
 public:
  virtual ~TParserCallBack() = default;
  virtual void OnMessage(int kind, std::string text) = 0;
  virtual void OnProgress(unsigned long total, unsigned long current) = 0;
  // Receives a message whose text names a byte of the data file that is
  // being read, so that a host can show that place as it likes (as a line and
  // column after the words that name it). By default the message goes to
  // OnMessage as it is.
  virtual void OnMessageAt(int kind, std::string text, const TMessagePlace& place) {
    (void)place;
    OnMessage(kind, std::move(text));
  }
};

// A callback that drops every message and progress report: for hosts that
// read the outcome from results only, trial runs, tests and benchmarks.
class SilentCallBack : public TParserCallBack {
 public:
  void OnMessage(int, std::string) override {}
  void OnProgress(unsigned long, unsigned long) override {}
};

}  // namespace compoundparser
