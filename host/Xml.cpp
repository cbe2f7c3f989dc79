#include "host/Xml.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iterator>
#include <pugixml.hpp>
#include <unordered_map>
#include <unordered_set>

#include "host/AtomicFile.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/XmlText.h"

namespace compoundparser {

namespace {

using NodeStruct = pugi::xml_node_struct;

// Where FirstChildElement resumes for one element name under one parent: no
// child element of that name lies at or before `last` (null: before the first
// child).
struct Cursor {
  std::string name;
  NodeStruct* last = nullptr;
};

}  // namespace

struct XmlDocumentData {
  pugi::xml_document doc;
  XmlParseError error;
  std::string url;
  std::unordered_map<NodeStruct*, std::vector<Cursor>> cursors;
  uint64_t childrenVisited = 0;
  // Offsets where the lines of the loaded text start (small documents only).
  std::vector<size_t> lineStarts;

  // Drops the cursors kept for `node` and for every node below it.
  void ForgetSubtree(pugi::xml_node node);
  // Keeps the cursors of `parent` valid before its child `child` is removed.
  void BeforeRemove(pugi::xml_node parent, pugi::xml_node child);
  // Returns the first child element of `parent` named `wanted` (UTF-8), or
  // nullptr; the search behind XmlNode::FirstChildElement.
  NodeStruct* FindChildElement(pugi::xml_node parent, std::string_view wanted);
};

namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                 pugi::parse_declaration | pugi::parse_doctype;
constexpr int kMaxDepth = 1024;

pugi::xml_node ToPugi(void* node) { return pugi::xml_node(static_cast<NodeStruct*>(node)); }

// Narrow text in, UTF-8 view out (checked: valid UTF-8, no character that
// XML cannot hold); converts only when the code page is not UTF-8.
class Utf8In : public DocumentText {
 public:
  using DocumentText::DocumentText;
  std::string Terminated() const { return std::string(View()); }
};

std::string Narrow(const char* utf8) {
  if (CodePageIsUtf8()) return std::string(utf8);
  return Utf8ToNarrow(utf8);
}

struct NameBytes {
  bool start[256] = {};
  bool inside[256] = {};
  NameBytes() {
    for (int c = 0; c < 256; ++c) {
      start[c] =
          (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
      inside[c] = start[c] || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }
  }
};
const NameBytes kNameBytes;

bool IsNameStart(unsigned char c) { return kNameBytes.start[c]; }
bool IsNameChar(unsigned char c) { return kNameBytes.inside[c]; }
bool IsXmlSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void CheckName(std::string_view name, const char* what) { CheckXmlName(name, what); }
void CheckText(std::string_view text) { CheckXmlText(text); }

bool IsTextLike(pugi::xml_node_type type) {
  return type == pugi::node_pcdata || type == pugi::node_cdata || type == pugi::node_comment ||
         type == pugi::node_pi;
}

// Returns the pseudo-attributes of a declaration as its data text.
std::string DeclarationData(pugi::xml_node node) {
  std::string data;
  for (pugi::xml_attribute a : node.attributes()) {
    if (!data.empty()) data += ' ';
    data += a.name();
    data += "=\"";
    data += a.value();
    data += '"';
  }
  return data;
}

// Reads `name="value"` pairs (either quote); returns false on anything else.
bool ParsePseudoAttributes(std::string_view data,
                           std::vector<std::pair<std::string, std::string>>& out) {
  size_t i = 0;
  for (;;) {
    while (i < data.size() && IsXmlSpace(static_cast<unsigned char>(data[i]))) ++i;
    if (i == data.size()) return true;
    const size_t nameStart = i;
    while (i < data.size() && IsNameChar(static_cast<unsigned char>(data[i]))) ++i;
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

// ---- Loading -------------------------------------------------------------

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

// A well-formedness problem found at a byte offset.
struct LoadProblem {
  uint32_t code = kXmlErrorParse;
  std::string reason;
  size_t offset = 0;
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string UpperKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c != '-' && c != '_') key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key;
}

// Returns the encoding named by the declaration at the start of `bytes`
// (8-bit text), or "" when there is none; `offset` gets its position.
std::string DeclaredEncoding(std::string_view bytes, size_t& offset) {
  if (!StartsWith(bytes, "<?xml") || bytes.size() < 6 ||
      !IsXmlSpace(static_cast<unsigned char>(bytes[5]))) {
    return std::string();
  }
  const size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return std::string();
  std::vector<std::pair<std::string, std::string>> attributes;
  if (!ParsePseudoAttributes(bytes.substr(5, end - 5), attributes)) return std::string();
  for (const auto& attribute : attributes) {
    if (attribute.first == "encoding") {
      offset = bytes.find("encoding");
      return attribute.second;
    }
  }
  return std::string();
}

// Converts `bytes` from `encoding` to UTF-8; false with a problem on failure.
bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out,
                   LoadProblem& problem) {
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    problem.reason = "The encoding '" + encoding + "' is not supported";
    return false;
  }
  out.assign(bytes.size() * 3 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = &out[0];
  size_t outLeft = out.size();
  bool ok = true;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      const size_t done = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = &out[done];
      outLeft = out.size() - done;
      continue;
    }
    problem.offset = bytes.size() - inLeft;
    problem.reason = "The text is not valid in the encoding '" + encoding + "'";
    ok = false;
    break;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return ok;
}

// Brings the file's bytes to UTF-8: detects UTF-16/32 by their first bytes and
// other encodings by the declaration. `skipped` gets the length of a UTF-8 BOM.
// Gives the document's text as UTF-8 in `view`: the input itself when it is
// UTF-8 already (no copy), else a conversion held in `utf8`.
bool ToUtf8(std::string_view bytes, std::string& utf8, std::string_view& view, bool& converted,
            size_t& skipped, LoadProblem& problem) {
  converted = false;
  skipped = 0;
  struct Signature {
    const char* bytes;
    size_t size;
    const char* encoding;
    size_t bom;
  };
  static const Signature kSignatures[] = {
      {"\x00\x00\xFE\xFF", 4, "UTF-32BE", 4}, {"\xFF\xFE\x00\x00", 4, "UTF-32LE", 4},
      {"\xFE\xFF", 2, "UTF-16BE", 2},         {"\xFF\xFE", 2, "UTF-16LE", 2},
      {"\x00\x00\x00<", 4, "UTF-32BE", 0},    {"<\x00\x00\x00", 4, "UTF-32LE", 0},
      {"\x00<\x00?", 4, "UTF-16BE", 0},       {"<\x00?\x00", 4, "UTF-16LE", 0},
  };
  for (const Signature& s : kSignatures) {
    if (StartsWith(bytes, std::string_view(s.bytes, s.size))) {
      converted = true;
      const bool ok = ConvertToUtf8(bytes.substr(s.bom), s.encoding, utf8, problem);
      view = utf8;
      return ok;
    }
  }
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    skipped = 3;
    bytes.remove_prefix(3);
  }
  size_t at = 0;
  const std::string encoding = DeclaredEncoding(bytes, at);
  const std::string key = UpperKey(encoding);
  if (encoding.empty() || key == "UTF8" || key == "UTF16" || key == "UTF32" || key == "USASCII" ||
      key == "ASCII") {
    view = bytes;
    return true;
  }
  converted = true;
  if (!ConvertToUtf8(bytes, encoding, utf8, problem)) {
    if (problem.offset == 0) problem.offset = at;
    problem.offset += skipped;
    return false;
  }
  view = utf8;
  return true;
}

