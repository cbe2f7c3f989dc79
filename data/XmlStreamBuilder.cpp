#include "data/XmlStreamBuilder.h"

#include "host/CodePage.h"
#include "host/XmlText.h"

namespace compoundparser {
namespace {

constexpr size_t kFlushSize = 1 << 20;

// What the text writer does with each byte: copy it, escape it, refuse it, or
// (for bytes of multi-byte characters) copy it once the text is known to be
// valid UTF-8.
enum ByteClass : unsigned char { kPlain, kEscape, kRefuse, kHigh };

struct ByteClasses {
  ByteClass of[256];
  ByteClasses() {
    for (int c = 0; c < 256; ++c) {
      of[c] = c >= 0x80 ? kHigh : c < 0x20 ? kRefuse : kPlain;
    }
    of[static_cast<unsigned char>('\t')] = kPlain;
    of[static_cast<unsigned char>('\r')] = kPlain;
    of[static_cast<unsigned char>('\n')] = kPlain;
    of[static_cast<unsigned char>('&')] = kEscape;
    of[static_cast<unsigned char>('<')] = kEscape;
    of[static_cast<unsigned char>('>')] = kEscape;
  }
};
const ByteClasses kClasses;

}  // namespace

XmlStreamBuilder::XmlStreamBuilder(AtomicFile& output)
    : output_(output), utf8_(CodePageIsUtf8()) {
  buffer_.reserve(2 * kFlushSize);
}

const XmlStreamBuilder::Tags& XmlStreamBuilder::TagsOf(std::string_view name) {
  auto& candidates = tags_[name.data()];
  for (const Named& candidate : candidates) {
    if (candidate.name == name) return *candidate.tags;
  }
  const DocumentText utf8(name);
  CheckXmlName(utf8.View(), "element");
  auto tags = std::make_unique<Tags>();
  tags->open = "<" + std::string(utf8.View()) + ">";
  tags->close = "</" + std::string(utf8.View()) + ">";
  candidates.push_back(Named{std::string(name), std::move(tags)});
  return *candidates.back().tags;
}

void XmlStreamBuilder::OpenElement(std::string_view name, int indent) {
  const Tags& tags = TagsOf(name);
  const size_t start = buffer_.size();
  for (int i = 0; i < indent; ++i) buffer_ += "  ";
  buffer_ += tags.open;
  open_.push_back(Frame{&tags, start, false});
}

void XmlStreamBuilder::AppendText(std::string_view text) {
  if (!utf8_) {
    const DocumentText converted(text);
    AppendEscapedXmlText(buffer_, converted.View());
  } else {
    // One pass: copy runs of plain bytes, escape markup, refuse control
    // characters; the first byte above 0x7F has the whole text checked as UTF-8.
    bool checked = false;
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const ByteClass kind = kClasses.of[static_cast<unsigned char>(text[i])];
      if (kind == kPlain) continue;
      if (kind == kHigh) {
        if (!checked) {
          CheckUtf8(text);
          checked = true;
        }
        continue;
      }
      if (kind == kRefuse) CheckXmlText(text);  // raises with the offset
      buffer_.append(text.data() + from, i - from);
      const char c = text[i];
      buffer_ += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
      from = i + 1;
    }
    buffer_.append(text.data() + from, text.size() - from);
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::CloseElement() {
  const Frame frame = open_.back();
  open_.pop_back();
  if (frame.hasChildren) {
    buffer_ += frame.tags->close;
  } else {
    // Nothing inside: the start tag that ends the buffer becomes "<name/>".
    buffer_.back() = '/';
    buffer_ += '>';
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::DropElement() {
  buffer_.resize(open_.back().start);
  open_.pop_back();
}

void XmlStreamBuilder::FlushIfLarge() {
  if (buffer_.size() >= kFlushSize) Flush();
}

void XmlStreamBuilder::Flush() {
  output_.Write(buffer_);
  buffer_.clear();
}

}  // namespace compoundparser
