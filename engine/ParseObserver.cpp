#include "engine/ParseObserver.h"

#include <algorithm>
#include <cstring>

#include "engine/CompoundParser.h"
#include "engine/CountParser.h"
#include "engine/DumpText.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/LiteralParser.h"
#include "engine/SubstParser.h"
#include "engine/TParserParam.h"
#include "engine/TreeWalk.h"

namespace compoundparser {
namespace {

// The most bytes of the file that a failure keeps as what was found.
constexpr uint32_t kMaxFoundBytes = 48;
// What a radio shows of the bytes where none of its alternatives matched.
constexpr uint32_t kRadioFoundBytes = 16;

// Returns `text` quoted, or a word for what stands there instead of bytes.
std::string FoundText(const std::string& found) {
  if (found.empty()) return "end of file";
  if (found[0] == '\r' || found[0] == '\n') return "end of line";
  std::string out;
  AppendQuoted(out, found);
  return out;
}

// Returns the id of an element or count field ("" for other nodes).
std::string FieldId(const Parser& node) {
  switch (node.Kind()) {
    case TNodeKind::kElement:
      return static_cast<const ElementParser&>(node).Id();
    case TNodeKind::kCount:
      return static_cast<const CountParser&>(node).Id();
    case TNodeKind::kSequence:
    case TNodeKind::kGroup:
    case TNodeKind::kOptional:
    case TNodeKind::kRadio:
    case TNodeKind::kRepeat:
    case TNodeKind::kTerminated:
    case TNodeKind::kIf:
    case TNodeKind::kLiteral:
    case TNodeKind::kSubst:
    case TNodeKind::kAssign:
      break;
  }
  return std::string();
}

std::string Quoted(std::string_view bytes) {
  std::string out;
  AppendQuoted(out, bytes);
  return out;
}

}  // namespace

void ParseObserver::Begin(const Parser& root) {
  furthest_.clear();
  staged_.clear();
  count_ = 0;
  furthestPosition_ = 0;
  depths_.clear();
  removed_.clear();
  exporting_ = false;
  RankDepths(root);
}

void ParseObserver::BeginExport(const Parser& root) {
  Begin(root);
  exporting_ = true;
}

void ParseObserver::OnRemoved(const void* parent, const std::string& name) {
  ++removed_[RemovedKey{parent, name}];
}

void ParseObserver::RankDepths(const Parser& root) {
  // Each node at the depth of its first use.
  struct Ranking : TreeVisitor {
    explicit Ranking(std::unordered_map<const Parser*, int>& depthsArg) : depths(depthsArg) {}
    TWalkNext Enter(const TWalkStep& step) override {
      depths.emplace(step.node, step.depth);
      return TWalkNext::kInto;
    }
    std::unordered_map<const Parser*, int>& depths;
  } ranking(depths_);
  WalkExpandedTree(root, ranking);
}

void ParseObserver::OnFailure(const TParserParam& param, const Parser& node, FailureKind kind,
                              uint32_t position, uint32_t width, std::string_view expected) {
  if (count_ != 0 && position < furthestPosition_) return;
  if (count_ != 0 && position == furthestPosition_) {
    for (size_t i = 0; i < count_; ++i) {
      if (furthest_[i].node == &node && furthest_[i].kind == kind) return;
    }
  } else {
    count_ = 0;
    furthestPosition_ = position;
  }
  if (count_ == furthest_.size()) {
    furthest_.emplace_back();
    staged_.emplace_back();
  }
  static_assert(kMaxFoundBytes <= kStagedBytes, "found bytes fit their buffer");
  Staged& staged = staged_[count_];
  TParseFailure& failure = furthest_[count_++];
  failure.node = &node;
  failure.kind = kind;
  failure.position = position;
  failure.width = width;
  staged.expected = false;
  staged.found = false;
  if (kind == FailureKind::kDataDoesNotFit) {
    failure.expected = FieldId(node);
  } else if (!exporting_ && expected.size() <= kStagedBytes) {
    if (!expected.empty()) std::memcpy(staged.expectedBytes, expected.data(), expected.size());
    staged.expectedSize = static_cast<uint8_t>(expected.size());
    staged.expected = true;
  } else {
    failure.expected.assign(expected.data(), expected.size());
  }
  if (exporting_) {
    failure.found = param.fieldText;
    failure.elementPath = ElementPath(param.currentNode);
    return;
  }
  failure.elementPath.clear();
  if (param.file.Data() != nullptr && position < param.file.Length()) {
    uint32_t count = width;
    if (kind == FailureKind::kLiteralNotFound) count = static_cast<uint32_t>(expected.size());
    if (kind == FailureKind::kNoAlternative) count = kRadioFoundBytes;
    count = std::min({count, kMaxFoundBytes, param.file.Length() - position});
    if (count != 0) std::memcpy(staged.foundBytes, param.file.Data() + position, count);
    staged.foundSize = static_cast<uint8_t>(count);
    staged.found = true;
  } else {
    failure.found.clear();
  }
}

void ParseObserver::Settle() const {
  for (size_t i = 0; i < count_; ++i) {
    Staged& staged = staged_[i];
    if (staged.expected) furthest_[i].expected.assign(staged.expectedBytes, staged.expectedSize);
    if (staged.found) furthest_[i].found.assign(staged.foundBytes, staged.foundSize);
    staged.expected = false;
    staged.found = false;
  }
}

int ParseObserver::DepthOf(const Parser* node) const {
  const auto depth = depths_.find(node);
  return depth == depths_.end() ? 0 : depth->second;
}

std::vector<TParseFailure> ParseObserver::Furthest() const {
  Settle();
  std::vector<TParseFailure> failures(furthest_.begin(),
                                      furthest_.begin() + static_cast<std::ptrdiff_t>(count_));
  for (TParseFailure& failure : failures) failure.depth = DepthOf(failure.node);
  return failures;
}

const TParseFailure* ParseObserver::Best() const {
  Settle();
  TParseFailure* best = nullptr;
  for (size_t i = 0; i < count_; ++i) {
    TParseFailure& failure = furthest_[i];
    failure.depth = DepthOf(failure.node);
    if (best == nullptr || failure.depth > best->depth) best = &failure;
  }
  return best;
}

std::string ParseObserver::ElementPath(const XmlNode& node) const {
  std::vector<std::string> steps;
  for (XmlNode at = node; at && at.Type() == kXmlElement; at = at.Parent()) {
    std::string step = at.Name();
    const XmlNode parent = at.Parent();
    // Export selects the first element of a name each time and removes it
    // once written, so the elements it removed stood before this one, and no
    // other of that name did.
    const auto removed = removed_.find(RemovedKey{parent.Raw(), step});
    uint32_t before = removed == removed_.end() ? 0 : removed->second;
    if (before == 0) {
      for (XmlNode sibling = at.PreviousSibling(); sibling; sibling = sibling.PreviousSibling()) {
        if (sibling.Type() == kXmlElement && sibling.Name() == step) ++before;
      }
    }
    bool shared = before > 0;
    for (XmlNode sibling = at.NextSibling(); sibling && !shared; sibling = sibling.NextSibling()) {
      shared = sibling.Type() == kXmlElement && sibling.Name() == step;
    }
    if (shared) step += "[" + std::to_string(before + 1) + "]";
    steps.push_back(std::move(step));
  }
  std::string path;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) path += "/" + *step;
  return path;
}

