// A choice: each child is an alternative, tried in order; the first that
// succeeds is taken, in both directions.
#pragma once

#include "engine/CompoundParser.h"

namespace compoundparser {

class RadioParser : public CompoundParser {
 public:
  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kRadio; }
};

}  // namespace compoundparser
