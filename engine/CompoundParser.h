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

  // Appends a child; the sequence owns it from now on.
  void Append(std::unique_ptr<Parser> child);
  size_t NumChildren() const { return children.size(); }
  Parser* Child(size_t i) const { return children[i].get(); }

 protected:
  // Appends "{child child ...}" to `out`.
  void DumpChildren(std::string& out) const;

  std::vector<std::unique_ptr<Parser>> children;
};

}  // namespace compoundparser
