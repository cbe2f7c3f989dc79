#include "engine/TextEscape.h"

#include <cstdint>

#include "host/Utf8.h"

namespace compoundparser {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// Returns the value of a hex digit, or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the four hex digits of a \u escape at `at`.
bool ReadHex4(std::string_view text, size_t at, uint32_t& value) {
  if (at + 4 > text.size()) return false;
  value = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

// A code point that XML 1.0 allows in a document.
bool IsXmlChar(uint32_t code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}  // namespace

std::string EscapeJson(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHexDigits[(c >> 4) & 0xF];
          out += kHexDigits[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

bool UnescapeJson(std::string_view body, std::string& text) {
  text.clear();
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++i == body.size()) return false;
    switch (body[i]) {
      case '"':
        text += '"';
        break;
      case '\\':
        text += '\\';
        break;
      case '/':
        text += '/';
        break;
      case 'b':
        text += '\b';
        break;
      case 'f':
        text += '\f';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case 't':
        text += '\t';
        break;
      case 'u': {
        uint32_t code;
        if (!ReadHex4(body, i + 1, code)) return false;
        i += 4;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
          uint32_t low;
          if (i + 2 >= body.size() || body[i + 1] != '\\' || body[i + 2] != 'u' ||
              !ReadHex4(body, i + 3, low) || low < 0xDC00 || low > 0xDFFF) {
            return false;
          }
          i += 6;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(code, text);
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

std::string EscapeXml(std::string_view text, bool& fits) {
  fits = true;
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) fits = false;
        out += c;
    }
  }
  return out;
}

bool UnescapeXml(std::string_view value, std::string& text) {
  text.clear();
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '<' || c == '"') return false;
    if (c != '&') {
      text += c;
      continue;
    }
    const size_t end = value.find(';', i);
    if (end == std::string_view::npos || end - i > 12) return false;
    const std::string_view name = value.substr(i + 1, end - i - 1);
    i = end;
    if (name == "amp") {
      text += '&';
    } else if (name == "lt") {
      text += '<';
    } else if (name == "gt") {
      text += '>';
    } else if (name == "quot") {
      text += '"';
    } else if (name == "apos") {
      text += '\'';
    } else if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty()) return false;
      uint32_t code = 0;
      for (const char d : digits) {
        const int digit = hex ? HexValue(d) : (d >= '0' && d <= '9' ? d - '0' : -1);
        if (digit < 0) return false;
        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        if (code > 0x10FFFF) return false;
      }
      if (!IsXmlChar(code)) return false;
      AppendUtf8(code, text);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace compoundparser
