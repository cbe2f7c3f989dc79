#include "engine/ElementParser.h"

#include "engine/DumpText.h"
#include "engine/MessageText.h"
#include "engine/ParseObserver.h"
#include "engine/TParserParam.h"
#include "host/HostError.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool ElementParser::StoreValue(TParserParam& param) {
  if (id.empty()) return true;
  DocumentBuilder& builder = param.Builder();
  builder.OpenElement(id, depth);
  builder.AppendText(param.fieldText);
  builder.CloseElement();
  builder.AppendText("\r\n");
  return true;
}

bool ElementParser::FetchValue(TParserParam& param) {
  if (id.empty()) return false;
  if (!param.currentNode) throw XmlError(kXmlErrorPointer, "no current node");
  switch (param.currentNode.FirstChildElementValue(id, param.fieldText)) {
    case XmlChildValue::kValue:
      return true;
    case XmlChildValue::kNoChild:
      throw XmlError(kXmlErrorPointer, "element '" + id + "' has no value");
    case XmlChildValue::kNoElement:
    case XmlChildValue::kNoValue:
      break;
  }
  if (!defaultText.empty()) {
    param.fieldText = defaultText;
    return true;
  }
  if (param.observer) {
    param.observer->OnFailure(param, *this, FailureKind::kElementMissing, param.file.Position(), 0,
                              id);
  }
  param.Message(kKindWarning, FormatMessageText(kMsgElementNotFound, id.c_str()));
  return false;
}

void ElementParser::DumpTo(std::string& out) const {
  out += "field[";
  out += id;
  out += '@';
  out += std::to_string(depth);
  DumpAttributes(out);
  if (!defaultText.empty()) {
    out += " def=";
    AppendQuoted(out, defaultText);
  }
  out += ']';
}

}  // namespace compoundparser
