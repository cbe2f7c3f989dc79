#include "host/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "host/HostError.h"

namespace compoundparser {
namespace {

// The file that a write to `name` replaces: the target of a symbolic link, so
// that the link itself survives the rename.
std::string ResolveTarget(const std::string& name) {
  struct stat info;
  if (lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(name.c_str(), resolved) != nullptr) return resolved;
  }
  return name;
}

}  // namespace

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& target, int& systemCode) {
  Abort();
  target_ = ResolveTarget(target);
  const size_t slash = target_.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  std::string pattern = folder + ".~" + target_.substr(slash + 1) + ".XXXXXX";
  fd_ = mkstemp(pattern.data());
  if (fd_ < 0) {
    systemCode = errno;
    return false;
  }
  temporary_ = pattern;
  struct stat info;
  const mode_t mode = stat(target_.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
  fchmod(fd_, mode);
  return true;
}

void AtomicFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(errno, "cannot write " + temporary_);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void AtomicFile::Commit() {
  int error = 0;
  if (fsync(fd_) != 0 && errno != EINVAL) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
    throw FileError(error, "cannot replace " + target_);
  }
  temporary_.clear();
}

void AtomicFile::Abort() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace compoundparser
