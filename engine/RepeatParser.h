// A stretch that occurs any number of times. Import repeats while passes
// succeed and consume bytes; export repeats until a pass fails, `writeCount`
// passes were written, or a pass would write the same element again.
#pragma once

#include <cstdint>

#include "engine/CompoundParser.h"

namespace compoundparser {

class RepeatParser : public CompoundParser {
 public:
  static constexpr int32_t kNoWriteLimit = 2147483647;
  explicit RepeatParser(int32_t writeCountArg = kNoWriteLimit) : writeCount(writeCountArg) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kRepeat; }

  int32_t WriteCount() const { return writeCount; }

 private:
  int32_t writeCount;
};

}  // namespace compoundparser
