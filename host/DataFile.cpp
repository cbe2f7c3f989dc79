#include "host/DataFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "host/AtomicFile.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/Utf8.h"

namespace compoundparser {
namespace {

constexpr uint64_t kMaxLength = DataFile::kMaxLength;
// Files from this size on are mapped instead of read.
constexpr uint64_t kMapFrom = 64ull << 20;
// A mapping keeps the pages of the last kKeep bytes before the position; the
// ones before are given back each time kWindow more bytes have been passed.
constexpr uint32_t kKeep = 8u << 20;
constexpr uint32_t kWindow = 16u << 20;

std::atomic<uint64_t> inputLimit{kMaxLength};

// Reads what a pipe or device gives, up to the input limit, into an anonymous
// mapping that grows in place (no copy of what was read as it grows). Returns
// 0 or the errno of the failure; EFBIG when the input gives more.
int ReadStream(int fd, void*& map, size_t& capacity, size_t& size) {
  const uint64_t limit = InputLimit();
  size = 0;
  capacity = size_t{1} << 20;
  map = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) {
    map = nullptr;
    return errno;
  }
  for (;;) {
    if (size == capacity) {
      void* bigger = mremap(map, capacity, capacity * 2, MREMAP_MAYMOVE);
      if (bigger == MAP_FAILED) return errno;
      map = bigger;
      capacity *= 2;
    }
    const ssize_t got = read(fd, static_cast<char*>(map) + size, capacity - size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    size += static_cast<size_t>(got);
    if (size > limit) return EFBIG;
  }
}

// Reads the whole of a regular file of `size` bytes into `bytes`.
int ReadAll(int fd, size_t size, std::string& bytes) {
  bytes.resize(size);
  size_t have = 0;
  while (have < size) {
    const ssize_t got = read(fd, &bytes[have], size - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;  // the file shrank meanwhile
    have += static_cast<size_t>(got);
  }
  bytes.resize(have);
  return 0;
}

std::string MebiBytes(uint64_t bytes) {
  return bytes % (1u << 20) == 0 ? std::to_string(bytes >> 20) + " MiB"
                                 : std::to_string(bytes) + " bytes";
}

}  // namespace

uint64_t InputLimit() { return inputLimit; }

void SetInputLimit(uint64_t bytes) { inputLimit = bytes < kMaxLength ? bytes : kMaxLength; }

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
  openError_.clear();
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    systemCode = errno;
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    systemCode = errno;
    ::close(fd);
    return false;
  }
  if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) > kMaxLength) {
    ::close(fd);
    systemCode = EFBIG;
    openError_ = "the file holds " + std::to_string(info.st_size) +
                 " bytes; files of 4 GiB or more cannot be read";
    return false;
  }
  if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) >= kMapFrom) {
    void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
      systemCode = errno;
      return false;
    }
    madvise(map, static_cast<size_t>(info.st_size), MADV_SEQUENTIAL);
    map_ = map;
    mapSize_ = static_cast<size_t>(info.st_size);
    view_ = static_cast<const char*>(map);
    viewLength_ = static_cast<uint32_t>(info.st_size);
    released_ = 0;
  } else if (S_ISREG(info.st_mode)) {
    std::string bytes;
    const int error = ReadAll(fd, static_cast<size_t>(info.st_size), bytes);
    ::close(fd);
    if (error != 0) {
      systemCode = error;
      return false;
    }
    bytes_ = std::move(bytes);
    view_ = bytes_.data();
    viewLength_ = static_cast<uint32_t>(bytes_.size());
  } else {
    void* map = nullptr;
    size_t capacity = 0;
    size_t size = 0;
    const int error = ReadStream(fd, map, capacity, size);
    ::close(fd);
    if (error != 0) {
      if (map != nullptr) munmap(map, capacity);
      systemCode = error;
      if (error == EFBIG) {
        openError_ = "it is no regular file (a pipe or a device) and gave more than " +
                     MebiBytes(InputLimit()) + ", the most that is read from one";
      }
      return false;
    }
    map_ = map;
    mapSize_ = capacity;
    anonymous_ = true;
    view_ = static_cast<const char*>(map);
    viewLength_ = static_cast<uint32_t>(size);
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
  auto output = std::make_unique<AtomicFile>();
  if (!output->Open(fileName, systemCode)) return false;
  ownOutput_ = std::move(output);
  OpenForExport(*ownOutput_);
  fileName_ = fileName;
  return true;
}

void DataFile::OpenForExport(AtomicFile& output) {
  if (&output != ownOutput_.get()) Close();
  output.Truncate(0);
  output_ = &output;
  bytes_.clear();
  fileName_ = output.Target();
  position_ = 0;
  flushed_ = 0;
  open_ = true;
  export_ = true;
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
  if (export_) {
    try {
      Flush();
    } catch (const FileError& e) {
      error = e.SystemCode();
      what = e.what();
    }
  }
  ownOutput_.reset();  // drops the file of its own unless it took its name
  output_ = nullptr;
  if (map_ != nullptr) munmap(map_, mapSize_);
  map_ = nullptr;
  mapSize_ = 0;
  anonymous_ = false;
  view_ = nullptr;
  viewLength_ = 0;
  open_ = false;
  export_ = false;
  position_ = 0;
  flushed_ = 0;
  bytes_.clear();
  bytes_.shrink_to_fit();
  if (error != 0) throw FileError(error, what);
}

