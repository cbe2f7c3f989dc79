#include "engine/GroupParser.h"

#include <utility>

#include "engine/TParserParam.h"

namespace compoundparser {

bool GroupParser::Read(TParserParam& param, unsigned long available) {
  if (name.empty()) return CompoundParser::Read(param, available);
  DocumentBuilder& builder = param.Builder();
  builder.OpenElement(name, depth);
  builder.AppendText("\r\n");
  if (!CompoundParser::Read(param, available)) {
    builder.DropElement();
    return false;
  }
  for (int i = 0; i < depth; ++i) builder.AppendText("  ");
  builder.CloseElement();
  builder.AppendText("\r\n");
  return true;
}

bool GroupParser::Write(TParserParam& param) {
  if (name.empty()) return CompoundParser::Write(param);
  XmlNode parent = param.currentNode;
  XmlNode found = parent.FirstChildElement(name);
  if (!found) return false;
  param.currentNode = found;
  const bool written = CompoundParser::Write(param);
  if (written || (skipWrong && repeatedNode)) {
    if (repeatedNode) {
      param.currentNode = parent;
      parent.RemoveChild(found);
      ++param.removedCount;
      param.ReportRemoved(parent, name);
      if (written) {
        const int32_t before = param.writtenCount++;
        param.Progress(static_cast<unsigned long>(param.totalCount),
                       static_cast<unsigned long>(before));
      }
    }
    param.currentNode = std::move(parent);
    return true;
  }
  param.currentNode = std::move(parent);
  return false;
}

void GroupParser::DumpTo(std::string& out) const {
  out += "group[";
  out += name;
  out += '@';
  out += std::to_string(depth);
  if (repeatedNode) out += " rep";
  if (skipWrong) out += " skip";
  out += ']';
  DumpChildren(out);
}

}  // namespace compoundparser
