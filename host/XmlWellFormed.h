// The checks that make a text well-formed XML beyond what the XML library
// itself refuses: run over the UTF-8 text of a document before it is taken.
// Each failed check names the byte where the text goes wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostError.h"

namespace compoundparser {

// A well-formedness problem found at a byte offset of a text.
struct XmlProblem {
  uint32_t code = kXmlErrorParse;
  std::string reason;
  size_t offset = 0;
};

// The deepest nesting of elements that a document may have.
constexpr int kMaxXmlDepth = 1024;

// Checks what the XML library lets through but XML forbids: references to
// undefined entities, text or a second element at the top level, a
// declaration that is not at the start or is malformed, duplicate attributes,
// '<' in attribute values, "]]>" in text, bytes that are not UTF-8 or not XML
// characters, and nesting deeper than kMaxXmlDepth. Meant for a text whose
// markup the XML library accepted. Returns false and fills `problem` at the
// first fault. When `emptyPairs` is given, it tells whether some element was
// written as a start tag and an end tag with nothing between ("<a></a>").
bool CheckWellFormed(std::string_view utf8, XmlProblem& problem, bool* emptyPairs = nullptr);

// Reads the `name="value"` pairs of a declaration's data (either quote);
// returns false on anything else.
bool ParsePseudoAttributes(std::string_view data,
                           std::vector<std::pair<std::string, std::string>>& out);

}  // namespace compoundparser
