#include "host/BufferedOutput.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "host/AtomicFile.h"

namespace compoundparser {
namespace {

// The buffer starts small, so that many small outputs do not cost a large
// allocation each, and doubles as the text grows.
constexpr size_t kFirstCapacity = 64 << 10;

}  // namespace

BufferedOutput::BufferedOutput(AtomicFile* file) : file_(file) { Grow(kFirstCapacity); }

BufferedOutput::~BufferedOutput() { std::free(buffer_); }

void BufferedOutput::Grow(size_t count) {
  const size_t capacity = std::max({2 * capacity_, size_ + count, kFirstCapacity});
  char* bigger = static_cast<char*>(std::realloc(buffer_, capacity));
  if (bigger == nullptr) throw std::bad_alloc();
  buffer_ = bigger;
  capacity_ = capacity;
}

void BufferedOutput::Flush() {
  if (file_ == nullptr || size_ == 0) return;
  file_->Write(std::string_view(buffer_, size_));
  size_ = 0;
  flushed_ = true;
}

char* BufferedOutput::Release(size_t& size) {
  char* text = buffer_;
  size = size_;
  buffer_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return text;
}

std::string BufferedOutput::TakeString() {
  std::string text(buffer_, size_);
  size_ = 0;
  return text;
}

}  // namespace compoundparser
