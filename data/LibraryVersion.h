// The version of the library, as the build that made it was told (so that a
// host linked against an installed library can say which one it runs with).
#pragma once

namespace compoundparser {

// Returns the library's version, such as "0.1.0".
const char* LibraryVersion();

}  // namespace compoundparser
