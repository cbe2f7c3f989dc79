#include "data/RecordTally.h"

#include "engine/TParserParam.h"

namespace compoundparser {
namespace {

constexpr std::string_view kFileLevelGroup = "DataFile";
// Directly below `data`, the units of the whole file (a point list's).
constexpr std::string_view kFileUnitsGroup = "Units";
constexpr std::string_view kCatchAllGroup = "Other";
constexpr std::string_view kErrorElement = "ErrorLine";
constexpr std::string_view kRecordGroup = "Record";
constexpr std::string_view kHeaderGroup = "Header";
constexpr std::string_view kHeaderText = "HeaderText";

std::string KindOf(const std::string& record, const std::string& held) {
  return record == kRecordGroup && !held.empty() ? record + "/" + held : record;
}

}  // namespace

size_t RecordTally::Add(const std::string& kind, bool isCatchAll) {
  ++records;
  if (isCatchAll) ++catchAll;
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i].first == kind) {
      ++kinds[i].second;
      return i;
    }
  }
  kinds.emplace_back(kind, 1);
  return kinds.size() - 1;
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
  Enter(name);
}

void TallyingBuilder::AppendElement(std::string_view name, int indent, std::string_view text,
                                    const TByteRange& source, std::string_view after) {
  inner_.AppendElement(name, indent, text, source, after);
  // Inside a record other than a header, a field counts only through its name
  // (the calls it stands for, noted one by one, come to the same).
  if (depth_ >= 1 && !isHeader_) {
    if (depth_ <= 2 && name == kErrorElement) errorLine_ = true;
    if (depth_ == 1) {
      hasChildren_ = true;
      if (heldName_.empty()) heldName_.assign(name.data(), name.size());
    }
    return;
  }
  Enter(name);
  NoteText(text);
  Leave(true);
  NoteText(after);
}

void TallyingBuilder::Enter(std::string_view name) {
  ++depth_;
  // Names are compared here, once per element; the calls that follow test flags.
  if (depth_ == 1) {
    recordName_.assign(name.data(), name.size());
    heldName_.clear();
    headerText_.clear();
    recordStart_ = param_.file.Position();
    hasChildren_ = false;
    errorLine_ = false;
    isHeader_ = name == kHeaderGroup;
    inHeaderText_ = false;
  } else if (depth_ <= 3) {
    isError_[depth_ - 2] = name == kErrorElement;
    if (depth_ == 2) {
      if (heldName_.empty()) firstChild_.assign(name.data(), name.size());
      inHeaderText_ = isHeader_ && name == kHeaderText;
      if (inHeaderText_) headerText_.clear();
    }
  }
}

void TallyingBuilder::AppendText(std::string_view text) {
  inner_.AppendText(text);
  NoteText(text);
}

void TallyingBuilder::NoteText(std::string_view text) {
  if (!isHeader_) return;
  // A generated format's header is text of the record itself; a point list's
  // is the text of its HeaderText.
  if ((depth_ == 1 && !hasChildren_) || (depth_ == 2 && inHeaderText_)) headerText_.append(text);
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
    if (isError_[depth_ - 2]) errorLine_ = true;
    if (depth_ == 2) {
      hasChildren_ = true;
      if (heldName_.empty()) heldName_ = firstChild_;
    }
  }
  if (depth_ == 2) inHeaderText_ = false;
  if (depth_ == 1 && kept) {
    const bool fileLevel = recordName_ == kFileLevelGroup || recordName_ == kFileUnitsGroup;
    if (hasChildren_ && !fileLevel) {
      const bool catchAll =
          recordName_ == kCatchAllGroup || heldName_ == kCatchAllGroup || errorLine_;
      if (catchAll && tally_.catchAll == 0) {
        tally_.catchAllPlaceKnown = true;
        tally_.firstCatchAllByte = recordStart_;
      }
      if (isHeader_ && !tally_.hasHeader) {
        tally_.hasHeader = true;
        tally_.headerText = headerText_;
      }
      // Records mostly come in runs of one kind: the last kind is kept.
      if (lastKind_ < tally_.kinds.size() && recordName_ == lastRecord_ && heldName_ == lastHeld_) {
        ++tally_.records;
        if (catchAll) ++tally_.catchAll;
        ++tally_.kinds[lastKind_].second;
      } else {
        lastKind_ = tally_.Add(KindOf(recordName_, heldName_), catchAll);
        lastRecord_ = recordName_;
        lastHeld_ = heldName_;
      }
    } else if (!hasChildren_ && recordName_ == kErrorElement) {
      // A generated format's line that it could not read: one element below `data`.
      if (tally_.catchAll == 0) {
        tally_.catchAllPlaceKnown = true;
        tally_.firstCatchAllByte = recordStart_;
      }
      tally_.Add(recordName_, true);
    } else if (!hasChildren_ && isHeader_ && !tally_.hasHeader) {
      // A generated format's header line: one element below `data`.
      tally_.hasHeader = true;
      tally_.headerText = headerText_;
    }
  }
  if (depth_ > 0) --depth_;
}

}  // namespace compoundparser
