#include "engine/IfParser.h"

#include "engine/TParserParam.h"

namespace compoundparser {

bool IfParser::Read(TParserParam& param, unsigned long available) {
  if (param.vars.isValue(variable, value) != expected) return true;
  return CompoundParser::Read(param, available);
}

bool IfParser::Write(TParserParam& param) {
  if (param.vars.isValue(variable, value) != expected) return true;
  return CompoundParser::Write(param);
}

void IfParser::DumpTo(std::string& out) const {
  out += "if[" + variable + (expected ? "==" : "!=") + value + "]";
  DumpChildren(out);
}

}  // namespace compoundparser
