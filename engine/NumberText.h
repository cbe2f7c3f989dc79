// Numbers read and written exactly as the C library does them under the "C"
// locale, whatever the process locale is.
#pragma once

#include <string>
#include <string_view>

namespace compoundparser {

// Reads an integer as atoi does: leading white space, optional sign, decimal
// digits up to the first other character; 0 when there are none. Saturates
// at the limits of int instead of overflowing.
int CAtoi(std::string_view text);
// Reads a real as atof does for decimal numbers: the longest prefix of the form
// [white space][sign]digits[.digits][(e|E)[sign]digits]; 0 when there is none.
double CAtof(std::string_view text);
// Formats a value as "%.*f" does (a negative precision gives six decimals).
std::string FormatFixed(double value, int precision);
// Formats a value as "%ld" does.
std::string FormatLong(long value);
// Decodes a hex text pair by pair, each pair read as sscanf "%2x" reads it
// (leading white space skipped, up to two hex digits); pairs that read no number
// add nothing, an odd last character is ignored.
std::string DecodeHexText(std::string_view text);
// Scans one "%2x" conversion at the start of `text`; returns false when no
// hexadecimal digit is found.
bool ScanHex2(std::string_view text, unsigned& value);

}  // namespace compoundparser
