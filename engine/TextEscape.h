// The escapes of the text values of JSON strings and XML attribute values, for fields whose
// format gives some bytes a meaning of their own (a field's `escape` attribute).
#pragma once

#include <string>
#include <string_view>

namespace compoundparser {

// Kinds of escape of a field.
enum class TextEscape : char { kNone = 0, kJson = 'j', kXml = 'x' };

// Returns the text as the body of a JSON string: quotation mark, backslash and the control
// characters escaped (\" \\ \b \f \n \r \t, others \u00XX); other bytes unchanged.
std::string EscapeJson(std::string_view text);
// Reads the body of a JSON string into `text`, the escapes resolved (\u to UTF-8, surrogate
// pairs joined); false for an unknown or unfinished escape, a lone surrogate, or a quotation
// mark or control character that is not escaped.
bool UnescapeJson(std::string_view body, std::string& text);
// Returns the text as an XML attribute value between quotation marks: & < > " escaped by their
// entities, tab, line feed and carriage return by character references (so that attribute
// normalisation keeps them); false in `fits` for another control character, which XML 1.0
// cannot hold.
std::string EscapeXml(std::string_view text, bool& fits);
// Reads an XML attribute value into `text`: the five predefined entities and decimal and
// hexadecimal character references (to UTF-8) resolved; false for another entity, a bare &,
// a < or a quotation mark.
bool UnescapeXml(std::string_view value, std::string& text);

}  // namespace compoundparser
