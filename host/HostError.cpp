#include "host/HostError.h"

#include <cstring>

namespace compoundparser {
namespace {

// Picks the text from either variant of strerror_r (GNU returns the text, XSI
// fills the buffer and returns 0).
[[maybe_unused]] const char* ErrorTextResult(const char* result, const char*) { return result; }
[[maybe_unused]] const char* ErrorTextResult(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}

}  // namespace

std::string SystemErrorText(int systemCode) {
  if (systemCode == 0) return std::string();
  char buffer[256] = {};
  const char* text = ErrorTextResult(strerror_r(systemCode, buffer, sizeof buffer), buffer);
  if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(systemCode);
  return text;
}

}  // namespace compoundparser
