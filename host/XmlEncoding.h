// How the bytes of an XML file become UTF-8 text: UTF-16 and UTF-32 are found
// by their first bytes, other encodings by the declaration, and converted;
// UTF-8 (with or without a byte order mark) is taken as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/XmlWellFormed.h"

namespace compoundparser {

// The UTF-8 text of a file's bytes.
struct XmlUtf8Text {
  std::string_view view;  // the text: the input itself when no conversion was needed
  std::string storage;    // the converted text, when there was one
  bool converted = false;
  size_t skipped = 0;  // bytes of a UTF-8 byte order mark left out
};

// Brings `bytes` to UTF-8 in `text`; false with `problem` set (its offset in
// `bytes`) when the encoding is unknown or the bytes are not valid in it.
bool XmlBytesToUtf8(std::string_view bytes, XmlUtf8Text& text, XmlProblem& problem);

}  // namespace compoundparser
