// The one door through which import adds to the instrument data document.
// Import never reads the document: nodes only open elements below the current
// node, append text, and close (attach) or drop what they opened. The first
// implementation builds a DOM (DomDocumentBuilder); a second one streams the
// same bytes as XML text (XmlStreamBuilder).
#pragma once

#include <string_view>

namespace compoundparser {

class DocumentBuilder {
 public:
  virtual ~DocumentBuilder() = default;
  // Opens an element `name` below the current node, preceded there by
  // `indent` text nodes of two spaces, and makes it current. Neither is part
  // of the document for good until CloseElement.
  virtual void OpenElement(std::string_view name, int indent) = 0;
  // Appends a text node to the current node.
  virtual void AppendText(std::string_view text) = 0;
  // Attaches the current element (and its indentation) to its parent and
  // makes the parent current again.
  virtual void CloseElement() = 0;
  // Discards the current element, everything below it and its indentation,
  // and makes the parent current again.
  virtual void DropElement() = 0;
};

}  // namespace compoundparser
