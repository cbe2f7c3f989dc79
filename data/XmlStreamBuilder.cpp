#include "data/XmlStreamBuilder.h"

#include "host/XmlText.h"

namespace compoundparser {
namespace {

constexpr size_t kFlushSize = 1 << 20;

}  // namespace

void XmlStreamBuilder::OpenElement(std::string_view name) {
  const DocumentText utf8(name);
  CheckXmlName(utf8.View(), "element");
  open_.push_back(Frame{std::string(utf8.View()), buffer_.size(), false});
}

void XmlStreamBuilder::AppendText(std::string_view text) {
  const DocumentText utf8(text);
  AppendEscapedXmlText(buffer_, utf8.View());
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::CloseElement(int indent) {
  Frame frame = std::move(open_.back());
  open_.pop_back();
  std::string head;
  head.reserve(2 * static_cast<size_t>(indent > 0 ? indent : 0) + frame.name.size() + 3);
  for (int i = 0; i < indent; ++i) head += "  ";
  head += '<';
  head += frame.name;
  if (frame.hasChildren) {
    head += '>';
    buffer_.insert(frame.contentStart, head);
    buffer_ += "</";
    buffer_ += frame.name;
    buffer_ += '>';
  } else {
    head += "/>";
    buffer_.insert(frame.contentStart, head);
  }
  if (!open_.empty()) {
    open_.back().hasChildren = true;
  } else {
    FlushIfLarge();
  }
}

void XmlStreamBuilder::DropElement() {
  buffer_.resize(open_.back().contentStart);
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
