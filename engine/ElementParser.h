// A formatted field bound to a named data element: import appends the element
// (indented by `depth`), export takes the text of the first element of that
// name below the current node, or the default.
#pragma once

#include <string>

#include "engine/FormatParser.h"

namespace compoundparser {

class ElementParser : public FormatParser {
 public:
  ElementParser(std::string idArg, std::string defaultArg, int depthArg)
      : id(std::move(idArg)), depth(depthArg), defaultText(std::move(defaultArg)) {}

  bool StoreValue(TParserParam& param) override;
  bool FetchValue(TParserParam& param) override;
  void DumpTo(std::string& out) const override;

  const std::string& Id() const { return id; }
  int Depth() const { return depth; }
  const std::string& Default() const { return defaultText; }

 private:
  std::string id;
  int depth;
  std::string defaultText;
};

}  // namespace compoundparser
