// The two drivers that run a definition's tree over a file: ParseFile imports
// a data file, ParseXml exports into one. They open the file in the context,
// check the outcome and turn file and document errors into messages.
#include <cstdint>
#include <string>

#include "definitions/FormatDefinition.h"
#include "engine/MessageText.h"
#include "host/HostError.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

// The system's description of a failed open is taken into a buffer of 1024.
constexpr size_t kMaxSystemText = 1023;

// Sends a message through the context's callback, when there is one.
void Report(const TParserParam& param, int kind, const std::string& text) {
  if (param.callBack) param.callBack->OnMessage(kind, text);
}

// Closes a file still open in the context from an earlier run.
void CloseEarlierFile(TParserParam& param) {
  if (!param.file.IsOpen()) return;
  try {
    param.file.Close();
  } catch (const FileError&) {
    // The run that wrote this file has already reported its failure.
  }
}

}  // namespace

bool FormatDefinition::ParseFile(const std::string& dataFileName, TParserParam& param) {
  if (!rootParser) {
    Report(param, kKindError, "No Root Parser");
    return false;
  }
  CloseEarlierFile(param);
  int systemCode = 0;
  if (!param.file.OpenForImport(dataFileName, systemCode)) {
    Report(param, kKindError,
           LoadMessageText(kMsgCannotOpenInput) +
               SystemErrorText(systemCode).substr(0, kMaxSystemText));
    return false;
  }
  try {
    const uint32_t length = param.file.Length();
    if (length == 0) {
      Report(param, kKindError, LoadMessageText(kMsgInputNullLength));
      return false;
    }
    if (!rootParser->Read(param, length)) {
      Report(param, kKindError, param.lastError);
      return false;
    }
    const uint32_t position = param.file.Position();
    if (position != length) {
      Report(param, kKindError,
             FormatMessageText(kMsgNotParsedCompletely, static_cast<long>(position),
                               static_cast<long>(length)));
      return false;
    }
    return true;
  } catch (const FileError&) {
    Report(param, kKindError, "File error");
  } catch (const XmlError&) {
    ReportParseError(document, param.callBack);
  }
  return false;
}

bool FormatDefinition::ParseXml(const std::string& outputFileName, TParserParam& param) {
  if (!rootParser) return false;
  CloseEarlierFile(param);
  int systemCode = 0;
  if (!param.file.OpenForExport(outputFileName, systemCode)) return false;
  try {
    const bool written = rootParser->Write(param);
    // The file on disk holds what the tree wrote, also after a failure.
    param.file.Flush();
    return written;
  } catch (const FileError& error) {
    Report(param, kKindFileError, SystemErrorText(error.SystemCode()));
  } catch (const XmlError&) {
    ReportParseError(document, param.callBack);
  }
  return false;
}

}  // namespace compoundparser
