#include "engine/MessageText.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>

#include "engine/TParserCallBack.h"
#include "host/HostLib.h"
#include "resources/StringTable.h"

namespace compoundparser {

std::string LoadMessageText(unsigned id) {
  // The language is looked up only when a table other than English exists;
  // with English alone every language gets the same text.
  const unsigned language = HasMessageTranslations() ? ThreadLanguage() : kLanguageEnglish;
  return ResourceText(id, language);
}

namespace {

// Formats `format` printf-style into `out` for the conversions that messages
// use (%d %ld %u %lu %x %lx %s %S %%); any other falls back to vsnprintf.
void FormatInto(std::string& out, const std::string& format, va_list args) {
  out.clear();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      const size_t next = std::min(format.find('%', i), format.size());
      out.append(format, i, next - i);
      i = next - 1;
      continue;
    }
    size_t j = i + 1;
    const bool isLong = j < format.size() && format[j] == 'l';
    if (isLong) ++j;
    const char conversion = j < format.size() ? format[j] : '\0';
    char digits[24];
    char* end = digits;
    switch (conversion) {
      case '%':
        out += '%';
        break;
      case 'd':
        end = isLong ? std::to_chars(digits, digits + sizeof digits, va_arg(args, long)).ptr
                     : std::to_chars(digits, digits + sizeof digits, va_arg(args, int)).ptr;
        out.append(digits, end);
        break;
      case 'u':
        end = isLong
                  ? std::to_chars(digits, digits + sizeof digits, va_arg(args, unsigned long)).ptr
                  : std::to_chars(digits, digits + sizeof digits, va_arg(args, unsigned)).ptr;
        out.append(digits, end);
        break;
      case 'x':
        end =
            isLong
                ? std::to_chars(digits, digits + sizeof digits, va_arg(args, unsigned long), 16).ptr
                : std::to_chars(digits, digits + sizeof digits, va_arg(args, unsigned), 16).ptr;
        out.append(digits, end);
        break;
      case 's':
      case 'S': {
        const char* text = va_arg(args, const char*);
        out += text != nullptr ? text : "(null)";
        break;
      }
      default: {
        // Not a conversion of ours: let the C library do the rest.
        std::string rest = format.substr(i);
        va_list copy;
        va_copy(copy, args);
        const int needed = std::vsnprintf(nullptr, 0, rest.c_str(), copy);
        va_end(copy);
        if (needed > 0) {
          std::string tail(static_cast<size_t>(needed) + 1, '\0');
          std::vsnprintf(tail.data(), tail.size(), rest.c_str(), args);
          tail.resize(static_cast<size_t>(needed));
          out += tail;
        }
        return;
      }
    }
    i = j;
  }
}

}  // namespace

std::string FormatMessageText(unsigned id, ...) {
  std::string out;
  const std::string format = LoadMessageText(id);
  if (format.empty()) return out;
  va_list args;
  va_start(args, id);
  FormatInto(out, format, args);
  va_end(args);
  return out;
}

void FormatMessageTextTo(std::string& out, unsigned id, ...) {
  const std::string format = LoadMessageText(id);
  if (format.empty()) {
    out.clear();
    return;
  }
  va_list args;
  va_start(args, id);
  FormatInto(out, format, args);
  va_end(args);
}

std::string FormatPlacedMessage(unsigned id, size_t& mentionEnd, ...) {
  std::string out;
  mentionEnd = 0;
  const std::string format = LoadMessageText(id);
  if (format.empty()) return out;
  size_t end = format.size();
  for (size_t i = 0; i + 1 < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (format[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t conversion = i + 1;
    if (format[conversion] == 'l' && conversion + 1 < format.size()) ++conversion;
    end = conversion + 1;
    while (end < format.size() && format[end] != ' ') ++end;
    if (end == conversion + 1 && end < format.size()) {
      ++end;
      while (end < format.size() && format[end] != ' ') ++end;
    }
    break;
  }
  va_list args;
  va_start(args, mentionEnd);
  va_list copy;
  va_copy(copy, args);
  std::string mention;
  FormatInto(mention, format.substr(0, end), copy);
  va_end(copy);
  FormatInto(out, format, args);
  va_end(args);
  mentionEnd = mention.size();
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
