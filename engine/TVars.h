// The variables of a run: named string values, names compared case-sensitively
// and kept in ascending order.
#pragma once

#include <map>
#include <string>

namespace compoundparser {

class TVars {
 public:
  TVars() = default;
  TVars(const TVars&) = default;
  TVars& operator=(const TVars& other);
  ~TVars() = default;

  // Inserts the variable or overwrites its value.
  void Assign(const std::string& name, const std::string& value);
  // Returns true when `name` is present and holds exactly `value`.
  bool isValue(const std::string& name, const std::string& value) const;
  // Copies the value of `name` into `value`; returns false and leaves `value`
  // alone when there is no such variable.
  bool getValue(const std::string& name, std::string& value) const;

  size_t size() const { return values_.size(); }
  // Grows whenever Assign inserts a variable or changes a value; lets a run see
  // cheaply whether a stretch changed any variable.
  unsigned long long version() const { return version_; }
  const std::map<std::string, std::string>& entries() const { return values_; }

 private:
  std::map<std::string, std::string> values_;
  unsigned long long version_ = 0;
};

}  // namespace compoundparser
