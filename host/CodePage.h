// The process code page: the encoding of the library's narrow strings. Text
// going into an XML document is converted from it to UTF-8, text coming out is
// converted back. By default it is the codeset of the process locale, or of the
// environment's locale when the process kept the "C" locale, read on first use
// (plain ASCII counts as UTF-8 so that other bytes pass through); a host may
// set another one (for example "CP1252" for old instruments).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace compoundparser {

// Returns the name of the code page in use ("UTF-8" when it is UTF-8).
std::string CodePageName();
// Sets the code page by iconv name; returns false (and keeps the old one) when
// iconv does not know it. An empty name restores the locale's codeset.
bool SetCodePage(const std::string& name);
// Returns true when the code page is UTF-8 (no conversion needed).
bool CodePageIsUtf8();
// Converts narrow text to UTF-8. Raises XmlError (kXmlErrorInvalidArg) for
// bytes that are not valid in the code page (also when it is UTF-8).
std::string NarrowToUtf8(std::string_view text);
// Converts UTF-8 to narrow text. Raises XmlError (kXmlErrorInvalidArg) for
// characters that the code page cannot hold.
std::string Utf8ToNarrow(std::string_view text);

// Returns the offset of the first byte that is not part of a valid UTF-8
// sequence, or npos when the whole text is valid.
size_t InvalidUtf8Offset(std::string_view text);
// Raises XmlError (kXmlErrorInvalidArg) naming the offset of the first invalid
// UTF-8 byte of `text`.
void CheckUtf8(std::string_view text);

}  // namespace compoundparser
