#include "engine/RadioParser.h"

#include "engine/MessageText.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool RadioParser::Read(TParserParam& param, unsigned long available) {
  for (const auto& child : children) {
    if (child->Read(param, available)) return true;
  }
  param.callBack->OnMessage(kKindDetail,
                            FormatMessageText(kMsgRadioNoElements, param.file.Position()));
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
