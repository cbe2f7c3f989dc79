// Messages of the library: fetched from the string table in the language of the
// calling thread, formatted printf-style, and the report of an XML parse error.
#pragma once

#include <cstddef>
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
// Formats message `id` as FormatMessageText does for a message whose first
// argument is a byte of the data file, and returns in `mentionEnd` the index
// in the text just past the words that name it: the conversion with what
// stands directly after it ("%xh"), or else with the word after it ("%d pos.").
std::string FormatPlacedMessage(unsigned id, size_t& mentionEnd, ...);
// Reports the parse error of `document` through `callBack` (nothing when the
// document has no error or there is no callback): the reason, then, when the
// line is known, message 2211 with line, position and URL; both kind 4.
void ReportParseError(const XmlDocument& document, TParserCallBack* callBack);

}  // namespace compoundparser
