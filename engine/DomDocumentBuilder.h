// The document builder that adds DOM nodes below the context's currentNode and
// moves currentNode down and back as elements are opened and closed.
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
  TParserParam& param_;
  std::vector<int> indents_;  // of the open elements, innermost last
};

}  // namespace compoundparser
