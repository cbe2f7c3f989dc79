// Reading an instrument data document as values, without walking its XML: the
// records below `data` in document order, each with the name of its group and
// the name and text of every element that holds a value. The reader holds a
// handle to the document and reads it as it goes; a record owns copies of its
// texts, valid until the next record is read into it.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/Xml.h"

namespace compoundparser {

// One value of a record: an element that holds text and no element.
struct TRecordValue {
  std::string name;  // the element's name ("Northing")
  // The steps from the record's element down to the value, each an element's
  // name with "[n]" from the second element of that name among its siblings
  // on: "Record/Observation/Northing", "Record/Point/Word[2]/WordIndex". No
  // two values of a record have the same path.
  std::string path;
  std::string value;  // the element's text as the document holds it
};

// One record: a child element of `data` other than `info` (a point of a point
// list, a line of a raw file, the DataFile group). A child of `data` that
// holds no element (a file-level mark such as EndOfText) is a record of its
// own name with itself as its one value, whose path is that name.
class TRecord {
 public:
  // Returns the record's group: the name of its element, followed by "/" and
  // the step of its child group when it holds exactly one ("Point",
  // "Record/Observation", "Record" for a line of blanks). Groups further down
  // show in the paths of their values.
  const std::string& Group() const { return group_; }
  // Returns the 1-based number of the record among the records read so far.
  size_t Number() const { return number_; }
  // Returns every value of the record, at any depth, in document order.
  const std::vector<TRecordValue>& Values() const { return values_; }
  int NumValues() const { return static_cast<int>(values_.size()); }

  // Returns the text of the first value named `name`, or nullptr. A name
  // with a "/" is a path, compared with the values' paths ("[1]" may name the
  // first of a name), any other is compared with their names; both exactly.
  const std::string* FindValue(std::string_view name) const;
  bool HasValue(std::string_view name) const { return FindValue(name) != nullptr; }
  // Returns that text, or `fallback` when the record has no such value.
  std::string GetValue(std::string_view name, std::string_view fallback = {}) const;
  // Returns that text as a number (see ParseDecimal); nullopt when the record
  // has no such value or its text is no number.
  std::optional<double> GetNumber(std::string_view name) const;

  // Returns the element of the last group that Group() names (the record's
  // element, or its one child group); valid while the document is not
  // changed.
  const XmlNode& Node() const { return node_; }

 private:
  friend class RecordReader;
  std::string group_;
  size_t number_ = 0;
  std::vector<TRecordValue> values_;
  XmlNode node_;
};

// Reads `text` as a decimal number with a point, whatever the process locale:
// blanks or tabs around it, an optional sign, digits with an optional point
// (at least one digit), an optional exponent. False for any other text (a
// decimal comma, "nan", "inf", hexadecimal, a value out of the range of
// double), leaving `value` alone.
bool ParseDecimal(std::string_view text, double& value);

class RecordReader {
 public:
  // Reads the records below the root element of `document` (none for an
  // empty document).
  explicit RecordReader(const XmlDocument& document);
  // Reads the records below `data` (none for a null node).
  explicit RecordReader(const XmlNode& data);

  // Reads the next record into `record`, reusing its memory; false after the
  // last one.
  bool Next(TRecord& record);

  // Iteration in a range-for: for (const TRecord& record : reader). The
  // reader goes on from where it is; each record is read once.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = TRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = const TRecord*;
    using reference = const TRecord&;

    reference operator*() const { return reader_->current_; }
    pointer operator->() const { return &reader_->current_; }
    Iterator& operator++();
    bool operator==(const Iterator& other) const { return reader_ == other.reader_; }
    bool operator!=(const Iterator& other) const { return reader_ != other.reader_; }

   private:
    friend class RecordReader;
    explicit Iterator(RecordReader* reader) : reader_(reader) {}
    RecordReader* reader_ = nullptr;  // nullptr at the end
  };
  Iterator begin();
  Iterator end() { return Iterator(nullptr); }

 private:
  // Fills `record` from the child `element` of `data`.
  void Fill(const XmlNode& element, TRecord& record);

  XmlNode next_;  // the next child of `data` to look at
  size_t count_ = 0;
  TRecord current_;  // the record of the iteration
};

}  // namespace compoundparser
