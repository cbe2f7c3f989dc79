#include "data/RecordReader.h"

#include <charconv>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace compoundparser {
namespace {

bool HasElementChild(const XmlNode& node) {
  for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() == kXmlElement) return true;
  }
  return false;
}

// Numbers the elements of one parent that share a name: 1 for the first of
// each name, 2 for the second... A map takes over from the list once a
// parent has many names, so that a wide group costs no quadratic time.
class SiblingCounter {
 public:
  int Next(const std::string& name) {
    if (map_.empty()) {
      for (auto& [seen, count] : list_) {
        if (seen == name) return ++count;
      }
      if (list_.size() < kListSize) {
        list_.emplace_back(name, 1);
        return 1;
      }
      for (auto& [seen, count] : list_) map_.emplace(std::move(seen), count);
      list_.clear();
    }
    return ++map_[name];
  }

 private:
  static constexpr size_t kListSize = 32;
  std::vector<std::pair<std::string, int>> list_;
  std::unordered_map<std::string, int> map_;
};

// Returns the step of an element in a path: its name, with "[n]" from the
// second element of that name among its siblings on.
std::string StepOf(const std::string& name, int occurrence) {
  return occurrence == 1 ? name : name + '[' + std::to_string(occurrence) + ']';
}

// What CollectValues saw of the groups right below the one it read.
struct ChildGroups {
  int count = 0;
  XmlNode last;
  std::string lastStep;
};

// Appends the values below `group`, whose path is `path`, in document order.
void CollectValues(const XmlNode& group, const std::string& path, std::vector<TRecordValue>& values,
                   ChildGroups* groups) {
  SiblingCounter counter;
  for (XmlNode child = group.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() != kXmlElement) continue;
    std::string name = child.Name();
    const std::string step = StepOf(name, counter.Next(name));
    std::string childPath = path + '/' + step;
    if (HasElementChild(child)) {
      if (groups != nullptr) {
        ++groups->count;
        groups->last = child;
        groups->lastStep = step;
      }
      CollectValues(child, childPath, values, nullptr);
    } else {
      values.push_back({std::move(name), std::move(childPath), child.Text()});
    }
  }
}

// Returns `path` without the steps' "[1]", which names the first element of
// its name as the bare name does.
std::string WithoutFirstIndex(std::string_view path) {
  std::string plain;
  size_t at = 0;
  for (size_t found; (found = path.find("[1]", at)) != std::string_view::npos; at = found + 3) {
    plain.append(path, at, found - at);
    const size_t after = found + 3;
    if (after < path.size() && path[after] != '/') plain += "[1]";
  }
  plain.append(path, at, std::string_view::npos);
  return plain;
}

}  // namespace

const std::string* TRecord::FindValue(std::string_view name) const {
  if (name.find('/') == std::string_view::npos) {
    for (const TRecordValue& value : values_) {
      if (value.name == name) return &value.value;
    }
    return nullptr;
  }
  std::string plain;
  if (name.find("[1]") != std::string_view::npos) {
    plain = WithoutFirstIndex(name);
    name = plain;
  }
  for (const TRecordValue& value : values_) {
    if (value.path == name) return &value.value;
  }
  return nullptr;
}

std::string TRecord::GetValue(std::string_view name, std::string_view fallback) const {
  const std::string* value = FindValue(name);
  return value != nullptr ? *value : std::string(fallback);
}

std::optional<double> TRecord::GetNumber(std::string_view name) const {
  const std::string* text = FindValue(name);
  double value = 0;
  if (text == nullptr || !ParseDecimal(*text, value)) return std::nullopt;
  return value;
}

bool ParseDecimal(std::string_view text, double& value) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  // The sign is taken here: from_chars takes no plus sign, and after the
  // sign only a digit or a point may come (from_chars also reads "inf" and
  // "nan").
  const bool negative = text.front() == '-';
  if (negative || text.front() == '+') text.remove_prefix(1);
  if (text.empty() || (text.front() != '.' && (text.front() < '0' || text.front() > '9'))) {
    return false;
  }
  double parsed = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result result =
      std::from_chars(text.data(), end, parsed, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) return false;
  if (negative) parsed = -parsed;
  value = parsed;
  return true;
}

RecordReader::RecordReader(const XmlDocument& document) {
  if (document) {
    const XmlNode data = document.DocumentElement();
    if (data) next_ = data.FirstChild();
  }
}

RecordReader::RecordReader(const XmlNode& data) {
  if (data) next_ = data.FirstChild();
}

bool RecordReader::Next(TRecord& record) {
  while (next_) {
    const XmlNode element = next_;
    next_ = next_.NextSibling();
    if (element.Type() != kXmlElement || element.Name() == "info") continue;
    Fill(element, record);
    return true;
  }
  return false;
}

void RecordReader::Fill(const XmlNode& element, TRecord& record) {
  record.number_ = ++count_;
  record.values_.clear();
  record.group_ = element.Name();
  record.node_ = element;
  if (!HasElementChild(element)) {
    record.values_.push_back({record.group_, record.group_, element.Text()});
    return;
  }
  ChildGroups groups;
  CollectValues(element, record.group_, record.values_, &groups);
  if (groups.count == 1) {
    record.group_ += '/' + groups.lastStep;
    record.node_ = groups.last;
  }
}

RecordReader::Iterator RecordReader::begin() { return Iterator(Next(current_) ? this : nullptr); }

RecordReader::Iterator& RecordReader::Iterator::operator++() {
  if (!reader_->Next(reader_->current_)) reader_ = nullptr;
  return *this;
}

}  // namespace compoundparser
