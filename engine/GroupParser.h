// A stretch of the file that is one element of the document: import opens an
// element named `name` and attaches it indented by `depth`; export selects the
// first child element of that name and, for a repeated group, removes it when
// written so that the next pass finds the next one.
#pragma once

#include <string>

#include "engine/CompoundParser.h"

namespace compoundparser {

class GroupParser : public CompoundParser {
 public:
  GroupParser(std::string nameArg, bool repeatedNodeArg, bool skipWrongArg, int depthArg)
      : name(std::move(nameArg)),
        depth(depthArg),
        repeatedNode(repeatedNodeArg),
        skipWrong(skipWrongArg) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kGroup; }

  const std::string& Name() const { return name; }
  int Depth() const { return depth; }
  bool IsRepeatedNode() const { return repeatedNode; }
  bool IsSkipWrong() const { return skipWrong; }

 private:
  std::string name;
  int depth;
  bool repeatedNode;
  bool skipWrong;
};

}  // namespace compoundparser
