#include "definitions/GroupDefinition.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "definitions/FieldAttributes.h"
#include "engine/NumberText.h"
#include "host/HostError.h"

namespace compoundparser {

namespace {

// Returns true when some byte of `text` lies outside the printable range 0x20..0x7E.
bool HasUnprintable(const std::string& text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) return true;
  }
  return false;
}

// Returns the position as an index, or -1 when it lies outside 0..limit.
long CheckedIndex(int position, size_t limit) {
  if (position < 0 || static_cast<size_t>(position) > limit) return -1;
  return position;
}

}  // namespace

void LiteralDefinition::SetText(const std::string& value) {
  text = value;
  SetModified(true);
}

void LiteralDefinition::SetHex(bool wanted) {
  if (wanted == hex) return;
  std::string converted;
  if (wanted) {
    static const char kDigits[] = "0123456789ABCDEF";
    converted.reserve(text.size() * 2);
    for (char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      converted.push_back(kDigits[byte >> 4]);
      converted.push_back(kDigits[byte & 0x0F]);
    }
  } else {
    const size_t pairs = text.size() / 2;
    const std::string_view digits(text);
    for (size_t i = 0; i < pairs; ++i) {
      unsigned value = 0;
      if (ScanHex2(digits.substr(2 * i), value)) {
        converted.push_back(static_cast<char>(value));
      }
    }
  }
  text = std::move(converted);
  hex = wanted;
  SetModified(true);
}

GroupDefinition::GroupDefinition(const XmlNode& element) : groupElement(element) {
  try {
    ReadItems(groupElement);
  } catch (const XmlError&) {
    // The items read so far stay; the group is still usable.
  }
  // Items taken from the document describe what is in it, so they start unmarked.
  for (auto& item : items) item->SetModified(false);
}

GroupDefinition::~GroupDefinition() {
  while (!items.empty()) items.pop_back();
}

ItemDefinition& GroupDefinition::GetItem(int position) const {
  if (position < 0 || static_cast<size_t>(position) >= items.size()) {
    throw std::out_of_range("GroupDefinition::GetItem: position " + std::to_string(position) +
                            " is outside 0.." +
                            std::to_string(static_cast<long>(items.size()) - 1));
  }
  return *items[static_cast<size_t>(position)];
}

ItemDefinition* GroupDefinition::InsertItem(int position, std::unique_ptr<ItemDefinition> item) {
  const long index = CheckedIndex(position, items.size());
  if (!item || index < 0) return nullptr;
  ItemDefinition* inserted = item.get();
  items.insert(items.begin() + index, std::move(item));
  modified = true;
  return inserted;
}

ItemDefinition* GroupDefinition::AppendItem(std::unique_ptr<ItemDefinition> item) {
  return InsertItem(NumItems(), std::move(item));
}

bool GroupDefinition::RemoveItem(int position) {
  if (items.empty()) return false;
  const long index = CheckedIndex(position, items.size() - 1);
  if (index < 0) return false;
  items.erase(items.begin() + index);
  modified = true;
  return true;
}

bool GroupDefinition::MoveItem(int from, int to) {
  if (items.empty()) return false;
  const long source = CheckedIndex(from, items.size() - 1);
  const long target = CheckedIndex(to, items.size() - 1);
  if (source < 0 || target < 0) return false;
  std::unique_ptr<ItemDefinition> item = std::move(items[static_cast<size_t>(source)]);
  items.erase(items.begin() + source);
  items.insert(items.begin() + target, std::move(item));
  modified = true;
  return true;
}

bool GroupDefinition::IsModified() const {
  if (modified) return true;
  for (const auto& item : items) {
    if (item->IsModified()) return true;
  }
  return false;
}

void GroupDefinition::ReadItems(const XmlNode& element) {
  for (XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() != kXmlElement) continue;
    const std::string childName = child.Name();
    if (childName == "terminated") {
      ReadItems(child);
    } else if (childName == "element") {
      auto owned = std::make_unique<ElementDefinition>();
      ElementDefinition& field = *owned;
      items.push_back(std::move(owned));
      if (auto value = child.GetAttribute("id")) field.SetId(*value);
      const TFieldAttributes attributes = ReadFieldAttributes(child);
      if (attributes.width) field.SetWidth(*attributes.width);
      if (attributes.fill) field.SetFill(*attributes.fill);
      if (attributes.alignRight) field.SetAlignRight(true);
      if (attributes.sign) field.SetSign(true);
      if (attributes.offset) field.SetOffset(*attributes.offset);
    } else if (childName == "literal") {
      auto owned = std::make_unique<LiteralDefinition>();
      LiteralDefinition& literal = *owned;
      items.push_back(std::move(owned));
      if (auto value = child.GetAttribute("hex"); value && *value == "true") {
        literal.SetHex(true);
      }
      for (XmlNode text = child.FirstChild(); text; text = text.NextSibling()) {
        if (text.Type() == kXmlText) {
          literal.SetText(text.Value().value_or(std::string()));
          break;
        }
      }
      if (literal.IsHex()) {
        literal.SetHex(false);
        if (HasUnprintable(literal.Text())) literal.SetHex(true);
      }
    }
  }
}

void GroupDefinition::WriteBack() {
  try {
    groupElement.RemoveChildren();
    size_t i = 0;
    while (i < items.size()) {
      ItemDefinition* item = items[i].get();
      if (auto* field = dynamic_cast<ElementDefinition*>(item)) {
        LiteralDefinition* terminator = (field->Width() <= 0 && i + 1 < items.size())
                                            ? dynamic_cast<LiteralDefinition*>(items[i + 1].get())
                                            : nullptr;
        if (terminator) {
          XmlNode wrapper = groupElement.AppendElement("terminated");
          WriteElement(wrapper, *field);
          WriteLiteral(wrapper, *terminator);
          i += 2;
          continue;
        }
        WriteElement(groupElement, *field);
      } else if (auto* literal = dynamic_cast<LiteralDefinition*>(item)) {
        WriteLiteral(groupElement, *literal);
      }
      ++i;
    }
    modified = false;
  } catch (const XmlError&) {
    // What was written stays; the group remains marked for the next save.
  }
}

void GroupDefinition::WriteElement(XmlNode& parent, const ElementDefinition& item) {
  XmlNode element = parent.AppendElement("element");
  element.SetAttribute("id", item.Id());
  if (item.Width() > 0) element.SetAttribute("width", FormatLong(item.Width()));
  if (item.Fill() != ' ') element.SetAttribute("fill", std::string(1, item.Fill()));
  if (item.IsAlignRight()) element.SetAttribute("align", "right");
  if (item.IsSign()) element.SetAttribute("sign", "true");
  if (item.Offset() != 0.0) element.SetAttribute("offset", FormatFixed(item.Offset(), 6));
}

void GroupDefinition::WriteLiteral(XmlNode& parent, LiteralDefinition& item) {
  XmlNode literal = parent.AppendElement("literal");
  if (item.Text().find(' ') != std::string::npos) item.SetHex(true);
  if (item.IsHex()) literal.SetAttribute("hex", "true");
  literal.AppendText(item.Text());
}

}  // namespace compoundparser