void DataFile::Spill(size_t keep) {
  if (bytes_.size() <= keep) return;
  const size_t count = bytes_.size() - keep;
  output_->Write(std::string_view(bytes_.data(), count));
  flushed_ += static_cast<uint32_t>(count);
  bytes_.erase(0, count);
}

void DataFile::Flush() {
  if (!open_ || !export_) return;
  try {
    Spill(0);
    if (ownOutput_ && !ownOutput_->IsCommitted()) ownOutput_->Commit();
  } catch (const FileError& e) {
    throw FileError(e.SystemCode(),
                    "Cannot write '" + fileName_ + "': " + SystemErrorText(e.SystemCode()));
  }
}

void DataFile::Seek(uint32_t position) {
  if (!open_) throw FileError(EBADF, "Seek on a closed file");
  position_ = position;
  if (map_ != nullptr && !anonymous_ && position_ >= released_ + kKeep + kWindow) {
    ReleasePassedPages();
  }
}

void DataFile::MakeWritable() {
  if (map_ == nullptr) return;
  bytes_.assign(view_, viewLength_);
  munmap(map_, mapSize_);
  map_ = nullptr;
  mapSize_ = 0;
  anonymous_ = false;
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

size_t DataFile::InvalidUtf8Offset() const {
  if (!open_ || export_) return std::string_view::npos;
  const std::string_view all(view_, viewLength_);
  if (map_ == nullptr || anonymous_) return compoundparser::InvalidUtf8Offset(all);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t from = 0;
  while (from < all.size()) {
    size_t to = std::min(all.size(), from + kWindow);
    // A window never ends inside a character: its continuation bytes go along.
    while (to < all.size() && to > from && (static_cast<unsigned char>(all[to]) & 0xC0) == 0x80) {
      --to;
    }
    const size_t bad = compoundparser::InvalidUtf8Offset(all.substr(from, to - from));
    if (bad != std::string_view::npos) return from + bad;
    // The pages read are given back; the import maps them in again as it reads.
    const size_t upTo = to / page * page;
    const size_t start = from / page * page;
    if (upTo > start && upTo > released_) {
      const size_t first = std::max<size_t>(start, released_);
      madvise(static_cast<char*>(map_) + first, upTo - first, MADV_DONTNEED);
    }
    from = to;
  }
  return std::string_view::npos;
}

void DataFile::SetLength(uint32_t length) {
  if (!open_) throw FileError(EBADF, "SetLength on a closed file");
  if (export_) {
    if (length < flushed_) {
      // The cut reaches bytes already on disk.
      output_->Truncate(length);
      flushed_ = length;
      bytes_.clear();
    } else if (length > Length() && length - Length() > kSpillSize) {
      Spill(0);
      output_->Truncate(length);
      flushed_ = length;
    } else {
      bytes_.resize(length - flushed_, '\0');
    }
    position_ = length;
    return;
  }
  MakeWritable();
  bytes_.resize(length, '\0');
  SyncView();
  position_ = length;
}

uint32_t DataFile::Read(void* buffer, uint32_t count) {
  if (!open_ || export_) throw FileError(EBADF, "Read from a file not open for import");
  const uint32_t length = Length();
  if (position_ >= length) return 0;
  const uint32_t got = count < length - position_ ? count : length - position_;
  std::memcpy(buffer, Data() + position_, got);
  Seek(position_ + got);
  return got;
}

uint32_t DataFile::Read(std::string& out, uint32_t count) {
  if (!open_ || export_) throw FileError(EBADF, "Read from a file not open for import");
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
  const char* bytes = static_cast<const char*>(data);
  if (!export_) {
    MakeWritable();
    if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end), '\0');
    std::memcpy(&bytes_[position_], bytes, count);
    SyncView();
    position_ = static_cast<uint32_t>(end);
    return;
  }
  if (position_ < flushed_) {
    // Into bytes already on disk.
    const uint32_t onDisk = count < flushed_ - position_ ? count : flushed_ - position_;
    output_->WriteAt(position_, std::string_view(bytes, onDisk));
    bytes += onDisk;
    count -= onDisk;
    position_ += onDisk;
    if (count == 0) return;
  }
  if (position_ > Length() && position_ - Length() > kSpillSize) SetLength(position_);
  const size_t offset = position_ - flushed_;
  if (offset + count > bytes_.size()) bytes_.resize(offset + count, '\0');
  std::memcpy(&bytes_[offset], bytes, count);
  position_ = static_cast<uint32_t>(end);
  if (bytes_.size() >= kSpillSize) Spill(kKeptAfterSpill);
}

}  // namespace compoundparser
