#include "engine/AssignParser.h"

#include "engine/TParserParam.h"

namespace compoundparser {

bool AssignParser::Read(TParserParam& param, unsigned long) {
  param.vars.Assign(variable, value);
  return true;
}

bool AssignParser::Write(TParserParam& param) {
  param.vars.Assign(variable, value);
  return true;
}

void AssignParser::DumpTo(std::string& out) const {
  out += "assign[" + variable + "=" + value + "]";
}

}  // namespace compoundparser
