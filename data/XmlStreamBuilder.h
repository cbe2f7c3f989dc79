// The document builder of a streaming import: writes the XML text of the
// records straight to an output file, byte for byte what building the document
// and saving it would give, without building a document. Bytes of a group that
// is still open stay in a buffer (a failing group drops them); everything
// before the outermost open group goes to the file in large blocks.
#pragma once

#include <string>
#include <vector>

#include "engine/DocumentBuilder.h"
#include "host/AtomicFile.h"

namespace compoundparser {

class XmlStreamBuilder : public DocumentBuilder {
 public:
  explicit XmlStreamBuilder(AtomicFile& output) : output_(output) {}

  void OpenElement(std::string_view name) override;
  void AppendText(std::string_view text) override;
  void CloseElement(int indent) override;
  void DropElement() override;

  // Writes raw bytes (the document's head and tail) at the current place.
  void AppendRaw(std::string_view bytes) { buffer_.append(bytes.data(), bytes.size()); }
  // Writes everything buffered to the file; only valid with no element open.
  void Flush();
  size_t OpenElements() const { return open_.size(); }

 private:
  struct Frame {
    std::string name;    // UTF-8
    size_t contentStart;  // where the element's content begins in buffer_
    bool hasChildren;
  };
  void FlushIfLarge();

  AtomicFile& output_;
  std::string buffer_;
  std::vector<Frame> open_;
};

}  // namespace compoundparser
