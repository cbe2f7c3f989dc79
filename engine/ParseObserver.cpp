#include "engine/ParseObserver.h"

#include <algorithm>

#include "engine/CompoundParser.h"
#include "engine/CountParser.h"
#include "engine/DumpText.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/LiteralParser.h"
#include "engine/SubstParser.h"
#include "engine/TParserParam.h"

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

std::string Quoted(std::string_view bytes) {
  std::string out;
  AppendQuoted(out, bytes);
  return out;
}

}  // namespace

void ParseObserver::Begin(const Parser& root) {
  furthest_.clear();
  count_ = 0;
  furthestPosition_ = 0;
  depths_.clear();
  elementNumbers_.clear();
  exporting_ = false;
  RankDepths(root, 0);
}

void ParseObserver::BeginExport(const Parser& root, const XmlNode& dataRoot) {
  Begin(root);
  exporting_ = true;
  if (!dataRoot) return;
  // Walks the document without recursion; numbers the elements whose name
  // occurs more than once among their siblings.
  std::vector<XmlNode> pending{dataRoot};
  std::unordered_map<std::string, int> counts;
  std::unordered_map<std::string, int> seen;
  while (!pending.empty()) {
    const XmlNode parent = pending.back();
    pending.pop_back();
    counts.clear();
    seen.clear();
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
      if (child.Type() == kXmlElement) ++counts[child.Name()];
    }
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
      if (child.Type() != kXmlElement) continue;
      const std::string name = child.Name();
      const int number = ++seen[name];
      if (counts[name] > 1) elementNumbers_[child.Raw()] = number;
      if (child.HasChildren()) pending.push_back(child);
    }
  }
}

void ParseObserver::RankDepths(const Parser& node, int depth) {
  if (!depths_.emplace(&node, depth).second) return;
  if (const auto* subst = dynamic_cast<const SubstParser*>(&node)) {
    if (subst->Target() != nullptr) RankDepths(*subst->Target(), depth + 1);
  } else if (const auto* compound = dynamic_cast<const CompoundParser*>(&node)) {
    for (size_t i = 0; i < compound->NumChildren(); ++i) RankDepths(*compound->Child(i), depth + 1);
  }
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
  if (count_ == furthest_.size()) furthest_.emplace_back();
  TParseFailure& failure = furthest_[count_++];
  failure.node = &node;
  failure.kind = kind;
  failure.position = position;
  failure.width = width;
  failure.expected.assign(expected.data(), expected.size());
  failure.found.clear();
  failure.elementPath.clear();
  if (kind == FailureKind::kDataDoesNotFit) {
    if (const auto* element = dynamic_cast<const ElementParser*>(&node)) {
      failure.expected = element->Id();
    } else if (const auto* count = dynamic_cast<const CountParser*>(&node)) {
      failure.expected = count->Id();
    }
  }
  if (exporting_) {
    failure.found = param.fieldText;
    failure.elementPath = ElementPath(param.currentNode);
  } else if (param.file.Data() != nullptr && position < param.file.Length()) {
    uint32_t count = width;
    if (kind == FailureKind::kLiteralNotFound) count = static_cast<uint32_t>(expected.size());
    if (kind == FailureKind::kNoAlternative) count = kRadioFoundBytes;
    count = std::min({count, kMaxFoundBytes, param.file.Length() - position});
    failure.found.assign(param.file.Data() + position, count);
  }
}

int ParseObserver::DepthOf(const Parser* node) const {
  const auto depth = depths_.find(node);
  return depth == depths_.end() ? 0 : depth->second;
}

std::vector<TParseFailure> ParseObserver::Furthest() const {
  std::vector<TParseFailure> failures(furthest_.begin(),
                                      furthest_.begin() + static_cast<std::ptrdiff_t>(count_));
  for (TParseFailure& failure : failures) failure.depth = DepthOf(failure.node);
  return failures;
}

const TParseFailure* ParseObserver::Best() const {
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
    const auto number = elementNumbers_.find(at.Raw());
    if (number != elementNumbers_.end()) step += "[" + std::to_string(number->second) + "]";
    steps.push_back(std::move(step));
  }
  std::string path;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) path += "/" + *step;
  return path;
}

std::string ParseObserver::NodeName(const Parser& node) {
  if (const TNodeSource* source = node.Source()) return source->step;
  if (const auto* element = dynamic_cast<const ElementParser*>(&node)) {
    return "element[" + element->Id() + "]";
  }
  if (const auto* count = dynamic_cast<const CountParser*>(&node)) {
    return "count[" + count->Id() + "]";
  }
  if (const auto* group = dynamic_cast<const GroupParser*>(&node)) {
    return "group[" + group->Name() + "]";
  }
  if (const auto* subst = dynamic_cast<const SubstParser*>(&node)) {
    return "subst[" + subst->Name() + "]";
  }
  if (dynamic_cast<const LiteralParser*>(&node) != nullptr) return "literal";
  std::string dump = node.Dump();
  const size_t brace = dump.find('{');
  return brace == std::string::npos ? dump : dump.substr(0, brace);
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
