#include "host/DataFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/HostError.h"

namespace compoundparser {
namespace {

constexpr uint64_t kMaxLength = DataFile::kMaxLength;
// Files from this size on are mapped instead of read.
constexpr uint64_t kMapFrom = 64ull << 20;
// A mapping keeps the pages of the last kKeep bytes before the position; the
// ones before are given back each time kWindow more bytes have been passed.
constexpr uint32_t kKeep = 8u << 20;
constexpr uint32_t kWindow = 16u << 20;

[[noreturn]] void Fail(int code, const std::string& what) {
  throw FileError(code, what + ": " + SystemErrorText(code));
}

// Reads the whole of `fd` into `bytes`; returns 0 or the errno of the failure.
int ReadAll(int fd, std::string& bytes) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return errno;
  if (S_ISREG(info.st_mode)) {
    if (static_cast<uint64_t>(info.st_size) > kMaxLength) return EFBIG;
    bytes.reserve(static_cast<size_t>(info.st_size));
  }
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    if (bytes.size() + static_cast<size_t>(got) > kMaxLength) return EFBIG;
    bytes.append(chunk, static_cast<size_t>(got));
  }
}

}  // namespace

DataFile::~DataFile() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; the file is closed all the same.
  }
}

bool DataFile::OpenForImport(const std::string& fileName, int& systemCode) {
  Close();
  systemCode = 0;
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    systemCode = errno;
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<uint64_t>(info.st_size) >= kMapFrom) {
    if (static_cast<uint64_t>(info.st_size) > kMaxLength) {
      ::close(fd);
      systemCode = EFBIG;
      return false;
    }
    void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
      systemCode = errno;
      return false;
    }
    madvise(map, static_cast<size_t>(info.st_size), MADV_SEQUENTIAL);
    map_ = map;
    view_ = static_cast<const char*>(map);
    viewLength_ = static_cast<uint32_t>(info.st_size);
    released_ = 0;
  } else {
    std::string bytes;
    const int error = ReadAll(fd, bytes);
    ::close(fd);
    if (error != 0) {
      systemCode = error;
      return false;
    }
    bytes_ = std::move(bytes);
    view_ = bytes_.data();
    viewLength_ = static_cast<uint32_t>(bytes_.size());
  }
  fileName_ = fileName;
  position_ = 0;
  open_ = true;
  export_ = false;
  return true;
}

bool DataFile::OpenForExport(const std::string& fileName, int& systemCode) {
  Close();
  systemCode = 0;
  const int fd = open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    systemCode = errno;
    return false;
  }
  fd_ = fd;
  bytes_.clear();
  fileName_ = fileName;
  position_ = 0;
  flushed_ = 0;
  diskLength_ = 0;
  open_ = true;
  export_ = true;
  return true;
}

void DataFile::OpenBuffer(std::string bytes) {
  Close();
  if (bytes.size() > kMaxLength) bytes.resize(kMaxLength);
  bytes_ = std::move(bytes);
  view_ = bytes_.data();
  viewLength_ = static_cast<uint32_t>(bytes_.size());
  fileName_.clear();
  position_ = 0;
  open_ = true;
  export_ = false;
}

void DataFile::Close() {
  if (!open_) return;
  int error = 0;
  std::string what;
  if (export_ && fd_ >= 0) {
    try {
      Flush();
    } catch (const FileError& e) {
      error = e.SystemCode();
      what = e.what();
    }
    if (::close(fd_) != 0 && error == 0) {
      error = errno;
      what = "Cannot close '" + fileName_ + "': " + SystemErrorText(error);
    }
  }
  fd_ = -1;
  if (map_ != nullptr) munmap(map_, viewLength_);
  map_ = nullptr;
  view_ = nullptr;
  viewLength_ = 0;
  open_ = false;
  export_ = false;
  position_ = 0;
  flushed_ = 0;
  diskLength_ = 0;
  bytes_.clear();
  bytes_.shrink_to_fit();
  if (error != 0) throw FileError(error, what);
}

void DataFile::Flush() {
  if (!open_ || !export_ || fd_ < 0) return;
  const uint32_t length = Length();
  uint32_t at = flushed_;
  while (at < length) {
    const ssize_t put = pwrite(fd_, bytes_.data() + at, length - at, static_cast<off_t>(at));
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail(errno, "Cannot write '" + fileName_ + "'");
    }
    at += static_cast<uint32_t>(put);
    flushed_ = at;
    if (at > diskLength_) diskLength_ = at;
  }
  if (diskLength_ != length) {
    if (ftruncate(fd_, static_cast<off_t>(length)) != 0) {
      Fail(errno, "Cannot set the length of '" + fileName_ + "'");
    }
    diskLength_ = length;
  }
  flushed_ = length;
}

void DataFile::Seek(uint32_t position) {
  if (!open_) throw FileError(EBADF, "Seek on a closed file");
  position_ = position;
  if (map_ != nullptr && position_ >= released_ + kKeep + kWindow) ReleasePassedPages();
}

void DataFile::MakeWritable() {
  if (map_ == nullptr) return;
  bytes_.assign(view_, viewLength_);
  munmap(map_, viewLength_);
  map_ = nullptr;
  SyncView();
}

void DataFile::SyncView() {
  if (export_) return;
  view_ = bytes_.data();
  viewLength_ = static_cast<uint32_t>(bytes_.size());
}

void DataFile::ReleasePassedPages() {
  const uint32_t page = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
  const uint32_t upTo = (position_ - kKeep) / page * page;
  if (upTo <= released_) return;
  madvise(static_cast<char*>(map_) + released_, upTo - released_, MADV_DONTNEED);
  released_ = upTo;
}

void DataFile::SetLength(uint32_t length) {
  if (!open_) throw FileError(EBADF, "SetLength on a closed file");
  MakeWritable();
  bytes_.resize(length, '\0');
  SyncView();
  if (length < flushed_) flushed_ = length;
  position_ = length;
}

uint32_t DataFile::Read(void* buffer, uint32_t count) {
  if (!open_) throw FileError(EBADF, "Read from a closed file");
  const uint32_t length = Length();
  if (position_ >= length) return 0;
  const uint32_t got = count < length - position_ ? count : length - position_;
  std::memcpy(buffer, Data() + position_, got);
  Seek(position_ + got);
  return got;
}

uint32_t DataFile::Read(std::string& out, uint32_t count) {
  if (!open_) throw FileError(EBADF, "Read from a closed file");
  const uint32_t length = Length();
  if (position_ >= length) {
    out.clear();
    return 0;
  }
  const uint32_t got = count < length - position_ ? count : length - position_;
  out.assign(Data() + position_, got);
  Seek(position_ + got);
  return got;
}

void DataFile::WriteAnywhere(const void* data, uint32_t count) {
  if (!open_) throw FileError(EBADF, "Write to a closed file");
  if (count == 0) return;
  const uint64_t end = static_cast<uint64_t>(position_) + count;
  if (end > kMaxLength) throw FileError(EFBIG, "Write past 4 GiB: " + SystemErrorText(EFBIG));
  MakeWritable();
  if (position_ == bytes_.size()) {
    bytes_.append(static_cast<const char*>(data), count);  // the usual case: at the end
  } else {
    if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end), '\0');
    std::memcpy(&bytes_[position_], data, count);
  }
  SyncView();
  if (position_ < flushed_) flushed_ = position_;
  position_ = static_cast<uint32_t>(end);
}

}  // namespace compoundparser
