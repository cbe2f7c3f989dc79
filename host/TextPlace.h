// Where a byte of a text stands as line and column: the one routine that
// counts lines, for data files in memory, data files on disk and the text of
// XML documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace compoundparser {

// A byte position as line and column, with the text of that line (a window of
// kLineWindow bytes either side of the position when the line is longer, so
// that a line of a gigabyte costs no copy of it).
struct TTextPlace {
  static constexpr size_t kLineWindow = 2048;
  int line = 1;
  int column = 1;         // 1-based, in bytes
  std::string lineText;   // without its line end
  size_t lineOffset = 0;  // bytes of the line before lineText
};

// Returns the place of byte `position` of `text` (a position past the end
// stands at the end).
TTextPlace LocateInText(std::string_view text, uint64_t position);
// Returns the place of byte `position` of the file `fileName`, read in blocks
// so that a file of any size costs one block of memory; line 1, column 1 when
// the file cannot be read.
TTextPlace LocateInFile(const std::string& fileName, uint64_t position);

}  // namespace compoundparser
