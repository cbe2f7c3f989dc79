#include "host/TextPlace.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace compoundparser {
namespace {

// Counts the lines of a text given in pieces, up to a position.
class LineCount {
 public:
  explicit LineCount(uint64_t position) : position_(position) {}

  // Takes the next `block` of the text, which starts at byte `at`.
  void Feed(const char* block, size_t size, uint64_t at) {
    const size_t upTo =
        at >= position_ ? 0 : static_cast<size_t>(std::min<uint64_t>(size, position_ - at));
    for (const char* from = block; from < block + upTo;) {
      const void* found = std::memchr(from, '\n', static_cast<size_t>(block + upTo - from));
      if (found == nullptr) break;
      const char* newline = static_cast<const char*>(found);
      ++line_;
      lineStart_ = at + static_cast<uint64_t>(newline - block) + 1;
      from = newline + 1;
    }
  }

  int Line() const { return line_; }
  uint64_t LineStart() const { return lineStart_; }

 private:
  uint64_t position_;
  int line_ = 1;
  uint64_t lineStart_ = 0;
};

// Fills the column and the line's window of `place` from `window`, the bytes
// of the text from `from` on, with the line starting at `lineStart`.
void FillLine(TTextPlace& place, std::string_view window, uint64_t from, uint64_t lineStart,
              uint64_t position, bool windowReachesEnd) {
  place.column = static_cast<int>(position - lineStart) + 1;
  const size_t at = static_cast<size_t>(position - from);
  const size_t newline = window.find('\n', at);
  // The window ends at the line end, at the end of the text, or inside the line.
  const bool whole = newline != std::string_view::npos || windowReachesEnd;
  size_t lineEnd = newline == std::string_view::npos ? window.size() : newline;
  if (whole && lineEnd > 0 && window[lineEnd - 1] == '\r') --lineEnd;
  place.lineOffset = static_cast<size_t>(from - lineStart);
  place.lineText = std::string(window.substr(0, lineEnd));
}

// Returns where the window of the line around `position` starts.
uint64_t WindowStart(uint64_t lineStart, uint64_t position) {
  return position - lineStart > TTextPlace::kLineWindow ? position - TTextPlace::kLineWindow
                                                        : lineStart;
}

}  // namespace

TTextPlace LocateInText(std::string_view text, uint64_t position) {
  position = std::min<uint64_t>(position, text.size());
  LineCount count(position);
  count.Feed(text.data(), text.size(), 0);
  TTextPlace place;
  place.line = count.Line();
  const uint64_t from = WindowStart(count.LineStart(), position);
  const uint64_t upTo = std::min<uint64_t>(text.size(), position + TTextPlace::kLineWindow);
  FillLine(place, text.substr(static_cast<size_t>(from), static_cast<size_t>(upTo - from)), from,
           count.LineStart(), position, upTo == text.size());
  return place;
}

TTextPlace LocateInFile(const std::string& fileName, uint64_t position) {
  TTextPlace place;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return place;
  std::vector<char> block(size_t{1} << 20);
  LineCount count(position);
  uint64_t at = 0;
  while (at < position) {
    in.read(block.data(),
            static_cast<std::streamsize>(std::min<uint64_t>(block.size(), position - at)));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    count.Feed(block.data(), got, at);
    at += got;
  }
  // A position past the end stands at the end.
  position = std::min(position, at);
  place.line = count.Line();
  const uint64_t from = WindowStart(count.LineStart(), position);
  in.clear();
  in.seekg(static_cast<std::streamoff>(from));
  std::string window(static_cast<size_t>(position - from) + TTextPlace::kLineWindow, '\0');
  in.read(&window[0], static_cast<std::streamsize>(window.size()));
  window.resize(static_cast<size_t>(in.gcount()));
  FillLine(place, window, from, count.LineStart(), position,
           window.size() < static_cast<size_t>(position - from) + TTextPlace::kLineWindow);
  return place;
}

}  // namespace compoundparser
