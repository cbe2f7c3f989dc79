#include "engine/TVars.h"

namespace compoundparser {

TVars& TVars::operator=(const TVars& other) {
  if (this != &other) {
    values_ = other.values_;
    for (Recent& recent : recent_) recent = Recent{};
    ++version_;
  }
  return *this;
}

void TVars::Assign(const std::string& name, const std::string& value) {
  // Definitions set the same few variables again and again, mostly to the
  // value they hold: found through the kept lookups, compared in line.
  if (const auto kept = Find(name); kept != values_.end()) {
    if (!Same(kept->second, value)) {
      values_.erase(kept, kept)->second = value;  // the entry, writable (erases nothing)
      ++version_;
    }
    return;
  }
  auto [it, inserted] = values_.try_emplace(name, value);
  if (inserted) {
    ++version_;
  } else if (it->second != value) {
    it->second = value;
    ++version_;
  }
}

bool TVars::getValue(const std::string& name, std::string& value) const {
  const auto it = Find(name);
  if (it == values_.end()) return false;
  value = it->second;
  return true;
}

}  // namespace compoundparser
