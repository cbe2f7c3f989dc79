#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "host/DataFile.h"
#include "host/HostError.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::Contains;

using testing::ReadFile;
using testing::TempFolder;

void Put(DataFile& file, const std::string& bytes) {
  file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

TEST(DataFileImport, ReadsTheWholeFileAtOpen) {
  TempFolder folder;
  const std::string path = folder.Path("import.txt");
  testing::WriteFile(path, std::string("abc\0def", 7));
  DataFile file;
  int code = -1;
  ASSERT_TRUE(file.OpenForImport(path, code));
  EXPECT_EQ(code, 0);
  // The file can go away: its bytes are in memory.
  std::filesystem::remove(path);
  EXPECT_TRUE(file.IsOpen());
  EXPECT_FALSE(file.IsExport());
  EXPECT_EQ(file.FileName(), path);
  EXPECT_EQ(file.Length(), 7u);
  EXPECT_EQ(std::string(file.Data(), file.Length()), std::string("abc\0def", 7));
  std::string out;
  EXPECT_EQ(file.Read(out, 4), 4u);
  EXPECT_EQ(out, std::string("abc\0", 4));
  EXPECT_EQ(file.Position(), 4u);
}

TEST(DataFileOpen, FailuresGiveErrno) {
  TempFolder folder;
  const struct {
    std::string path;
    bool forExport;
    int code;
  } cases[] = {
      {folder.Path("does-not-exist"), false, ENOENT},
      {folder.Path(""), false, EISDIR},
      {folder.Path("no-such-folder/out.txt"), true, ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    DataFile file;
    int code = 0;
    EXPECT_FALSE(c.forExport ? file.OpenForExport(c.path, code) : file.OpenForImport(c.path, code));
    EXPECT_EQ(code, c.code);
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST(DataFileRead, StopsAtTheEnd) {
  const struct {
    uint32_t seek;
    uint32_t count;
    const char* read;
    uint32_t position;
  } cases[] = {
      {0, 3, "012", 3}, {8, 5, "89", 10}, {10, 4, "", 10}, {25, 4, "", 25}, {4, 0, "", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seek);
    DataFile file;
    file.OpenBuffer("0123456789");
    file.Seek(c.seek);
    char buffer[16] = {};
    const uint32_t got = file.Read(buffer, c.count);
    EXPECT_EQ(std::string(buffer, got), c.read);
    EXPECT_EQ(file.Position(), c.position);
  }
}

TEST(DataFileBuffer, WritesOverwriteOrExtendAndSetLengthCutsOrExtends) {
  DataFile file;
  file.OpenBuffer("abcdef");
  file.Seek(2);
  Put(file, "XY");
  EXPECT_EQ(std::string(file.Data(), file.Length()), "abXYef");
  EXPECT_EQ(file.Position(), 4u);
  file.Seek(5);
  Put(file, "123");
  EXPECT_EQ(std::string(file.Data(), file.Length()), "abXYe123");
  file.Seek(10);
  Put(file, "z");
  EXPECT_EQ(std::string(file.Data(), file.Length()), std::string("abXYe123\0\0z", 11));

  // SetLength moves to the new end.
  file.Seek(1);
  file.SetLength(3);
  EXPECT_EQ(file.Length(), 3u);
  EXPECT_EQ(file.Position(), 3u);
  Put(file, "Z");
  EXPECT_EQ(std::string(file.Data(), file.Length()), "abXZ");
  file.SetLength(6);
  EXPECT_EQ(std::string(file.Data(), file.Length()), std::string("abXZ\0\0", 6));
  EXPECT_EQ(file.Position(), 6u);

  // Opening again replaces the content.
  file.OpenBuffer("xy");
  EXPECT_EQ(file.Position(), 0u);
  EXPECT_EQ(std::string(file.Data(), file.Length()), "xy");
}

TEST(DataFileClosed, EveryOperationRaisesFileError) {
  DataFile file;
  char buffer[4];
  EXPECT_THROW(file.Read(buffer, 4), FileError);
  EXPECT_THROW(file.Write("x", 1), FileError);
  EXPECT_THROW(file.Seek(0), FileError);
  EXPECT_THROW(file.SetLength(0), FileError);
  try {
    file.Write("x", 1);
  } catch (const FileError& e) {
    EXPECT_EQ(e.SystemCode(), EBADF);
  }
  EXPECT_NO_THROW(file.Flush());
  EXPECT_NO_THROW(file.Close());
}

TEST(DataFileExport, CreatesTheFileAtOnceAndWritesOnClose) {
  TempFolder folder;
  const std::string path = folder.Path("export.txt");
  testing::WriteFile(path, "old content that must go");
  DataFile file;
  int code = -1;
  ASSERT_TRUE(file.OpenForExport(path, code));
  EXPECT_TRUE(file.IsExport());
  EXPECT_EQ(ReadFile(path), "");
  Put(file, "hello");
  // Output stays in memory until flushed.
  EXPECT_EQ(ReadFile(path), "");
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadFile(path), "hello");
}

TEST(DataFileExport, FlushMakesTheFileEqualTheBuffer) {
  TempFolder folder;
  const std::string path = folder.Path("flush.txt");
  DataFile file;
  int code = 0;
  ASSERT_TRUE(file.OpenForExport(path, code));
  Put(file, "line one\nline two\n");
  file.Flush();
  EXPECT_EQ(ReadFile(path), "line one\nline two\n");
  file.SetLength(9);
  Put(file, "2\n");
  file.Flush();
  EXPECT_EQ(ReadFile(path), "line one\n2\n");
  file.SetLength(4);
  file.Flush();
  EXPECT_EQ(ReadFile(path), "line");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 4);
  file.Close();
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
  {
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "X", 1, 0), 1);
    close(fd);
  }
  Put(file, "gh");
  file.Seek(3);
  Put(file, "D");
  file.Flush();
  EXPECT_EQ(ReadFile(path), "XbcDefgh");
  file.Close();
}

