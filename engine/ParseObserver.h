// Watches a run for the nodes that fail and keeps the failures that reached
// furthest into the file: the data file on import, the output on export; and
// turns them into the diagnosis of a failed run (TDiagnosis). The caller owns
// the observer and attaches it to a context for a run (ObserverScope); nodes
// report a failure through TParserParam::ReportFailure, which costs nothing
// without an observer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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

// Where a node of a parser tree stands in its definition file.
struct TDefinitionPlace {
  std::string file;  // the definition file
  int line = 0;      // 0 when unknown (a tree built in code)
  // The node's path in the file, as substitute[Fields]/group[Point]/element[Northing]
  // or parser/repeat/radio/terminated; its short name (element[Northing]) when
  // the path is unknown.
  std::string path;
};

// One failure as a person reads it: what was expected and found, and the node.
struct TDiagnosedFailure {
  FailureKind kind = FailureKind::kLiteralNotFound;
  std::string explanation;  // "expected a number for element[Northing], found \"51x0.000\""
  std::string expected;     // as TParseFailure has them
  std::string found;
  std::string nodeName;  // element[Northing]
  TDefinitionPlace node;
};

// Why an import or export failed, as data: the failure that got furthest
// into the file (the deepest node there), where that is in the data file
// (import) or in the document and the output (export), and every other
// failure at the same place.
struct TDiagnosis {
  bool exporting = false;
  uint64_t position = 0;    // byte of the data file (import) or of the output (export)
  TTextPlace place;         // import: line and column of `position`, with its line
  std::string elementPath;  // export: the document element in hand, as /data/Point[17]
  TDiagnosedFailure failure;
  // Every failure at `position`, in the order they came (the one above among them).
  std::vector<TDiagnosedFailure> all;
};

class ParseObserver {
 public:
  // Prepares for a run of the tree below `root`: forgets earlier failures and
  // ranks the nodes by depth (a substitute at the depth of its first use).
  void Begin(const Parser& root);
  // Prepares for an export through the tree below `root`: as Begin; a failure
  // then names its document element as /data/Point[17], counting the
  // elements that the export removed before it.
  void BeginExport(const Parser& root);

  // Records that `node` failed at `position`; `width` is the part the node had
  // or needed, `expected` the bytes or name it looked for.
  void OnFailure(const TParserParam& param, const Parser& node, FailureKind kind, uint32_t position,
                 uint32_t width, std::string_view expected);
  // Records that export removed the element `name` (written or skipped) from
  // the element `parent` (its raw node), so that later failures number their
  // element as the document had it.
  void OnRemoved(const void* parent, const std::string& name);

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
  // Returns the diagnosis of the failures recorded: places in `data` (the
  // data file of an import; empty for an export), nodes in `definitionFile`.
  // Call only when HasFailure().
  TDiagnosis Diagnose(std::string_view data, const std::string& definitionFile) const;

  // Returns "expected ..., found ..." for a failure.
  static std::string Explain(const TParseFailure& failure);
  // Returns a short name of a node: its kind and id, as element[Northing].
  static std::string NodeName(const Parser& node);
  // Returns the path of a node in its definition file, as
  // parser/repeat/radio/terminated/subst[IfFields] or, inside a substitute,
  // substitute[Fields]/group[Point]/element[Northing]; "" when unknown.
  static std::string SourcePath(const Parser& node);
  // Returns where `node` stands in `definitionFile`.
  static TDefinitionPlace PlaceOf(const Parser& node, const std::string& definitionFile);
  // Returns the line and column of byte `position` of `text` (LocateInText).
  static TTextPlace Locate(std::string_view text, size_t position) {
    return LocateInText(text, position);
  }

 private:
  void RankDepths(const Parser& root);
  // Returns the document path of `node`, numbering each element that shares
  // its name with a sibling, the removed ones counted.
  std::string ElementPath(const XmlNode& node) const;
  int DepthOf(const Parser* node) const;
  TDiagnosedFailure Described(const TParseFailure& failure,
                              const std::string& definitionFile) const;

  struct RemovedKey {
    const void* parent;
    std::string name;
    bool operator==(const RemovedKey& other) const {
      return parent == other.parent && name == other.name;
    }
  };
  struct RemovedHash {
    size_t operator()(const RemovedKey& key) const {
      return std::hash<const void*>()(key.parent) ^ std::hash<std::string>()(key.name);
    }
  };

  uint32_t furthestPosition_ = 0;
  // The failures at the furthest position are the first `count_` of
  // `furthest_`; the slots after them keep their strings' memory for reuse, so
  // that the routine failures of every record cost no allocation. Depths are
  // filled in when asked for (Best, Furthest).
  mutable std::vector<TParseFailure> furthest_;
  size_t count_ = 0;
  // The short texts of a failure on import (what was expected, the bytes
  // found) wait here, beside their slot of `furthest_`, until the failures are
  // read: most are passed by the next record before anyone asks, and a copy
  // into a buffer costs less than one into a string.
  static constexpr size_t kStagedBytes = 48;
  struct Staged {
    bool expected = false;  // `expectedBytes` holds the slot's expected text
    bool found = false;     // `foundBytes` holds the slot's found bytes
    uint8_t expectedSize = 0;
    uint8_t foundSize = 0;
    char expectedBytes[kStagedBytes];
    char foundBytes[kStagedBytes];
  };
  mutable std::vector<Staged> staged_;
  // Moves the staged texts of the current failures into their strings.
  void Settle() const;
  std::unordered_map<const Parser*, int> depths_;
  // Export: how many elements of each name each parent lost.
  std::unordered_map<RemovedKey, uint32_t, RemovedHash> removed_;
  bool exporting_ = false;
};

}  // namespace compoundparser
