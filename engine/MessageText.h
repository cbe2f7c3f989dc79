// Messages of the library: fetched from the string table in the language of the
// calling thread, formatted printf-style, and the report of an XML parse error.
#pragma once

#include <string>

#include "host/Xml.h"

namespace compoundparser {

class TParserCallBack;

// Returns message `id` in the language of the calling thread's locale.
std::string LoadMessageText(unsigned id);
// Returns message `id` formatted printf-style with the arguments ("%S" is taken
// as a narrow string). An empty message text gives an empty result.
std::string FormatMessageText(unsigned id, ...);
// The same, formatted into `out` (reusing its storage).
void FormatMessageTextTo(std::string& out, unsigned id, ...);
// Reports the parse error of `document` through `callBack` (nothing when the
// document has no error or there is no callback): the reason, then, when the
// line is known, message 2211 with line, position and URL; both kind 4.
void ReportParseError(const XmlDocument& document, TParserCallBack* callBack);

}  // namespace compoundparser