TEST(DataFileExport, DestructorWritesPendingBytes) {
  TempFolder folder;
  const std::string path = folder.Path("destructor.txt");
  {
    DataFile file;
    int code = 0;
    ASSERT_TRUE(file.OpenForExport(path, code));
    Put(file, "kept");
  }
  EXPECT_EQ(ReadFile(path), "kept");
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
    EXPECT_TRUE(Contains(std::string(e.what()), "/dev/full"));
  }
  EXPECT_THROW(file.Close(), FileError);
  EXPECT_FALSE(file.IsOpen());
}

// Large files are mapped and the pages import has passed are given back; a
// read that goes back must still see the file's bytes.
TEST(DataFileImport, LargeFileReadsBackAfterPagesAreReleased) {
  TempFolder folder;
  const std::string path = folder.Path("large.bin");
  const size_t size = (80u << 20) + 12345;
  {
    std::string block(1 << 20, '\0');
    std::ofstream out(path, std::ios::binary);
    for (size_t at = 0; at < size; at += block.size()) {
      for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((at + i) % 251);
      out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - at)));
    }
  }
  DataFile file;
  int code = 0;
  ASSERT_TRUE(file.OpenForImport(path, code)) << code;
  ASSERT_EQ(file.Length(), size);
  std::string chunk;
  size_t mismatches = 0;
  while (file.Read(chunk, 1 << 20) > 0) {
    const size_t at = file.Position() - chunk.size();
    if (chunk.back() != static_cast<char>((at + chunk.size() - 1) % 251)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u);
  for (uint32_t at : {0u, 4096u, 50u << 20, static_cast<uint32_t>(size - 1)}) {
    SCOPED_TRACE(at);
    file.Seek(at);
    char byte = 0;
    ASSERT_EQ(file.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, static_cast<char>(at % 251));
    EXPECT_EQ(file.Data()[at], static_cast<char>(at % 251));
  }
  file.Close();
}

}  // namespace
}  // namespace compoundparser
