// The parse context of one run: the data file, the current node of the
// instrument data document, the host's callback, the field in hand, the export
// counters, the last error text and the variables. Parser nodes keep no run
// state of their own; everything that changes during a run lives here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/DocumentBuilder.h"
#include "engine/LastErrorText.h"
#include "engine/ParseObserver.h"
#include "engine/TParserCallBack.h"
#include "engine/TVars.h"
#include "host/DataFile.h"
#include "host/Xml.h"

namespace compoundparser {

class TParserParam {
 public:
  TParserParam();
  explicit TParserParam(TParserCallBack* callBack);
  virtual ~TParserParam();
  TParserParam(const TParserParam&) = delete;
  TParserParam& operator=(const TParserParam&) = delete;

  std::string GetLastError() const { return lastError.str(); }
  void SetLastError(const std::string& text) { lastError = text; }
  // Returns the text of the document or file error that ended the last run of
  // a driver ("" when its last run raised none), with the place in the file.
  const std::string& GetHostError() const { return hostError; }
  // Tells whether that error is about a file rather than its data: an output
  // that could not be written (a full disk), a file name that a document
  // cannot hold.
  bool HostErrorIsFileError() const { return hostErrorIsFileError; }
  void SetHostError(const std::string& text, bool fileError = false) {
    hostError = text;
    hostErrorIsFileError = fileError && !text.empty();
  }

  // Returns the code page in which the last import read its data file when it
  // was not UTF-8 (the host's, or the definition's fallback for a file that is
  // not valid UTF-8), or "".
  const std::string& DataCodePage() const { return dataCodePage; }
  // Records that code page; the import driver calls it once the data file is
  // open, before the first record is read ("" for the process's code page).
  // An instrument data object also notes it in its document.
  virtual void SetDataCodePage(const std::string& name) { dataCodePage = name; }

  // Returns the builder that import adds to the document through: the one set
  // with SetBuilder, or else one that builds below `currentNode`.
  DocumentBuilder& Builder();
  // Sets the builder for the next imports (not owned; nullptr restores the DOM).
  // BuilderScope sets one for a scope.
  void SetBuilder(DocumentBuilder* builder) { builder_ = builder; }

  // Passes a message or a progress report to the callback; nothing without
  // one (a context built without a callback runs silently).
  void Message(int kind, const std::string& text) {
    CountError(kind);
    if (callBack != nullptr) callBack->OnMessage(kind, text);
  }
  // Passes a message whose text names a byte of the data file.
  void MessageAt(int kind, const std::string& text, const TMessagePlace& place) {
    CountError(kind);
    if (callBack != nullptr) callBack->OnMessageAt(kind, text, place);
  }
  // Passes the last error text, with its place in the data file when it names one.
  void MessageLastError(int kind) {
    if (lastError.HasPosition()) {
      MessageAt(kind, lastError.str(), lastError.Place());
    } else {
      Message(kind, lastError.str());
    }
  }
  void Progress(unsigned long total, unsigned long current) {
    if (callBack != nullptr) callBack->OnProgress(total, current);
  }

  // Tells the observer, when one is attached, that `node` failed at byte
  // `position` (see ParseObserver::OnFailure); nothing without one.
  void ReportFailure(const Parser& node, FailureKind kind, uint32_t position, uint32_t width,
                     std::string_view expected = {}) {
    if (observer != nullptr) observer->OnFailure(*this, node, kind, position, width, expected);
  }
  // Tells the observer, when one is attached, that export removed the element
  // `name` from `parent`.
  void ReportRemoved(const XmlNode& parent, const std::string& name) {
    if (observer != nullptr) observer->OnRemoved(parent.Raw(), name);
  }

  DataFile file;
  XmlNode currentNode;
  TParserCallBack* callBack = nullptr;
  std::string fieldText;
  // Import: the bytes of the data file that `fieldText` was read from while
  // its value is stored (empty otherwise).
  TByteRange fieldRange;
  int32_t writtenCount = 0;
  int32_t totalCount = 0;
  LastErrorText lastError;
  bool dataFits = true;
  TVars vars;
  // Elements that export removed from the document (written or skipped
  // repeated groups); lets a repetition see that a pass consumed nothing.
  uint64_t removedCount = 0;
  // Error messages (kinds kKindError and kKindFileError) passed so far.
  uint64_t errorCount = 0;
  // Told of every failing node when set (not owned; see ObserverScope);
  // nullptr costs nothing.
  ParseObserver* observer = nullptr;

 private:
  friend class BuilderScope;
  void CountError(int kind) {
    if (kind == kKindError || kind == kKindFileError) ++errorCount;
  }
  std::string hostError;
  bool hostErrorIsFileError = false;
  std::string dataCodePage;
  DocumentBuilder* builder_ = nullptr;
  std::unique_ptr<DocumentBuilder> domBuilder_;
};

// Sets `slot` to a value while the guard lives; the value it held before
// comes back on every path out of the scope.
template <class T>
class TScopedValue {
 public:
  TScopedValue(T& slot, T value) : slot_(slot), previous_(slot) { slot = value; }
  ~TScopedValue() { slot_ = previous_; }
  TScopedValue(const TScopedValue&) = delete;
  TScopedValue& operator=(const TScopedValue&) = delete;

 private:
  T& slot_;
  T previous_;
};

// Attaches an observer to a context while the guard lives.
class ObserverScope : TScopedValue<ParseObserver*> {
 public:
  ObserverScope(TParserParam& param, ParseObserver* observer)
      : TScopedValue(param.observer, observer) {}
};

// Sets the document builder of a context while the guard lives.
class BuilderScope : TScopedValue<DocumentBuilder*> {
 public:
  BuilderScope(TParserParam& param, DocumentBuilder* builder)
      : TScopedValue(param.builder_, builder) {}
};

}  // namespace compoundparser
