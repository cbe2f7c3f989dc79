#include "engine/DomDocumentBuilder.h"

#include "engine/TParserParam.h"

namespace compoundparser {

void DomDocumentBuilder::OpenElement(std::string_view name) {
  param_.currentNode = param_.currentNode.AppendElement(name);
}

void DomDocumentBuilder::AppendText(std::string_view text) { param_.currentNode.AppendText(text); }

void DomDocumentBuilder::CloseElement(int indent) {
  XmlNode element = param_.currentNode;
  XmlNode parent = element.Parent();
  for (int i = 0; i < indent; ++i) parent.InsertTextBefore(element, "  ");
  param_.currentNode = parent;
}

void DomDocumentBuilder::DropElement() {
  XmlNode element = param_.currentNode;
  XmlNode parent = element.Parent();
  parent.RemoveChild(element);
  param_.currentNode = parent;
}

}  // namespace compoundparser
