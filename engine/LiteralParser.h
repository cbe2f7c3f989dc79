// Fixed bytes: matched on import, written on export. With an element name it
// records itself in the document on import and is written on export only when
// the document holds its text. FindAhead locates it for a terminated part.
#pragma once

#include <string>

#include "engine/Parser.h"

namespace compoundparser {

class LiteralParser : public Parser {
 public:
  // `text` is decoded pair by pair when `hex` is set.
  LiteralParser(const std::string& text, std::string elementName, std::string elementText, bool hex,
                bool readOnly);

  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  void DumpTo(std::string& out) const override;
  TNodeKind Kind() const override { return TNodeKind::kLiteral; }
  // Moves the file position to the first occurrence of the literal that lies
  // within the next `width` bytes and returns true; otherwise leaves the
  // position and returns false. Touches neither the document nor lastError.
  bool FindAhead(TParserParam& param, unsigned long width);

  const std::string& Literal() const { return literal; }
  const std::string& ElementName() const { return elementName; }
  const std::string& ElementText() const { return elementText; }
  bool IsReadOnly() const { return readOnly; }

 private:
  std::string literal;
  std::string elementName;
  std::string elementText;
  bool readOnly;
};

}  // namespace compoundparser
