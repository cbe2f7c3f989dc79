#include "host/XmlText.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "host/ByteScan.h"
#include "host/CodePage.h"
#include "host/HostError.h"

namespace compoundparser {
namespace {

[[noreturn]] void BadCharacter(unsigned char c, size_t offset) {
  throw XmlError(kXmlErrorInvalidArg,
                 "Character " + std::to_string(c) + " at offset " + std::to_string(offset) +
                     " cannot be held in an XML document",
                 XmlTextFault::kBadCharacter, offset);
}

}  // namespace

bool IsXmlName(std::string_view name) {
  bool valid = !name.empty() && IsXmlNameStart(static_cast<unsigned char>(name[0]));
  for (size_t i = 1; valid && i < name.size(); ++i) {
    valid = IsXmlNameByte(static_cast<unsigned char>(name[i]));
  }
  return valid;
}

void CheckXmlName(std::string_view name, const char* what) {
  if (!IsXmlName(name)) {
    throw XmlError(kXmlErrorInvalidArg,
                   std::string("Invalid ") + what + " name '" + std::string(name) + "'");
  }
}

size_t ControlCharacterOffset(std::string_view text) {
  const size_t at = FindControlByte(text.data(), 0, text.size());
  return at == text.size() ? std::string_view::npos : at;
}

void CheckXmlText(std::string_view text) {
  const size_t bad = ControlCharacterOffset(text);
  if (bad != std::string_view::npos) BadCharacter(static_cast<unsigned char>(text[bad]), bad);
}

DocumentText::DocumentText(std::string_view narrow) {
  if (CodePageIsUtf8()) {
    // Plain ASCII needs no further check; anything else must be valid UTF-8.
    size_t i = 0;
    while (i < narrow.size()) {
      const unsigned char c = static_cast<unsigned char>(narrow[i]);
      if (c >= 0x20 && c < 0x80) {
        ++i;
      } else if (c == '\t' || c == '\r' || c == '\n') {
        ++i;
      } else if (c < 0x20) {
        BadCharacter(c, i);
      } else {
        CheckUtf8(narrow);
        const size_t bad = ControlCharacterOffset(narrow.substr(i));
        if (bad != std::string_view::npos) {
          BadCharacter(static_cast<unsigned char>(narrow[i + bad]), i + bad);
        }
        break;
      }
    }
    view_ = narrow;
  } else {
    storage_ = NarrowToUtf8(narrow);
    try {
      CheckXmlText(storage_);
    } catch (const XmlError& error) {
      // The offset counts bytes of the converted text, not of the narrow one.
      throw XmlError(error.Code(), error.what());
    }
    view_ = storage_;
  }
}

namespace {

// Returns the reference that stands for `c` in saved text or attribute values,
// or nullptr when `c` is written as it is. Other control characters never
// reach a document (CheckXmlText), but are written as references all the same.
const char* Reference(char c, bool attribute, bool rawCarriageReturn) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return attribute ? nullptr : "&gt;";
    case '"':
      return attribute ? "&quot;" : nullptr;
    case '\r':
      return rawCarriageReturn ? nullptr : "&#13;";
    case '\n':
      return attribute ? "&#10;" : nullptr;
    case '\t':
      return attribute ? "&#9;" : nullptr;
    default:
      return nullptr;
  }
}

// For each byte and each way of writing (text, text with raw carriage
// returns, attribute value): whether it is written other than as it is.
struct EscapedBytes {
  bool of[3][256] = {};
  EscapedBytes() {
    for (int way = 0; way < 3; ++way) {
      for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        of[way][c] = Reference(byte, way == 2, way == 1) != nullptr ||
                     (c < 0x20 && byte != '\t' && byte != '\n' && byte != '\r');
      }
    }
  }
};
const EscapedBytes kEscapedBytes;

void AppendEscaped(BufferedOutput& out, std::string_view text, bool attribute, bool rawReturns) {
  const bool* escaped = kEscapedBytes.of[attribute ? 2 : rawReturns ? 1 : 0];
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned char byte = static_cast<unsigned char>(c);
    if (!escaped[byte]) continue;
    const char* reference = Reference(c, attribute, rawReturns);
    std::string numeric;
    if (reference == nullptr) {
      numeric = "&#" + std::to_string(byte) + ";";
      reference = numeric.c_str();
    }
    out.Append(text.data() + from, i - from);
    out.Append(std::string_view(reference));
    from = i + 1;
  }
  out.Append(text.data() + from, text.size() - from);
}

}  // namespace

void AppendEscapedXmlText(BufferedOutput& out, std::string_view text, bool rawCarriageReturns) {
  AppendEscaped(out, text, false, rawCarriageReturns);
}

void AppendEscapedXmlAttribute(BufferedOutput& out, std::string_view text) {
  AppendEscaped(out, text, true, false);
}

bool IsXmlWhiteSpace(std::string_view text) {
  constexpr uint64_t kSpaces = (1ull << ' ') | (1ull << '\t') | (1ull << '\r') | (1ull << '\n');
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte > ' ' || ((kSpaces >> byte) & 1) == 0) return false;
  }
  return true;
}

}  // namespace compoundparser
