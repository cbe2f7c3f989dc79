// An output file that appears whole or not at all: bytes go to a temporary
// file in the target's folder, which Commit renames over the target. Until
// then an existing file of that name is untouched; Abort (or destruction
// without Commit) removes the temporary file.
#pragma once

#include <string>
#include <string_view>

namespace compoundparser {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file for `target`; returns false and sets
  // `systemCode` (errno) when it cannot be created.
  bool Open(const std::string& target, int& systemCode);
  // Appends bytes. Raises FileError when they cannot be written.
  void Write(std::string_view bytes);
  // Makes the file whole on disk and renames it over the target (keeping the
  // permissions of a file it replaces). Raises FileError on failure, after
  // removing the temporary file.
  void Commit();
  // Removes the temporary file; the target stays as it was.
  void Abort();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& TemporaryName() const { return temporary_; }

 private:
  std::string target_;
  std::string temporary_;
  int fd_ = -1;
};

}  // namespace compoundparser
