// A formatted field whose exported value is the number of nodes that a relative
// path matches below the current node. Its imported value is dropped.
#pragma once

#include <string>

#include "engine/FormatParser.h"
#include "host/Xml.h"

namespace compoundparser {

class CountParser : public FormatParser {
 public:
  explicit CountParser(std::string id);

  bool StoreValue(TParserParam& param) override;
  bool FetchValue(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kCount; }

  const std::string& Id() const { return id; }

 private:
  std::string id;
  XmlQuery query;  // "./" + id, compiled once
};

}  // namespace compoundparser
