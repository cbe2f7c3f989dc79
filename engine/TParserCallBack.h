// The host's callback: every message and progress report of the library goes
// through it. The host owns it; it must outlive every object it was given to.
#pragma once

#include <string>

namespace compoundparser {

// Message kinds passed to OnMessage.
enum MessageKind : int {
  kKindWarning = 3,     // routine trouble, the run may go on
  kKindError = 4,       // a failure of the engine, the loader or the catalogue
  kKindDetail = 6,      // detail of a failed alternative or field
  kKindFileError = 50,  // the system's text for a file error during export
};

class TParserCallBack {
 public:
  virtual ~TParserCallBack() = default;
  virtual void OnMessage(int kind, std::string text) = 0;
  virtual void OnProgress(unsigned long total, unsigned long current) = 0;
};

}  // namespace compoundparser
