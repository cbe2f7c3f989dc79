// A stretch of variable length that ends at a terminator: the first child reads
// exactly the bytes before the terminator, the second is the terminator.
#pragma once

#include <cstdint>

#include "engine/CompoundParser.h"

namespace compoundparser {

class TerminatedParser : public CompoundParser {
 public:
  explicit TerminatedParser(int32_t maxWidthArg = 0) : maxWidth(maxWidthArg) {}

  bool Read(TParserParam& param, unsigned long available) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kTerminated; }

  int32_t MaxWidth() const { return maxWidth; }

 private:
  int32_t maxWidth;
};

}  // namespace compoundparser
