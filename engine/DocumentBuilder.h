// The one door through which import adds to the instrument data document.
// Import never reads the document: nodes only open elements below the current
// node, append text and values (with the bytes each value came from), and
// close (attach) or drop what they opened. The library builds a DOM through it
// (DomDocumentBuilder) or streams the same bytes as XML text; a host may watch
// an import through a builder of its own (TParserParam::SetBuilder).
#pragma once

#include <cstdint>
#include <string_view>

namespace compoundparser {

// A stretch of bytes of the data file, from `begin` up to (not including) `end`.
struct TByteRange {
  uint32_t begin = 0;
  uint32_t end = 0;
};

class DocumentBuilder {
 public:
  virtual ~DocumentBuilder() = default;
  // Opens an element `name` below the current node, preceded there by
  // `indent` text nodes of two spaces, and makes it current. Neither is part
  // of the document for good until CloseElement.
  virtual void OpenElement(std::string_view name, int indent) = 0;
  // Appends a text node to the current node.
  virtual void AppendText(std::string_view text) = 0;
  // Appends the value of a field or a recording literal to the element just
  // opened for it; `source` is where the value stands in the data file. By
  // default the value is a text like any other.
  virtual void AppendValue(std::string_view text, const TByteRange& source) {
    (void)source;
    AppendText(text);
  }
  // Attaches the current element (and its indentation) to its parent and
  // makes the parent current again.
  virtual void CloseElement() = 0;
  // Adds a whole field below the current node: an element `name` after
  // `indent` indentation text nodes, holding `text` (a value from `source`),
  // followed by the text `after`. By default the calls it stands for; a
  // builder may do it in one step, with the same result.
  virtual void AppendElement(std::string_view name, int indent, std::string_view text,
                             const TByteRange& source, std::string_view after) {
    OpenElement(name, indent);
    AppendValue(text, source);
    CloseElement();
    AppendText(after);
  }
  // Discards the current element, everything below it and its indentation,
  // and makes the parent current again.
  virtual void DropElement() = 0;
};

}  // namespace compoundparser
