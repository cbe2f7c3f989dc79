// The editable model of one group of a simple format definition: a flat list of
// formatted fields (ElementDefinition) and fixed texts (LiteralDefinition) read
// from a `group` element. The group shares its element with the document and
// owns its items; the host receives plain references to both.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/Xml.h"

namespace compoundparser {

// The base of the items of a group; the kind of an item is its dynamic type.
class ItemDefinition {
 public:
  ItemDefinition() = default;
  ItemDefinition(const ItemDefinition&) = delete;
  ItemDefinition& operator=(const ItemDefinition&) = delete;
  virtual ~ItemDefinition() = default;

  bool IsModified() const { return modified; }
  void SetModified(bool value = true) { modified = value; }

 private:
  bool modified = false;
};

// One formatted field: the data element it stands for and how it is padded.
// The setters store the value only; they do not mark the item modified.
class ElementDefinition : public ItemDefinition {
 public:
  const std::string& Id() const { return id; }
  void SetId(const std::string& value) { id = value; }
  int Width() const { return width; }
  void SetWidth(int value) { width = value; }
  char Fill() const { return fill; }
  void SetFill(char value) { fill = value; }
  bool IsAlignRight() const { return alignRight; }
  void SetAlignRight(bool value) { alignRight = value; }
  bool IsSign() const { return sign; }
  void SetSign(bool value) { sign = value; }
  double Offset() const { return offset; }
  void SetOffset(double value) { offset = value; }

 private:
  std::string id;
  int width = 0;
  char fill = ' ';
  bool alignRight = false;
  bool sign = false;
  double offset = 0.0;
};

// One fixed text, held either as its characters or as two upper-case hex
// digits per byte.
class LiteralDefinition : public ItemDefinition {
 public:
  const std::string& Text() const { return text; }
  // Stores the text as it is (in the current form) and marks the item modified.
  void SetText(const std::string& value);
  bool IsHex() const { return hex; }
  // Converts the text to the hex form (true) or to the plain form (false) and
  // marks the item modified; does nothing when the form is already the wanted one.
  void SetHex(bool wanted);

 private:
  std::string text;
  bool hex = false;
};

class GroupDefinition {
 public:
  // Keeps `element` (a `group` element) and reads its items.
  explicit GroupDefinition(const XmlNode& element);
  GroupDefinition(const GroupDefinition&) = delete;
  GroupDefinition& operator=(const GroupDefinition&) = delete;
  ~GroupDefinition();

  // Returns the group's element in the definition's document.
  XmlNode Element() const { return groupElement; }

  int NumItems() const { return static_cast<int>(items.size()); }
  // Returns the item at `position`; raises std::out_of_range outside 0..NumItems()-1.
  ItemDefinition& GetItem(int position) const;

  // Inserts `item` before `position` (NumItems() appends) and marks the group
  // modified; returns the item, or nullptr for a null item or a bad position.
  ItemDefinition* InsertItem(int position, std::unique_ptr<ItemDefinition> item);
  // Appends `item` at the end; see InsertItem.
  ItemDefinition* AppendItem(std::unique_ptr<ItemDefinition> item);
  // Destroys the item at `position` and marks the group modified; false for a bad position.
  bool RemoveItem(int position);
  // Moves the item at `from` so that it stands at `to` and marks the group
  // modified; false when either position is out of range.
  bool MoveItem(int from, int to);

  // Returns true when the group or any of its items is marked modified.
  bool IsModified() const;

  // Replaces the children of the element with the written form of the items
  // and clears the group's mark; a failure of the document leaves the mark set.
  void WriteBack();

 private:
  // Appends the items found among the children of `element`, flattening
  // `terminated` wrappers.
  void ReadItems(const XmlNode& element);
  static void WriteElement(XmlNode& parent, const ElementDefinition& item);
  static void WriteLiteral(XmlNode& parent, LiteralDefinition& item);

  XmlNode groupElement;
  std::vector<std::unique_ptr<ItemDefinition>> items;
  bool modified = false;
};

}  // namespace compoundparser
