#include "host/Locale.h"

#include <langinfo.h>
#include <locale.h>

namespace compoundparser {

std::string ReadLocaleDecimalSeparator() {
  std::string separator;
  locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (locale != static_cast<locale_t>(0)) {
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    if (radix != nullptr) separator = radix;
    freelocale(locale);
  }
  if (separator.size() > 4) separator.resize(4);
  if (separator.empty()) separator = ".";
  return separator;
}

const std::string& LocaleDecimalSeparator() {
  static const std::string separator = ReadLocaleDecimalSeparator();
  return separator;
}

}  // namespace compoundparser
