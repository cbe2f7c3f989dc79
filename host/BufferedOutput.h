// The one buffered writer of XML text, for saving a document and for the
// streaming import: bytes are collected in memory and handed to a file in
// large blocks, so that small writes cost no system call and memory stays
// bounded whatever the size of the output. Without a file the bytes stay in
// memory whole, for the caller to take. Bytes not yet handed on may still be
// rewritten or cut off.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace compoundparser {

class AtomicFile;

class BufferedOutput {
 public:
  // The size from which FlushIfFull hands the bytes on.
  static constexpr size_t kBlock = size_t{1} << 20;

  // Writes to `file` (not owned); nullptr keeps every byte in memory.
  explicit BufferedOutput(AtomicFile* file);
  ~BufferedOutput();
  BufferedOutput(const BufferedOutput&) = delete;
  BufferedOutput& operator=(const BufferedOutput&) = delete;

  void Append(const char* bytes, size_t count) {
    if (size_ + count > capacity_) Grow(count);
    std::memcpy(buffer_ + size_, bytes, count);
    size_ += count;
  }
  void Append(std::string_view bytes) { Append(bytes.data(), bytes.size()); }
  void Append(char byte) { Append(&byte, 1); }

  // Returns the bytes held (not yet handed to the file), which may be changed.
  char* Data() { return buffer_; }
  size_t Size() const { return size_; }
  // Cuts the bytes held back to `size`.
  void Truncate(size_t size) { size_ = size; }

  // Hands the bytes held to the file once they fill a block.
  void FlushIfFull() {
    if (size_ >= kBlock) Flush();
  }
  // Hands every byte held to the file (nothing without one). Raises
  // FileError when the file cannot take them.
  void Flush();
  // Tells whether some bytes went to the file already.
  bool HasFlushed() const { return flushed_; }
  // Hands over the bytes held (allocated with std::malloc; the caller frees
  // them) and starts empty.
  char* Release(size_t& size);
  // Returns the bytes held as a string and starts empty.
  std::string TakeString();

 private:
  void Grow(size_t count);

  AtomicFile* file_;
  char* buffer_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool flushed_ = false;
};

}  // namespace compoundparser
