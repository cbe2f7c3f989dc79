#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host/DataFile.h"
#include "host/HostError.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::ReadFile;
using testing::TempFolder;

void Put(DataFile& file, const std::string& bytes) {
  file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// Returns the bytes of a file: an import buffer's own, an export's from disk
// (after a Flush).
std::string Content(const DataFile& file) {
  if (file.IsExport()) return ReadFile(file.FileName());
  return std::string(file.Data(), file.Length());
}

TEST(DataFileOpen, FailuresGiveErrno) {
  TempFolder folder;
  const std::tuple<std::string, bool, int> cases[] = {
      {folder.Path("does-not-exist"), false, ENOENT},
      {folder.Path(""), false, EISDIR},
      {folder.Path("no-such-folder/out.txt"), true, ENOENT},
  };
  for (const auto& [path, forExport, expected] : cases) {
    SCOPED_TRACE(path);
    DataFile file;
    int code = 0;
    EXPECT_FALSE(forExport ? file.OpenForExport(path, code) : file.OpenForImport(path, code));
    EXPECT_EQ(code, expected);
    EXPECT_FALSE(file.IsOpen());
  }
}

// A pipe or a device is read up to the input limit; a longer one is refused
// with a reason, before it fills the memory.
TEST(DataFileOpen, InputsThatAreNoFilesAreReadUpToTheLimit) {
  // The writer of a pipe whose reader stopped at the limit gets an error, not
  // the signal that would end the test.
  struct Guard {
    void (*pipeSignal)(int) = signal(SIGPIPE, SIG_IGN);
    ~Guard() {
      SetInputLimit(DataFile::kMaxLength);
      signal(SIGPIPE, pipeSignal);
    }
  } guard;
  TempFolder folder;
  const std::string fifo = folder.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::tuple<uint64_t, size_t, bool> cases[] = {
      {1 << 20, 1000, true},
      {1000, 1000, true},
      {999, 1000, false},
      {1 << 20, 3 << 20, false},
  };
  for (const auto& [limit, size, fits] : cases) {
    SCOPED_TRACE(std::to_string(limit) + " " + std::to_string(size));
    SetInputLimit(limit);
    std::thread writer(
        [&, bytes = size] { std::ofstream(fifo, std::ios::binary) << std::string(bytes, 'p'); });
    DataFile file;
    int code = 0;
    EXPECT_EQ(file.OpenForImport(fifo, code), fits);
    // The reader stops at the limit: the writer may find the pipe closed.
    writer.join();
    EXPECT_EQ(code, fits ? 0 : EFBIG);
    if (fits) {
      EXPECT_EQ(Content(file), std::string(size, 'p'));
    } else {
      EXPECT_TRUE(testing::Contains(file.OpenErrorText(), "no regular file"));
    }
  }
  if (access("/dev/zero", R_OK) != 0) GTEST_SKIP() << "/dev/zero is not available";
  SetInputLimit(2 << 20);
  DataFile zero;
  int code = 0;
  EXPECT_FALSE(zero.OpenForImport("/dev/zero", code));
  EXPECT_EQ(code, EFBIG);
  EXPECT_EQ(zero.OpenErrorText(),
            "it is no regular file (a pipe or a device) and gave more than 2 MiB, the most that is "
            "read from one");
}

TEST(DataFileRead, StopsAtTheEnd) {
  const std::tuple<uint32_t, uint32_t, const char*, uint32_t> cases[] = {
      {0, 3, "012", 3}, {8, 5, "89", 10}, {10, 4, "", 10}, {25, 4, "", 25}, {4, 0, "", 4},
  };
  DataFile file;
  file.OpenBuffer("an older and longer content");
  for (const auto& [seek, count, read, position] : cases) {
    SCOPED_TRACE(seek);
    // Opening again replaces the content and starts at its beginning.
    file.OpenBuffer("0123456789");
    EXPECT_EQ(file.Position(), 0u);
    file.Seek(seek);
    char buffer[16] = {};
    const uint32_t got = file.Read(buffer, count);
    EXPECT_EQ(std::string(buffer, got), read);
    EXPECT_EQ(file.Position(), position);
  }
}

// 3 MiB of varied bytes: more than an export keeps in memory.
const std::string kBig = [] {
  std::string bytes(3 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
  return bytes;
}();

// 10 bytes before the block that export keeps in memory after writing kBig.
constexpr uint32_t kAcross = (3u << 20) - DataFile::kKeptAfterSpill - 10;

// Writes at the position, inside, at or past the end, and cuts: an in-memory
// buffer and an export file (flushed after every step) end with the same bytes.
TEST(DataFileWrite, OverwritesExtendsAndCuts) {
  struct Step {
    int seek;  // -1: write at the position as it is
    int cut;   // -1: no cut before the write
    std::string bytes;
  };
  const std::tuple<const char*, std::vector<Step>, std::string, uint32_t> cases[] = {
      {"appends", {{-1, -1, "ab"}, {-1, -1, ""}, {-1, -1, "cd"}}, "abcd", 4},
      {"inside then append", {{-1, -1, "abcdef"}, {1, -1, "XY"}, {-1, -1, "Z"}}, "aXYZef", 4},
      {"over the end", {{-1, -1, "abc"}, {2, -1, "XYZ"}, {-1, -1, "!"}}, "abXYZ!", 6},
      {"past the end", {{-1, -1, "ab"}, {4, -1, "c"}}, std::string("ab\0\0c", 5), 5},
      {"cut then append", {{-1, -1, "abcdef"}, {-1, 2, "XY"}, {-1, -1, "Z"}}, "abXYZ", 5},
      {"cut moves to the end", {{-1, -1, "abcdef"}, {1, -1, ""}, {-1, 3, "Z"}}, "abcZ", 4},
      {"extend with zeros", {{-1, -1, "abc"}, {-1, 5, ""}}, std::string("abc\0\0", 5), 5},
      {"cuts shrink the file",
       {{-1, -1, "line one\nline two\n"}, {-1, 9, "2\n"}, {-1, 4, ""}},
       "line",
       4},
      // Past the block that export keeps in memory: the file itself is cut, written and
      // extended.
      {"cut into bytes on disk",
       {{-1, -1, kBig}, {-1, 1000, "XY"}},
       kBig.substr(0, 1000) + "XY",
       1002},
      {"write into bytes on disk",
       {{-1, -1, kBig}, {10, -1, "XY"}, {-1, -1, "Z"}},
       kBig.substr(0, 10) + "XYZ" + kBig.substr(13),
       13},
      {"write across disk and the block kept",
       {{-1, -1, kBig}, {kAcross, -1, std::string(20, 'W')}},
       kBig.substr(0, kAcross) + std::string(20, 'W') + kBig.substr(kAcross + 20),
       kAcross + 20},
      {"extend far past the end",
       {{-1, -1, "ab"}, {-1, 3 << 20, ""}},
       "ab" + std::string((3 << 20) - 2, '\0'),
       3 << 20},
      {"write far past the end",
       {{-1, -1, "ab"}, {3 << 20, -1, "c"}},
       "ab" + std::string((3 << 20) - 2, '\0') + "c",
       (3 << 20) + 1},
  };
  for (const auto& [what, steps, expected, position] : cases) {
    for (const bool toFile : {false, true}) {
      SCOPED_TRACE(std::string(what) + (toFile ? " (file)" : " (buffer)"));
      TempFolder folder;
      DataFile file;
      int code = 0;
      if (toFile) {
        ASSERT_TRUE(file.OpenForExport(folder.Path("out.txt"), code));
      } else {
        file.OpenBuffer("");
      }
      for (const auto& step : steps) {
        if (step.cut >= 0) file.SetLength(static_cast<uint32_t>(step.cut));
        if (step.seek >= 0) file.Seek(static_cast<uint32_t>(step.seek));
        Put(file, step.bytes);
        file.Flush();
        if (toFile) {
          EXPECT_EQ(ReadFile(folder.Path("out.txt")), Content(file));
        }
      }
      EXPECT_EQ(file.Position(), position);
      EXPECT_EQ(Content(file), expected);
      file.Close();
    }
  }
}

TEST(DataFileClosed, EveryOperationRaisesFileError) {
  DataFile file;
  char buffer[4];
  EXPECT_THROW(file.Read(buffer, 4), FileError);
  EXPECT_THROW(file.Seek(0), FileError);
  EXPECT_THROW(file.SetLength(0), FileError);
  try {
    file.Write("x", 1);
    ADD_FAILURE() << "Write on a closed file succeeded";
  } catch (const FileError& e) {
    EXPECT_EQ(e.SystemCode(), EBADF);
  }
  EXPECT_NO_THROW(file.Flush());
  EXPECT_NO_THROW(file.Close());
}

TEST(DataFileExport, TheFileAppearsWhenFlushedClosedOrDestroyed) {
  TempFolder folder;
  const std::string path = folder.Write("export.txt", "old content that must go");
  DataFile file;
  int code = -1;
  ASSERT_TRUE(file.OpenForExport(path, code));
  EXPECT_TRUE(file.IsExport());
  Put(file, "hello");
  // The old file stays until the new one is whole.
  EXPECT_EQ(ReadFile(path), "old content that must go");
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadFile(path), "hello");
  {
    DataFile other;
    ASSERT_TRUE(other.OpenForExport(folder.Path("destructor.txt"), code));
    Put(other, "kept");
  }
  EXPECT_EQ(ReadFile(folder.Path("destructor.txt")), "kept");
  // Written into an AtomicFile of its holder's, the file appears only when the
  // holder commits it.
  AtomicFile held;
  ASSERT_TRUE(held.Open(folder.Path("held.txt"), code));
  file.OpenForExport(held);
  Put(file, "held");
  file.Close();
  EXPECT_FALSE(std::filesystem::exists(folder.Path("held.txt")));
  held.Commit();
  EXPECT_EQ(ReadFile(folder.Path("held.txt")), "held");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"destructor.txt", "export.txt", "held.txt"}));
}

