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
// Tells whether the host set the code page (SetCodePage with a name) rather
// than leaving it to the locale.
bool CodePageIsExplicit();
// Tells whether iconv converts between `name` and UTF-8 both ways.
bool CodePageIsKnown(const std::string& name);

// Makes `name` (a code page that CodePageIsKnown) the code page of the calling
// thread while the object lives: an import or export run reads and writes the
// data file in it whatever the process's code page is. Runs nest.
class RunCodePage {
 public:
  explicit RunCodePage(const std::string& name);
  ~RunCodePage();
  RunCodePage(const RunCodePage&) = delete;
  RunCodePage& operator=(const RunCodePage&) = delete;

 private:
  std::string name_;
  const std::string* previous_;
  bool previousUtf8_;
};
// Returns true when the code page is UTF-8 (no conversion needed).
bool CodePageIsUtf8();
// Converts narrow text to UTF-8. Raises XmlError (kXmlErrorInvalidArg) for
// bytes that are not valid in the code page (also when it is UTF-8).
std::string NarrowToUtf8(std::string_view text);
// Converts UTF-8 to narrow text. Raises XmlError (kXmlErrorInvalidArg) for
// characters that the code page cannot hold.
std::string Utf8ToNarrow(std::string_view text);

// Raises XmlError (kXmlErrorInvalidArg) naming the offset of the first invalid
// UTF-8 byte of `text`.
void CheckUtf8(std::string_view text);

}  // namespace compoundparser
