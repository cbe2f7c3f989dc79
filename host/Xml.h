// The XML document services: a small DOM over pugixml. Documents are shared by
// reference (XmlDocument), nodes are handles (XmlNode) that keep their document
// alive. Strings going in and out are narrow strings of the process code page
// (see CodePage.h); names and values are converted to and from UTF-8 here.
// Every failing operation, and every operation on a null node or an empty
// document, raises XmlError (missing object: kXmlErrorPointer).
//
// pugixml cannot hold a detached node, so creation operations create and append
// in one step (AppendElement, AppendText, InsertTextBefore); a provisional node
// is removed again with RemoveChild.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace compoundparser {

struct XmlDocumentData;  // pugixml document plus the layer's own state
class XmlDocument;

// Node types, as the DOM numbers them.
enum XmlNodeType : int {
  kXmlNull = 0,
  kXmlElement = 1,
  kXmlText = 3,
  kXmlCData = 4,
  kXmlProcessingInstruction = 7,
  kXmlComment = 8,
  kXmlDocumentNode = 9,
  kXmlDocType = 10,
};

// What XmlNode::FirstChildElementValue found.
enum class XmlChildValue {
  kNoElement,  // no child element of that name
  kNoChild,    // the element has no child
  kNoValue,    // its first child is an element (no value)
  kValue,      // the value of its first child was copied
};

// What a load keeps of text that is white space only (see XmlDocument::Load).
enum class XmlLoadMode { kDropBlankText, kKeepValues };

// The parse-error record of a document after a failed load.
struct XmlParseError {
  uint32_t code = 0;     // 0: no error
  std::string reason;    // what was wrong
  int line = 0;          // 1-based; 0 when unknown
  int linePosition = 0;  // 1-based column (in bytes) in that line
  std::string url;       // the file name that was loaded
  size_t offset = 0;     // byte offset of the error in the file
};

class XmlNode {
 public:
  XmlNode() = default;

  bool IsNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const XmlNode& other) const { return node_ == other.node_; }
  bool operator!=(const XmlNode& other) const { return node_ != other.node_; }

  // Returns the DOM node type (kXmlNull for a null handle).
  int Type() const;
  // Returns the tag name of an element, the target of a processing instruction,
  // "#text" for text and "#comment" for comments.
  std::string Name() const;
  // Returns the text of a text, CDATA or comment node; nullopt for elements
  // and documents (whose DOM value is null).
  std::optional<std::string> Value() const;
  // Returns all text below the node (text and CDATA of every descendant, in
  // document order); the node's own value for a text or CDATA node.
  std::string Text() const;
  // Replaces the text of a text, CDATA, comment or processing instruction
  // node. Raises kXmlErrorInvalidArg for characters that XML cannot hold
  // (NUL and control characters other than tab, CR and LF).
  void SetValue(std::string_view value);

  XmlNode FirstChild() const;
  XmlNode LastChild() const;
  XmlNode NextSibling() const;
  XmlNode PreviousSibling() const;
  XmlNode Parent() const;
  XmlDocument OwnerDocument() const;
  // Returns true when the node has at least one child.
  bool HasChildren() const;

  // Creates an element `name` and appends it as the last child. Raises
  // kXmlErrorInvalidArg for a name that is not a valid XML name.
  XmlNode AppendElement(std::string_view name);
  // Creates a text node and appends it as the last child (same character
  // rules as SetValue).
  XmlNode AppendText(std::string_view text);
  // Creates a text node and inserts it right before the child `before`.
  XmlNode InsertTextBefore(const XmlNode& before, std::string_view text);
  // Creates a comment and appends it as the last child.
  XmlNode AppendComment(std::string_view text);
  // Creates a processing instruction (target "xml" makes the declaration) and
  // appends it as the last child.
  XmlNode AppendProcessingInstruction(std::string_view target, std::string_view data);
  // Detaches and destroys `child`; handles to it and its descendants become
  // invalid.
  void RemoveChild(const XmlNode& child);
  // Removes every child, from the last to the first.
  void RemoveChildren();

  // Returns the first child element named `name`, or a null node. This is the
  // query "./name" without XPath. Repeated calls for the same parent and name
  // resume where the last one stopped, so that consuming the elements of a
  // parent one by one (find, remove, find the next) is linear.
  XmlNode FirstChildElement(std::string_view name) const;
  // Finds the element as FirstChildElement does and copies the value of its
  // first child (as Value gives it) into `value`, reusing its memory; `value`
  // is left alone unless the result is kValue. Makes no node handle.
  XmlChildValue FirstChildElementValue(std::string_view name, std::string& value) const;
  // Returns the first node matching an XPath query relative to this node, or a
  // null node. Raises kXmlErrorInvalidArg for an invalid query.
  XmlNode SelectSingleNode(const std::string& query) const;
  // Returns all nodes matching an XPath query, in document order. Attributes
  // that a query selects are left out: a node handle cannot stand for them.
  std::vector<XmlNode> SelectNodes(const std::string& query) const;
  // Counts the elements of the whole document that holds this node whose
  // name is one of `names` (code page), as the queries "//NAME" would, in one
  // pass.
  size_t CountElementsNamed(const std::vector<std::string>& names) const;

  // Returns the attribute's value, or nullopt when the attribute is absent or
  // the node is not an element.
  std::optional<std::string> GetAttribute(std::string_view name) const;
  // Creates or replaces an attribute.
  void SetAttribute(std::string_view name, std::string_view value);

  // Returns the byte offset of the node in the UTF-8 text that its document
  // was loaded from, or -1 when unknown (a node created or changed since).
  ptrdiff_t SourceOffset() const;

  // For the layer itself and its tests: the raw pugixml node (pugi::xml_node_struct*).
  void* Raw() const { return node_; }

 private:
  friend class XmlDocument;
  friend class XmlQuery;
  XmlNode(std::shared_ptr<XmlDocumentData> doc, void* node) : doc_(std::move(doc)), node_(node) {}
  void Check() const;

  std::shared_ptr<XmlDocumentData> doc_;
  void* node_ = nullptr;  // pugi::xml_node_struct*
};

