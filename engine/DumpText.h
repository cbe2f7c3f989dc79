// Helpers for the one-line outlines of parser trees (Parser::Dump).
#pragma once

#include <string>
#include <string_view>

namespace compoundparser {

// Appends `bytes` in double quotes, with \r \n \t \" \\ and \xHH for other
// bytes outside the printable ASCII range.
void AppendQuoted(std::string& out, std::string_view bytes);

}  // namespace compoundparser
