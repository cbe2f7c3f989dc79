// What an import put in its document, record by record, counted while the
// records are added (so that a streaming import, which keeps no document,
// can say it too): how many records of each kind, and the records that no
// rule of the format recognised. A record is an element with child elements
// directly below `data`, other than the file-level `DataFile` and `Units` (a
// point list's units of the whole file); its kind is its
// name, followed for a `Record` by the name of the element it holds
// ("Record/Observation"). A catch-all record is an `Other` group (or a
// `Record` holding one), a record holding an `ErrorLine`, or an `ErrorLine`
// directly below `data` (a generated format's line that it could not read).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/DocumentBuilder.h"
#include "host/Xml.h"

namespace compoundparser {

class TParserParam;

struct RecordTally {
  // Records per kind, in the order in which each kind first came.
  std::vector<std::pair<std::string, long>> kinds;
  long records = 0;
  long catchAll = 0;
  // Where the first catch-all record started in the data file (a byte
  // offset; only from an import that counted while it read).
  bool catchAllPlaceKnown = false;
  uint64_t firstCatchAllByte = 0;
  // The text of the first `Header` group's `HeaderText` (a point list's
  // header line), or of a `Header` element below `data` (a generated
  // format's), and whether there was one.
  bool hasHeader = false;
  std::string headerText;

  // Counts one record of `kind`; returns the position of `kind` in `kinds`.
  size_t Add(const std::string& kind, bool isCatchAll);
  // Returns the count of `kind` (0 when none came).
  long Count(const std::string& kind) const;
  // Empties the tally.
  void Clear() { *this = RecordTally(); }
};

// Counts the records below `data` of a document in memory (no places).
RecordTally TallyDocument(const XmlNode& data);
// Returns the kind of the record `record` (see above).
std::string RecordKind(const XmlNode& record);
// The child elements of a node, text between them passed over.
XmlNode FirstElement(const XmlNode& node);
XmlNode NextElement(const XmlNode& node);

// Passes everything to another builder and counts the records on the way.
class TallyingBuilder : public DocumentBuilder {
 public:
  TallyingBuilder(const TParserParam& param, DocumentBuilder& inner, RecordTally& tally)
      : param_(param), inner_(inner), tally_(tally) {}

  void OpenElement(std::string_view name, int indent) override;
  void AppendText(std::string_view text) override;
  void CloseElement() override;
  void DropElement() override;
  void AppendElement(std::string_view name, int indent, std::string_view text,
                     const TByteRange& source, std::string_view after) override;

 private:
  // What each call notes, apart from passing it on.
  void Enter(std::string_view name);
  void NoteText(std::string_view text);
  void Leave(bool kept);

  const TParserParam& param_;
  DocumentBuilder& inner_;
  RecordTally& tally_;
  // Open elements below `data`: depth 1 is the record.
  int depth_ = 0;
  std::string recordName_;
  std::string heldName_;    // the first element kept below the record
  std::string firstChild_;  // the name of the element open at depth 2 while none is kept
  uint64_t recordStart_ = 0;
  bool hasChildren_ = false;
  bool errorLine_ = false;
  bool isHeader_ = false;
  bool inHeaderText_ = false;
  bool isError_[2] = {false, false};  // the elements open at depths 2 and 3 are ErrorLine
  std::string headerText_;
  // The kind of the last record counted and its place in the tally.
  std::string lastRecord_;
  std::string lastHeld_;
  size_t lastKind_ = static_cast<size_t>(-1);
};

}  // namespace compoundparser
