// Construction, copying, loading and destruction of a format definition, the
// reading of its description section and the record count of an export.
#include "definitions/FormatDefinition.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "definitions/GroupDefinition.h"
#include "engine/MessageText.h"
#include "host/HostError.h"
#include "host/HostLib.h"
#include "host/XmlText.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

constexpr unsigned kEnglish = 9;
constexpr const char kTranslationCategory[] = "XMLFormats";
constexpr const char kDefaultFileMask[] = "*.*";

// Tells whether "//" + `id` selects exactly the elements named `id`: an XML
// name without a prefix. Anything else (a prefix, a path, a predicate) is
// left to the query.
bool IsPlainElementName(const std::string& id) {
  return IsXmlName(id) && id.find(':') == std::string::npos;
}

// One pass of a parser tree, with every substitute expanded where it is used,
// visits at most this many nodes at most this deep; a larger tree (such as a
// chain of substitutes that each use the previous one twice) is refused at
// load, so that the running time of a run stays bounded by its input.
constexpr uint64_t kMaxExpandedNodes = uint64_t{1} << 20;
constexpr uint32_t kMaxExpandedDepth = 2048;

// Measures parser trees with their substitutes expanded, each substitute once.
class ExpandedTreeMeasure {
 public:
  // Returns true when the expanded tree of `root` stays within both bounds.
  bool Fits(const Parser& root) {
    uint64_t nodes = 0;
    uint32_t depth = 0;
    return Measure(root, 0, nodes, depth);
  }

 private:
  struct Extent {
    uint64_t nodes;
    uint32_t depth;
  };

  // Sets the node count and depth of the expanded tree of `node`; false as
  // soon as a bound is exceeded (the recursion never goes deeper than that).
  bool Measure(const Parser& node, uint32_t level, uint64_t& nodes, uint32_t& depth) {
    if (level >= kMaxExpandedDepth) return false;
    nodes = 1;
    depth = 1;
    if (const auto* subst = dynamic_cast<const SubstParser*>(&node)) {
      const Parser* target = subst->Target();
      if (target == nullptr) return true;
      auto found = substitutes_.find(target);
      if (found == substitutes_.end()) {
        Extent inner{0, 0};
        if (!Measure(*target, level + 1, inner.nodes, inner.depth)) return false;
        found = substitutes_.emplace(target, inner).first;
      }
      nodes += found->second.nodes;
      depth += found->second.depth;
    } else if (const auto* compound = dynamic_cast<const CompoundParser*>(&node)) {
      for (size_t i = 0; i < compound->NumChildren(); ++i) {
        uint64_t childNodes = 0;
        uint32_t childDepth = 0;
        if (!Measure(*compound->Child(i), level + 1, childNodes, childDepth)) return false;
        nodes += childNodes;
        depth = std::max(depth, childDepth + 1);
        if (nodes > kMaxExpandedNodes) return false;
      }
    }
    return nodes <= kMaxExpandedNodes && level + depth <= kMaxExpandedDepth;
  }

  std::unordered_map<const Parser*, Extent> substitutes_;
};

// Returns true when the attribute `attribute` of `element` is exactly "true".
bool IsTrueAttribute(const XmlNode& element, const char* attribute) {
  const std::optional<std::string> value = element.GetAttribute(attribute);
  return value && *value == "true";
}

// Returns the attribute's value; an absent required attribute raises XmlError.
std::string RequiredAttribute(const XmlNode& element, const char* attribute) {
  std::optional<std::string> value = element.GetAttribute(attribute);
  if (!value) {
    throw XmlError(kXmlErrorFail, std::string("missing attribute ") + attribute);
  }
  return std::move(*value);
}

// Appends the tag names of the element nodes that `query` selects to `list`.
void AppendElementNames(const XmlNode& root, const char* query, std::vector<std::string>& list) {
  for (const XmlNode& node : root.SelectNodes(query)) {
    if (node.Type() == kXmlElement) list.push_back(node.Name());
  }
}

}  // namespace

FormatDefinition::FormatDefinition(const std::string& fileNameArg, TParserCallBack* callBackArg)
    : fileName(fileNameArg), callBack(callBackArg) {
  try {
    document = XmlDocument::Create();
    XmlNode top = document.AsNode();
    top.AppendProcessingInstruction("xml", "version=\"1.0\"");
    top.AppendComment("OXEL File Format Definition");
    XmlNode format = top.AppendElement(Keyword(kKwFormat));
    format.SetAttribute(Keyword(kKwSimple), Keyword(kKwTrue));
    XmlNode repeat = format.AppendElement(Keyword(kKwRepeat));
    groupContainer = repeat.AppendElement(Keyword(kKwRadio));
  } catch (const XmlError&) {
    // The definition keeps what was built; later uses of a missing document
    // raise the error again where they happen.
  }
}

FormatDefinition::FormatDefinition(const FormatDefinition& other) { CopyFrom(other); }