// The bytes at which a scan of character data stops.
struct TextStops {
  bool of[256] = {};
  TextStops() {
    for (unsigned char c : {'<', '&', ']'}) of[c] = true;
  }
};
const TextStops kTextStops;

// Checks what pugixml lets through but XML forbids: references to undefined
// entities, text or a second element at the top level, a declaration that is
// not at the start, duplicate attributes, '<' in attribute values, "]]>" in
// text, bytes that are not UTF-8 or not XML characters, and nesting deeper than
// kMaxDepth. Runs after pugixml accepted the text, so the markup is sound.
class WellFormedScan {
 public:
  explicit WellFormedScan(std::string_view text) : t_(text) {}

  bool Run(LoadProblem& problem) {
    const size_t badUtf8 = InvalidUtf8Offset(t_);
    if (badUtf8 != std::string_view::npos) return Fail(problem, badUtf8, "Invalid UTF-8 byte");
    const size_t badCharacter = ControlCharacterOffset(t_);
    if (badCharacter != std::string_view::npos) {
      const unsigned char c = static_cast<unsigned char>(t_[badCharacter]);
      return Fail(problem, badCharacter,
                  "Invalid character " + std::to_string(c) + " in the document");
    }
    size_t i = 0;
    int depth = 0;
    bool rootSeen = false;
    while (i < t_.size()) {
      if (depth > 0) {
        // Inside the root only markup, references and "]]>" matter.
        while (i < t_.size() && !kTextStops.of[static_cast<unsigned char>(t_[i])]) ++i;
        if (i == t_.size()) break;
      }
      const char c = t_[i];
      if (c == '<') {
        if (Match(i, "<!--")) {
          i = Skip(i + 4, "-->");
        } else if (Match(i, "<![CDATA[")) {
          i = Skip(i + 9, "]]>");
        } else if (Match(i, "<!")) {
          i = SkipDoctype(i + 2);
        } else if (Match(i, "<?")) {
          const bool declaration =
              Match(i, "<?xml") && i + 5 < t_.size() &&
              (IsXmlSpace(static_cast<unsigned char>(t_[i + 5])) || t_[i + 5] == '?');
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
        } else if (Match(i, "</")) {
          --depth;
          i = Skip(i + 2, ">");
        } else {
          if (depth == 0) {
            if (rootSeen) return Fail(problem, i, "Only one top level element is allowed");
            rootSeen = true;
          }
          bool empty = false;
          const size_t tagStart = i;
          if (!StartTag(i, empty, problem)) return false;
          if (!empty && ++depth > kMaxDepth) {
            return Fail(problem, tagStart,
                        "Elements are nested deeper than " + std::to_string(kMaxDepth) + " levels");
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

 private:
  bool Match(size_t at, std::string_view what) const { return t_.substr(at, what.size()) == what; }
  size_t Skip(size_t from, std::string_view end) const {
    const size_t found = t_.find(end, from);
    return found == std::string_view::npos ? t_.size() : found + end.size();
  }
  static bool Fail(LoadProblem& problem, size_t offset, std::string reason) {
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
  bool Reference(size_t& i, LoadProblem& problem) const {
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
  bool StartTag(size_t& i, bool& empty, LoadProblem& problem) {
    const size_t tagStart = i;
    ++i;
    while (i < t_.size() && IsNameChar(static_cast<unsigned char>(t_[i]))) ++i;
    names_.clear();
    if (!manyNames_.empty()) manyNames_ = {};
    while (i < t_.size()) {
      const char c = t_[i];
      if (c == '>') {
        empty = i > tagStart && t_[i - 1] == '/';
        ++i;
        return true;
      }
      if (IsNameStart(static_cast<unsigned char>(c))) {
        const size_t nameStart = i;
        while (i < t_.size() && IsNameChar(static_cast<unsigned char>(t_[i]))) ++i;
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
};

// Checks the top level of the parsed tree itself: one root element and no
// text beside it. The text scan follows the markup as XML reads it, but
// pugixml may read a malformed declaration differently and find elements
// where the scan saw none.
bool TopLevelIsSound(const pugi::xml_document& doc, LoadProblem& problem) {
  int elements = 0;
  for (pugi::xml_node child : doc.children()) {
    const pugi::xml_node_type type = child.type();
    const bool text = type == pugi::node_pcdata || type == pugi::node_cdata;
    const bool lateDeclaration = type == pugi::node_declaration && child != doc.first_child();
    if (type == pugi::node_element) ++elements;
    if (elements > 1 || text || lateDeclaration) {
      problem.code = kXmlErrorParse;
      problem.offset = static_cast<size_t>(std::max<ptrdiff_t>(child.offset_debug(), 0));
      problem.reason = text ? "Text is not allowed at the top level of the document"
                       : lateDeclaration
                           ? "The XML declaration is allowed only at the start of the document"
                           : "Only one top level element is allowed";
      return false;
    }
  }
  return true;
}

// Fills `error` for a problem at `offset` of `text` (line and column 1-based).
void FillError(XmlParseError& error, const LoadProblem& problem, std::string_view text,
               size_t shift) {
  error.code = problem.code;
  error.reason = problem.reason;
  error.offset = problem.offset + shift;
  const size_t limit = std::min(problem.offset, text.size());
  int line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < limit; ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  error.line = line;
  error.linePosition = static_cast<int>(limit - lineStart) + 1;
}

// Writes the XML text of a node's children to a sink in blocks: every node
// as it is, nothing added. The text is escaped so that a load gives back what
// the document holds (see AppendEscapedXmlText): carriage returns stay raw only
// in white space beside child elements, which a load drops anyway. The walk
// keeps no recursion, so documents of any depth are written.
class DocumentWriter {
 public:
  using Sink = std::function<void(std::string_view)>;
  explicit DocumentWriter(Sink sink) : sink_(std::move(sink)) { out_.reserve(kBlock + 4096); }

  void Write(pugi::xml_node top) {
    pugi::xml_node node = top.first_child();
    // For each open element: whether it has a child element (-1: not yet known).
    std::vector<signed char> mixed{1};
    while (node) {
      if (node.type() == pugi::node_element) {
        out_ += '<';
        out_ += node.name();
        Attributes(node);
        if (node.first_child()) {
          out_ += '>';
          mixed.push_back(-1);
          node = node.first_child();
          continue;
        }
        out_ += "/>";
      } else {
        Leaf(node, mixed.back());
      }
      if (out_.size() >= kBlock) Drain();
      while (!node.next_sibling()) {
        node = node.parent();
        if (!node || node == top) {
          Drain();
          return;
        }
        out_ += "</";
        out_ += node.name();
        out_ += '>';
        mixed.pop_back();
      }
      node = node.next_sibling();
    }
    Drain();
  }

 private:
  static constexpr size_t kBlock = 1 << 20;

  void Drain() {
    if (out_.empty()) return;
    sink_(out_);
    out_.clear();
  }

  void Attributes(pugi::xml_node node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
      out_ += ' ';
      out_ += a.name();
      out_ += "=\"";
      AppendEscapedXmlAttribute(out_, a.value());
      out_ += '"';
    }
  }

  // Writes `text`, replacing each occurrence of `bad` by `replacement`.
  void Split(std::string_view text, std::string_view bad, std::string_view replacement) {
    for (size_t at = text.find(bad); at != std::string_view::npos; at = text.find(bad)) {
      out_.append(text.data(), at);
      out_ += replacement;
      text.remove_prefix(at + bad.size());
    }
    out_ += text;
  }

  void Leaf(pugi::xml_node node, signed char& parentMixed) {
    const std::string_view value = node.value();
    switch (node.type()) {
      case pugi::node_pcdata: {
        bool raw = false;
        if (value.find('\r') != std::string_view::npos && IsXmlWhiteSpace(value)) {
          if (parentMixed < 0) {
            parentMixed = node.parent().find_child(
                              [](pugi::xml_node n) { return n.type() == pugi::node_element; })
                              ? 1
                              : 0;
          }
          raw = parentMixed == 1;
        }
        AppendEscapedXmlText(out_, value, raw);
        break;
      }
      case pugi::node_cdata:
        out_ += "<![CDATA[";
        Split(value, "]]>", "]]]]><![CDATA[>");
        out_ += "]]>";
        break;
      case pugi::node_comment: {
        // "--" and a final '-' would end the comment: a blank follows each such '-'.
        out_ += "<!--";
        for (size_t i = 0; i < value.size(); ++i) {
          out_ += value[i];
          if (value[i] == '-' && (i + 1 == value.size() || value[i + 1] == '-')) out_ += ' ';
        }
        out_ += "-->";
        break;
      }
      case pugi::node_pi:
        out_ += "<?";
        out_ += node.name();
        if (!value.empty()) {
          out_ += ' ';
          Split(value, "?>", "? >");
        }
        out_ += "?>";
        break;
      case pugi::node_declaration:
        out_ += "<?";
        out_ += node.name();
        Attributes(node);
        out_ += "?>";
        break;
      case pugi::node_doctype:
        out_ += "<!DOCTYPE";
        if (!value.empty()) {
          out_ += ' ';
          out_ += value;
        }
        out_ += '>';
        break;
      default:
        break;
    }
  }

  Sink sink_;
  std::string out_;
};

// Tells whether the start tag whose name begins at `at` of `text` ends with
// "/>" (an element written without content).
bool WrittenEmpty(std::string_view text, size_t at) {
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) return true;
      i = close;
    } else if (c == '>') {
      return text[i - 1] == '/';
    }
  }
  return true;
}

// Gives each element without children that `text`, the text that `doc` was
// parsed from, wrote as "<a></a>" an empty text node, as the document that
// was saved had.
void RestoreEmptyTexts(pugi::xml_document& doc, std::string_view text) {
  pugi::xml_node node = doc.first_child();
  while (node) {
    if (node.type() == pugi::node_element) {
      if (node.first_child()) {
        node = node.first_child();
        continue;
      }
      const ptrdiff_t at = node.offset_debug();
      if (at > 0 && !WrittenEmpty(text, static_cast<size_t>(at))) {
        node.append_child(pugi::node_pcdata);
      }
    }
    while (node && !node.next_sibling()) node = node.parent();
    if (node) node = node.next_sibling();
  }
}

}  // namespace

void XmlDocumentData::ForgetSubtree(pugi::xml_node node) {
  if (cursors.empty()) return;
  cursors.erase(node.internal_object());
  if (cursors.empty() || !node.first_child()) return;
  // Walk the subtree without recursion.
  pugi::xml_node current = node.first_child();
  while (current && current != node) {
    if (current.type() == pugi::node_element) cursors.erase(current.internal_object());
    if (cursors.empty()) return;
    if (current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current != node && !current.next_sibling()) current = current.parent();
    if (current != node) current = current.next_sibling();
  }
}

void XmlDocumentData::BeforeRemove(pugi::xml_node parent, pugi::xml_node child) {
  if (cursors.empty()) return;
  auto found = cursors.find(parent.internal_object());
  if (found != cursors.end()) {
    NodeStruct* const removed = child.internal_object();
    NodeStruct* const previous = child.previous_sibling().internal_object();
    for (Cursor& cursor : found->second) {
      if (cursor.last == removed) cursor.last = previous;
    }
  }
  ForgetSubtree(child);
}

// ---- XmlNode --------------------------------------------------------------

void XmlNode::Check() const {
  if (node_ == nullptr || doc_ == nullptr) throw XmlError(kXmlErrorPointer, "The node is missing");
}

int XmlNode::Type() const {
  if (node_ == nullptr) return kXmlNull;
  switch (ToPugi(node_).type()) {
    case pugi::node_element:
      return kXmlElement;
    case pugi::node_pcdata:
      return kXmlText;
    case pugi::node_cdata:
      return kXmlCData;
    case pugi::node_pi:
    case pugi::node_declaration:
      return kXmlProcessingInstruction;
    case pugi::node_comment:
      return kXmlComment;
    case pugi::node_document:
      return kXmlDocumentNode;
    case pugi::node_doctype:
      return kXmlDocType;
    default:
      return kXmlNull;
  }
}

std::string XmlNode::Name() const {
  Check();
  const pugi::xml_node node = ToPugi(node_);
  switch (node.type()) {
    case pugi::node_pcdata:
      return "#text";
    case pugi::node_cdata:
      return "#cdata-section";
    case pugi::node_comment:
      return "#comment";
    case pugi::node_document:
      return "#document";
    case pugi::node_doctype: {
      const std::string value = node.value();
      size_t start = 0;
      while (start < value.size() && IsXmlSpace(static_cast<unsigned char>(value[start]))) ++start;
      size_t end = start;
      while (end < value.size() && !IsXmlSpace(static_cast<unsigned char>(value[end])) &&
             value[end] != '[') {
        ++end;
      }
      return Narrow(value.substr(start, end - start).c_str());
    }
    default:
      return Narrow(node.name());
  }
}

std::optional<std::string> XmlNode::Value() const {
  Check();
  const pugi::xml_node node = ToPugi(node_);
  if (node.type() == pugi::node_declaration) return Narrow(DeclarationData(node).c_str());
  if (!IsTextLike(node.type())) return std::nullopt;
  return Narrow(node.value());
}

std::string XmlNode::Text() const {
  Check();
  const pugi::xml_node top = ToPugi(node_);
  if (IsTextLike(top.type()) && top.type() != pugi::node_comment && top.type() != pugi::node_pi) {
    return Narrow(top.value());
  }
  std::string text;
  pugi::xml_node current = top.first_child();
  while (current && current != top) {
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
      text += current.value();
    }
    if (current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current != top && !current.next_sibling()) current = current.parent();
    if (current != top) current = current.next_sibling();
  }
  return CodePageIsUtf8() ? text : Utf8ToNarrow(text);
}

void XmlNode::SetValue(std::string_view value) {
  Check();
  pugi::xml_node node = ToPugi(node_);
  if (!IsTextLike(node.type())) {
    throw XmlError(kXmlErrorFail,
                   "Only text, CDATA, comment and processing instruction nodes have a value");
  }
  const Utf8In text(value);
  CheckText(text.View());
  if (node.type() == pugi::node_comment && (text.View().find("--") != std::string_view::npos ||
                                            (!text.View().empty() && text.View().back() == '-'))) {
    throw XmlError(kXmlErrorInvalidArg, "A comment cannot hold \"--\" or end with '-'");
  }
  if (node.type() == pugi::node_cdata && text.View().find("]]>") != std::string_view::npos) {
    throw XmlError(kXmlErrorInvalidArg, "A CDATA section cannot hold \"]]>\"");
  }
  if (node.type() == pugi::node_pi && text.View().find("?>") != std::string_view::npos) {
    throw XmlError(kXmlErrorInvalidArg, "A processing instruction cannot hold \"?>\"");
  }
  if (!node.set_value(text.View().data(), text.View().size())) {
    throw XmlError(kXmlErrorFail, "Out of memory");
  }
}

XmlNode XmlNode::FirstChild() const {
  Check();
  return XmlNode(doc_, ToPugi(node_).first_child().internal_object());
}

XmlNode XmlNode::LastChild() const {
  Check();
  return XmlNode(doc_, ToPugi(node_).last_child().internal_object());
}

XmlNode XmlNode::NextSibling() const {
  Check();
  return XmlNode(doc_, ToPugi(node_).next_sibling().internal_object());
}

XmlNode XmlNode::PreviousSibling() const {
  Check();
  return XmlNode(doc_, ToPugi(node_).previous_sibling().internal_object());
}

XmlNode XmlNode::Parent() const {
  Check();
  return XmlNode(doc_, ToPugi(node_).parent().internal_object());
}

ptrdiff_t XmlNode::SourceOffset() const {
  if (node_ == nullptr) return -1;
  return ToPugi(node_).offset_debug();
}

XmlDocument XmlNode::OwnerDocument() const {
  Check();
  return XmlDocument(doc_);
}

bool XmlNode::HasChildren() const {
  Check();
  return static_cast<bool>(ToPugi(node_).first_child());
}

namespace {

// Raises unless `parent` may take a child of `type`.
void CheckParent(pugi::xml_node parent, pugi::xml_node_type type) {
  const pugi::xml_node_type parentType = parent.type();
  if (parentType == pugi::node_element) return;
  if (parentType == pugi::node_document) {
    if (type == pugi::node_pcdata || type == pugi::node_cdata) {
      throw XmlError(kXmlErrorFail, "Text cannot be a child of the document");
    }
    if (type == pugi::node_element) {
      for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element) {
          throw XmlError(kXmlErrorFail, "The document already has a root element");
        }
      }
    }
    return;
  }
  throw XmlError(kXmlErrorFail, "This node cannot have children");
}

}  // namespace

XmlNode XmlNode::AppendElement(std::string_view name) {
  Check();
  const Utf8In utf8(name);
  CheckName(utf8.View(), "element");
  pugi::xml_node parent = ToPugi(node_);
  CheckParent(parent, pugi::node_element);
  pugi::xml_node child = parent.append_child(utf8.Terminated().c_str());
  if (!child) throw XmlError(kXmlErrorFail, "Cannot append an element");
  return XmlNode(doc_, child.internal_object());
}

XmlNode XmlNode::AppendText(std::string_view text) {
  Check();
  const Utf8In utf8(text);
  pugi::xml_node parent = ToPugi(node_);
  CheckParent(parent, pugi::node_pcdata);
  pugi::xml_node child = parent.append_child(pugi::node_pcdata);
  if (!child || !child.set_value(utf8.View().data(), utf8.View().size())) {
    throw XmlError(kXmlErrorFail, "Cannot append a text node");
  }
  return XmlNode(doc_, child.internal_object());
}

XmlNode XmlNode::InsertTextBefore(const XmlNode& before, std::string_view text) {
  Check();
  if (before.IsNull()) return AppendText(text);
  pugi::xml_node parent = ToPugi(node_);
  const pugi::xml_node reference = ToPugi(before.node_);
  if (reference.parent() != parent) {
    throw XmlError(kXmlErrorInvalidArg, "The reference node is not a child of this node");
  }
  const Utf8In utf8(text);
  CheckText(utf8.View());
  CheckParent(parent, pugi::node_pcdata);
  pugi::xml_node child = parent.insert_child_before(pugi::node_pcdata, reference);
  if (!child || !child.set_value(utf8.View().data(), utf8.View().size())) {
    throw XmlError(kXmlErrorFail, "Cannot insert a text node");
  }
  return XmlNode(doc_, child.internal_object());
}

XmlNode XmlNode::AppendComment(std::string_view text) {
  Check();
  pugi::xml_node parent = ToPugi(node_);
  CheckParent(parent, pugi::node_comment);
  pugi::xml_node child = parent.append_child(pugi::node_comment);
  if (!child) throw XmlError(kXmlErrorFail, "Cannot append a comment");
  XmlNode result(doc_, child.internal_object());
  try {
    result.SetValue(text);
  } catch (...) {
    parent.remove_child(child);
    throw;
  }
  return result;
}

XmlNode XmlNode::AppendProcessingInstruction(std::string_view target, std::string_view data) {
  Check();
  const Utf8In utf8Target(target);
  CheckName(utf8Target.View(), "processing instruction");
  pugi::xml_node parent = ToPugi(node_);
  CheckParent(parent, pugi::node_pi);
  const std::string lowered = [&] {
    std::string key(utf8Target.View());
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
  }();
  if (lowered == "xml") {
    if (utf8Target.View() != "xml" || parent.type() != pugi::node_document ||
        parent.first_child()) {
      throw XmlError(kXmlErrorFail, "The XML declaration must be the first child of the document");
    }
    const Utf8In utf8Data(data);
    std::vector<std::pair<std::string, std::string>> attributes;
    if (!ParsePseudoAttributes(utf8Data.View(), attributes)) {
      throw XmlError(kXmlErrorInvalidArg, "Invalid XML declaration '" + std::string(data) + "'");
    }
    pugi::xml_node declaration = parent.append_child(pugi::node_declaration);
    if (!declaration) throw XmlError(kXmlErrorFail, "Cannot append the declaration");
    for (const auto& a : attributes)
      declaration.append_attribute(a.first.c_str()) = a.second.c_str();
    return XmlNode(doc_, declaration.internal_object());
  }
  pugi::xml_node child = parent.append_child(pugi::node_pi);
  if (!child || !child.set_name(utf8Target.Terminated().c_str())) {
    throw XmlError(kXmlErrorFail, "Cannot append a processing instruction");
  }
  XmlNode result(doc_, child.internal_object());
  try {
    result.SetValue(data);
  } catch (...) {
    parent.remove_child(child);
    throw;
  }
  return result;
}

void XmlNode::RemoveChild(const XmlNode& child) {
  Check();
  child.Check();
  pugi::xml_node parent = ToPugi(node_);
  const pugi::xml_node target = ToPugi(child.node_);
  if (child.doc_ != doc_ || target.parent() != parent) {
    throw XmlError(kXmlErrorInvalidArg, "The node is not a child of this node");
  }
  doc_->BeforeRemove(parent, target);
  parent.remove_child(target);
}

void XmlNode::RemoveChildren() {
  Check();
  pugi::xml_node parent = ToPugi(node_);
  doc_->ForgetSubtree(parent);
  while (pugi::xml_node last = parent.last_child()) parent.remove_child(last);
}

namespace {

// Returns true when `node`, of type `type`, is an element named exactly `name`
// (UTF-8). Its type tells a null node apart (node_null), so that loops need no
// other test; the first byte is compared here, as most children differ there.
bool IsElementNamed(pugi::xml_node node, pugi::xml_node_type type, std::string_view name) {
  if (type != pugi::node_element) return false;
  const char* nodeName = node.name();
  if (name.empty()) return nodeName[0] == '\0';
  if (nodeName[0] != name[0]) return false;
  return std::strncmp(nodeName + 1, name.data() + 1, name.size() - 1) == 0 &&
         nodeName[name.size()] == '\0';
}

// Returns `name` as UTF-8: the view itself when the code page is UTF-8 and
// the name is printable ASCII (the usual case), else the checked conversion
// held in `storage`.
std::string_view Utf8Name(std::string_view name, std::optional<Utf8In>& storage) {
  const auto isPlain = [](char c) { return c >= 0x20 && c < 0x7F; };
  if (std::all_of(name.begin(), name.end(), isPlain) && CodePageIsUtf8()) return name;
  storage.emplace(name);
  return storage->View();
}

}  // namespace

NodeStruct* XmlDocumentData::FindChildElement(pugi::xml_node parent, std::string_view wanted) {
  auto known = cursors.empty() ? cursors.end() : cursors.find(parent.internal_object());
  if (known == cursors.end()) {
    // A parent without a resume point is searched from its first child; only
    // one with a long run of other children before the match gets a resume
    // point, so that small parents (the fields of a record) cost no upkeep.
    constexpr int kShortScan = 16;
    int visited = 0;
    pugi::xml_node current = parent.first_child();
    for (; visited < kShortScan; current = current.next_sibling(), ++visited) {
      const pugi::xml_node_type type = current.type();
      if (type == pugi::node_null) break;
      if (IsElementNamed(current, type, wanted)) {
        childrenVisited += static_cast<uint64_t>(visited) + 1;
        return current.internal_object();
      }
    }
    childrenVisited += static_cast<uint64_t>(visited);
    if (visited < kShortScan || !current) return nullptr;  // every child seen: there is none
  }
  std::vector<Cursor>& parentCursors =
      known != cursors.end() ? known->second : cursors[parent.internal_object()];
  Cursor* cursor = nullptr;
  for (Cursor& c : parentCursors) {
    if (c.name == wanted) {
      cursor = &c;
      break;
    }
  }
  if (cursor == nullptr) {
    parentCursors.push_back(Cursor{std::string(wanted), nullptr});
    cursor = &parentCursors.back();
  }
  pugi::xml_node current =
      cursor->last != nullptr ? pugi::xml_node(cursor->last).next_sibling() : parent.first_child();
  NodeStruct* last = cursor->last;
  for (; current; current = current.next_sibling()) {
    ++childrenVisited;
    if (IsElementNamed(current, current.type(), wanted)) {
      cursor->last = current.previous_sibling().internal_object();
      return current.internal_object();
    }
    last = current.internal_object();
  }
  cursor->last = last;
  return nullptr;
}

XmlNode XmlNode::FirstChildElement(std::string_view name) const {
  Check();
  std::optional<Utf8In> storage;
  NodeStruct* found = doc_->FindChildElement(ToPugi(node_), Utf8Name(name, storage));
  return found != nullptr ? XmlNode(doc_, found) : XmlNode();
}

XmlChildValue XmlNode::FirstChildElementValue(std::string_view name, std::string& value) const {
  Check();
  std::optional<Utf8In> storage;
  NodeStruct* found = doc_->FindChildElement(ToPugi(node_), Utf8Name(name, storage));
  if (found == nullptr) return XmlChildValue::kNoElement;
  const pugi::xml_node child = pugi::xml_node(found).first_child();
  if (!child) return XmlChildValue::kNoChild;
  if (!IsTextLike(child.type())) return XmlChildValue::kNoValue;
  if (CodePageIsUtf8()) {
    value.assign(child.value());
  } else {
    value = Utf8ToNarrow(child.value());
  }
  return XmlChildValue::kValue;
}

XmlNode XmlNode::SelectSingleNode(const std::string& query) const {
  const std::vector<XmlNode> nodes = SelectNodes(query);
  return nodes.empty() ? XmlNode() : nodes.front();
}

std::vector<XmlNode> XmlNode::SelectNodes(const std::string& query) const {
  const XmlQuery compiled(query);
  return compiled.Select(*this);
}

std::optional<std::string> XmlNode::GetAttribute(std::string_view name) const {
  Check();
  const pugi::xml_node node = ToPugi(node_);
  if (node.type() != pugi::node_element) return std::nullopt;
  const Utf8In utf8(name);
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* attributeName = a.name();
    if (std::strncmp(attributeName, utf8.View().data(), utf8.View().size()) == 0 &&
        attributeName[utf8.View().size()] == '\0') {
      return Narrow(a.value());
    }
  }
  return std::nullopt;
}

void XmlNode::SetAttribute(std::string_view name, std::string_view value) {
  Check();
  pugi::xml_node node = ToPugi(node_);
  if (node.type() != pugi::node_element) {
    throw XmlError(kXmlErrorFail, "Only elements have attributes");
  }
  const Utf8In utf8Name(name);
  CheckName(utf8Name.View(), "attribute");
  const Utf8In utf8Value(value);
  CheckText(utf8Value.View());
  const std::string key = utf8Name.Terminated();
  pugi::xml_attribute attribute = node.attribute(key.c_str());
  if (!attribute) attribute = node.append_attribute(key.c_str());
  if (!attribute || !attribute.set_value(utf8Value.View().data(), utf8Value.View().size())) {
    throw XmlError(kXmlErrorFail, "Cannot set attribute '" + std::string(name) + "'");
  }
}

// ---- XmlQuery -------------------------------------------------------------

struct XmlQuery::Compiled {
  std::unique_ptr<pugi::xpath_query> query;
  std::string error;
};

XmlQuery::XmlQuery(const std::string& query) : text_(query), compiled_(new Compiled) {
  try {
    const Utf8In utf8(query);
    compiled_->query = std::make_unique<pugi::xpath_query>(utf8.Terminated().c_str());
  } catch (const pugi::xpath_exception& e) {
    compiled_->error = std::string("Invalid query '") + query + "': " + e.what();
    compiled_->query.reset();
  } catch (const XmlError& e) {
    compiled_->error = std::string("Invalid query '") + query + "': " + e.what();
    compiled_->query.reset();
  }
}

XmlQuery::~XmlQuery() = default;

size_t XmlNode::CountElementsNamed(const std::vector<std::string>& names) const {
  Check();
  // pugixml walks the tree itself; the walker only looks at the names.
  struct Counter : pugi::xml_tree_walker {
    std::vector<std::string> wanted;
    size_t count = 0;
    bool for_each(pugi::xml_node& node) override {
      if (node.type() != pugi::node_element) return true;
      const char* name = node.name();
      for (const std::string& w : wanted) {
        if (name[0] == w[0] && std::strcmp(name, w.c_str()) == 0) {
          ++count;
          break;
        }
      }
      return true;
    }
  } counter;
  for (const std::string& name : names) counter.wanted.push_back(Utf8In(name).Terminated());
  if (counter.wanted.empty()) return 0;
  ToPugi(node_).root().traverse(counter);
  return counter.count;
}

size_t XmlQuery::Count(const XmlNode& context) const {
  context.Check();
  if (!compiled_->query) throw XmlError(kXmlErrorInvalidArg, compiled_->error);
  try {
    return compiled_->query
        ->evaluate_node_set(pugi::xml_node(static_cast<NodeStruct*>(context.node_)))
        .size();
  } catch (const pugi::xpath_exception& e) {
    throw XmlError(kXmlErrorInvalidArg, "Query '" + text_ + "' does not select nodes: " + e.what());
  }
}

std::vector<XmlNode> XmlQuery::Select(const XmlNode& context) const {
  context.Check();
  if (!compiled_->query) throw XmlError(kXmlErrorInvalidArg, compiled_->error);
  try {
    pugi::xpath_node_set set = compiled_->query->evaluate_node_set(
        pugi::xml_node(static_cast<NodeStruct*>(context.node_)));
    set.sort();
    std::vector<XmlNode> nodes;
    nodes.reserve(set.size());
    for (const pugi::xpath_node& item : set) {
      // Attribute results have no node handle; only nodes are returned.
      if (item.node() && !item.attribute()) {
        nodes.push_back(XmlNode(context.doc_, item.node().internal_object()));
      }
    }
    return nodes;
  } catch (const pugi::xpath_exception& e) {
    throw XmlError(kXmlErrorInvalidArg, "Query '" + text_ + "' does not select nodes: " + e.what());
  }
}

// ---- XmlDocument ----------------------------------------------------------

XmlDocument XmlDocument::Create() { return XmlDocument(std::make_shared<XmlDocumentData>()); }

void XmlDocument::Check() const {
  if (data_ == nullptr) throw XmlError(kXmlErrorPointer, "The document is missing");
}

bool XmlDocument::Load(const std::string& fileName, XmlLoadMode mode) {
  Check();
  std::string bytes;
  int error = 0;
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
  } else {
    // One allocation of the file's size; a file that grows meanwhile is read on.
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
      bytes.resize(static_cast<size_t>(info.st_size));
    size_t have = 0;
    for (;;) {
      if (have == bytes.size()) bytes.resize(have + 65536);
      const ssize_t got = read(fd, &bytes[have], bytes.size() - have);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = errno;
      if (got <= 0) break;
      have += static_cast<size_t>(got);
    }
    bytes.resize(have);
    close(fd);
  }
  if (error != 0) {
    Clear();
    data_->url = fileName;
    XmlParseError& record = data_->error;
    record.code = error == ENOENT || error == ENOTDIR ? kXmlErrorNotFound : kXmlErrorAccess;
    record.reason = "Cannot read file '" + fileName + "': " + SystemErrorText(error);
    record.url = fileName;
    return false;
  }
  return LoadBuffer(bytes.data(), bytes.size(), fileName, mode);
}

