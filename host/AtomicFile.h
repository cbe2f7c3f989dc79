// An output file that appears whole or not at all. The bytes go to an unnamed
// file in the target's folder (Linux O_TMPFILE), which Commit links in under
// the target's name, so that a process killed before then leaves nothing
// behind; where the file system refuses unnamed files, to a hidden temporary
// file beside the target (".~NAME.XXXXXX") that Commit renames over it. Until
// Commit an existing file of that name is untouched; Abort (or destruction
// without Commit) drops the bytes.
//
// A symbolic link at the target is replaced by the new file, never written
// through. An existing target that is no regular file (a device such as
// /dev/null, a pipe) is written directly; Commit and Abort then do nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace compoundparser {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts a file for `target`; returns false and sets `systemCode` (errno)
  // when it cannot be created (EISDIR when the target is a folder).
  bool Open(const std::string& target, int& systemCode);
  // Starts a file in `folder` that has no name and never gets one (its bytes
  // are read back with CopyTo).
  bool OpenScratch(const std::string& folder, int& systemCode);
  // Appends bytes. Raises FileError when they cannot be written.
  void Write(std::string_view bytes);
  // Writes bytes at `offset` (below Size()). Raises FileError on failure.
  void WriteAt(uint64_t offset, std::string_view bytes);
  // Cuts the file (or extends it with zero bytes) to `length`. Raises
  // FileError on failure (a pipe cannot be cut).
  void Truncate(uint64_t length);
  uint64_t Size() const { return size_; }
  // Makes the file whole on disk and gives it the target's name (keeping the
  // permissions of a file it replaces). The file stays open for writing until
  // destruction. Raises FileError on failure, after dropping the bytes.
  void Commit();
  // Drops the bytes; the target stays as it was.
  void Abort();
  // Copies the bytes written so far to the descriptor `fd`. Raises FileError
  // on failure.
  void CopyTo(int fd) const;

  bool IsOpen() const { return fd_ >= 0; }
  bool IsCommitted() const { return committed_; }
  // The name of the temporary file; "" for an unnamed one and a direct write.
  const std::string& TemporaryName() const { return temporary_; }
  const std::string& Target() const { return target_; }

  // Lets Open and OpenScratch use unnamed files (the default) or not, as on a
  // file system that refuses them; for tests.
  static void SetUnnamedFiles(bool allowed);

 private:
  void Close();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  uint64_t size_ = 0;
  bool unnamed_ = false;
  bool direct_ = false;  // the target itself (a device or a pipe)
  bool committed_ = false;
  bool keepMode_ = false;  // a regular file is replaced: its permissions are kept
  unsigned mode_ = 0;
};

}  // namespace compoundparser
