#include "engine/NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

namespace compoundparser {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The most decimals a fixed conversion produces; a double's exact expansion
// never needs more.
constexpr int kMaxFixedDecimals = 1100;

}  // namespace

int CAtoi(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double CAtof(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      end = j;
    }
  }
  double value = 0.0;
  auto result = std::from_chars(text.data() + start, text.data() + end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero, as strtod does.
    const size_t e = text.find_first_of("eE", start);
    const bool tiny = e != std::string_view::npos && e < end && text[e + 1] == '-';
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

std::string FormatFixed(double value, int precision) {
  if (precision < 0) precision = 6;
  if (precision > kMaxFixedDecimals) precision = kMaxFixedDecimals;
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  std::string out(330 + static_cast<size_t>(precision), '\0');
  auto result = std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed,
                              precision);
  out.resize(static_cast<size_t>(result.ptr - out.data()));
  return out;
}

std::string FormatLong(long value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool ScanHex2(std::string_view text, unsigned& value) {
  // sscanf needs a terminated string; a pair and the white space before it is
  // all that "%2x" can look at, but leading white space may be long.
  std::string copy(text);
  unsigned scanned = 0;
  if (std::sscanf(copy.c_str(), "%2x", &scanned) != 1) return false;
  value = scanned;
  return true;
}

std::string DecodeHexText(std::string_view text) {
  std::string out;
  const size_t pairs = text.size() / 2;
  out.reserve(pairs);
  for (size_t i = 0; i < pairs; ++i) {
    unsigned value = 0;
    if (ScanHex2(text.substr(2 * i), value)) out.push_back(static_cast<char>(value));
  }
  return out;
}

}  // namespace compoundparser
