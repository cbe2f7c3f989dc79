// Runs its children only when the test of a variable against a value gives
// `expected` (compare="true": while it holds the value; otherwise while not).
#pragma once

#include <string>

#include "engine/CompoundParser.h"

namespace compoundparser {

class IfParser : public CompoundParser {
 public:
  IfParser(std::string variableArg, std::string valueArg, bool expectedArg)
      : variable(std::move(variableArg)), expected(expectedArg), value(std::move(valueArg)) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kIf; }

  const std::string& Variable() const { return variable; }
  const std::string& Value() const { return value; }
  // Returns true when the children run while the variable holds the value.
  bool Expected() const { return expected; }

 private:
  std::string variable;
  bool expected;
  std::string value;
};

}  // namespace compoundparser
