#include "engine/CompoundParser.h"

#include <cstdint>

#include "engine/TParserParam.h"

namespace compoundparser {

CompoundParser::~CompoundParser() {
  while (!children.empty()) children.pop_back();
}

void CompoundParser::Append(std::unique_ptr<Parser> child) { children.push_back(std::move(child)); }

bool CompoundParser::Read(TParserParam& param, unsigned long available) {
  if (children.empty()) {
    param.Message(kKindError, "CompoundParser: No Parsers");
    return false;
  }
  const uint32_t start = param.file.Position();
  param.Progress(param.file.Length(), start);
  const uint32_t budget = static_cast<uint32_t>(available);
  for (const auto& child : children) {
    const uint32_t used = param.file.Position() - start;
    if (!child->Read(param, static_cast<uint32_t>(budget - used))) {
      param.file.Seek(start);
      return false;
    }
  }
  return true;
}

bool CompoundParser::Write(TParserParam& param) {
  if (children.empty()) return false;
  const uint32_t length = param.file.Length();
  for (const auto& child : children) {
    if (!child->Write(param)) {
      param.file.SetLength(length);
      return false;
    }
  }
  return true;
}

void CompoundParser::DumpChildren(std::string& out) const {
  out += '{';
  for (size_t i = 0; i < children.size(); ++i) {
    if (i > 0) out += ' ';
    children[i]->DumpTo(out);
  }
  out += '}';
}

void CompoundParser::DumpTo(std::string& out) const {
  out += "seq";
  DumpChildren(out);
}

}  // namespace compoundparser
