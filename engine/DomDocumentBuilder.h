// The document builder that adds DOM nodes below the context's currentNode and
// moves currentNode down and back as elements are opened and closed.
#pragma once

#include "engine/DocumentBuilder.h"

namespace compoundparser {

class TParserParam;

class DomDocumentBuilder : public DocumentBuilder {
 public:
  explicit DomDocumentBuilder(TParserParam& param) : param_(param) {}
  void OpenElement(std::string_view name) override;
  void AppendText(std::string_view text) override;
  void CloseElement(int indent) override;
  void DropElement() override;

 private:
  TParserParam& param_;
};

}  // namespace compoundparser
