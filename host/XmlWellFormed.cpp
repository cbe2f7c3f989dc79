#include "host/XmlWellFormed.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <unordered_set>

#include "host/ByteScan.h"
#include "host/Utf8.h"
#include "host/XmlText.h"

namespace compoundparser {

bool ParsePseudoAttributes(std::string_view data,
                           std::vector<std::pair<std::string, std::string>>& out) {
  size_t i = 0;
  for (;;) {
    while (i < data.size() && IsXmlSpace(static_cast<unsigned char>(data[i]))) ++i;
    if (i == data.size()) return true;
    const size_t nameStart = i;
    while (i < data.size() && IsXmlNameByte(static_cast<unsigned char>(data[i]))) ++i;
    if (i == nameStart) return false;
    std::string name(data.substr(nameStart, i - nameStart));
    while (i < data.size() && IsXmlSpace(static_cast<unsigned char>(data[i]))) ++i;
    if (i == data.size() || data[i] != '=') return false;
    ++i;
    while (i < data.size() && IsXmlSpace(static_cast<unsigned char>(data[i]))) ++i;
    if (i == data.size() || (data[i] != '"' && data[i] != '\'')) return false;
    const char quote = data[i++];
    const size_t close = data.find(quote, i);
    if (close == std::string_view::npos) return false;
    out.emplace_back(std::move(name), std::string(data.substr(i, close - i)));
    i = close + 1;
  }
}

namespace {

// Tells whether the text between "<?xml" and "?>" is a declaration as XML
// writes it: version 1.x, then an optional encoding name, then an optional
// standalone yes or no, each after white space and in that order.
bool DeclarationIsWellFormed(std::string_view data) {
  static const char* const kNames[] = {"version", "encoding", "standalone"};
  size_t i = 0;
  size_t next = 0;  // the first name still allowed
  const auto space = [&] {
    const size_t from = i;
    while (i < data.size() && IsXmlSpace(static_cast<unsigned char>(data[i]))) ++i;
    return i > from;
  };
  for (;;) {
    const bool spaced = space();
    if (i == data.size()) return next > 0;
    if (!spaced) return false;
    size_t which = next;
    while (which < std::size(kNames) && data.substr(i, std::strlen(kNames[which])) != kNames[which])
      ++which;
    if (which == std::size(kNames) || (next == 0 && which != 0)) return false;
    i += std::strlen(kNames[which]);
    space();
    if (i == data.size() || data[i] != '=') return false;
    ++i;
    space();
    if (i == data.size() || (data[i] != '"' && data[i] != '\'')) return false;
    const size_t close = data.find(data[i], i + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view value = data.substr(i + 1, close - i - 1);
    i = close + 1;
    next = which + 1;
    bool valid = !value.empty();
    if (which == 0) {
      valid = value.size() > 2 && value.substr(0, 2) == "1." &&
              value.find_first_not_of("0123456789", 2) == std::string_view::npos;
    } else if (which == 1) {
      valid = valid && std::isalpha(static_cast<unsigned char>(value[0])) != 0;
      for (char c : value) {
        valid = valid && (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' ||
                          c == '_' || c == '-');
      }
    } else {
      valid = value == "yes" || value == "no";
    }
    if (!valid) return false;
  }
}

// The bytes of XML names, as IsXmlNameByte tells, in a table for the scan.
struct NameBytes {
  bool of[256] = {};
  NameBytes() {
    for (int c = 0; c < 256; ++c) of[c] = IsXmlNameByte(static_cast<unsigned char>(c));
  }
};
const NameBytes kNameBytes;

// Checks what pugixml lets through but XML forbids: references to undefined
// entities, text or a second element at the top level, a declaration that is
// not at the start, duplicate attributes, '<' in attribute values, "]]>" in
// text, bytes that are not UTF-8 or not XML characters, and nesting deeper than
// kMaxXmlDepth. Runs after pugixml accepted the text, so the markup is sound.
class WellFormedScan {
 public:
  explicit WellFormedScan(std::string_view text) : t_(text) {}

  bool Run(XmlProblem& problem) {
    // Most documents are plain ASCII without control characters: one pass
    // tells, and only other text has the two checks in their order.
    const bool plain = FindControlOrHighByte(t_.data(), 0, t_.size()) == t_.size();
    const size_t badUtf8 = plain ? std::string_view::npos : InvalidUtf8Offset(t_);
    if (badUtf8 != std::string_view::npos) return Fail(problem, badUtf8, "Invalid UTF-8 byte");
    const size_t badCharacter = plain ? std::string_view::npos : ControlCharacterOffset(t_);
    if (badCharacter != std::string_view::npos) {
      const unsigned char c = static_cast<unsigned char>(t_[badCharacter]);
      return Fail(problem, badCharacter,
                  "Invalid character " + std::to_string(c) + " in the document");
    }
    size_t i = 0;
    int depth = 0;
    bool rootSeen = false;
    const char* const data = t_.data();
    const size_t size = t_.size();
    while (i < size) {
      if (depth > 0) {
        // Inside the root only markup, references and "]]>" matter.
        i = FindAnyOf3(data, i, size, '<', '&', ']');
        if (i == size) break;
      }
      const char c = data[i];
      if (c == '<') {
        // The byte after '<' tells the kind of markup.
        const char kind = i + 1 < size ? data[i + 1] : '\0';
        if (kind == '/') {
          --depth;
          i = SkipPast(i + 2, '>');
        } else if (kind == '!') {
          if (Match(i, "<!--")) {
            i = Skip(i + 4, "-->");
          } else if (Match(i, "<![CDATA[")) {
            i = Skip(i + 9, "]]>");
          } else {
            i = SkipDoctype(i + 2);
          }
        } else if (kind == '?') {
          const bool declaration =
              Match(i, "<?xml") && i + 5 < size &&
              (IsXmlSpace(static_cast<unsigned char>(data[i + 5])) || data[i + 5] == '?');
          if (declaration && i != 0) {
            return Fail(problem, i,
                        "The XML declaration is allowed only at the start of the document");
          }
          const size_t end = Skip(i + 2, "?>");
          // pugixml reads any attributes here, references included, and would
          // save what no parser reads back (a '>' or "?>" in a value).
          if (declaration && !DeclarationIsWellFormed(t_.substr(i + 5, end - i - 5 - 2))) {
            return Fail(problem, i, "The XML declaration is malformed");
          }
          i = end;
        } else {
          if (depth == 0) {
            if (rootSeen) return Fail(problem, i, "Only one top level element is allowed");
            rootSeen = true;
          }
          bool empty = false;
          const size_t tagStart = i;
          if (!StartTag(i, empty, problem)) return false;
          if (!empty) {
            if (++depth > kMaxXmlDepth) {
              return Fail(
                  problem, tagStart,
                  "Elements are nested deeper than " + std::to_string(kMaxXmlDepth) + " levels");
            }
            // "<a></a>": an element that held an empty text when it was saved.
            if (i + 1 < size && data[i] == '<' && data[i + 1] == '/') emptyPairs_ = true;
          }
        }
        continue;
      }
      if (depth == 0 && !IsXmlSpace(static_cast<unsigned char>(c))) {
        return Fail(problem, i, "Text is not allowed at the top level of the document");
      }
      if (c == '&') {
        if (!Reference(i, problem)) return false;
        continue;
      }
      if (c == ']' && Match(i, "]]>")) {
        return Fail(problem, i, "The text \"]]>\" is not allowed in character data");
      }
      ++i;
    }
    return true;
  }

  // Tells whether an element was written as "<a></a>", start and end tag
  // with nothing between.
  bool HasEmptyPairs() const { return emptyPairs_; }

 private:
  bool Match(size_t at, std::string_view what) const { return t_.substr(at, what.size()) == what; }
  // Moves past the next `end` byte from `from` (to the end of the text when none).
  size_t SkipPast(size_t from, char end) const {
    if (from >= t_.size()) return t_.size();
    const size_t found = FindByte(t_.data(), from, t_.size(), end);
    return found == t_.size() ? found : found + 1;
  }
  size_t Skip(size_t from, std::string_view end) const {
    const size_t found = t_.find(end, from);
    return found == std::string_view::npos ? t_.size() : found + end.size();
  }
  static bool Fail(XmlProblem& problem, size_t offset, std::string reason) {
    problem.code = kXmlErrorParse;
    problem.offset = offset;
    problem.reason = std::move(reason);
    return false;
  }

  size_t SkipDoctype(size_t i) const {
    int brackets = 0;
    while (i < t_.size()) {
      const char c = t_[i];
      if (c == '"' || c == '\'') {
        i = Skip(i + 1, std::string_view(&t_[i], 1));
      } else if (Match(i, "<!--")) {
        i = Skip(i + 4, "-->");
      } else if (c == '[') {
        ++brackets, ++i;
      } else if (c == ']') {
        --brackets, ++i;
      } else if (c == '>' && brackets <= 0) {
        return i + 1;
      } else {
        ++i;
      }
    }
    return i;
  }

  // Checks a reference at `i` ('&'); moves past it.
  bool Reference(size_t& i, XmlProblem& problem) const {
    const size_t end = t_.find(';', i);
    if (end == std::string_view::npos || end - i > 40) {
      return Fail(problem, i, "A '&' must start an entity or character reference");
    }
    const std::string_view name = t_.substr(i + 1, end - i - 1);
    if (name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot") {
      i = end + 1;
      return true;
    }
    if (!name.empty() && name[0] == '#') {
      const bool hex = name.size() > 1 && name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      unsigned long code = 0;
      bool valid = !digits.empty();
      for (char d : digits) {
        const bool ok = hex ? std::isxdigit(static_cast<unsigned char>(d)) != 0
                            : std::isdigit(static_cast<unsigned char>(d)) != 0;
        if (!ok || code > 0x10FFFF) {
          valid = false;
          break;
        }
        code = code * (hex ? 16 : 10) +
               static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(d))
                                              ? d - '0'
                                              : std::tolower(static_cast<unsigned char>(d)) - 'a' +
                                                    10);
      }
      valid =
          valid && (code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                    (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF));
      if (!valid) {
        return Fail(
            problem, i,
            "The character reference '&" + std::string(name) + ";' is not a valid character");
      }
      i = end + 1;
      return true;
    }
    return Fail(problem, i, "Reference to undefined entity '" + std::string(name) + "'");
  }

