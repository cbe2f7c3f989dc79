#include "engine/RepeatParser.h"

#include "engine/MessageText.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool RepeatParser::Read(TParserParam& param, unsigned long available) {
  uint32_t remaining = static_cast<uint32_t>(available);
  uint32_t passStart = param.file.Position();
  while (remaining != 0) {
    if (!CompoundParser::Read(param, remaining)) return true;
    const uint32_t consumed = param.file.Position() - passStart;
    if (consumed == 0) {
      param.Message(kKindError, LoadMessageText(kMsgInfinityLooping));
      return false;
    }
    remaining -= consumed;
    passStart = param.file.Position();
  }
  return true;
}

bool RepeatParser::Write(TParserParam& param) {
  // Without a practical limit, a pass that removes nothing from the document
  // and changes no variable would be written again and again identically, so
  // the repetition ends after it. An explicit write count is honoured as given.
  const bool unlimited = writeCount <= 0 || writeCount == kNoWriteLimit;
  int64_t passesLeft = writeCount;
  for (;;) {
    const uint64_t removedBefore = param.removedCount;
    const unsigned long long varsBefore = param.vars.version();
    if (!CompoundParser::Write(param)) return true;
    if (--passesLeft == 0) return true;
    if (unlimited && param.removedCount == removedBefore && param.vars.version() == varsBefore) {
      return true;
    }
  }
}

void RepeatParser::DumpTo(std::string& out) const {
  out += "repeat";
  if (writeCount != kNoWriteLimit) out += "[" + std::to_string(writeCount) + "]";
  DumpChildren(out);
}

}  // namespace compoundparser
