#include "engine/MessageText.h"

#include <cstdarg>
#include <cstdio>

#include "engine/TParserCallBack.h"
#include "host/HostLib.h"
#include "resources/StringTable.h"

namespace compoundparser {

std::string LoadMessageText(unsigned id) { return ResourceText(id, ThreadLanguage()); }

std::string FormatMessageText(unsigned id, ...) {
  std::string format = LoadMessageText(id);
  if (format.empty()) return format;
  // Wide-string placeholders take our narrow strings.
  for (size_t at = format.find("%S"); at != std::string::npos; at = format.find("%S", at + 2)) {
    format[at + 1] = 's';
  }
  va_list args;
  va_start(args, id);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format.c_str(), copy);
  va_end(copy);
  std::string out;
  if (needed > 0) {
    out.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(out.data(), out.size(), format.c_str(), args);
    out.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  return out;
}

void ReportParseError(const XmlDocument& document, TParserCallBack* callBack) {
  if (callBack == nullptr || document.IsNull()) return;
  const XmlParseError& error = document.ParseError();
  if (error.code == 0) return;
  callBack->OnMessage(kKindError, error.reason);
  if (error.line > 0) {
    callBack->OnMessage(kKindError, FormatMessageText(kMsgParseErrorLine, error.line,
                                                      error.linePosition, error.url.c_str()));
  }
}

}  // namespace compoundparser
