#include "engine/SubstParser.h"

#include "engine/MessageText.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool SubstParser::Read(TParserParam& param, unsigned long available) {
  if (target == nullptr) {
    param.Message(kKindError, LoadMessageText(kMsgSubstituteNull));
    return false;
  }
  return target->Read(param, available);
}

bool SubstParser::Write(TParserParam& param) {
  if (target == nullptr) {
    param.Message(kKindError, LoadMessageText(kMsgSubstituteNull));
    return false;
  }
  return target->Write(param);
}

void SubstParser::DumpTo(std::string& out) const { out += "subst[" + name + "]"; }

}  // namespace compoundparser
