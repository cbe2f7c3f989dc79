// What the engine takes from the user's locale.
#pragma once

#include <string>

namespace compoundparser {

// Returns the decimal separator of the user's default locale (at most four
// characters; "." when the locale gives none). Read once, kept for the life of
// the process.
const std::string& LocaleDecimalSeparator();

}  // namespace compoundparser