bool XmlDocument::LoadBuffer(const void* data, size_t size, const std::string& url,
                             XmlLoadMode mode) {
  Check();
  Clear();
  data_->url = url;
  data_->error.url = url;
  const std::string_view bytes(static_cast<const char*>(data), size);
  std::string converted8;
  std::string_view utf8;
  bool converted = false;
  size_t skipped = 0;
  LoadProblem problem;
  if (!ToUtf8(bytes, converted8, utf8, converted, skipped, problem)) {
    FillError(data_->error, problem, bytes, 0);
    data_->error.offset = problem.offset;
    return false;
  }
  const unsigned flags =
      kParseFlags | (mode == XmlLoadMode::kKeepValues ? pugi::parse_ws_pcdata_single : 0u);
  const pugi::xml_parse_result result =
      data_->doc.load_buffer(utf8.data(), utf8.size(), flags, pugi::encoding_utf8);
  if (!result) {
    problem.reason = result.description();
    problem.offset =
        std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), utf8.size());
    if (result.status == pugi::status_end_element_mismatch &&
        utf8.find('<', problem.offset) == std::string::npos) {
      problem.reason = "The document ends before every element is closed";
      problem.offset = utf8.size();
    } else if (result.status == pugi::status_end_element_mismatch) {
      // Point at the start of the end tag and name it.
      const size_t tag = utf8.rfind("</", problem.offset);
      if (tag != std::string::npos) {
        size_t end = tag + 2;
        while (end < utf8.size() && IsNameChar(static_cast<unsigned char>(utf8[end]))) ++end;
        problem.reason = "The end tag '" + std::string(utf8.substr(tag + 2, end - tag - 2)) +
                         "' does not match the start tag";
        problem.offset = tag;
      }
    }
  } else {
    WellFormedScan scan(utf8);
    if (scan.Run(problem) && TopLevelIsSound(data_->doc, problem)) {
      if (utf8.size() <= kMaxLineTableBytes) {
        data_->lineStarts.push_back(0);
        for (size_t at = utf8.find('\n'); at != std::string_view::npos;
             at = utf8.find('\n', at + 1)) {
          data_->lineStarts.push_back(at + 1);
        }
      }
      if (mode == XmlLoadMode::kKeepValues) RestoreEmptyTexts(data_->doc, utf8);
      if (converted) {
        // The document now holds UTF-8 and is saved as UTF-8.
        for (pugi::xml_node child : data_->doc.children()) {
          if (child.type() == pugi::node_declaration && child.attribute("encoding")) {
            child.attribute("encoding").set_value("UTF-8");
          }
        }
      }
      return true;
    }
  }
  FillError(data_->error, problem, utf8, converted ? 0 : skipped);
  data_->doc.reset();
  return false;
}

