// The attributes of a field node (element or count) of a definition, read in
// one place for the tree builder and for the group editing model. Attributes
// are matched by their whole name: `widthX` is not `width`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/FormatParser.h"
#include "host/Xml.h"

namespace compoundparser {

struct TFieldAttributes {
  std::optional<int> width;
  std::optional<int> maxWidth;  // MaxWidth
  bool alignRight = false;      // align="right"
  std::optional<char> fill;     // the first character of a non-empty fill
  bool sign = false;
  bool fillBeforeSign = false;
  std::optional<double> offset;
  std::optional<double> factor;
  std::optional<int> precision;
  char type = FormatParser::kTypeNone;           // type="double" or "degree"
  std::optional<std::string> excludeLiteralHex;  // decoded
  TextEscape escape = TextEscape::kNone;
  // The attributes of the node that a field does not know (not `id`,
  // `default` or one of the above), in document order.
  std::vector<std::string> unknown;
};

// Reads the field attributes of `element`.
TFieldAttributes ReadFieldAttributes(const XmlNode& element);
// Gives `field` the attributes read.
void ApplyFieldAttributes(const TFieldAttributes& attributes, FormatParser& field);

}  // namespace compoundparser
