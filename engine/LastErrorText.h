// The context's last error text. A literal that does not match is routine
// (alternatives try literals to decide) and happens on most records of many
// formats, so its message is formatted only when somebody reads the text.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/TParserCallBack.h"

namespace compoundparser {

class LastErrorText {
 public:
  LastErrorText() = default;
  LastErrorText& operator=(const std::string& text) {
    pending_ = false;
    hasPosition_ = false;
    text_ = text;
    return *this;
  }
  LastErrorText& operator=(const char* text) {
    pending_ = false;
    hasPosition_ = false;
    text_ = text;
    return *this;
  }
  // Records that literal `literal` was not found at `position`.
  void SetLiteralNotFound(uint32_t position, const std::string& literal) {
    pending_ = true;
    hasPosition_ = true;
    position_ = position;
    literal_ = literal;
  }
  // Tells whether the text names a byte of the data file (a literal that was
  // not found), and which.
  bool HasPosition() const { return hasPosition_; }
  // Returns the byte and where the text names it (HasPosition() only).
  TMessagePlace Place() const {
    str();
    return TMessagePlace{position_, mentionEnd_};
  }
  // Returns the text, formatting a pending message first.
  const std::string& str() const {
    if (pending_) Format();
    return text_;
  }
  operator const std::string&() const { return str(); }
  bool empty() const { return !pending_ && text_.empty(); }

  friend bool operator==(const LastErrorText& a, const std::string& b) { return a.str() == b; }
  friend bool operator==(const std::string& a, const LastErrorText& b) { return a == b.str(); }
  friend bool operator==(const LastErrorText& a, const char* b) { return a.str() == b; }
  friend std::ostream& operator<<(std::ostream& os, const LastErrorText& e) {
    return os << e.str();
  }

 private:
  void Format() const;

  mutable std::string text_;
  mutable bool pending_ = false;
  bool hasPosition_ = false;
  uint32_t position_ = 0;
  mutable size_t mentionEnd_ = 0;
  std::string literal_;
};

}  // namespace compoundparser