const XmlParseError& XmlDocument::ParseError() const {
  Check();
  return data_->error;
}

int XmlDocument::LineOfOffset(ptrdiff_t offset) const {
  Check();
  const std::vector<size_t>& starts = data_->lineStarts;
  if (offset < 0 || starts.empty()) return 0;
  const auto after = std::upper_bound(starts.begin(), starts.end(), static_cast<size_t>(offset));
  return static_cast<int>(after - starts.begin());
}

std::string XmlDocument::SaveToString() const {
  Check();
  std::string text;
  DocumentWriter([&](std::string_view block) { text += block; }).Write(data_->doc);
  return text;
}

void XmlDocument::Save(const std::string& fileName) const { SaveReplacing(fileName); }

void XmlDocument::SaveReplacing(const std::string& fileName) const {
  Check();
  AtomicFile file;
  int code = 0;
  if (fileName.empty() || !file.Open(fileName, code)) {
    throw XmlError(
        code == EACCES || code == EPERM || code == EROFS ? kXmlErrorAccess : kXmlErrorFail,
        "Cannot write '" + fileName + "': " + SystemErrorText(code));
  }
  // The text goes to the file in blocks as it is produced, so a large
  // document is never held twice.
  try {
    DocumentWriter([&](std::string_view block) { file.Write(block); }).Write(data_->doc);
    file.Commit();
  } catch (const FileError& e) {
    throw XmlError(kXmlErrorFail, "Cannot write '" + fileName + "': " +
                                      SystemErrorText(e.SystemCode() != 0 ? e.SystemCode() : EIO));
  }
}

