#include "engine/ElementParser.h"

#include "engine/DumpText.h"
#include "engine/MessageText.h"
#include "engine/TParserParam.h"
#include "host/HostError.h"
#include "host/Xml.h"
#include "host/XmlText.h"
#include "resources/StringTable.h"

namespace compoundparser {

ElementParser::ElementParser(std::string idArg, std::string defaultArg, int depthArg)
    : id(std::move(idArg)), depth(depthArg), defaultText(std::move(defaultArg)) {
  if (!id.empty() && !IsXmlName(id)) path = std::make_unique<XmlQuery>("./" + id);
}

ElementParser::~ElementParser() = default;

bool ElementParser::StoreValue(TParserParam& param) {
  if (id.empty()) return true;
  param.Builder().AppendElement(id, depth, param.fieldText, param.fieldRange, "\r\n");
  return true;
}

bool ElementParser::FetchValue(TParserParam& param) {
  if (id.empty()) return false;
  if (!param.currentNode) throw XmlError(kXmlErrorPointer, "no current node");
  XmlChildValue found = XmlChildValue::kNoElement;
  if (path == nullptr) {
    found = param.currentNode.FirstChildElementValue(id, param.fieldText);
  } else if (path->IsValid()) {
    // An id that makes no valid query selects nothing.
    const XmlNode node = path->First(param.currentNode);
    if (node && node.Type() == kXmlElement) found = node.FirstChildValue(param.fieldText);
  }
  switch (found) {
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
  param.ReportFailure(*this, FailureKind::kElementMissing, param.file.Position(), 0, id);
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
