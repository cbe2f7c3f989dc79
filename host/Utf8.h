// The one UTF-8 decoder and encoder of the library. Decoding is strict: an
// overlong form, an encoded surrogate (ED A0 80) and anything above U+10FFFF
// are no character, so that text that passes it is text every XML reader
// takes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace compoundparser {

// Returns the length (1 to 4) of the UTF-8 character that starts at byte `at`
// of `text` and puts its code point in `code`; returns 0 (and leaves `code`)
// when the bytes there are no valid character.
inline size_t DecodeUtf8(std::string_view text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, least = 0x80, value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, least = 0x800, value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, least = 0x10000, value = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + k) & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  code = value;
  return length;
}

// Appends the UTF-8 bytes of `code`, a code point below U+110000.
void AppendUtf8(char32_t code, std::string& out);

// Returns the offset of the first byte of `text` that starts no valid UTF-8
// character, or npos when the whole text is valid.
size_t InvalidUtf8Offset(std::string_view text);

}  // namespace compoundparser