TEST(DataFileExport, FlushWritesOnlyWhatChanged) {
  TempFolder folder;
  const std::string path = folder.Path("partial.txt");
  DataFile file;
  int code = 0;
  ASSERT_TRUE(file.OpenForExport(path, code));
  Put(file, "abcdef");
  file.Flush();
  // Change the first byte behind the file's back: a flush that rewrote
  // everything would put 'a' back.
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, "X", 1, 0), 1);
  close(fd);
  Put(file, "gh");
  file.Seek(3);
  Put(file, "D");
  file.Flush();
  EXPECT_EQ(ReadFile(path), "XbcDefgh");
}

TEST(DataFileExport, WriteFailureRaisesOnFlush) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  DataFile file;
  int code = 0;
  ASSERT_TRUE(file.OpenForExport("/dev/full", code));
  Put(file, "x");
  try {
    file.Flush();
    ADD_FAILURE() << "Flush to /dev/full succeeded";
  } catch (const FileError& e) {
    EXPECT_EQ(e.SystemCode(), ENOSPC);
    EXPECT_TRUE(testing::Contains(e.what(), "/dev/full"));
  }
  EXPECT_THROW(file.Close(), FileError);
  EXPECT_FALSE(file.IsOpen());
}

// Import reads a small file whole and maps a large one, giving back the pages it
// has passed; either way the bytes stay readable after the file is gone, and a
// read that goes back still sees them.
TEST(DataFileImport, ReadsEveryByteOfSmallAndLargeFiles) {
  for (const size_t size : {size_t{7}, (size_t{80} << 20) + 12345}) {
    SCOPED_TRACE(size);
    TempFolder folder;
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    const std::string path = folder.Write("import.bin", bytes);
    DataFile file;
    int code = -1;
    ASSERT_TRUE(file.OpenForImport(path, code)) << code;
    EXPECT_EQ(code, 0);
    std::filesystem::remove(path);
    EXPECT_FALSE(file.IsExport());
    EXPECT_EQ(file.FileName(), path);
    ASSERT_EQ(file.Length(), size);
    std::string chunk;
    size_t mismatches = 0;
    for (size_t at = 0; file.Read(chunk, 1 << 20) > 0; at += chunk.size()) {
      mismatches += chunk != bytes.substr(at, chunk.size());
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(file.Position(), size);
    for (uint32_t at : {0u, 4096u, 50u << 20, static_cast<uint32_t>(size - 1)}) {
      if (at >= size) continue;
      SCOPED_TRACE(at);
      file.Seek(at);
      char byte = 1;
      ASSERT_EQ(file.Read(&byte, 1), 1u);
      EXPECT_EQ(byte, bytes[at]);
      EXPECT_EQ(file.Data()[at], bytes[at]);
    }
  }
}

}  // namespace
}  // namespace compoundparser
