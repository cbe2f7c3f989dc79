#include "host/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>

#include "host/HostError.h"

namespace compoundparser {
namespace {

std::atomic<bool> unnamedFiles{true};

// Returns the folder part of `path` with its final slash ("" for none).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Returns the process's file creation mask, read once (umask() itself would
// change it for a moment under other threads).
mode_t CreationMask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.compare(0, 6, "Umask:") == 0) {
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
      }
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

// Returns a name beside `target` that is unlikely to exist: ".~NAME.PID.N".
std::string SideName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(target) + ".~" + BaseOf(target) + "." + std::to_string(getpid()) + "." +
         std::to_string(counter.fetch_add(1));
}

void WriteAll(int fd, const char* data, size_t size, const std::string& name) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw FileError(error, "cannot write " + name + ": " + SystemErrorText(error));
    }
    data += put;
    size -= static_cast<size_t>(put);
  }
}

}  // namespace

void AtomicFile::SetUnnamedFiles(bool allowed) { unnamedFiles = allowed; }

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& target, int& systemCode) {
  Abort();
  systemCode = 0;
  struct stat info {};
  if (lstat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      systemCode = EISDIR;
      return false;
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
      // A device or a pipe cannot be replaced: it is written as it is.
      fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
      if (fd_ < 0) {
        systemCode = errno;
        return false;
      }
      target_ = target;
      direct_ = true;
      return true;
    }
    keepMode_ = S_ISREG(info.st_mode);
    mode_ = info.st_mode & 07777;
  }
  target_ = target;
  const std::string folder = FolderOf(target);
  if (unnamedFiles) {
    fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    unnamed_ = fd_ >= 0;
  }
  if (fd_ < 0) {
    std::string pattern = folder + ".~" + BaseOf(target) + ".XXXXXX";
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
      systemCode = errno;
      target_.clear();
      return false;
    }
    temporary_ = pattern;
    if (!keepMode_) fchmod(fd_, 0666 & ~CreationMask());
  }
  if (keepMode_) fchmod(fd_, mode_);
  return true;
}

bool AtomicFile::OpenScratch(const std::string& folder, int& systemCode) {
  Abort();
  systemCode = 0;
  const std::string where = folder.empty() ? "." : folder;
  if (unnamedFiles) fd_ = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    // A named file that loses its name at once is as good.
    std::string pattern = where + "/.~scratch.XXXXXX";
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
      systemCode = errno;
      return false;
    }
    ::unlink(pattern.c_str());
  }
  unnamed_ = true;
  committed_ = true;  // nothing to commit: Abort leaves the target alone
  return true;
}

void AtomicFile::Write(std::string_view bytes) {
  if (direct_) {
    WriteAll(fd_, bytes.data(), bytes.size(), target_);
    size_ += bytes.size();
    return;
  }
  WriteAt(size_, bytes);
}

void AtomicFile::WriteAt(uint64_t offset, std::string_view bytes) {
  if (fd_ < 0) throw FileError(EBADF, "write to a closed file");
  if (direct_) {
    if (offset != size_) throw FileError(ESPIPE, "cannot write back into " + target_);
    Write(bytes);
    return;
  }
  while (!bytes.empty()) {
    const ssize_t put = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw FileError(error, "cannot write " + target_ + ": " + SystemErrorText(error));
    }
    bytes.remove_prefix(static_cast<size_t>(put));
    offset += static_cast<uint64_t>(put);
    if (offset > size_) size_ = offset;
  }
}

void AtomicFile::Truncate(uint64_t length) {
  if (fd_ < 0) throw FileError(EBADF, "truncate of a closed file");
  if (length == size_) return;
  if (direct_) throw FileError(ESPIPE, "cannot cut back what was written to " + target_);
  if (ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    const int error = errno;
    throw FileError(error, "cannot set the length of " + target_ + ": " + SystemErrorText(error));
  }
  size_ = length;
}

void AtomicFile::CopyTo(int fd) const {
  char block[65536];
  for (uint64_t at = 0; at < size_;) {
    const ssize_t got = ::pread(fd_, block, sizeof block, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      const int error = got < 0 ? errno : EIO;
      throw FileError(error, "cannot read back " + target_ + ": " + SystemErrorText(error));
    }
    WriteAll(fd, block, static_cast<size_t>(got), "the output");
    at += static_cast<uint64_t>(got);
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) throw FileError(EBADF, "commit of a closed file");
  if (committed_) return;
  int error = 0;
  if (!direct_ && fsync(fd_) != 0 && errno != EINVAL) error = errno;
  std::string named = temporary_;
  if (error == 0 && unnamed_) {
    // The unnamed file gets a name beside the target, then the target's name.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      named = SideName(target_);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
      error = errno;
      named.clear();
      if (error != EEXIST) break;
    }
    if (named.empty() && error == ENOENT) {
      // Without /proc the bytes are copied into a named file.
      std::string pattern = FolderOf(target_) + ".~" + BaseOf(target_) + ".XXXXXX";
      const int copy = mkostemp(pattern.data(), O_CLOEXEC);
      error = copy < 0 ? errno : 0;
      if (copy >= 0) {
        try {
          CopyTo(copy);
          fchmod(copy, keepMode_ ? mode_ : 0666 & ~CreationMask());
          if (fsync(copy) != 0 && errno != EINVAL) error = errno;
        } catch (const FileError& e) {
          error = e.SystemCode();
        }
        ::close(copy);
        named = pattern;
        if (error != 0) ::unlink(named.c_str());
      }
    } else if (!named.empty()) {
      error = 0;
    }
  }
  if (error == 0 && !direct_ && std::rename(named.c_str(), target_.c_str()) != 0) {
    error = errno;
    ::unlink(named.c_str());
  }
  if (error != 0) {
    const std::string target = target_;
    Abort();
    throw FileError(error, "cannot replace " + target + ": " + SystemErrorText(error));
  }
  temporary_.clear();
  committed_ = true;
}

void AtomicFile::Abort() {
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  Close();
  target_.clear();
  temporary_.clear();
  size_ = 0;
  unnamed_ = false;
  direct_ = false;
  committed_ = false;
  keepMode_ = false;
  mode_ = 0;
}

void AtomicFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace compoundparser
