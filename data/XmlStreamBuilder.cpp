#include "data/XmlStreamBuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/XmlText.h"

namespace compoundparser {
namespace {

constexpr size_t kFlushSize = 1 << 20;
// The buffer starts small, so that importing many small files does not cost a
// large allocation each, and doubles as the text grows.
constexpr size_t kFirstCapacity = 64 << 10;

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
    of[static_cast<unsigned char>('\r')] = kEscape;
    of[static_cast<unsigned char>('\n')] = kPlain;
    of[static_cast<unsigned char>('&')] = kEscape;
    of[static_cast<unsigned char>('<')] = kEscape;
    of[static_cast<unsigned char>('>')] = kEscape;
  }
};
const ByteClasses kClasses;

}  // namespace

XmlStreamBuilder::XmlStreamBuilder(AtomicFile* output) : output_(output) { Grow(kFirstCapacity); }

XmlStreamBuilder::~XmlStreamBuilder() { std::free(buffer_); }

void XmlStreamBuilder::Grow(size_t count) {
  const size_t capacity = std::max(2 * capacity_, size_ + count);
  char* bigger = static_cast<char*>(std::realloc(buffer_, capacity));
  if (bigger == nullptr) throw std::bad_alloc();
  buffer_ = bigger;
  capacity_ = capacity;
}

char* XmlStreamBuilder::ReleaseText(size_t& size) {
  char* text = buffer_;
  size = size_;
  buffer_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return text;
}

void XmlStreamBuilder::CloseAll() {
  while (!open_.empty()) CloseElement();
}

const XmlStreamBuilder::Tags& XmlStreamBuilder::TagsOf(std::string_view name) {
  Recent& recent = recent_[(reinterpret_cast<uintptr_t>(name.data()) >> 3) & 63];
  if (recent.address == name.data() && recent.length == name.size() && recent.tags->name == name) {
    return *recent.tags;
  }
  auto& candidates = tags_[name.data()];
  for (const Named& candidate : candidates) {
    if (candidate.name == name) {
      recent = Recent{name.data(), name.size(), candidate.tags.get()};
      return *candidate.tags;
    }
  }
  const DocumentText utf8(name);
  CheckXmlName(utf8.View(), "element");
  auto tags = std::make_unique<Tags>();
  tags->name = std::string(name);
  tags->open = "<" + std::string(utf8.View()) + ">";
  tags->close = "</" + std::string(utf8.View()) + ">";
  candidates.push_back(Named{std::string(name), std::move(tags)});
  recent = Recent{name.data(), name.size(), candidates.back().tags.get()};
  return *candidates.back().tags;
}

void XmlStreamBuilder::OpenElement(std::string_view name, int indent) {
  const size_t start = size_;
  if (!open_.empty()) ++open_.back().elements;
  for (int i = 0; i < indent; ++i) Put("  ", 2);
  const Tags& tags = TagsOf(name);  // may raise: the indentation stays, as in the DOM
  Put(tags.open);
  open_.push_back(Frame{&tags, start, false});
}

void XmlStreamBuilder::AppendText(std::string_view text) {
  if (text.empty() && !open_.empty()) emptyTexts_ = true;
  // White space with carriage returns: the indentation beside child elements,
  // which keeps them raw, or a value of blanks, which escapes them (decided at
  // the end tag, when it is known whether a child element came).
  if (text.find('\r') != std::string_view::npos && IsXmlWhiteSpace(text)) {
    if (!open_.empty() && open_.back().blankReturns == std::string::npos) {
      open_.back().blankReturns = size_;
    }
    Put(text.data(), text.size());
  } else if (!CodePageIsUtf8()) {  // the run's code page, which the driver may choose
    const DocumentText converted(text);
    std::string escaped;
    AppendEscapedXmlText(escaped, converted.View());
    Put(escaped);
  } else {
    // One pass: copy runs of plain bytes, escape markup and carriage returns,
    // refuse control characters; the first byte above 0x7F has the whole text
    // checked as UTF-8.
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
      Put(text.data() + from, i - from);
      switch (text[i]) {
        case '&':
          Put("&amp;", 5);
          break;
        case '<':
          Put("&lt;", 4);
          break;
        case '>':
          Put("&gt;", 4);
          break;
        default:
          Put("&#13;", 5);
          break;
      }
      from = i + 1;
    }
    Put(text.data() + from, text.size() - from);
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::EscapeReturnsFrom(size_t from) {
  std::string tail;
  for (size_t i = from; i < size_; ++i) {
    if (buffer_[i] == '\r') {
      tail += "&#13;";
    } else {
      tail += buffer_[i];
    }
  }
  size_ = from;
  Put(tail);
}

void XmlStreamBuilder::CloseElement() {
  const Frame frame = open_.back();
  open_.pop_back();
  if (frame.elements == 0 && frame.blankReturns != std::string::npos) {
    EscapeReturnsFrom(frame.blankReturns);
  }
  if (frame.hasChildren) {
    Put(frame.tags->close);
  } else {
    // Nothing inside: the start tag that ends the buffer becomes "<name/>".
    buffer_[size_ - 1] = '/';
    Put(">", 1);
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::DropElement() {
  size_ = open_.back().start;
  open_.pop_back();
  if (!open_.empty()) --open_.back().elements;
}

void XmlStreamBuilder::FlushIfLarge() {
  if (output_ != nullptr && size_ >= kFlushSize) Flush();
}

void XmlStreamBuilder::Flush() {
  if (output_ == nullptr) return;
  output_->Write(std::string_view(buffer_, size_));
  size_ = 0;
  flushed_ = true;
}

void XmlStreamBuilder::ReplaceRaw(std::string_view bytes) {
  if (flushed_ || !open_.empty()) {
    throw XmlError(kXmlErrorFail, "The head of a streamed document cannot change any more");
  }
  size_ = 0;
  Put(bytes.data(), bytes.size());
}

}  // namespace compoundparser
