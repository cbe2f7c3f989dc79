#include "engine/TParserParam.h"

#include "engine/DomDocumentBuilder.h"

namespace compoundparser {

TParserParam::TParserParam() = default;

TParserParam::TParserParam(TParserCallBack* callBackArg) : callBack(callBackArg) {}

TParserParam::~TParserParam() = default;

DocumentBuilder& TParserParam::Builder() {
  if (builder_ != nullptr) return *builder_;
  if (!domBuilder_) domBuilder_ = std::make_unique<DomDocumentBuilder>(*this);
  return *domBuilder_;
}

}  // namespace compoundparser
