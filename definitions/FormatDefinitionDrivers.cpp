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

// Returns the text of a document error raised while importing, with the place
// of the field in hand in the data file and, for bytes that the code page does
// not allow, how to name the right one.
std::string ImportErrorText(const TParserParam& param, const XmlError& error) {
  std::string text = error.what();
  const uint32_t end = param.file.Position();
  const std::string& field = param.fieldText;
  size_t start = std::string::npos;
  // The field's text is its bytes without padding: find it just before the
  // position (the search stays near it, so that a huge file is not read again).
  constexpr size_t kPaddingSearched = 64 << 10;
  if (!field.empty() && field.size() <= end && param.file.Data() != nullptr) {
    const size_t from =
        end - field.size() > kPaddingSearched ? end - field.size() - kPaddingSearched : 0;
    const size_t found = std::string_view(param.file.Data() + from, end - from).rfind(field);
    if (found != std::string_view::npos) start = from + found;
  }
  // The error names the offset in the field's narrow text (for a character
  // that XML cannot hold, only while no conversion changes the offsets).
  const bool invalidByte = text.compare(0, 7, "Byte 0x") == 0;
  unsigned long offset = 0;
  const size_t at = text.find(" at offset ");
  const bool narrowOffset = invalidByte || CodePageIsUtf8();
  if (start != std::string::npos && narrowOffset && at != std::string::npos &&
      std::sscanf(text.c_str() + at, " at offset %lu", &offset) == 1 && offset < field.size()) {
    text += " (byte " + std::to_string(start + offset) + " of the data file)";
  } else if (start != std::string::npos) {
    text += " (in the field at bytes " + std::to_string(start) + " to " +
            std::to_string(start + field.size() - 1) + " of the data file)";
  } else {
    text += " (before byte " + std::to_string(end) + " of the data file)";
  }
  if (invalidByte) {
    text += "; use --encoding to name the file's code page";
  }
  return text;
}

}  // namespace

bool FormatDefinition::ParseFile(const std::string& dataFileName, TParserParam& param) {
  if (!rootParser) {
    Report(param, kKindError, "No Root Parser");
    return false;
  }
  CloseEarlierFile(param);
  param.SetHostError(std::string());
  int systemCode = 0;
  if (!param.file.OpenForImport(dataFileName, systemCode)) {
    const std::string& plain = param.file.OpenErrorText();
    const std::string why = plain.empty() ? SystemErrorText(systemCode) : plain;
    Report(param, kKindError, LoadMessageText(kMsgCannotOpenInput) + why.substr(0, kMaxSystemText));
    return false;
  }
  try {
    const uint32_t length = param.file.Length();
    if (length == 0) {
      Report(param, kKindError, LoadMessageText(kMsgInputNullLength));
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
        Report(param, kKindWarning,
               std::string("Byte ") + byte + " on line " +
                   std::to_string(LocateInText(data, bad).line) +
                   " is not valid UTF-8: the data file is read in code page " + chosen);
      } else if (bad != std::string_view::npos) {
        Report(param, kKindError,
               "The code page '" + fallback +
                   "' of the definition is not known: the data file "
                   "is read as UTF-8");
      }
    }
    if (!chosen.empty()) runCodePage.emplace(chosen);
    param.SetDataCodePage(CodePageIsUtf8() ? std::string() : CodePageName());
    if (!rootParser->Read(param, length)) {
      Report(param, kKindError, param.lastError.str());
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
  } catch (const FileError& error) {
    param.SetHostError(error.what(), true);
    Report(param, kKindError, "File error");
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
    Report(param, kKindFileError, SystemErrorText(error.SystemCode()));
  } catch (const XmlError& error) {
    param.SetHostError(std::string(error.what()) + " (at byte " +
                       std::to_string(param.file.Position()) + " of the output file)");
    ReportParseError(document, param.callBack);
  }
  return false;
}

}  // namespace compoundparser