// An XPath query compiled once and evaluated many times. A query that does not
// compile is kept with its error, which is raised when it is evaluated.
class XmlQuery {
 public:
  explicit XmlQuery(const std::string& query);
  ~XmlQuery();
  XmlQuery(const XmlQuery&) = delete;
  XmlQuery& operator=(const XmlQuery&) = delete;

  const std::string& Text() const { return text_; }
  // Returns the number of nodes that the query selects relative to `context`
  // (attributes included).
  size_t Count(const XmlNode& context) const;
  // Returns the nodes that the query selects, in document order (attributes
  // left out).
  std::vector<XmlNode> Select(const XmlNode& context) const;

 private:
  std::string text_;
  struct Compiled;
  std::unique_ptr<Compiled> compiled_;
};

class XmlDocument {
 public:
  // An empty handle: no document. Every operation on it raises kXmlErrorPointer.
  XmlDocument() = default;
  // Returns a new, empty document.
  static XmlDocument Create();

  bool IsNull() const { return data_ == nullptr; }
  explicit operator bool() const { return data_ != nullptr; }
  bool operator==(const XmlDocument& other) const { return data_ == other.data_; }

  // Loads a file, replacing the content. With kDropBlankText, text nodes of
  // white space only are dropped; with kKeepValues (instrument data), white
  // space that is the whole content of an element is kept, and an element
  // written with a start and an end tag and nothing between ("<a></a>") gets an
  // empty text, as the document that saved it held (Save writes an empty text
  // that way and an element without children as "<a/>"). Every other text,
  // comments and processing instructions are kept.
  // A declared encoding other than UTF-8 (and UTF-16/32 found by the first
  // bytes) is converted, and the declaration then says "UTF-8". Returns false,
  // leaves the document empty and fills ParseError() when the file cannot be
  // read or is not well-formed XML (also: undefined entities, duplicate
  // attributes, more than one root, text at the top level, nesting deeper
  // than 1024 elements). Line, position and offset refer to the UTF-8 text.
  bool Load(const std::string& fileName, XmlLoadMode mode = XmlLoadMode::kDropBlankText);
  // Loads from memory; `url` is what the parse error names.
  bool LoadBuffer(const void* data, size_t size, const std::string& url = std::string(),
                  XmlLoadMode mode = XmlLoadMode::kDropBlankText);
  const XmlParseError& ParseError() const;
  // Returns the 1-based line of a byte offset (as SourceOffset gives) in the
  // text of the last successful load; 0 when unknown: a negative offset, a
  // document not loaded from text or one larger than kMaxLineTableBytes.
  int LineOfOffset(ptrdiff_t offset) const;
  static constexpr size_t kMaxLineTableBytes = size_t{4} << 20;

  // Writes the whole document as UTF-8 XML text, every node as it is (no
  // indentation added), escaped so that Load gives back the same text: a
  // carriage return in a value is written "&#13;", and tab, line feed and
  // carriage return in attribute values as references. The file appears whole
  // or not at all, as SaveReplacing writes it. Raises XmlError on failure.
  void Save(const std::string& fileName) const;
  // Writes the document through an unnamed temporary file in the target's
  // folder that takes the target's name once complete (keeping the permissions
  // of a file it replaces), so that a failure or a kill leaves the old file as
  // it was. A symbolic link at `fileName` is replaced by the file, never
  // written through. Raises XmlError on failure.
  void SaveReplacing(const std::string& fileName) const;
  // Returns the text that Save would write.
  std::string SaveToString() const;

  // Returns the root element, or a null node.
  XmlNode DocumentElement() const;
  // Returns the document node itself (to append the declaration, comments and
  // the root element to it, or to run absolute queries).
  XmlNode AsNode() const;

  // Drops every node of the document.
  void Clear();

  // Replaces the content by XML text that this library's own writers produced
  // (well formed, UTF-8, indentation text included), parsed in place: every
  // text node is kept byte for byte, white space only ones too. Takes `text`,
  // which must come from std::malloc. With `hasEmptyTexts`, each element
  // below the root that has no child (outside the root's first child element)
  // gets an empty text node, as an empty value had in the DOM that wrote it.
  // Raises XmlError when the text does not parse.
  void AdoptGeneratedText(char* text, size_t size, bool hasEmptyTexts);

  // Returns how many children FirstChildElement has examined in this
  // document so far (to check that it does not rescan).
  uint64_t DebugChildrenVisited() const;

 private:
  friend class XmlNode;
  explicit XmlDocument(std::shared_ptr<XmlDocumentData> data) : data_(std::move(data)) {}
  void Check() const;

  std::shared_ptr<XmlDocumentData> data_;
};

}  // namespace compoundparser
