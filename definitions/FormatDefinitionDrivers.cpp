// The two drivers that run a definition's tree over a file: ParseFile imports
// a data file, ParseXml exports into one. They open the file in the context,
// check the outcome and turn file and document errors into messages.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/FormatDefinition.h"
#include "engine/MessageText.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/TextPlace.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

// The system's description of a failed open is taken into a buffer of 1024.
constexpr size_t kMaxSystemText = 1023;

// Closes a file still open in the context from an earlier run.
void CloseEarlierFile(TParserParam& param) {
  if (!param.file.IsOpen()) return;
  try {
    param.file.Close();
  } catch (const FileError&) {
    // The run that wrote this file has already reported its failure.
  }
}

// Returns the text of a document error raised while importing, with the place
// of the field in hand in the data file and, for bytes that the code page does
// not allow, how to name the right one.
std::string ImportErrorText(const TParserParam& param, const XmlError& error) {
  std::string text = error.what();
  const TByteRange& field = param.fieldRange;
  if (field.end <= field.begin || param.file.Data() == nullptr) {
    text += " (before byte " + std::to_string(param.file.Position()) + " of the data file)";
  } else {
    // The range holds the value without its padding; a value that a factor,
    // an offset or an escape changed is looked for among those bytes.
    const std::string_view bytes(param.file.Data() + field.begin, field.end - field.begin);
    const size_t at = bytes == param.fieldText  ? 0
                      : param.fieldText.empty() ? std::string_view::npos
                                                : bytes.find(param.fieldText);
    const uint32_t start =
        at == std::string_view::npos ? field.begin : field.begin + static_cast<uint32_t>(at);
    const uint32_t last = at == std::string_view::npos
                              ? field.end - 1
                              : start + static_cast<uint32_t>(param.fieldText.size()) - 1;
    if (at != std::string_view::npos && error.Fault() != XmlTextFault::kNone &&
        error.Offset() < param.fieldText.size()) {
      text += " (byte " + std::to_string(start + error.Offset()) + " of the data file)";
    } else {
      text += " (in the field at bytes " + std::to_string(start) + " to " + std::to_string(last) +
              " of the data file)";
    }
  }
  if (error.Fault() == XmlTextFault::kInvalidByte) {
    text += "; use --encoding to name the file's code page";
  }
  return text;
}

}  // namespace

bool FormatDefinition::ParseFile(const std::string& dataFileName, TParserParam& param) {
  if (!rootParser) {
    param.Message(kKindError, "No Root Parser");
    return false;
  }
  CloseEarlierFile(param);
  param.SetHostError(std::string());
  int systemCode = 0;
  if (!param.file.OpenForImport(dataFileName, systemCode)) {
    const std::string& plain = param.file.OpenErrorText();
    const std::string why = plain.empty() ? SystemErrorText(systemCode) : plain;
    param.Message(kKindError, LoadMessageText(kMsgCannotOpenInput) + why.substr(0, kMaxSystemText));
    return false;
  }
  try {
    const uint32_t length = param.file.Length();
    if (length == 0) {
      param.Message(kKindError, LoadMessageText(kMsgInputNullLength));
      return false;
    }
    // A data file that is not UTF-8, while the host named no code page, is
    // read in the definition's single-byte code page: checked once, up front.
    std::optional<RunCodePage> runCodePage;
    std::string chosen;
    if (!CodePageIsExplicit() && CodePageIsUtf8()) {
      const std::string_view data(param.file.Data(), length);
      const size_t bad = param.file.InvalidUtf8Offset();
      const std::string fallback = FallbackCodePage();
      if (bad != std::string_view::npos && CodePageIsKnown(fallback)) {
        chosen = fallback;
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(data[bad]));
        param.Message(kKindWarning, std::string("Byte ") + byte + " on line " +
                                        std::to_string(LocateInText(data, bad).line) +
                                        " is not valid UTF-8: the data file is read in code page " +
                                        chosen);
      } else if (bad != std::string_view::npos) {
        param.Message(kKindError, "The code page '" + fallback +
                                      "' of the definition is not known: the data file "
                                      "is read as UTF-8");
      }
    }
    if (!chosen.empty()) runCodePage.emplace(chosen);
    param.SetDataCodePage(CodePageIsUtf8() ? std::string() : CodePageName());
    if (!rootParser->Read(param, length)) {
      param.MessageLastError(kKindError);
      return false;
    }
    const uint32_t position = param.file.Position();
    if (position != length) {
      TMessagePlace place{position, 0};
      const std::string text =
          FormatPlacedMessage(kMsgNotParsedCompletely, place.mentionEnd,
                              static_cast<long>(position), static_cast<long>(length));
      param.MessageAt(kKindError, text, place);
      return false;
    }
    return true;
  } catch (const FileError& error) {
    param.SetHostError(error.what(), true);
    param.Message(kKindError, "File error");
  } catch (const XmlError& error) {
    param.SetHostError(ImportErrorText(param, error));
    ReportParseError(document, param.callBack);
  }
  return false;
}

bool FormatDefinition::ParseXml(const std::string& outputFileName, TParserParam& param) {
  if (!rootParser) return false;
  CloseEarlierFile(param);
  param.SetHostError(std::string());
  int systemCode = 0;
  if (!param.file.OpenForExport(outputFileName, systemCode)) return false;
  return WriteTree(param);
}

bool FormatDefinition::ParseXml(AtomicFile& output, TParserParam& param) {
  if (!rootParser) return false;
  CloseEarlierFile(param);
  param.SetHostError(std::string());
  param.file.OpenForExport(output);
  return WriteTree(param);
}

bool FormatDefinition::WriteTree(TParserParam& param) {
  try {
    const bool written = rootParser->Write(param);
    // The file on disk holds what the tree wrote, also after a failure.
    param.file.Flush();
    return written;
  } catch (const FileError& error) {
    param.SetHostError(error.what(), true);
    param.Message(kKindFileError, SystemErrorText(error.SystemCode()));
  } catch (const XmlError& error) {
    param.SetHostError(std::string(error.what()) + " (at byte " +
                       std::to_string(param.file.Position()) + " of the output file)");
    ReportParseError(document, param.callBack);
  }
  return false;
}

}  // namespace compoundparser