XmlNode XmlDocument::DocumentElement() const {
  Check();
  return XmlNode(data_, data_->doc.document_element().internal_object());
}

XmlNode XmlDocument::AsNode() const {
  Check();
  return XmlNode(data_, data_->doc.internal_object());
}

void XmlDocument::Clear() {
  Check();
  data_->doc.reset();
  data_->cursors.clear();
  data_->error = XmlParseError();
  data_->url.clear();
  data_->lineStarts.clear();
}

void XmlDocument::AdoptGeneratedText(char* text, size_t size, bool hasEmptyTexts) {
  Check();
  Clear();
  constexpr unsigned kGeneratedFlags = pugi::parse_escapes | pugi::parse_ws_pcdata |
                                       pugi::parse_comments | pugi::parse_pi |
                                       pugi::parse_declaration;
  const pugi::xml_parse_result result =
      data_->doc.load_buffer_inplace_own(text, size, kGeneratedFlags, pugi::encoding_utf8);
  if (!result) {
    throw XmlError(kXmlErrorParse, std::string("Generated document: ") + result.description());
  }
  if (!hasEmptyTexts) return;
  // The records that an import writes never hold an element without children
  // unless it held an empty text; only `info`, the root's first child element,
  // holds such elements of its own.
  pugi::xml_node root = data_->doc.document_element();
  pugi::xml_node skip =
      root.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
  // Depth-first walk without recursion.
  pugi::xml_node node = root.first_child();
  while (node && node != root) {
    if (node.type() == pugi::node_element && node != skip) {
      if (!node.first_child()) {
        node.append_child(pugi::node_pcdata);
      } else {
        node = node.first_child();
        continue;
      }
    }
    while (node != root && !node.next_sibling()) node = node.parent();
    if (node != root) node = node.next_sibling();
  }
}

uint64_t XmlDocument::DebugChildrenVisited() const {
  Check();
  return data_->childrenVisited;
}

}  // namespace compoundparser
