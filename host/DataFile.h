// The file layer under the parse engine. Import holds the data file in
// memory: a small file is read whole, a large one mapped, a pipe or device read
// up to the input limit. Export collects the output in a block of memory that
// goes to the file each time it fills, so that no field costs a system call and
// memory stays bounded whatever the size of the output; a cut back to bytes
// already written truncates the file. The output is an AtomicFile: it appears
// under its name on Flush or Close. Positions and lengths are unsigned 32-bit
// byte counts. Failures during a run raise FileError with the system's error
// number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/AtomicFile.h"

namespace compoundparser {

// Returns the most bytes that an import reads from an input that is no regular
// file (a pipe, a device), 4 GiB less one byte unless set otherwise.
uint64_t InputLimit();
// Sets that limit (at most 4 GiB less one byte, which positions can address);
// for every DataFile of the process.
void SetInputLimit(uint64_t bytes);

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
  // more, and pipes or devices that give more than InputLimit(), are refused
  // with EFBIG (OpenErrorText() then says which).
  bool OpenForImport(const std::string& fileName, int& systemCode);
  // Returns why the last OpenForImport failed in plain words, or "" when the
  // system's text for its error number says it all.
  const std::string& OpenErrorText() const { return openError_; }
  // Starts an export to `fileName` through an AtomicFile of its own: a symbolic
  // link there is replaced, and the file takes the name on Flush or Close.
  // Returns false and sets `systemCode` when it cannot be created.
  bool OpenForExport(const std::string& fileName, int& systemCode);
  // Starts an export into `output` (open, not owned, never committed here: its
  // holder decides whether it takes its name). `output` must outlive the run.
  void OpenForExport(AtomicFile& output);
  // Opens an in-memory buffer for import (no file behind it). Writes change
  // the buffer only, so tests may also use it as an export target.
  void OpenBuffer(std::string bytes);
  // Writes pending export bytes to disk (export only) and gives an export file
  // of its own its name, then closes the file. Raises FileError when the bytes
  // cannot be written (the export file of its own then never appears).
  void Close();
  // Writes the export buffer to disk so that the file holds exactly the bytes
  // written so far, and gives an export file of its own its name. Raises
  // FileError on failure. Does nothing on import.
  void Flush();

  bool IsOpen() const { return open_; }
  bool IsExport() const { return export_; }
  const std::string& FileName() const { return fileName_; }

  uint32_t Position() const { return position_; }
  uint32_t Length() const {
    return export_ ? flushed_ + static_cast<uint32_t>(bytes_.size()) : viewLength_;
  }
  // Sets the position to an absolute offset (may lie past the end).
  void Seek(uint32_t position);
  // Cuts (or extends with zero bytes) the file to `length` and puts the
  // position at that new end.
  void SetLength(uint32_t length);
  // Reads up to `count` bytes at the position; returns how many were read.
  // Import only: an export file raises FileError (EBADF).
  uint32_t Read(void* buffer, uint32_t count);
  // Reads up to `count` bytes into `out` (replacing its content).
  uint32_t Read(std::string& out, uint32_t count);
  // Writes `count` bytes at the position and moves past them; a gap between
  // the end and the position is filled with zero bytes.
  void Write(const void* data, uint32_t count) {
    // The usual case of export, appending at the end, is handled here.
    if (export_ && position_ == Length() && count <= kMaxLength - position_) {
      bytes_.append(static_cast<const char*>(data), count);
      position_ += count;
      if (bytes_.size() >= kSpillSize) Spill(kKeptAfterSpill);
      return;
    }
    WriteAnywhere(data, count);
  }

  // Returns the offset of the first byte of the import file that is not part
  // of valid UTF-8, or npos. Reads a mapped file in windows whose pages it
  // gives back, so that the check costs no memory.
  size_t InvalidUtf8Offset() const;

  // The bytes of an import file, for searches that need no copy; nullptr for
  // an export file, whose bytes are on disk.
  const char* Data() const { return export_ ? nullptr : view_; }

  // Export: the buffer goes to the file once it holds kSpillSize bytes, all
  // but its last kKeptAfterSpill, so that a cut back to the start of a record
  // seldom reaches bytes already on disk.
  static constexpr size_t kSpillSize = size_t{1} << 20;
  static constexpr size_t kKeptAfterSpill = size_t{64} << 10;

 private:
  // Writes as Write does, wherever the position is (import buffers too).
  void WriteAnywhere(const void* data, uint32_t count);
  // Export: writes the buffer to the file but for its last `keep` bytes.
  void Spill(size_t keep);

  std::string bytes_;  // import: the file; export: the bytes from flushed_ on
  std::string fileName_;
  std::string openError_;
  uint32_t position_ = 0;
  std::unique_ptr<AtomicFile> ownOutput_;
  AtomicFile* output_ = nullptr;  // export: the file being written
  uint32_t flushed_ = 0;          // export: bytes on disk (the file's length)
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
  size_t mapSize_ = 0;
  bool anonymous_ = false;  // the mapping holds what a pipe gave, not a file
  uint32_t released_ = 0;   // bytes of the mapping given back so far
};

}  // namespace compoundparser
