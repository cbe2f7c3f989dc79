#include "host/Utf8.h"

#include "host/ByteScan.h"

namespace compoundparser {

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

size_t InvalidUtf8Offset(std::string_view text) {
  const size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    i = FindHighByte(text.data(), i, size);  // plain ASCII needs no decoding
    if (i >= size) break;
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, i, code);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

}  // namespace compoundparser
