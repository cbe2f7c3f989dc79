// The one door through which import adds to the instrument data document.
// Import never reads the document: nodes only open elements below the current
// node, append text, and close (attach) or drop what they opened. The first
// implementation builds a DOM (DomDocumentBuilder); a second one can stream
// the same bytes as XML text.
#pragma once

#include <string_view>

namespace compoundparser {

class DocumentBuilder {
 public:
  virtual ~DocumentBuilder() = default;
  // Opens an element `name` below the current node and makes it current. It is
  // not part of the document until CloseElement.
  virtual void OpenElement(std::string_view name) = 0;
  // Appends a text node to the current node.
  virtual void AppendText(std::string_view text) = 0;
  // Attaches the current element to its parent, preceded there by `indent`
  // text nodes of two spaces, and makes the parent current again.
  virtual void CloseElement(int indent) = 0;
  // Discards the current element with everything below it and makes the
  // parent current again.
  virtual void DropElement() = 0;
};

}  // namespace compoundparser
