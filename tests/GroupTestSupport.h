// Helpers shared by the tests of the group model: one-line descriptions of
// the items of a group and of an element item.
#pragma once

#include <string>

#include "definitions/GroupDefinition.h"

namespace compoundparser {

// Describes the items of a group, one token each: E(id,width), L(text) for a
// plain literal, H(digits) for a hex literal.
inline std::string DescribeItems(const GroupDefinition& group) {
  std::string out;
  for (int i = 0; i < group.NumItems(); ++i) {
    if (!out.empty()) out += ' ';
    const ItemDefinition& item = group.GetItem(i);
    if (auto* field = dynamic_cast<const ElementDefinition*>(&item)) {
      out += "E(" + field->Id() + "," + std::to_string(field->Width()) + ")";
    } else if (auto* literal = dynamic_cast<const LiteralDefinition*>(&item)) {
      out += (literal->IsHex() ? "H(" : "L(") + literal->Text() + ")";
    } else {
      out += "?";
    }
  }
  return out;
}

// Describes every attribute of an element item: id/width/fill/align/sign/offset.
inline std::string DescribeElement(const ItemDefinition& item) {
  const auto& e = dynamic_cast<const ElementDefinition&>(item);
  return e.Id() + "/" + std::to_string(e.Width()) + "/" + e.Fill() + "/" +
         (e.IsAlignRight() ? "right" : "left") + "/" + (e.IsSign() ? "sign" : "-") + "/" +
         std::to_string(e.Offset());
}

}  // namespace compoundparser
