// The document builder of a streaming import: writes the XML text of the
// records straight to an output file, byte for byte what building the document
// and saving it would give, without building a document. Bytes of an element
// that is still open stay in a buffer (a failing group drops them); once no
// element is open, the buffer goes to the file in large blocks.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/DocumentBuilder.h"
#include "host/AtomicFile.h"
#include "host/BufferedOutput.h"

namespace compoundparser {

class XmlStreamBuilder : public DocumentBuilder {
 public:
  // Writes to `output` in large blocks; without an output the whole text stays
  // in memory for ReleaseText.
  explicit XmlStreamBuilder(AtomicFile* output);
  ~XmlStreamBuilder() override;
  XmlStreamBuilder(const XmlStreamBuilder&) = delete;
  XmlStreamBuilder& operator=(const XmlStreamBuilder&) = delete;

  void OpenElement(std::string_view name, int indent) override;
  void AppendText(std::string_view text) override;
  void CloseElement() override;
  void DropElement() override;
  void AppendElement(std::string_view name, int indent, std::string_view text,
                     const TByteRange& source, std::string_view after) override;

  // Writes raw bytes (the document's head and tail) at the current place.
  void AppendRaw(std::string_view bytes) { out_.Append(bytes); }
  // Replaces everything written so far (the document's head, before the
  // first record) by `bytes`. Raises XmlError once a block went to the file.
  void ReplaceRaw(std::string_view bytes);
  // Writes everything buffered to the file; only valid with no element open.
  void Flush();
  // Closes every element still open (a run that ended with an error leaves
  // them open, as the DOM keeps them).
  void CloseAll();
  // Hands over the text written so far (allocated with std::malloc) and
  // starts empty.
  char* ReleaseText(size_t& size) { return out_.Release(size); }
  // Returns true when an element received an empty text.
  bool HasEmptyTexts() const { return emptyTexts_; }

 private:
  // The start and end tags of a checked element name.
  struct Tags {
    std::string name;       // as given (code page)
    std::string open;       // "<name>"
    std::string close;      // "</name>"
    std::string closeLine;  // "</name>\r\n", the end of a field's line
    // A field's start tag after its indentation ("    <name>"), by depth;
    // made when first needed.
    std::vector<std::string> indentedOpen;
  };
  struct Frame {
    const Tags* tags;
    size_t start;  // where the element's indentation begins in the bytes held
    bool hasChildren;
    size_t elements = 0;  // child elements kept so far
    // Where the first text of white space with raw carriage returns begins:
    // it stays raw beside child elements, else it is escaped at the end tag.
    size_t blankReturns = std::string::npos;
  };
  Tags& TagsOf(std::string_view name);
  // Writes each raw carriage return from `from` to the end as "&#13;".
  void EscapeReturnsFrom(size_t from);

  BufferedOutput out_;
  bool emptyTexts_ = false;
  std::vector<Frame> open_;
  // Names come from the parser nodes, whose strings do not move during a run:
  // each is checked and converted once, looked up by its address.
  struct Named {
    std::string name;
    std::unique_ptr<Tags> tags;  // stays put while the vector grows
  };
  std::unordered_map<const char*, std::vector<Named>> tags_;
  // The last names seen, by address: most lookups end here (the text is
  // compared too, so a name at the address of an earlier one is not mistaken
  // for it).
  struct Recent {
    const char* address = nullptr;
    size_t length = 0;
    Tags* tags = nullptr;
  };
  Recent recent_[64];
};

}  // namespace compoundparser
