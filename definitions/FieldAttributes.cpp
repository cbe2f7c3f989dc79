#include "definitions/FieldAttributes.h"

#include "engine/NumberText.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

bool IsTrue(const std::optional<std::string>& value, const char* expected = "true") {
  return value && *value == expected;
}

}  // namespace

TFieldAttributes ReadFieldAttributes(const XmlNode& element) {
  TFieldAttributes read;
  if (auto width = element.GetAttribute("width")) read.width = CAtoi(*width);
  if (auto maxWidth = element.GetAttribute(Keyword(kKwMaxWidth))) read.maxWidth = CAtoi(*maxWidth);
  read.alignRight = IsTrue(element.GetAttribute("align"), "right");
  if (auto fill = element.GetAttribute("fill"); fill && !fill->empty()) read.fill = (*fill)[0];
  read.sign = IsTrue(element.GetAttribute("sign"));
  read.fillBeforeSign = IsTrue(element.GetAttribute(Keyword(kKwFillBeforeSign)));
  if (auto offset = element.GetAttribute("offset")) read.offset = CAtof(*offset);
  if (auto factor = element.GetAttribute("factor")) read.factor = CAtof(*factor);
  if (auto precision = element.GetAttribute("precision")) read.precision = CAtoi(*precision);
  if (auto type = element.GetAttribute("type")) {
    if (*type == Keyword(kKwDouble)) read.type = FormatParser::kTypeDouble;
    if (*type == Keyword(kKwDegree)) read.type = FormatParser::kTypeDegree;
  }
  if (auto exclude = element.GetAttribute(Keyword(kKwExcludeLiteralHex))) {
    read.excludeLiteralHex = DecodeHexText(*exclude);
  }
  if (auto escape = element.GetAttribute("escape")) {
    if (*escape == "json") read.escape = TextEscape::kJson;
    if (*escape == "xml") read.escape = TextEscape::kXml;
  }
  static const char* const kNames[] = {"id",     "default", "width",     "align", "fill",  "sign",
                                       "offset", "factor",  "precision", "type",  "escape"};
  for (const std::string& name : element.AttributeNames()) {
    bool known = name == Keyword(kKwMaxWidth) || name == Keyword(kKwFillBeforeSign) ||
                 name == Keyword(kKwExcludeLiteralHex);
    for (const char* field : kNames) known = known || name == field;
    if (!known) read.unknown.push_back(name);
  }
  return read;
}

void ApplyFieldAttributes(const TFieldAttributes& attributes, FormatParser& field) {
  if (attributes.width) field.SetWidth(*attributes.width);
  if (attributes.maxWidth) field.SetMaxWidth(*attributes.maxWidth);
  if (attributes.alignRight) field.SetAlign(true);
  if (attributes.fill) field.SetFill(*attributes.fill);
  if (attributes.sign) field.SetSign(true);
  if (attributes.fillBeforeSign) field.SetFillBeforeSign(true);
  if (attributes.offset) field.SetOffset(*attributes.offset);
  if (attributes.factor) field.SetFactor(*attributes.factor);
  if (attributes.precision) field.SetPrecision(*attributes.precision);
  if (attributes.type != FormatParser::kTypeNone) field.SetType(attributes.type);
  if (attributes.excludeLiteralHex) field.SetExcludeLiteralHex(*attributes.excludeLiteralHex);
  if (attributes.escape != TextEscape::kNone) field.SetEscape(attributes.escape);
}

}  // namespace compoundparser
