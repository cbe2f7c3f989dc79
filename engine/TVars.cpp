#include "engine/TVars.h"

namespace compoundparser {

TVars& TVars::operator=(const TVars& other) {
  if (this != &other) {
    values_ = other.values_;
    ++version_;
  }
  return *this;
}

void TVars::Assign(const std::string& name, const std::string& value) {
  auto [it, inserted] = values_.try_emplace(name, value);
  if (inserted) {
    ++version_;
  } else if (it->second != value) {
    it->second = value;
    ++version_;
  }
}

bool TVars::isValue(const std::string& name, const std::string& value) const {
  auto it = values_.find(name);
  return it != values_.end() && it->second == value;
}

bool TVars::getValue(const std::string& name, std::string& value) const {
  auto it = values_.find(name);
  if (it == values_.end()) return false;
  value = it->second;
  return true;
}

}  // namespace compoundparser
