// A formatted field bound to a named data element: import appends the element
// (indented by `depth`), export takes the text of the first node that "./" + id
// selects below the current node (for a plain name, its first child element
// of that name, found without a query), or the default.
#pragma once

#include <memory>
#include <string>

#include "engine/FormatParser.h"

namespace compoundparser {

class XmlQuery;

class ElementParser : public FormatParser {
 public:
  // An `idArg` that is no plain element name is a path below the current
  // node ("Pos/N", "V[2]"), compiled here once.
  ElementParser(std::string idArg, std::string defaultArg, int depthArg);
  ~ElementParser() override;

  bool StoreValue(TParserParam& param) override;
  bool FetchValue(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kElement; }

  const std::string& Id() const { return id; }
  int Depth() const { return depth; }
  const std::string& Default() const { return defaultText; }

 private:
  std::string id;
  int depth;
  std::string defaultText;
  // Export: the query "./" + id when the id is a path (nullptr for a name).
  std::unique_ptr<XmlQuery> path;
};

}  // namespace compoundparser