std::string ParseObserver::NodeName(const Parser& node) {
  if (const TNodeSource* source = node.Source()) return source->step;
  std::string name = NodeKindName(node.Kind());
  switch (node.Kind()) {
    case TNodeKind::kElement:
    case TNodeKind::kCount:
      return name + "[" + FieldId(node) + "]";
    case TNodeKind::kGroup:
      return name + "[" + static_cast<const GroupParser&>(node).Name() + "]";
    case TNodeKind::kSubst:
      return name + "[" + static_cast<const SubstParser&>(node).Name() + "]";
    case TNodeKind::kSequence:
    case TNodeKind::kOptional:
    case TNodeKind::kRadio:
    case TNodeKind::kRepeat:
    case TNodeKind::kTerminated:
    case TNodeKind::kIf:
    case TNodeKind::kLiteral:
    case TNodeKind::kAssign:
      break;
  }
  return name;
}

std::string ParseObserver::SourcePath(const Parser& node) {
  std::vector<const std::string*> steps;
  const TNodeSource* top = nullptr;
  for (const TNodeSource* at = node.Source(); at != nullptr; at = at->parent) {
    steps.push_back(&at->step);
    top = at;
  }
  if (top == nullptr) return std::string();
  std::string path = top->step.compare(0, 11, "substitute[") == 0 ? "" : "parser/";
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    path += **step;
    if (step + 1 != steps.rend()) path += '/';
  }
  return path;
}

