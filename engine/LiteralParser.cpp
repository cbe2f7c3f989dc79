#include "engine/LiteralParser.h"

#include <cstring>
#include <string_view>

#include "engine/DumpText.h"
#include "engine/MessageText.h"
#include "engine/NumberText.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

LiteralParser::LiteralParser(const std::string& text, std::string elementNameArg,
                             std::string elementTextArg, bool hex, bool readOnlyArg)
    : literal(hex ? DecodeHexText(text) : text),
      elementName(std::move(elementNameArg)),
      elementText(std::move(elementTextArg)),
      readOnly(readOnlyArg) {}

bool LiteralParser::Read(TParserParam& param, unsigned long available) {
  if (literal.size() > available) {
    param.ReportFailure(*this, FailureKind::kLiteralNotFound, param.file.Position(),
                        static_cast<uint32_t>(available), literal);
    return false;
  }
  DataFile& file = param.file;
  const uint32_t start = file.Position();
  const uint64_t end = static_cast<uint64_t>(start) + literal.size();
  // Literals are a byte or two: compared here, not through a call.
  bool matches = end <= file.Length();
  const char* const at = matches ? file.Data() + start : nullptr;
  for (size_t k = 0; matches && k < literal.size(); ++k) matches = at[k] == literal[k];
  if (!matches) {
    param.lastError.SetLiteralNotFound(start, literal);
    param.ReportFailure(*this, FailureKind::kLiteralNotFound, start,
                        static_cast<uint32_t>(literal.size()), literal);
    return false;
  }
  file.Seek(static_cast<uint32_t>(end));
  if (!elementName.empty()) {
    param.Builder().AppendElement(elementName, 0, elementText.empty() ? literal : elementText,
                                  TByteRange{start, static_cast<uint32_t>(end)}, "\r\n");
  }
  return true;
}

bool LiteralParser::Write(TParserParam& param) {
  if (readOnly) return false;
  if (!elementName.empty()) {
    XmlNode element = param.currentNode.FirstChildElement(elementName);
    if (!element) return false;
    XmlNode text = element.FirstChild();
    while (text && text.Type() != kXmlText) text = text.NextSibling();
    if (!text) return false;
    if (*text.Value() != (elementText.empty() ? literal : elementText)) return false;
  }
  param.file.Write(literal.data(), static_cast<uint32_t>(literal.size()));
  return true;
}

bool LiteralParser::FindAhead(TParserParam& param, unsigned long width) {
  DataFile& file = param.file;
  const uint32_t start = file.Position();
  const uint64_t end = std::min<uint64_t>(static_cast<uint64_t>(start) + width, file.Length());
  if (end < static_cast<uint64_t>(start) + literal.size()) return false;
  const char* base = file.Data() + start;
  const size_t span = static_cast<size_t>(end - start);
  // Terminators are short: a search for their first byte (memchr) beats memmem.
  const size_t hit = std::string_view(base, span).find(literal);
  if (hit == std::string_view::npos) return false;
  file.Seek(start + static_cast<uint32_t>(hit));
  return true;
}

void LiteralParser::DumpTo(std::string& out) const {
  if (readOnly) out += "ro";
  out += "lit";
  AppendQuoted(out, literal);
  if (!elementName.empty()) {
    out += '[';
    out += elementName;
    if (!elementText.empty()) {
      out += '=';
      out += elementText;
    }
    out += ']';
  }
}

}  // namespace compoundparser
