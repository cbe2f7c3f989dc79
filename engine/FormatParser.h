// One formatted field of a record: width, padding, alignment, sign, factor and
// offset, decimals, a type check, struck bytes and the escapes of JSON or XML text.
// Where the value lives in the document is left to the subclasses through
// StoreValue and FetchValue.
#pragma once

#include <string>

#include "engine/Parser.h"
#include "engine/TextEscape.h"

namespace compoundparser {

class FormatParser : public Parser {
 public:
  // Value types of a field.
  enum : char { kTypeNone = 0, kTypeDouble = 'd', kTypeDegree = 'g' };

  ~FormatParser() override = default;
  bool Read(TParserParam& param, unsigned long available) override;
  bool Write(TParserParam& param) override;
  virtual bool StoreValue(TParserParam& param) = 0;
  virtual bool FetchValue(TParserParam& param) = 0;

  void SetWidth(int value) { width = value; }
  void SetMaxWidth(int value) { MaxWidth = value; }
  void SetFill(char value) { fill = value; }
  void SetAlign(bool right) { align = right; }
  void SetSign(bool value) { sign = value; }
  void SetOffset(double value) { offset = value; }
  void SetFactor(double value) { factor = value; }
  void SetPrecision(int value) { precision = value; }
  void SetType(char value) { type = value; }
  void SetFillBeforeSign(bool value) { FillBeforeSign = value; }
  void SetExcludeLiteralHex(const std::string& bytes) { ExcludeLiteralHex = bytes; }
  void SetEscape(TextEscape value) { escape = value; }

  int Width() const { return width; }
  int GetMaxWidth() const { return MaxWidth; }
  char Fill() const { return fill; }
  bool IsAlignRight() const { return align; }
  bool IsSign() const { return sign; }
  double Offset() const { return offset; }
  double Factor() const { return factor; }
  int Precision() const { return precision; }
  char Type() const { return type; }
  bool IsFillBeforeSign() const { return FillBeforeSign; }
  const std::string& GetExcludeLiteralHex() const { return ExcludeLiteralHex; }
  TextEscape Escape() const { return escape; }

  // Returns true when `text` is a number: digits with at most one decimal
  // separator (".", "," or the locale's), an optional exponent, signs where
  // they may stand, spaces and tabs anywhere.
  static bool IsNumber(const std::string& text, bool allowMinus);
  // Returns true when `text` reads as an angle in degrees, minutes, seconds and
  // a fraction, with minutes and seconds below 60; `value` gets the angle.
  static bool IsAngle(const std::string& text, double* value = nullptr);

 protected:
  FormatParser() = default;
  // Appends the field attributes that differ from the defaults, as " w=8 right".
  void DumpAttributes(std::string& out) const;

 private:
  bool NumericActive() const { return offset != 0.0 || factor != 0.0 || precision >= 0; }

  int width = 0;
  int MaxWidth = 0;
  char fill = ' ';
  bool align = false;
  bool sign = false;
  double offset = 0.0;
  double factor = 0.0;
  int precision = -1;
  char type = kTypeNone;
  bool FillBeforeSign = false;
  std::string ExcludeLiteralHex;
  // Import resolves the escapes of the value, export writes them (after the struck bytes, before
  // the padding).
  TextEscape escape = TextEscape::kNone;
};

}  // namespace compoundparser
