// Sets a variable of the run whenever it is passed, in both directions.
#pragma once

#include <string>

#include "engine/Parser.h"

namespace compoundparser {

class AssignParser : public Parser {
 public:
  AssignParser(std::string variable, std::string value)
      : variable(std::move(variable)), value(std::move(value)) {}

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void Dump(std::string& out) const override;

 private:
  std::string variable;
  std::string value;
};

}  // namespace compoundparser
