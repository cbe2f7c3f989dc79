// A stretch that may be absent: succeeds whatever its sequence does.
#pragma once

#include "engine/CompoundParser.h"

namespace compoundparser {

class OptionalParser : public CompoundParser {
 public:
  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kOptional; }
};

}  // namespace compoundparser
