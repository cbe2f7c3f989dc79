// The variables of a run: named string values, names compared case-sensitively
// and kept in ascending order. Lookups remember what they found, so even the
// const calls change the object: one set of variables belongs to one run (one
// thread) at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace compoundparser {

class TVars {
 public:
  TVars() = default;
  // Copies the variables; the copy starts with lookups of its own.
  TVars(const TVars& other) : values_(other.values_), version_(other.version_) {}
  TVars& operator=(const TVars& other);
  ~TVars() = default;

  // Inserts the variable or overwrites its value.
  void Assign(const std::string& name, const std::string& value);
  // Returns true when `name` is present and holds exactly `value`.
  bool isValue(const std::string& name, const std::string& value) const {
    const auto it = Find(name);
    return it != values_.end() && Same(it->second, value);
  }
  // Copies the value of `name` into `value`; returns false and leaves `value`
  // alone when there is no such variable.
  bool getValue(const std::string& name, std::string& value) const;

  size_t size() const { return values_.size(); }
  // Grows whenever Assign inserts a variable or changes a value; lets a run see
  // cheaply whether a stretch changed any variable.
  unsigned long long version() const { return version_; }
  const std::map<std::string, std::string>& entries() const { return values_; }

 private:
  using Entries = std::map<std::string, std::string>;
  // Short texts compared in line: names and values of variables are a few
  // bytes, compared as two overlapping words from either end.
  static bool Same(const std::string& a, const std::string& b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    const char* x = a.data();
    const char* y = b.data();
    if (n > 16) return std::memcmp(x, y, n) == 0;
    if (n >= 8) return Word<uint64_t>(x, y, 0) && Word<uint64_t>(x, y, n - 8);
    if (n >= 4) return Word<uint32_t>(x, y, 0) && Word<uint32_t>(x, y, n - 4);
    for (size_t i = 0; i < n; ++i) {
      if (x[i] != y[i]) return false;
    }
    return true;
  }
  template <class T>
  static bool Word(const char* x, const char* y, size_t at) {
    T p;
    T q;
    std::memcpy(&p, x + at, sizeof p);
    std::memcpy(&q, y + at, sizeof q);
    return p == q;
  }
  // The entry of `name`, or end(). The `if` nodes of a definition ask for the
  // same few names, held in strings that stay put, once or more per record:
  // the last entries found are kept by the address of the name asked for
  // (and its text compared, so that another name at that address is not
  // mistaken for it). Entries are never erased, so a kept one stays valid
  // until the whole table is replaced.
  Entries::const_iterator Find(const std::string& name) const {
    const uintptr_t address = reinterpret_cast<uintptr_t>(name.data());
    Recent& recent = recent_[((address >> 3) ^ (address >> 9)) & (kRecent - 1)];
    if (recent.name == name.data() && Same(recent.entry->first, name)) return recent.entry;
    const auto it = values_.find(name);
    if (it != values_.end()) recent = Recent{name.data(), it};
    return it;
  }
  static constexpr size_t kRecent = 64;  // a definition's nodes hold a few dozen names
  struct Recent {
    const char* name = nullptr;
    Entries::const_iterator entry;
  };

  Entries values_;
  unsigned long long version_ = 0;
  mutable Recent recent_[kRecent];
};

}  // namespace compoundparser
