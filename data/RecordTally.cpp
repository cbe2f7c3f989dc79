#include "data/RecordTally.h"

#include "engine/TParserParam.h"

namespace compoundparser {
namespace {

constexpr char kFileLevelGroup[] = "DataFile";
// Directly below `data`, the units of the whole file (a point list's).
constexpr char kFileUnitsGroup[] = "Units";
constexpr char kCatchAllGroup[] = "Other";
constexpr char kErrorElement[] = "ErrorLine";
constexpr char kRecordGroup[] = "Record";
constexpr char kHeaderGroup[] = "Header";
constexpr char kHeaderText[] = "HeaderText";

std::string KindOf(const std::string& record, const std::string& held) {
  return record == kRecordGroup && !held.empty() ? record + "/" + held : record;
}

}  // namespace

void RecordTally::Add(const std::string& kind, bool isCatchAll) {
  ++records;
  if (isCatchAll) ++catchAll;
  for (auto& entry : kinds) {
    if (entry.first == kind) {
      ++entry.second;
      return;
    }
  }
  kinds.emplace_back(kind, 1);
}

long RecordTally::Count(const std::string& kind) const {
  for (const auto& entry : kinds) {
    if (entry.first == kind) return entry.second;
  }
  return 0;
}

XmlNode FirstElement(const XmlNode& node) {
  for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() == kXmlElement) return child;
  }
  return XmlNode();
}

XmlNode NextElement(const XmlNode& node) {
  for (XmlNode next = node.NextSibling(); next; next = next.NextSibling()) {
    if (next.Type() == kXmlElement) return next;
  }
  return XmlNode();
}

// Returns true when `node` or one of its child elements is an ErrorLine.
bool HoldsErrorLine(const XmlNode& node) {
  for (XmlNode child = FirstElement(node); child; child = NextElement(child)) {
    if (child.Name() == kErrorElement) return true;
  }
  return false;
}

std::string RecordKind(const XmlNode& record) {
  const XmlNode held = FirstElement(record);
  return KindOf(record.Name(), held ? held.Name() : std::string());
}

RecordTally TallyDocument(const XmlNode& data) {
  RecordTally tally;
  if (!data) return tally;
  for (XmlNode record = FirstElement(data); record; record = NextElement(record)) {
    const std::string name = record.Name();
    const XmlNode first = FirstElement(record);
    if (!first && name == kErrorElement) {
      // A generated format's line that it could not read: one element below `data`.
      tally.Add(name, true);
      continue;
    }
    if (!first && name == kHeaderGroup && !tally.hasHeader) {
      // A generated format's header line: one element below `data`.
      tally.hasHeader = true;
      tally.headerText = record.Text();
    }
    if (!first || name == kFileLevelGroup || name == kFileUnitsGroup || name == "info") continue;
    bool catchAll =
        name == kCatchAllGroup || first.Name() == kCatchAllGroup || HoldsErrorLine(record);
    for (XmlNode group = first; !catchAll && group; group = NextElement(group)) {
      catchAll = HoldsErrorLine(group);
    }
    if (name == kHeaderGroup && !tally.hasHeader) {
      tally.hasHeader = true;
      for (XmlNode child = first; child; child = NextElement(child)) {
        if (child.Name() == kHeaderText) {
          tally.headerText = child.Text();
          break;
        }
      }
    }
    tally.Add(KindOf(name, first.Name()), catchAll);
  }
  return tally;
}

void TallyingBuilder::OpenElement(std::string_view name, int indent) {
  inner_.OpenElement(name, indent);
  ++depth_;
  if (depth_ == 1) {
    recordName_.assign(name);
    headerText_.clear();
    heldName_.clear();
    recordStart_ = param_.file.Position();
    hasChildren_ = false;
    errorLine_ = false;
  } else if (depth_ <= 3) {
    names_[depth_ - 2].assign(name);
    if (depth_ == 2 && recordName_ == kHeaderGroup && name == kHeaderText) headerText_.clear();
  }
}

void TallyingBuilder::AppendText(std::string_view text) {
  inner_.AppendText(text);
  if (depth_ == 1 && recordName_ == kHeaderGroup && !hasChildren_) headerText_.append(text);
  if (depth_ == 2 && recordName_ == kHeaderGroup && names_[0] == kHeaderText) {
    headerText_.append(text);
  }
}

void TallyingBuilder::CloseElement() {
  inner_.CloseElement();
  Leave(true);
}

void TallyingBuilder::DropElement() {
  inner_.DropElement();
  Leave(false);
}

void TallyingBuilder::Leave(bool kept) {
  if (depth_ >= 2 && depth_ <= 3 && kept) {
    if (names_[depth_ - 2] == kErrorElement) errorLine_ = true;
    if (depth_ == 2) {
      hasChildren_ = true;
      if (heldName_.empty()) heldName_ = names_[0];
    }
  }
  if (depth_ == 1 && kept && hasChildren_ && recordName_ != kFileLevelGroup &&
      recordName_ != kFileUnitsGroup) {
    const bool catchAll =
        recordName_ == kCatchAllGroup || heldName_ == kCatchAllGroup || errorLine_;
    if (catchAll && tally_.catchAll == 0) {
      tally_.catchAllPlaceKnown = true;
      tally_.firstCatchAllByte = recordStart_;
    }
    if (recordName_ == kHeaderGroup && !tally_.hasHeader) {
      tally_.hasHeader = true;
      tally_.headerText = headerText_;
    }
    tally_.Add(KindOf(recordName_, heldName_), catchAll);
  } else if (depth_ == 1 && kept && !hasChildren_ && recordName_ == kErrorElement) {
    // A generated format's line that it could not read: one element below `data`.
    if (tally_.catchAll == 0) {
      tally_.catchAllPlaceKnown = true;
      tally_.firstCatchAllByte = recordStart_;
    }
    tally_.Add(recordName_, true);
  } else if (depth_ == 1 && kept && !hasChildren_ && recordName_ == kHeaderGroup &&
             !tally_.hasHeader) {
    // A generated format's header line: one element below `data`.
    tally_.hasHeader = true;
    tally_.headerText = headerText_;
  }
  if (depth_ > 0) --depth_;
}

}  // namespace compoundparser