FormatDefinition& FormatDefinition::operator=(const FormatDefinition& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

FormatDefinition::~FormatDefinition() {
  RemoveGroups();
  substitutes.clear();
  rootParser.reset();
  elementIds.clear();
  repeatedGroupIds.clear();
}

void FormatDefinition::CopyFrom(const FormatDefinition& other) {
  description = other.description;
  fileName = other.fileName;
  type = other.type;
  name = other.name;
  fileMask = other.fileMask;
  codePage = other.codePage;
  catalogueCodePage = other.catalogueCodePage;
  document = other.document;
  groupContainer = other.groupContainer;
  groups = other.groups;
  substitutes = other.substitutes;
  repeatedGroupIds = other.repeatedGroupIds;
  elementIds = other.elementIds;
  rootParser = other.rootParser;
  simple = other.simple;
  modified = other.modified;
  exportAllowed = other.exportAllowed;
  importAllowed = other.importAllowed;
  totalStationImport = other.totalStationImport;
  totalStationExport = other.totalStationExport;
  callBack = other.callBack;
}

std::string FormatDefinition::FallbackCodePage() const {
  if (!codePage.empty()) return codePage;
  if (!catalogueCodePage.empty()) return catalogueCodePage;
  return "CP1252";
}

bool FormatDefinition::Load() {
  try {
    RemoveGroups();
    groupContainer = XmlNode();
    rootParser.reset();
    simple = false;
    // A new load starts from nothing; copies keep the old tree and records alive.
    description = TFormatDescription();
    substitutes.clear();
    elementIds.clear();
    repeatedGroupIds.clear();

    document = XmlDocument::Create();
    if (!document.Load(fileName)) {
      ReportParseError(document, callBack);
      return false;
    }

    const XmlNode root = document.DocumentElement();
    if (!root || root.Name() != Keyword(kKwFormat)) return false;

    if (!BuildSubstitutes()) return false;

    type = RequiredAttribute(root, Keyword(kKwType));
    name = TranslateString(RequiredAttribute(root, "name"), kEnglish, ThreadLanguage(),
                           kTranslationCategory);
    fileMask = root.GetAttribute("FileMask").value_or(kDefaultFileMask);
    codePage = root.GetAttribute("CodePage").value_or("");
    if (IsTrueAttribute(root, "ImportOnly")) exportAllowed = false;
    if (IsTrueAttribute(root, "ExportOnly")) importAllowed = false;
    if (IsTrueAttribute(root, "TotalStationImport")) totalStationImport = true;
    if (IsTrueAttribute(root, "TotalStationExport")) totalStationExport = true;
    if (IsTrueAttribute(root, "simple")) simple = true;

    rootParser = std::make_shared<CompoundParser>();
    const XmlNode parserSection = root.SelectSingleNode("/format/parser");
    if (!BuildTree(parserSection ? parserSection : root, *rootParser, 0)) return false;
    if (!ExpandedTreeMeasure().Fits(*rootParser)) {
      if (callBack) {
        callBack->OnMessage(kKindError,
                            "The parser tree is too large: with its substitutes "
                            "expanded it has more than " +
                                std::to_string(kMaxExpandedNodes) + " nodes or " +
                                std::to_string(kMaxExpandedDepth) + " levels");
      }
      return false;
    }

    ReadDescription(root);
  } catch (const XmlError&) {
    return false;
  }

  if (simple) BuildGroups();
  modified = false;
  return true;
}

bool FormatDefinition::ReadDescription(const XmlNode& root) {
  AppendElementNames(root, "/format/description/units/metric/*", description.metricUnits);
  AppendElementNames(root, "/format/description/units/angular/*", description.angularUnits);
  AppendElementNames(root, "/format/description/units/temperature/*", description.temperatureUnits);
  AppendElementNames(root, "/format/description/units/pressure/*", description.pressureUnits);
  for (const XmlNode& variable : root.SelectNodes("/format/description/VARS/variable")) {
    const std::optional<std::string> id = variable.GetAttribute(Keyword(kKwId));
    if (!id) continue;
    const std::optional<std::string> initial = variable.GetAttribute(Keyword(kKwDefault));
    if (!initial) continue;
    description.vars.Assign(*id, *initial);
  }
  AppendElementNames(root, "/format/description/IncludeData/*", description.includeData);
  return true;
}

int FormatDefinition::CountRepeatedGroup(const XmlNode& node, TParserCallBack& /*callBack*/) {
  int total = 0;
  // Ids that are plain element names are counted together in one walk of the
  // document; any other id is run as the query "//" + id.
  std::vector<std::string> names;
  for (const std::string& id : repeatedGroupIds) {
    // A group without a name opens no element, so nothing can match it.
    if (id.empty()) continue;
    if (IsPlainElementName(id)) {
      names.push_back(id);
      continue;
    }
    try {
      total += static_cast<int>(XmlQuery("//" + id).Count(node));
    } catch (const XmlError&) {
      // An id that makes no valid query (or a null node) matches nothing.
    }
  }
  if (!names.empty() && node) total += static_cast<int>(node.CountElementsNamed(names));
  return total;
}

}  // namespace compoundparser
