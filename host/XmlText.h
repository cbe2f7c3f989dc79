// The text-level rules of the XML layer, shared by the DOM and by writers that
// produce XML text directly: which names and characters a document can hold,
// the conversion of narrow strings to document text, and how text is escaped
// when a document is saved.
#pragma once

#include <string>
#include <string_view>

#include "host/BufferedOutput.h"

namespace compoundparser {

// Tells whether byte `c` may start an XML name, or stand inside one; every
// byte of a multi-byte character counts as a name byte.
inline bool IsXmlNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
inline bool IsXmlNameByte(unsigned char c) {
  return IsXmlNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
// Tells whether `c` is XML white space.
inline bool IsXmlSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Tells whether `utf8` is a valid XML name.
bool IsXmlName(std::string_view utf8);
// Raises XmlError (kXmlErrorInvalidArg) unless `utf8` is a valid XML name;
// `what` names the kind of name in the message ("element", "attribute").
void CheckXmlName(std::string_view utf8, const char* what);
// Raises XmlError (kXmlErrorInvalidArg) for characters that XML 1.0 cannot
// hold (control characters other than tab, CR and LF, and NUL).
void CheckXmlText(std::string_view utf8);
// Returns the offset of the first such character, or npos.
size_t ControlCharacterOffset(std::string_view text);

// Narrow text (process code page) as UTF-8: a view of the input when the code
// page is UTF-8 (after checking that it is valid UTF-8), else a conversion.
class DocumentText {
 public:
  explicit DocumentText(std::string_view narrow);
  std::string_view View() const { return view_; }

 private:
  std::string storage_;
  std::string_view view_;
};

// Appends `utf8` as the text of an element is saved: "&", "<" and ">" become
// entity references, and a carriage return, which loading would turn into a
// line feed, becomes "&#13;" unless `rawCarriageReturns` (white space between
// elements, which loading drops anyway). Every other byte is written as it is.
void AppendEscapedXmlText(BufferedOutput& out, std::string_view utf8,
                          bool rawCarriageReturns = false);
// Appends `utf8` as an attribute value is saved between double quotes: "&",
// "<" and '"' become entity references, and tab, line feed and carriage return
// (which loading would turn into blanks) character references.
void AppendEscapedXmlAttribute(BufferedOutput& out, std::string_view utf8);
// Tells whether `text` holds only blanks, tabs, carriage returns and line feeds.
bool IsXmlWhiteSpace(std::string_view text);

}  // namespace compoundparser
