#include "engine/OptionalParser.h"

namespace compoundparser {

bool OptionalParser::Read(TParserParam& param, unsigned long available) {
  CompoundParser::Read(param, available);
  return true;
}

bool OptionalParser::Write(TParserParam& param) {
  CompoundParser::Write(param);
  return true;
}

void OptionalParser::DumpTo(std::string& out) const {
  out += "opt";
  DumpChildren(out);
}

}  // namespace compoundparser
