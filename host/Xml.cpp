#include "host/Xml.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <pugixml.hpp>
#include <unordered_map>
#include <unordered_set>

#include "host/AtomicFile.h"
#include "host/ByteScan.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/TextPlace.h"
#include "host/Utf8.h"
#include "host/XmlEncoding.h"
#include "host/XmlText.h"
#include "host/XmlWellFormed.h"

namespace compoundparser {

namespace {

using NodeStruct = pugi::xml_node_struct;

pugi::xml_node ToPugi(void* node) { return pugi::xml_node(static_cast<NodeStruct*>(node)); }

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

// ---- Loading -------------------------------------------------------------

// Checks the top level of the parsed tree itself: one root element and no
// text beside it. The text scan follows the markup as XML reads it, but
// pugixml may read a malformed declaration differently and find elements
// where the scan saw none.
bool TopLevelIsSound(const pugi::xml_document& doc, XmlProblem& problem) {
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
void FillError(XmlParseError& error, const XmlProblem& problem, std::string_view text,
               size_t shift) {
  error.code = problem.code;
  error.reason = problem.reason;
  error.offset = problem.offset + shift;
  const TTextPlace place = LocateInText(text, problem.offset);
  error.line = place.line;
  error.linePosition = place.column;
}

// Writes the XML text of a node's children to a buffered output: every node
// as it is, nothing added. The text is escaped so that a load gives back what
// the document holds (see AppendEscapedXmlText): carriage returns stay raw only
// in white space beside child elements, which a load drops anyway. The walk
// keeps no recursion, so documents of any depth are written.
class DocumentWriter {
 public:
  explicit DocumentWriter(BufferedOutput& out) : out_(out) {}

  void Write(pugi::xml_node top) {
    pugi::xml_node node = top.first_child();
    // For each open element: whether it has a child element (-1: not yet known),
    // and its name, for the end tag.
    std::vector<signed char> mixed{1};
    std::vector<std::string_view> names;
    while (node) {
      if (node.type() == pugi::node_element) {
        const std::string_view name(node.name());
        out_.Append('<');
        out_.Append(name);
        Attributes(node);
        if (pugi::xml_node child = node.first_child()) {
          out_.Append('>');
          mixed.push_back(-1);
          names.push_back(name);
          node = child;
          continue;
        }
        out_.Append("/>", 2);
      } else {
        Leaf(node, mixed.back());
      }
      out_.FlushIfFull();
      while (!node.next_sibling()) {
        node = node.parent();
        if (!node || node == top) {
          out_.Flush();
          return;
        }
        out_.Append("</", 2);
        out_.Append(names.back());
        out_.Append('>');
        mixed.pop_back();
        names.pop_back();
      }
      node = node.next_sibling();
    }
    out_.Flush();
  }

 private:
  void Attributes(pugi::xml_node node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
      out_.Append(' ');
      out_.Append(std::string_view(a.name()));
      out_.Append("=\"", 2);
      AppendEscapedXmlAttribute(out_, a.value());
      out_.Append('"');
    }
  }

  // Writes `text`, replacing each occurrence of `bad` by `replacement`.
  void Split(std::string_view text, std::string_view bad, std::string_view replacement) {
    for (size_t at = text.find(bad); at != std::string_view::npos; at = text.find(bad)) {
      out_.Append(text.data(), at);
      out_.Append(replacement);
      text.remove_prefix(at + bad.size());
    }
    out_.Append(text);
  }

  void Leaf(pugi::xml_node node, signed char& parentMixed) {
    const std::string_view value = node.value();
    switch (node.type()) {
      case pugi::node_pcdata: {
        // Most values need no reference and hold no carriage return.
        if (IsPlainXmlText(value.data(), value.size())) {
          out_.Append(value);
          break;
        }
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
        if (raw) {
          out_.Append(value);  // white space: nothing in it is escaped
        } else {
          AppendEscapedXmlText(out_, value, raw);
        }
        break;
      }
      case pugi::node_cdata:
        out_.Append(std::string_view("<![CDATA["));
        Split(value, "]]>", "]]]]><![CDATA[>");
        out_.Append(std::string_view("]]>"));
        break;
      case pugi::node_comment: {
        // "--" and a final '-' would end the comment: a blank follows each such '-'.
        out_.Append(std::string_view("<!--"));
        for (size_t i = 0; i < value.size(); ++i) {
          out_.Append(value[i]);
          if (value[i] == '-' && (i + 1 == value.size() || value[i + 1] == '-')) out_.Append(' ');
        }
        out_.Append(std::string_view("-->"));
        break;
      }
      case pugi::node_pi:
        out_.Append(std::string_view("<?"));
        out_.Append(std::string_view(node.name()));
        if (!value.empty()) {
          out_.Append(' ');
          Split(value, "?>", "? >");
        }
        out_.Append(std::string_view("?>"));
        break;
      case pugi::node_declaration:
        out_.Append(std::string_view("<?"));
        out_.Append(std::string_view(node.name()));
        Attributes(node);
        out_.Append(std::string_view("?>"));
        break;
      case pugi::node_doctype:
        out_.Append(std::string_view("<!DOCTYPE"));
        if (!value.empty()) {
          out_.Append(' ');
          out_.Append(value);
        }
        out_.Append('>');
        break;
      default:
        break;
    }
  }

  BufferedOutput& out_;
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
  CheckXmlText(text.View());
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
  CheckXmlName(utf8.View(), "element");
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
  CheckXmlText(utf8.View());
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
  CheckXmlName(utf8Target.View(), "processing instruction");
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
  // Names are short: compared here, not through a call. A node name that ends
  // earlier stops the loop at its terminating zero, which `name` lacks.
  for (size_t i = 1; i < name.size(); ++i) {
    if (nodeName[i] != name[i]) return false;
  }
  return nodeName[name.size()] == '\0';
}

// Returns `name` as UTF-8: the view itself when the code page is UTF-8 and
// the name is printable ASCII (the usual case), else the checked conversion
// held in `storage`.
std::string_view Utf8Name(std::string_view name, std::optional<Utf8In>& storage) {
  if (IsPrintableAscii(name.data(), name.size()) && CodePageIsUtf8()) return name;
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
  return XmlNode(doc_, found).FirstChildValue(value);
}

XmlChildValue XmlNode::FirstChildValue(std::string& value) const {
  Check();
  const pugi::xml_node child = pugi::xml_node(static_cast<NodeStruct*>(node_)).first_child();
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

std::vector<std::string> XmlNode::AttributeNames() const {
  Check();
  std::vector<std::string> names;
  const pugi::xml_node node = ToPugi(node_);
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    names.push_back(Narrow(a.name()));
  }
  return names;
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
  CheckXmlName(utf8Name.View(), "attribute");
  const Utf8In utf8Value(value);
  CheckXmlText(utf8Value.View());
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
  std::vector<XmlNode> nodes;
  Evaluate(context, [&](const XmlNode& node) {
    nodes.push_back(node);
    return true;
  });
  return nodes;
}

XmlNode XmlQuery::First(const XmlNode& context) const {
  XmlNode first;
  Evaluate(context, [&](const XmlNode& node) {
    first = node;
    return false;
  });
  return first;
}

void XmlQuery::Evaluate(const XmlNode& context,
                        const std::function<bool(const XmlNode&)>& take) const {
  context.Check();
  if (!compiled_->query) throw XmlError(kXmlErrorInvalidArg, compiled_->error);
  try {
    pugi::xpath_node_set set = compiled_->query->evaluate_node_set(
        pugi::xml_node(static_cast<NodeStruct*>(context.node_)));
    set.sort();
    for (const pugi::xpath_node& item : set) {
      // Attribute results have no node handle; only nodes are taken.
      if (item.node() && !item.attribute() &&
          !take(XmlNode(context.doc_, item.node().internal_object()))) {
        return;
      }
    }
  } catch (const pugi::xpath_exception& e) {
    throw XmlError(kXmlErrorInvalidArg, "Query '" + text_ + "' does not select nodes: " + e.what());
  }
}

bool XmlQuery::IsValid() const { return compiled_->query != nullptr; }

// ---- XmlDocument ----------------------------------------------------------

XmlDocument XmlDocument::Create() { return XmlDocument(std::make_shared<XmlDocumentData>()); }

void XmlDocument::Check() const {
  if (data_ == nullptr) throw XmlError(kXmlErrorPointer, "The document is missing");
}

bool XmlDocument::Load(const std::string& fileName, XmlLoadMode mode) {
  Check();
  // The bytes are read into memory that is not cleared first: every byte of it
  // that is used comes from the file.
  struct FreeBytes {
    void operator()(char* bytes) const { std::free(bytes); }
  };
  std::unique_ptr<char, FreeBytes> bytes;
  size_t capacity = 0;
  size_t have = 0;
  int error = 0;
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
  } else {
    // One allocation of the file's size and a byte, so that the read that
    // finds the end needs no more; a file that grows meanwhile is read on.
    struct stat info {};
    size_t first = 65536;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
      first = static_cast<size_t>(info.st_size) + 1;
    }
    for (;;) {
      if (have == capacity) {
        const size_t more = capacity == 0 ? first : 65536;
        char* bigger = static_cast<char*>(std::realloc(bytes.get(), capacity + more));
        if (bigger == nullptr) {
          close(fd);
          throw std::bad_alloc();
        }
        static_cast<void>(bytes.release());
        bytes.reset(bigger);
        capacity += more;
      }
      const ssize_t got = read(fd, bytes.get() + have, capacity - have);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = errno;
      if (got <= 0) break;
      have += static_cast<size_t>(got);
    }
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
  return LoadBuffer(bytes.get(), have, fileName, mode);
}

bool XmlDocument::LoadBuffer(const void* data, size_t size, const std::string& url,
                             XmlLoadMode mode) {
  Check();
  Clear();
  data_->url = url;
  data_->error.url = url;
  const std::string_view bytes(static_cast<const char*>(data), size);
  XmlUtf8Text text;
  XmlProblem problem;
  if (!XmlBytesToUtf8(bytes, text, problem)) {
    FillError(data_->error, problem, bytes, 0);
    data_->error.offset = problem.offset;
    return false;
  }
  const std::string_view utf8 = text.view;
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
        while (end < utf8.size() && IsXmlNameByte(static_cast<unsigned char>(utf8[end]))) ++end;
        problem.reason = "The end tag '" + std::string(utf8.substr(tag + 2, end - tag - 2)) +
                         "' does not match the start tag";
        problem.offset = tag;
      }
    }
  } else {
    bool emptyPairs = false;
    if (CheckWellFormed(utf8, problem, &emptyPairs) && TopLevelIsSound(data_->doc, problem)) {
      if (utf8.size() <= kMaxLineTableBytes) {
        data_->lineStarts.push_back(0);
        for (size_t at = utf8.find('\n'); at != std::string_view::npos;
             at = utf8.find('\n', at + 1)) {
          data_->lineStarts.push_back(at + 1);
        }
      }
      // Only an element written as "<a></a>" is given an empty text: without
      // one in the text the walk over every node is spared.
      if (mode == XmlLoadMode::kKeepValues && emptyPairs) RestoreEmptyTexts(data_->doc, utf8);
      if (text.converted) {
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
  FillError(data_->error, problem, utf8, text.converted ? 0 : text.skipped);
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
  BufferedOutput text(nullptr);
  DocumentWriter(text).Write(data_->doc);
  return text.TakeString();
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
    BufferedOutput out(&file);
    DocumentWriter(out).Write(data_->doc);
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
