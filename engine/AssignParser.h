// Sets a variable of the run whenever it is passed, in both directions.
#pragma once

#include <string>

#include "engine/Parser.h"

namespace compoundparser {

class AssignParser : public Parser {
 public:
  AssignParser(std::string variableArg, std::string valueArg)
      : variable(std::move(variableArg)), value(std::move(valueArg)) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kAssign; }

  const std::string& Variable() const { return variable; }
  const std::string& Value() const { return value; }

 private:
  std::string variable;
  std::string value;
};

}  // namespace compoundparser
