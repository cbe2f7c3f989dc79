#include "engine/DomDocumentBuilder.h"

#include "engine/TParserParam.h"

namespace compoundparser {

void DomDocumentBuilder::OpenElement(std::string_view name, int indent) {
  XmlNode& current = param_.currentNode;
  // A new element is appended at once (the DOM cannot hold a detached one);
  // DropElement takes it out again with its indentation.
  for (int i = 0; i < indent; ++i) current.AppendText("  ");
  current = current.AppendElement(name);
  indents_.push_back(indent > 0 ? indent : 0);
}

void DomDocumentBuilder::AppendText(std::string_view text) { param_.currentNode.AppendText(text); }

void DomDocumentBuilder::CloseElement() {
  indents_.pop_back();
  param_.currentNode = param_.currentNode.Parent();
}

void DomDocumentBuilder::DropElement() {
  XmlNode element = param_.currentNode;
  XmlNode parent = element.Parent();
  for (int i = indents_.back(); i > 0; --i) parent.RemoveChild(element.PreviousSibling());
  indents_.pop_back();
  parent.RemoveChild(element);
  param_.currentNode = parent;
}

}  // namespace compoundparser