  // Checks the start tag at `i`; moves past it and tells whether it is empty.
  bool StartTag(size_t& i, bool& empty, XmlProblem& problem) {
    const size_t tagStart = i;
    ++i;
    // The usual tag has no attributes: no quote comes before its '>' (the XML
    // library took the markup, and every attribute has a quoted value).
    const size_t close = FindAnyOf3(t_.data(), i, t_.size(), '>', '"', '\'');
    if (close < t_.size() && t_[close] == '>') {
      empty = t_[close - 1] == '/';
      i = close + 1;
      return true;
    }
    while (i < t_.size() && kNameBytes.of[static_cast<unsigned char>(t_[i])]) ++i;
    names_.clear();
    if (!manyNames_.empty()) manyNames_ = {};
    while (i < t_.size()) {
      const char c = t_[i];
      if (c == '>') {
        empty = i > tagStart && t_[i - 1] == '/';
        ++i;
        return true;
      }
      if (IsXmlNameStart(static_cast<unsigned char>(c))) {
        const size_t nameStart = i;
        while (i < t_.size() && IsXmlNameByte(static_cast<unsigned char>(t_[i]))) ++i;
        const std::string_view name = t_.substr(nameStart, i - nameStart);
        if (!AddAttributeName(name)) {
          return Fail(problem, nameStart, "Duplicate attribute '" + std::string(name) + "'");
        }
        continue;
      }
      if (c == '"' || c == '\'') {
        ++i;
        while (i < t_.size() && t_[i] != c) {
          if (t_[i] == '<')
            return Fail(problem, i, "The character '<' is not allowed in an attribute value");
          if (t_[i] == '&') {
            if (!Reference(i, problem)) return false;
            continue;
          }
          ++i;
        }
        ++i;
        continue;
      }
      ++i;
    }
    return true;
  }

  // Records the name of an attribute of the start tag in hand; false when the
  // tag has one of that name already. A few names are compared one by one;
  // from kFewNames on they go into a hash set, so that a tag with a million
  // attributes is checked in linear time.
  bool AddAttributeName(std::string_view name) {
    if (names_.size() < kFewNames) {
      if (std::find(names_.begin(), names_.end(), name) != names_.end()) return false;
      names_.push_back(name);
      return true;
    }
    if (manyNames_.empty()) manyNames_.insert(names_.begin(), names_.end());
    return manyNames_.insert(name).second;
  }

  static constexpr size_t kFewNames = 16;
  std::string_view t_;
  std::vector<std::string_view> names_;
  std::unordered_set<std::string_view> manyNames_;
  bool emptyPairs_ = false;
};

}  // namespace

bool CheckWellFormed(std::string_view utf8, XmlProblem& problem, bool* emptyPairs) {
  WellFormedScan scan(utf8);
  const bool ok = scan.Run(problem);
  if (emptyPairs != nullptr) *emptyPairs = scan.HasEmptyPairs();
  return ok;
}

}  // namespace compoundparser
