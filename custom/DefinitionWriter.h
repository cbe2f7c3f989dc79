// Builds the text of a generated format definition in memory: one node per
// line, "\r\n" line ends, two spaces of indentation per level, and writes the
// finished text to disk in one go. The writer owns only its text.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace compoundparser {

// Attributes of a tag as name and value, written in the given order and
// without escaping.
using TagAttributes = std::vector<std::pair<std::string_view, std::string_view>>;

// Returns the start tag `<tag a="v">`.
std::string StartTag(std::string_view tag, const TagAttributes& attributes = {});
// Returns the empty tag `<tag a="v"/>`, or `<tag a="v" />` with `spaceBeforeSlash`.
std::string EmptyTag(std::string_view tag, const TagAttributes& attributes = {},
                     bool spaceBeforeSlash = false);
// Returns the end tag `</tag>`.
std::string EndTag(std::string_view tag);
// Returns `<literal a="v">content</literal>`.
std::string LiteralTag(const TagAttributes& attributes, std::string_view content);

class DefinitionWriter {
 public:
  // Writes a start tag (with `trailer` after it on the same line) and indents
  // the lines that follow by one more level.
  void Open(std::string_view tag, const TagAttributes& attributes = {},
            std::string_view trailer = {});
  // Goes back one level and writes the end tag.
  void Close(std::string_view tag);
  // Writes an empty element.
  void Empty(std::string_view tag, const TagAttributes& attributes = {},
             bool spaceBeforeSlash = false);
  // Writes a `literal` with `hex` "true" (and `readonly` "true" when asked).
  void HexLiteral(std::string_view hexBytes, bool readOnly = false);
  // Writes a line at the current indentation.
  void Line(std::string_view text);
  // Writes an empty line.
  void BlankLine();
  // Appends text as it is: no indentation, no line end.
  void Raw(std::string_view text);
  // Shifts the next line by `spaces` columns (negative: to the left).
  void Skew(int spaces) { skew_ = spaces; }

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int level_ = 0;
  int skew_ = 0;
};

// Writes `text` to `path` through a temporary file in the same folder that is
// renamed over `path`, so that a failure never leaves a partial file. Returns
// an empty string on success, else a message that says what failed.
std::string WriteDefinitionFile(const std::string& path, const std::string& text);

}  // namespace compoundparser
