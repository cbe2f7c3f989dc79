#include "engine/DomDocumentBuilder.h"

#include <string>

#include "engine/TParserParam.h"

namespace compoundparser {

void DomDocumentBuilder::Append(std::string_view text) {
  XmlNode& current = param_.currentNode;
  XmlNode last = text.empty() ? XmlNode() : current.LastChild();
  if (last && last.Type() == kXmlText) {
    last.SetValue(last.Value().value_or(std::string()).append(text));
  } else {
    current.AppendText(text);
  }
}

void DomDocumentBuilder::OpenElement(std::string_view name, int indent) {
  XmlNode& current = param_.currentNode;
  // A new element is appended at once (the DOM cannot hold a detached one);
  // DropElement takes it out again with its indentation.
  if (indent > 0) Append(std::string(static_cast<size_t>(indent) * 2, ' '));
  current = current.AppendElement(name);
  indents_.push_back(indent > 0 ? indent : 0);
}

void DomDocumentBuilder::AppendText(std::string_view text) { Append(text); }

void DomDocumentBuilder::CloseElement() {
  indents_.pop_back();
  param_.currentNode = param_.currentNode.Parent();
}

void DomDocumentBuilder::DropElement() {
  XmlNode element = param_.currentNode;
  XmlNode parent = element.Parent();
  const size_t indentation = static_cast<size_t>(indents_.back()) * 2;
  indents_.pop_back();
  if (indentation > 0) {
    // The indentation ends the text before the element.
    XmlNode before = element.PreviousSibling();
    std::string text = before.Value().value_or(std::string());
    text.resize(text.size() > indentation ? text.size() - indentation : 0);
    if (text.empty()) {
      parent.RemoveChild(before);
    } else {
      before.SetValue(text);
    }
  }
  parent.RemoveChild(element);
  param_.currentNode = parent;
}

}  // namespace compoundparser
