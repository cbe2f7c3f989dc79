// A sequence of child nodes, and the base of every composite. Owns its
// children and destroys them from the last to the first.
#pragma once

#include <memory>
#include <vector>

#include "engine/Parser.h"

namespace compoundparser {

class CompoundParser : public Parser {
 public:
  CompoundParser() = default;
  ~CompoundParser() override;
  CompoundParser(const CompoundParser&) = delete;
  CompoundParser& operator=(const CompoundParser&) = delete;

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kSequence; }
  size_t NumChildren() const override { return children.size(); }
  const Parser* Child(size_t i) const override { return children[i].get(); }

  // Appends a child; the sequence owns it from now on.
  void Append(std::unique_ptr<Parser> child);

 protected:
  // Appends "{child child ...}" to `out`.
  void DumpChildren(std::string& out) const;

  std::vector<std::unique_ptr<Parser>> children;
};

}  // namespace compoundparser
