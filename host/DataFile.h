// The file layer under the parse engine: a data file held in memory. Import
// reads the whole file once; export builds the output in memory and writes it
// to disk when the run ends (Flush) or the file is closed, so that no field
// costs a system call. Positions and lengths are unsigned 32-bit byte counts.
// Failures during a run raise FileError with the system's error number.
#pragma once

#include <cstdint>
#include <string>

namespace compoundparser {

class DataFile {
 public:
  // The largest length of a file (positions and lengths are 32-bit).
  static constexpr uint32_t kMaxLength = 0xFFFFFFFFu;

  // Closes the file; pending export bytes are written, errors are swallowed.
  DataFile() = default;
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  // Opens a file for import: reads all of it. Returns false and sets
  // `systemCode` (errno) when it cannot be opened or read; files of 4 GiB or
  // more are refused with EFBIG.
  bool OpenForImport(const std::string& fileName, int& systemCode);
  // Creates or truncates a file for export. Returns false and sets `systemCode`
  // when it cannot be created.
  bool OpenForExport(const std::string& fileName, int& systemCode);
  // Opens an in-memory buffer for import (no file behind it). Writes change
  // the buffer only, so tests may also use it as an export target.
  void OpenBuffer(std::string bytes);
  // Writes pending export bytes to disk (export only), then closes the file.
  // Raises FileError when the bytes cannot be written.
  void Close();
  // Writes the export buffer to disk so that the file holds exactly the bytes
  // written so far. Raises FileError on failure. Does nothing on import.
  void Flush();

  bool IsOpen() const { return open_; }
  bool IsExport() const { return export_; }
  const std::string& FileName() const { return fileName_; }

  uint32_t Position() const { return position_; }
  uint32_t Length() const { return export_ ? static_cast<uint32_t>(bytes_.size()) : viewLength_; }
  // Sets the position to an absolute offset (may lie past the end).
  void Seek(uint32_t position);
  // Cuts (or extends with zero bytes) the file to `length` and puts the
  // position at that new end.
  void SetLength(uint32_t length);
  // Reads up to `count` bytes at the position; returns how many were read.
  uint32_t Read(void* buffer, uint32_t count);
  // Reads up to `count` bytes into `out` (replacing its content).
  uint32_t Read(std::string& out, uint32_t count);
  // Writes `count` bytes at the position and moves past them; a gap between
  // the end and the position is filled with zero bytes.
  void Write(const void* data, uint32_t count) {
    // The usual case of export, appending at the end, is handled here.
    if (export_ && position_ == bytes_.size() && count <= kMaxLength - position_) {
      bytes_.append(static_cast<const char*>(data), count);
      position_ += count;
      return;
    }
    WriteAnywhere(data, count);
  }

  // The bytes of the file, for searches that need no copy.
  const char* Data() const { return export_ ? bytes_.data() : view_; }

 private:
  // Writes as Write does, wherever the position is (import buffers too).
  void WriteAnywhere(const void* data, uint32_t count);

  std::string bytes_;
  std::string fileName_;
  uint32_t position_ = 0;
  int fd_ = -1;              // export: the file being written
  uint32_t flushed_ = 0;     // export: bytes already on disk and unchanged since
  uint32_t diskLength_ = 0;  // export: the length of the file on disk
  bool open_ = false;
  bool export_ = false;
  // Import: the bytes, either in bytes_ or, for large files, mapped. Pages of a
  // mapping that import has passed are given back now and then, so that memory
  // stays bounded whatever the size of the file (a later read of them maps
  // them in again from the file).
  void ReleasePassedPages();
  // An import file that is written to (tests, hosts) is held in bytes_.
  void MakeWritable();
  void SyncView();
  const char* view_ = nullptr;
  uint32_t viewLength_ = 0;
  void* map_ = nullptr;
  uint32_t released_ = 0;  // bytes of the mapping given back so far
};

}  // namespace compoundparser
