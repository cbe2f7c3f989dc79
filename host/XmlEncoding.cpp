#include "host/XmlEncoding.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <utility>
#include <vector>

#include "host/XmlText.h"

namespace compoundparser {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string UpperKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c != '-' && c != '_') key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key;
}

// Returns the encoding named by the declaration at the start of `bytes`
// (8-bit text), or "" when there is none; `offset` gets its position.
std::string DeclaredEncoding(std::string_view bytes, size_t& offset) {
  if (!StartsWith(bytes, "<?xml") || bytes.size() < 6 ||
      !IsXmlSpace(static_cast<unsigned char>(bytes[5]))) {
    return std::string();
  }
  const size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return std::string();
  std::vector<std::pair<std::string, std::string>> attributes;
  if (!ParsePseudoAttributes(bytes.substr(5, end - 5), attributes)) return std::string();
  for (const auto& attribute : attributes) {
    if (attribute.first == "encoding") {
      offset = bytes.find("encoding");
      return attribute.second;
    }
  }
  return std::string();
}

// Converts `bytes` from `encoding` to UTF-8; false with a problem on failure.
bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out,
                   XmlProblem& problem) {
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    problem.reason = "The encoding '" + encoding + "' is not supported";
    return false;
  }
  out.assign(bytes.size() * 3 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = &out[0];
  size_t outLeft = out.size();
  bool ok = true;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      const size_t done = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = &out[done];
      outLeft = out.size() - done;
      continue;
    }
    problem.offset = bytes.size() - inLeft;
    problem.reason = "The text is not valid in the encoding '" + encoding + "'";
    ok = false;
    break;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return ok;
}

}  // namespace

bool XmlBytesToUtf8(std::string_view bytes, XmlUtf8Text& text, XmlProblem& problem) {
  text = XmlUtf8Text();
  struct Signature {
    const char* bytes;
    size_t size;
    const char* encoding;
    size_t bom;
  };
  static const Signature kSignatures[] = {
      {"\x00\x00\xFE\xFF", 4, "UTF-32BE", 4}, {"\xFF\xFE\x00\x00", 4, "UTF-32LE", 4},
      {"\xFE\xFF", 2, "UTF-16BE", 2},         {"\xFF\xFE", 2, "UTF-16LE", 2},
      {"\x00\x00\x00<", 4, "UTF-32BE", 0},    {"<\x00\x00\x00", 4, "UTF-32LE", 0},
      {"\x00<\x00?", 4, "UTF-16BE", 0},       {"<\x00?\x00", 4, "UTF-16LE", 0},
  };
  for (const Signature& s : kSignatures) {
    if (StartsWith(bytes, std::string_view(s.bytes, s.size))) {
      text.converted = true;
      const bool ok = ConvertToUtf8(bytes.substr(s.bom), s.encoding, text.storage, problem);
      text.view = text.storage;
      return ok;
    }
  }
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    text.skipped = 3;
    bytes.remove_prefix(3);
  }
  size_t at = 0;
  const std::string encoding = DeclaredEncoding(bytes, at);
  const std::string key = UpperKey(encoding);
  if (encoding.empty() || key == "UTF8" || key == "UTF16" || key == "UTF32" || key == "USASCII" ||
      key == "ASCII") {
    text.view = bytes;
    return true;
  }
  text.converted = true;
  if (!ConvertToUtf8(bytes, encoding, text.storage, problem)) {
    if (problem.offset == 0) problem.offset = at;
    problem.offset += text.skipped;
    return false;
  }
  text.view = text.storage;
  return true;
}

}  // namespace compoundparser
