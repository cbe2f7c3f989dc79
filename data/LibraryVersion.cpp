#include "data/LibraryVersion.h"

#ifndef COMPOUNDPARSER_LIBRARY_VERSION
#define COMPOUNDPARSER_LIBRARY_VERSION "unknown"
#endif

namespace compoundparser {

const char* LibraryVersion() { return COMPOUNDPARSER_LIBRARY_VERSION; }

}  // namespace compoundparser
