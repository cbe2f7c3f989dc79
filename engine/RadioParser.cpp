#include "engine/RadioParser.h"

#include "engine/MessageText.h"
#include "engine/ParseObserver.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool RadioParser::Read(TParserParam& param, unsigned long available) {
  for (const auto& child : children) {
    if (child->Read(param, available)) return true;
  }
  if (param.observer) {
    param.observer->OnFailure(param, *this, FailureKind::kNoAlternative, param.file.Position(),
                              static_cast<uint32_t>(children.size()), {});
  }
  param.Message(kKindDetail, FormatMessageText(kMsgRadioNoElements, param.file.Position()));
  return false;
}

bool RadioParser::Write(TParserParam& param) {
  for (const auto& child : children) {
    if (child->Write(param)) return true;
  }
  return false;
}

void RadioParser::DumpTo(std::string& out) const {
  out += "radio";
  DumpChildren(out);
}

}  // namespace compoundparser
