#include "engine/CountParser.h"

#include "engine/NumberText.h"
#include "engine/TParserParam.h"
#include "host/HostError.h"

namespace compoundparser {

CountParser::CountParser(std::string idArg) : id(std::move(idArg)), query("./" + id) {}

bool CountParser::StoreValue(TParserParam&) { return true; }

bool CountParser::FetchValue(TParserParam& param) {
  if (!param.currentNode) throw XmlError(kXmlErrorPointer, "no current node");
  param.fieldText = FormatLong(static_cast<long>(query.Count(param.currentNode)));
  return true;
}

void CountParser::DumpTo(std::string& out) const {
  out += "count[";
  out += id;
  DumpAttributes(out);
  out += ']';
}

}  // namespace compoundparser
