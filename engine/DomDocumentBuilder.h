// The document builder that adds DOM nodes below the context's currentNode and
// moves currentNode down and back as elements are opened and closed. Text next
// to text joins it, as the same document written as XML and read back holds
// it: a line end and the indentation after it are one text node.
#pragma once

#include <vector>

#include "engine/DocumentBuilder.h"

namespace compoundparser {

class TParserParam;

class DomDocumentBuilder : public DocumentBuilder {
 public:
  explicit DomDocumentBuilder(TParserParam& param) : param_(param) {}
  void OpenElement(std::string_view name, int indent) override;
  void AppendText(std::string_view text) override;
  void CloseElement() override;
  void DropElement() override;

 private:
  // Appends `text` to the current node, joining a text node that ends it.
  void Append(std::string_view text);

  TParserParam& param_;
  std::vector<int> indents_;  // of the open elements, innermost last
};

}  // namespace compoundparser