TDefinitionPlace ParseObserver::PlaceOf(const Parser& node, const std::string& definitionFile) {
  TDefinitionPlace place;
  place.file = definitionFile;
  if (const TNodeSource* source = node.Source()) place.line = source->line;
  place.path = SourcePath(node);
  if (place.path.empty()) place.path = NodeName(node);
  return place;
}

TDiagnosedFailure ParseObserver::Described(const TParseFailure& failure,
                                           const std::string& definitionFile) const {
  TDiagnosedFailure described;
  described.kind = failure.kind;
  described.explanation = Explain(failure);
  described.expected = failure.expected;
  described.found = failure.found;
  if (failure.node != nullptr) {
    described.nodeName = NodeName(*failure.node);
    described.node = PlaceOf(*failure.node, definitionFile);
  }
  return described;
}

TDiagnosis ParseObserver::Diagnose(std::string_view data, const std::string& definitionFile) const {
  TDiagnosis diagnosis;
  const TParseFailure* best = Best();
  if (best == nullptr) return diagnosis;
  diagnosis.exporting = exporting_;
  diagnosis.position = best->position;
  diagnosis.elementPath = best->elementPath;
  diagnosis.failure = Described(*best, definitionFile);
  if (!exporting_) {
    diagnosis.place = LocateInText(data, best->position);
    // A line that is too long is named by its number.
    std::string& explanation = diagnosis.failure.explanation;
    if (best->kind == FailureKind::kLineTooLong && explanation.rfind("the line ", 0) == 0) {
      explanation = "line " + std::to_string(diagnosis.place.line) + explanation.substr(8);
    }
  }
  for (const TParseFailure& failure : Furthest()) {
    diagnosis.all.push_back(Described(failure, definitionFile));
  }
  return diagnosis;
}

std::string ParseObserver::Explain(const TParseFailure& failure) {
  const std::string name = failure.node != nullptr ? NodeName(*failure.node) : "node";
  const std::string found = FoundText(failure.found);
  const std::string width = std::to_string(failure.width);
  switch (failure.kind) {
    case FailureKind::kLiteralNotFound:
      return "expected " + Quoted(failure.expected) + ", found " + found;
    case FailureKind::kTypeMismatch:
      return "expected " + failure.expected + " for " + name + ", found " + found;
    case FailureKind::kShortField:
      return "expected " + failure.expected + " bytes for " + name + ", found only " + width +
             (failure.found.empty() ? std::string() : " (" + Quoted(failure.found) + ")");
    case FailureKind::kEndOfLine: {
      // What the field read before the line end: a missing delimiter and a
      // short fixed-width field both end here.
      std::string before = failure.found;
      while (!before.empty() && (before.back() == '\n' || before.back() == '\r')) before.pop_back();
      return "expected more on this line for " + name + ", found a line end" +
             (before.empty() ? std::string() : " after " + Quoted(before));
    }
    case FailureKind::kEndOfFile:
      return "expected " + width + " bytes for " + name + ", found " +
             (failure.found.empty() ? "end of file" : "only " + Quoted(failure.found));
    case FailureKind::kTerminatorNotFound:
      return "expected " + Quoted(failure.expected) + " within " + width + " bytes, found " + found;
    case FailureKind::kLineTooLong:
      return (failure.expected.find_first_of("\r\n") != std::string::npos
                  ? std::string("the line is longer than the ")
                  : "the stretch before " + Quoted(failure.expected) + " is longer than the ") +
             width + " bytes that the format allows";
    case FailureKind::kNotAllData:
      return "expected " + Quoted(failure.expected) + " after the data, found " + found;
    case FailureKind::kNoAlternative:
      return "expected one of the alternatives of " + name + ", found " + found;
    case FailureKind::kElementMissing:
      return "expected element " + failure.expected + " in " + failure.elementPath + ", found none";
    case FailureKind::kDataDoesNotFit:
      return "expected at most " + width + " characters for " + failure.elementPath + "/" +
             failure.expected + ", found " + Quoted(failure.found);
  }
  return "failed";
}

}  // namespace compoundparser
