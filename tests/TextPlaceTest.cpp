// The one line and column routine: byte positions of texts in memory and of
// files on disk as line, column and the text of the line (a window of a long
// line), the same either way.
#include <gtest/gtest.h>

#include <string>

#include "host/TextPlace.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// Returns the place of `position` in `text`, found in memory and in a file;
// the test fails where the two differ.
TTextPlace Locate(const std::string& text, uint64_t position) {
  const TTextPlace inText = LocateInText(text, position);
  TempFolder folder;
  const std::string file = folder.Path("text");
  WriteFile(file, text);
  const TTextPlace inFile = LocateInFile(file, position);
  EXPECT_EQ(inFile.line, inText.line);
  EXPECT_EQ(inFile.column, inText.column);
  EXPECT_EQ(inFile.lineText, inText.lineText);
  EXPECT_EQ(inFile.lineOffset, inText.lineOffset);
  return inText;
}

TEST(TextPlace, CountsLinesAndColumnsInBytes) {
  const std::string text = "ab\r\ncd\nxyz";
  const struct {
    uint64_t position;
    const char* place;
  } kCases[] = {{0, "1:1 ab"}, {2, "1:3 ab"},  {4, "2:1 cd"},
                {6, "2:3 cd"}, {9, "3:3 xyz"}, {99, "3:4 xyz"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.position);
    const TTextPlace place = Locate(text, c.position);
    EXPECT_EQ(
        std::to_string(place.line) + ":" + std::to_string(place.column) + " " + place.lineText,
        c.place);
  }
}

TEST(TextPlace, LongLineGivesAWindowAroundThePosition) {
  const size_t window = TTextPlace::kLineWindow;
  const std::string line =
      "x\n" + std::string(3 * window, 'a') + "b" + std::string(3 * window, 'c') + "\r\n";
  const struct {
    size_t position;
    size_t offset;  // of the window in its line
    size_t size;    // of the window
  } kLong[] = {{2 + 3 * window, 2 * window, 2 * window},
               {3, 0, window + 1},
               {line.size() - 3, 5 * window, window + 1}};
  for (const auto& c : kLong) {
    SCOPED_TRACE(c.position);
    const TTextPlace place = Locate(line, c.position);
    EXPECT_EQ(place.line, 2);
    EXPECT_EQ(place.column, static_cast<int>(c.position - 1));
    EXPECT_EQ(place.lineOffset, c.offset);
    EXPECT_EQ(place.lineText, line.substr(2 + c.offset, c.size));
  }
}

TEST(TextPlace, FileThatCannotBeReadStandsAtTheStart) {
  const TTextPlace place = LocateInFile("/nonexistent/compoundparser/file", 40);
  EXPECT_EQ(place.line, 1);
  EXPECT_EQ(place.column, 1);
  EXPECT_EQ(place.lineText, "");
}

}  // namespace
}  // namespace compoundparser::testing
