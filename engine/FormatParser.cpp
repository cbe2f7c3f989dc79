#include "engine/FormatParser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/DumpText.h"
#include "engine/MessageText.h"
#include "engine/NumberText.h"
#include "engine/TParserParam.h"
#include "host/Locale.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Returns the number of characters after the first "." (0 when there is none).
int DecimalsOf(const std::string& text) {
  const size_t dot = text.find('.');
  return dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
}

void Report(TParserParam& param, int kind, unsigned id) {
  param.Message(kind, LoadMessageText(id));
}

// Tells whether `text` is the usual number, answered without the rules below:
// an optional sign, digits and at most one '.', nothing else, with a digit.
// Returns false for anything else (which the rules below then judge), and
// whenever the locale's separator is more than a '.' that would be read there.
bool IsPlainNumber(const std::string& text, bool allowMinus) {
  static const bool dotIsPlain = [] {
    const std::string& separator = LocaleDecimalSeparator();
    return separator.size() <= 1 || separator[0] != '.';
  }();
  const char* c = text.data();
  const char* const end = c + text.size();
  if (c != end && ((*c == '-' && allowMinus) || *c == '+')) ++c;
  bool digit = false;
  bool dot = false;
  for (; c != end; ++c) {
    if (IsDigit(*c)) {
      digit = true;
    } else if (*c == '.' && !dot && dotIsPlain) {
      dot = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace

bool FormatParser::IsNumber(const std::string& text, bool allowMinus) {
  if (IsPlainNumber(text, allowMinus)) return true;
  const std::string& localeSeparator = LocaleDecimalSeparator();
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  int counted = 0;
  bool separator = false;
  bool exponent = false;
  bool digit = false;
  while (i < text.size()) {
    const char c = text[i];
    if (IsDigit(c)) {
      digit = true;
    } else if (c == ' ' || c == '\t') {
      // blanks inside a number are accepted (digit grouping)
    } else if (c == '-') {
      if (counted != 0 || !(allowMinus || exponent)) return false;
    } else if (c == '+') {
      if (counted != 0) return false;
    } else if (c == 'E' || c == 'e') {
      if (exponent) return false;
      exponent = true;
      counted = 0;
      ++i;
      continue;
    } else if (!localeSeparator.empty() &&
               text.compare(i, localeSeparator.size(), localeSeparator) == 0) {
      if (separator || exponent) return false;
      separator = true;
      i += localeSeparator.size();
      ++counted;
      continue;
    } else if (c == '.' || c == ',') {
      if (separator || exponent) return false;
      separator = true;
    } else {
      return false;
    }
    ++counted;
    ++i;
  }
  return digit;
}

bool FormatParser::IsAngle(const std::string& text, double* value) {
  if (text.empty()) return false;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && !IsDigit(text[i]) && text[i] != '-') ++i;
  if (i == n) return false;
  bool negative = false;
  if (text[i] == '-') {
    negative = true;
    ++i;
  }
  double degrees = 0;
  double minutes = 0;
  double seconds = 0;
  double fraction = 0;
  auto finish = [&]() {
    if (value != nullptr) {
      const double angle = degrees + (minutes + (seconds + fraction) / 60.0) / 60.0;
      *value = negative ? -angle : angle;
    }
    return true;
  };
  auto skipSeparator = [&]() {
    while (i < n && !IsDigit(text[i]) && !IsLetter(text[i])) ++i;
  };
  // Reads at most `most` digits (0: any number); returns false when none.
  auto readDigits = [&](size_t most, double& out) {
    const size_t from = i;
    while (i < n && IsDigit(text[i]) && (most == 0 || i - from < most)) {
      out = out * 10 + (text[i] - '0');
      ++i;
    }
    return i > from;
  };
  readDigits(0, degrees);
  if (i < n && IsLetter(text[i])) return finish();
  skipSeparator();
  if (i < n && IsLetter(text[i])) return finish();
  if (readDigits(2, minutes) && minutes >= 60) return false;
  if (i < n && IsLetter(text[i])) return finish();
  skipSeparator();
  if (i < n && IsLetter(text[i])) return finish();
  if (readDigits(2, seconds) && seconds >= 60) return false;
  if (i < n && IsLetter(text[i])) return finish();
  skipSeparator();
  double scale = 0.1;
  while (i < n && IsDigit(text[i])) {
    fraction += (text[i] - '0') * scale;
    scale /= 10;
    ++i;
  }
  return finish();
}

bool FormatParser::Read(TParserParam& param, unsigned long available) {
  if (available == 0 || (width > 0 && static_cast<unsigned long>(width) > available)) {
    if (param.observer != nullptr) {
      char needed[16];
      const char* end = std::to_chars(needed, needed + sizeof needed, width > 0 ? width : 1).ptr;
      param.ReportFailure(*this, FailureKind::kShortField, param.file.Position(),
                          static_cast<uint32_t>(available),
                          std::string_view(needed, static_cast<size_t>(end - needed)));
    }
    return false;
  }
  unsigned long count;
  if (width > 0) {
    count = static_cast<unsigned long>(width);
  } else {
    count = available;
    if (MaxWidth > 0 && static_cast<unsigned long>(MaxWidth) < available) {
      count = static_cast<unsigned long>(MaxWidth);
    }
  }
  DataFile& file = param.file;
  const uint32_t start = file.Position();
  std::string& text = param.fieldText;
  const char* const bytes = file.Data();
  if (bytes == nullptr || start > file.Length() || file.Length() - start < count) {
    file.Read(text, static_cast<uint32_t>(count));  // an export file raises here
    file.Seek(start);
    param.ReportFailure(*this, FailureKind::kEndOfFile, start, static_cast<uint32_t>(count));
    Report(param, kKindError, kMsgUnexpectedEndOfFile);
    return false;
  }
  // The field is looked at where it stands; only the value is copied.
  const char* const field = bytes + start;
  if (const void* lineEnd = std::memchr(field, '\n', count); lineEnd != nullptr) {
    text.assign(field, count);
    param.ReportFailure(*this, FailureKind::kEndOfLine, start,
                        static_cast<uint32_t>(static_cast<const char*>(lineEnd) - field + 1));
    Report(param, kKindDetail, kMsgUnexpectedEndOfLine);
    return false;
  }
  // The bytes that the value stands in: the field without its padding (a
  // padding after a sign stays inside).
  uint32_t valueBegin = start;
  uint32_t valueEnd = start + static_cast<uint32_t>(count);
  if (!align) {
    size_t keep = count;
    while (keep > 0 && field[keep - 1] == fill) --keep;
    text.assign(field, keep);
    valueEnd = start + static_cast<uint32_t>(keep);
  } else {
    text.assign(field, count);
  }
  file.Seek(start + static_cast<uint32_t>(count));
  if (align && !text.empty()) {
    const size_t first = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    size_t padding = 0;
    while (first + padding + 1 < text.size() && text[first + padding] == fill) ++padding;
    text.erase(first, padding);
    if (first == 0) valueBegin += static_cast<uint32_t>(padding);
  }
  if (sign) {
    if (text.empty()) {
      file.Seek(start);
      param.ReportFailure(*this, FailureKind::kTypeMismatch, start, static_cast<uint32_t>(count),
                          "a signed value");
      Report(param, kKindError, kMsgUnexpectedEndOfFile);
      return false;
    }
    if (text[0] == '+') text.erase(0, 1);
  }
  if (escape != TextEscape::kNone) {
    std::string resolved;
    if (!(escape == TextEscape::kJson ? UnescapeJson(text, resolved)
                                      : UnescapeXml(text, resolved))) {
      file.Seek(start);
      param.ReportFailure(*this, FailureKind::kTypeMismatch, start, static_cast<uint32_t>(count),
                          escape == TextEscape::kJson ? "a JSON string" : "an XML attribute value");
      Report(param, kKindError, kMsgTypeMismatch);
      return false;
    }
    text = std::move(resolved);
  }
  if ((type == kTypeDouble && !IsNumber(text, true)) || (type == kTypeDegree && !IsAngle(text))) {
    file.Seek(start);
    param.ReportFailure(*this, FailureKind::kTypeMismatch, start, static_cast<uint32_t>(count),
                        type == kTypeDouble ? "a number" : "an angle");
    Report(param, kKindError, kMsgTypeMismatch);
    return false;
  }
  if (NumericActive()) {
    int decimals = DecimalsOf(text);
    if (precision >= 0 && decimals != precision) {
      Report(param, kKindWarning, kMsgPrecisionIncorrect);
    }
    double x = CAtof(text) - offset;
    if (factor != 0.0) {
      x /= factor;
      decimals += static_cast<int>(std::log10(std::fabs(factor)) + 0.5);
    }
    text = FormatFixed(x, decimals);
  }
  param.fieldRange = TByteRange{valueBegin, valueEnd};
  const bool stored = StoreValue(param);
  param.fieldRange = TByteRange{};
  if (stored) return true;
  file.Seek(start);
  Report(param, kKindError, kMsgUnexpectedEndOfFile);
  return false;
}

bool FormatParser::Write(TParserParam& param) {
  if (!FetchValue(param)) return false;
  std::string& text = param.fieldText;
  if (NumericActive()) {
    const int decimals = precision >= 0 ? precision : DecimalsOf(text);
    double x = CAtof(text);
    if (factor != 0.0) x *= factor;
    x += offset;
    text = FormatFixed(x, decimals);
  }
  if (sign && (text.empty() || (text[0] != '+' && text[0] != '-')) &&
      width > static_cast<long long>(text.size())) {
    text.insert(text.begin(), '+');
  }
  if (!ExcludeLiteralHex.empty()) {
    size_t at = text.find(ExcludeLiteralHex);
    while (at != std::string::npos) {
      text.erase(at, ExcludeLiteralHex.size());
      at = text.find(ExcludeLiteralHex, at == 0 ? 0 : at - 1);
    }
  }
  bool fits = true;
  if (escape == TextEscape::kJson) text = EscapeJson(text);
  if (escape == TextEscape::kXml) text = EscapeXml(text, fits);
  const long long missing = static_cast<long long>(width) - static_cast<long long>(text.size());
  if (!fits) {
    return DoesNotFit(param);
  }
  if (missing > 0) {
    const size_t count = static_cast<size_t>(missing);
    if (align) {
      const bool afterSign = !text.empty() && !FillBeforeSign && (text[0] == '+' || text[0] == '-');
      text.insert(afterSign ? 1 : 0, count, fill);
    } else {
      text.append(count, fill);
    }
  } else if (missing < 0 && width > 0) {
    return DoesNotFit(param);
  }
  param.file.Write(text.data(), static_cast<uint32_t>(text.size()));
  return true;
}

bool FormatParser::DoesNotFit(TParserParam& param) {
  param.ReportFailure(*this, FailureKind::kDataDoesNotFit, param.file.Position(),
                      static_cast<uint32_t>(width));
  Report(param, kKindError, kMsgDataDoesNotFit);
  param.dataFits = false;
  return false;
}

void FormatParser::DumpAttributes(std::string& out) const {
  if (width != 0) out += " w=" + std::to_string(width);
  if (MaxWidth != 0) out += " max=" + std::to_string(MaxWidth);
  if (align) out += " right";
  if (fill != ' ') {
    out += " fill=";
    AppendQuoted(out, std::string(1, fill));
  }
  if (sign) out += " sign";
  if (FillBeforeSign) out += " fbs";
  if (offset != 0.0) out += " off=" + FormatFixed(offset, -1);
  if (factor != 0.0) out += " fac=" + FormatFixed(factor, -1);
  if (precision != -1) out += " prec=" + std::to_string(precision);
  if (type == kTypeDouble) out += " double";
  if (type == kTypeDegree) out += " degree";
  if (!ExcludeLiteralHex.empty()) {
    out += " ex=";
    AppendQuoted(out, ExcludeLiteralHex);
  }
  if (escape == TextEscape::kJson) out += " esc=json";
  if (escape == TextEscape::kXml) out += " esc=xml";
}

}  // namespace compoundparser
