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
#include "engine/TParserCallBack.h"
#include "engine/TVars.h"
#include "host/DataFile.h"
#include "host/Xml.h"

namespace compoundparser {

class ParseObserver;

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
  void SetBuilder(DocumentBuilder* builder) { builder_ = builder; }

  // Passes a message or a progress report to the callback; nothing without
  // one (a context built without a callback runs silently).
  void Message(int kind, const std::string& text) {
    if (callBack != nullptr) callBack->OnMessage(kind, text);
  }
  void Progress(unsigned long total, unsigned long current) {
    if (callBack != nullptr) callBack->OnProgress(total, current);
  }

  DataFile file;
  XmlNode currentNode;
  TParserCallBack* callBack = nullptr;
  std::string fieldText;
  int32_t writtenCount = 0;
  int32_t totalCount = 0;
  LastErrorText lastError;
  bool dataFits = true;
  TVars vars;
  // Elements that export removed from the document (written or skipped
  // repeated groups); lets a repetition see that a pass consumed nothing.
  uint64_t removedCount = 0;
  // Told of every failing node when set (not owned); nullptr costs nothing.
  ParseObserver* observer = nullptr;

 private:
  std::string hostError;
  bool hostErrorIsFileError = false;
  std::string dataCodePage;
  DocumentBuilder* builder_ = nullptr;
  std::unique_ptr<DocumentBuilder> domBuilder_;
};

}  // namespace compoundparser
