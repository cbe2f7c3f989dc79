// Watches a run for the nodes that fail and keeps the failures that reached
// furthest into the file: the data file on import, the output on export. The
// caller owns the observer and hangs it on TParserParam::observer for a run;
// nodes tell it of a failure only when it is set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/TextPlace.h"
#include "host/Xml.h"

namespace compoundparser {

class Parser;
class TParserParam;

// What went wrong at a node.
enum class FailureKind : int {
  kLiteralNotFound,     // the literal's bytes are not there
  kTypeMismatch,        // a field's text is not a number or an angle
  kShortField,          // fewer bytes are left in the part than the field's width
  kEndOfLine,           // a field ran into a line end
  kEndOfFile,           // a field ran past the end of the file
  kTerminatorNotFound,  // no terminator within the part's width
  kLineTooLong,         // the terminator only past the part's MaxWidth (at the byte past it)
  kNotAllData,          // the data did not fill a terminated part
  kNoAlternative,       // no alternative of a radio matched
  kElementMissing,      // export: the document lacks the element
  kDataDoesNotFit,      // export: the value is wider than its field
};

// One failure of one node.
struct TParseFailure {
  const Parser* node = nullptr;
  FailureKind kind = FailureKind::kLiteralNotFound;
  uint32_t position = 0;    // byte of the data file (import) or the output (export)
  uint32_t width = 0;       // bytes the node had or needed (0: none)
  std::string expected;     // the literal or terminator bytes, or the element id
  std::string found;        // the bytes at `position` (import) or the value (export)
  std::string elementPath;  // export: the document element in hand, as /data/Point[17]
  int depth = 0;            // nesting of the node, substitutes expanded
};

class ParseObserver {
 public:
  // Prepares for a run of the tree below `root`: forgets earlier failures and
  // ranks the nodes by depth (a substitute at the depth of its first use).
  void Begin(const Parser& root);
  // Prepares for an export of the document below `dataRoot`: as Begin, and
  // numbers the elements that share their name with a sibling, so that a
  // failure names its element as /data/Point[17] after earlier ones are gone.
  void BeginExport(const Parser& root, const XmlNode& dataRoot);

  // Records that `node` failed at `position`; `width` is the part the node had
  // or needed, `expected` the bytes or name it looked for.
  void OnFailure(const TParserParam& param, const Parser& node, FailureKind kind, uint32_t position,
                 uint32_t width, std::string_view expected);

  // Returns true when some failure was recorded since Begin.
  bool HasFailure() const { return count_ != 0; }
  // Returns the position of the furthest failures.
  uint32_t FurthestPosition() const { return furthestPosition_; }
  // Returns every failure at the furthest position, in the order reported (a
  // node failing the same way twice there is kept once).
  std::vector<TParseFailure> Furthest() const;
  // Returns the failure to show: the deepest node at the furthest position,
  // the first reported among equals; nullptr when nothing failed.
  const TParseFailure* Best() const;

  // Returns "expected ..., found ..." for a failure.
  static std::string Explain(const TParseFailure& failure);
  // Returns a short name of a node: its kind and id, as element[Northing].
  static std::string NodeName(const Parser& node);
  // Returns the path of a node in its definition file, as
  // parser/repeat/radio/terminated/subst[IfFields] or, inside a substitute,
  // substitute[Fields]/group[Point]/element[Northing]; "" when unknown.
  static std::string SourcePath(const Parser& node);
  // Returns the line and column of byte `position` of `text` (LocateInText).
  static TTextPlace Locate(std::string_view text, size_t position) {
    return LocateInText(text, position);
  }

 private:
  void RankDepths(const Parser& node, int depth);
  std::string ElementPath(const XmlNode& node) const;

  int DepthOf(const Parser* node) const;

  uint32_t furthestPosition_ = 0;
  // The failures at the furthest position are the first `count_` of
  // `furthest_`; the slots after them keep their strings' memory for reuse, so
  // that the routine failures of every record cost no allocation. Depths are
  // filled in when asked for (Best, Furthest).
  mutable std::vector<TParseFailure> furthest_;
  size_t count_ = 0;
  std::unordered_map<const Parser*, int> depths_;
  std::unordered_map<const void*, int> elementNumbers_;
  bool exporting_ = false;
};

}  // namespace compoundparser
