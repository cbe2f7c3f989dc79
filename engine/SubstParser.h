// A reference to a named substitute: runs the substitute's shared tree where
// it stands. The tree belongs to the substitute record, never to the reference.
#pragma once

#include <memory>
#include <string>

#include "engine/CompoundParser.h"

namespace compoundparser {

// A named substitute of a format definition; owns its tree.
struct TSubstitute {
  explicit TSubstitute(std::string idArg) : id(std::move(idArg)), tree(new CompoundParser) {}
  std::string id;
  std::unique_ptr<CompoundParser> tree;
};

class SubstParser : public Parser {
 public:
  SubstParser(Parser* targetArg, std::string nameArg = std::string())
      : target(targetArg), name(std::move(nameArg)) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  // Shows the reference by name only, so that a substitute used in many places
  // is not repeated.
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kSubst; }

  Parser* Target() const { return target; }
  const std::string& Name() const { return name; }

 private:
  Parser* target;  // not owned
  std::string name;
};

}  // namespace compoundparser
