#include "engine/RadioParser.h"

#include "engine/MessageText.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool RadioParser::Read(TParserParam& param, unsigned long available) {
  for (const auto& child : children) {
    if (child->Read(param, available)) return true;
  }
  const uint32_t position = param.file.Position();
  param.ReportFailure(*this, FailureKind::kNoAlternative, position,
                      static_cast<uint32_t>(children.size()));
  TMessagePlace place{position, 0};
  const std::string text = FormatPlacedMessage(kMsgRadioNoElements, place.mentionEnd, position);
  param.MessageAt(kKindDetail, text, place);
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
