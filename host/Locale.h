// What the engine takes from the user's locale: the decimal separator of the
// user's default numeric locale, read once and kept for the life of the process.
#pragma once

#include <string>

namespace compoundparser {

// Returns the decimal separator of the user's default locale (at most four
// characters; "." when the locale gives none). Read once, kept for the life of
// the process.
const std::string& LocaleDecimalSeparator();

// Reads the decimal separator of the user's default locale (the environment's
// LC_ALL, LC_NUMERIC or LANG) afresh, without caching.
std::string ReadLocaleDecimalSeparator();

}  // namespace compoundparser
