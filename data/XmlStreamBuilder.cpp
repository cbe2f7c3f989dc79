#include "data/XmlStreamBuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "host/ByteScan.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/XmlText.h"

namespace compoundparser {
namespace {

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

XmlStreamBuilder::XmlStreamBuilder(AtomicFile* output) : out_(output) {}

XmlStreamBuilder::~XmlStreamBuilder() = default;

void XmlStreamBuilder::CloseAll() {
  while (!open_.empty()) CloseElement();
}

XmlStreamBuilder::Tags& XmlStreamBuilder::TagsOf(std::string_view name) {
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
  tags->closeLine = tags->close + "\r\n";
  candidates.push_back(Named{std::string(name), std::move(tags)});
  recent = Recent{name.data(), name.size(), candidates.back().tags.get()};
  return *candidates.back().tags;
}

void XmlStreamBuilder::OpenElement(std::string_view name, int indent) {
  const size_t start = out_.Size();
  if (!open_.empty()) ++open_.back().elements;
  for (int i = 0; i < indent; ++i) out_.Append("  ", 2);
  const Tags& tags = TagsOf(name);  // may raise: the indentation stays, as in the DOM
  out_.Append(tags.open);
  open_.push_back(Frame{&tags, start, false});
}

void XmlStreamBuilder::AppendText(std::string_view text) {
  if (text.empty() && !open_.empty()) emptyTexts_ = true;
  // Most values are plain ASCII without markup or carriage returns, and go as
  // they are (in a UTF-8 run, where ASCII needs no conversion).
  const bool plain = IsPlainXmlText(text.data(), text.size());
  if (plain && CodePageIsUtf8()) {
    out_.Append(text);
    if (!open_.empty()) {
      open_.back().hasChildren = true;
    } else {
      out_.FlushIfFull();
    }
    return;
  }
  // White space with carriage returns: the indentation beside child elements,
  // which keeps them raw, or a value of blanks, which escapes them (decided at
  // the end tag, when it is known whether a child element came).
  // (The line end after each element is the most frequent text of all.)
  const bool lineEnd = text.size() == 2 && text[0] == '\r' && text[1] == '\n';
  if (!plain && (lineEnd || (text.find('\r') != std::string_view::npos && IsXmlWhiteSpace(text)))) {
    if (!open_.empty() && open_.back().blankReturns == std::string::npos) {
      open_.back().blankReturns = out_.Size();
    }
    out_.Append(text);
  } else if (!CodePageIsUtf8()) {  // the run's code page, which the driver may choose
    const DocumentText converted(text);
    AppendEscapedXmlText(out_, converted.View());
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
      out_.Append(text.data() + from, i - from);
      switch (text[i]) {
        case '&':
          out_.Append("&amp;", 5);
          break;
        case '<':
          out_.Append("&lt;", 4);
          break;
        case '>':
          out_.Append("&gt;", 4);
          break;
        default:
          out_.Append("&#13;", 5);
          break;
      }
      from = i + 1;
    }
    out_.Append(text.data() + from, text.size() - from);
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    out_.FlushIfFull();
  }
}

void XmlStreamBuilder::AppendElement(std::string_view name, int indent, std::string_view text,
                                     const TByteRange& source, std::string_view after) {
  // The usual field: a value of plain ASCII, inside a record, followed by a
  // line end, in a UTF-8 run. It is written in one step; anything else takes
  // the calls it stands for.
  const bool lineEnd = after.size() == 2 && after[0] == '\r' && after[1] == '\n';
  if (open_.empty() || !lineEnd || text.empty() || !IsPlainXmlText(text.data(), text.size()) ||
      !CodePageIsUtf8()) {
    DocumentBuilder::AppendElement(name, indent, text, source, after);
    return;
  }
  Frame& parent = open_.back();
  ++parent.elements;
  Tags* tags;
  try {
    tags = &TagsOf(name);
  } catch (...) {
    for (int i = 0; i < indent; ++i) out_.Append("  ", 2);  // the indentation stays, as in the DOM
    throw;
  }
  const size_t depth = indent > 0 ? static_cast<size_t>(indent) : 0;
  if (depth >= tags->indentedOpen.size()) tags->indentedOpen.resize(depth + 1);
  if (tags->indentedOpen[depth].empty()) {
    tags->indentedOpen[depth] = std::string(2 * depth, ' ') + tags->open;
  }
  out_.Append(tags->indentedOpen[depth]);
  out_.Append(text);
  const size_t lineEndAt = out_.Size() + tags->close.size();
  out_.Append(tags->closeLine);
  if (parent.blankReturns == std::string::npos) parent.blankReturns = lineEndAt;
  parent.hasChildren = true;
}

void XmlStreamBuilder::EscapeReturnsFrom(size_t from) {
  std::string tail;
  for (size_t i = from; i < out_.Size(); ++i) {
    if (out_.Data()[i] == '\r') {
      tail += "&#13;";
    } else {
      tail += out_.Data()[i];
    }
  }
  out_.Truncate(from);
  out_.Append(tail);
}

void XmlStreamBuilder::CloseElement() {
  const Frame frame = open_.back();
  open_.pop_back();
  if (frame.elements == 0 && frame.blankReturns != std::string::npos) {
    EscapeReturnsFrom(frame.blankReturns);
  }
  if (frame.hasChildren) {
    out_.Append(frame.tags->close);
  } else {
    // Nothing inside: the start tag that ends the bytes held becomes "<name/>".
    out_.Data()[out_.Size() - 1] = '/';
    out_.Append('>');
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    out_.FlushIfFull();
  }
}

void XmlStreamBuilder::DropElement() {
  out_.Truncate(open_.back().start);
  open_.pop_back();
  if (!open_.empty()) --open_.back().elements;
}

void XmlStreamBuilder::Flush() { out_.Flush(); }

void XmlStreamBuilder::ReplaceRaw(std::string_view bytes) {
  if (out_.HasFlushed() || !open_.empty()) {
    throw XmlError(kXmlErrorFail, "The head of a streamed document cannot change any more");
  }
  out_.Truncate(0);
  out_.Append(bytes);
}

}  // namespace compoundparser
