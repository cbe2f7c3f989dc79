// The tree builder of a format definition: turns the substitute sections and
// the parser section into parser nodes, fills the substitute table and records
// the element ids and the repeated group ids on the way.
#include <memory>
#include <optional>
#include <string>

#include "definitions/FormatDefinition.h"
#include "engine/AssignParser.h"
#include "engine/CountParser.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/IfParser.h"
#include "engine/LiteralParser.h"
#include "engine/MessageText.h"
#include "engine/NumberText.h"
#include "engine/OptionalParser.h"
#include "engine/RadioParser.h"
#include "engine/RepeatParser.h"
#include "engine/SubstParser.h"
#include "engine/TerminatedParser.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

// The kinds of parser nodes, in the order in which names are compared.
enum class NodeKind {
  kUnknown,
  kLiteral,
  kElement,
  kCount,
  kSubst,
  kAssign,
  kMulti,
  kOptional,
  kRadio,
  kRepeat,
  kTerminated,
  kGroup,
  kIf,
};

// Returns the kind of parser node that an element named `name` stands for.
NodeKind KindOf(const std::string& name) {
  if (name == "literal") return NodeKind::kLiteral;
  if (name == "element") return NodeKind::kElement;
  if (name == "count") return NodeKind::kCount;
  if (name == "subst") return NodeKind::kSubst;
  if (name == Keyword(kKwAssign)) return NodeKind::kAssign;
  if (name == "multi") return NodeKind::kMulti;
  if (name == "optional") return NodeKind::kOptional;
  if (name == "radio") return NodeKind::kRadio;
  if (name == "repeat") return NodeKind::kRepeat;
  if (name == "terminated") return NodeKind::kTerminated;
  if (name == "group") return NodeKind::kGroup;
  if (name == Keyword(kKwIf)) return NodeKind::kIf;
  return NodeKind::kUnknown;
}

// Returns true when the attribute is present and exactly `expected`.
bool AttributeIs(const XmlNode& element, const char* attribute, const char* expected) {
  const std::optional<std::string> value = element.GetAttribute(attribute);
  return value && *value == expected;
}

// Returns the attribute's value, or "" when it is absent.
std::string AttributeOrEmpty(const XmlNode& element, const char* attribute) {
  return element.GetAttribute(attribute).value_or(std::string());
}

// Returns the text of the first text child of `element`, or "".
std::string FirstText(const XmlNode& element) {
  for (XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() == kXmlText) return child.Value().value_or(std::string());
  }
  return std::string();
}

// Returns the step of `element` in a node path: its name, with its id as in
// element[Northing] when it has one.
std::string StepOf(const XmlNode& element) {
  std::string step = element.Name();
  if (const std::optional<std::string> id = element.GetAttribute("id")) step += "[" + *id + "]";
  return step;
}

// Returns the predicate [@id = "text"] of the queries that find declarations.
std::string IdPredicate(const std::string& text) {
  return std::string("[@") + Keyword(kKwId) + " = \"" + text + "\"]";
}

}  // namespace

bool FormatDefinition::BuildSubstitutes() {
  for (const XmlNode& node : document.AsNode().SelectNodes("/format/substitute")) {
    if (node.Type() != kXmlElement || node.Name() != Keyword(kKwSubstitute)) continue;
    auto record = std::make_shared<TSubstitute>(AttributeOrEmpty(node, "id"));
    record->tree->SetSource(SourceOf(node, nullptr));
    // A substitute with an invalid body is dropped; a reference to it fails later.
    if (!BuildTree(node, *record->tree, 0)) continue;
    if (substitutes.count(record->id) != 0) {
      if (callBack) {
        callBack->OnMessage(kKindError,
                            FormatMessageText(kMsgSubstituteExists, record->id.c_str()));
      }
      return false;
    }
    substitutes.emplace(record->id, std::move(record));
  }
  return true;
}

bool FormatDefinition::BuildTree(const XmlNode& element, CompoundParser& parent, int depth) {
  for (XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() != kXmlElement) continue;
    std::unique_ptr<Parser> leaf;
    std::unique_ptr<CompoundParser> composite;
    switch (KindOf(child.Name())) {
      case NodeKind::kUnknown:
        return false;
      case NodeKind::kLiteral:
        leaf = CreateLiteral(child);
        break;
      case NodeKind::kElement:
        leaf = CreateElement(child, depth);
        break;
      case NodeKind::kCount:
        leaf = CreateCount(child);
        break;
      case NodeKind::kSubst:
        leaf = CreateSubst(child);
        break;
      case NodeKind::kAssign:
        leaf = CreateAssign(child);
        break;
      case NodeKind::kMulti:
        composite = std::make_unique<CompoundParser>();
        break;
      case NodeKind::kOptional:
        composite = std::make_unique<OptionalParser>();
        break;
      case NodeKind::kRadio:
        composite = std::make_unique<RadioParser>();
        break;
      case NodeKind::kRepeat:
        composite = CreateRepeat(child);
        break;
      case NodeKind::kTerminated:
        composite = CreateTerminated(child);
        break;
      case NodeKind::kGroup:
        composite = CreateGroup(child, depth);
        break;
      case NodeKind::kIf:
        composite = CreateIf(child);
        break;
    }
    if (composite) {
      composite->SetSource(SourceOf(child, parent.Source()));
      // The recursion follows the element nesting, which the XML layer bounds.
      if (!BuildTree(child, *composite, depth + 1)) return false;
      parent.Append(std::move(composite));
    } else if (leaf) {
      leaf->SetSource(SourceOf(child, parent.Source()));
      parent.Append(std::move(leaf));
    } else {
      return false;  // a node that could not be created
    }
  }
  return true;
}

std::unique_ptr<TNodeSource> FormatDefinition::SourceOf(const XmlNode& element,
                                                        const TNodeSource* parent) const {
  auto source = std::make_unique<TNodeSource>();
  source->line = document.LineOfOffset(element.SourceOffset());
  source->step = StepOf(element);
  source->parent = parent;
  return source;
}

std::unique_ptr<LiteralParser> FormatDefinition::CreateLiteral(const XmlNode& element) {
  const std::string text = FirstText(element);
  const bool hex = AttributeIs(element, "hex", "true");
  const bool readOnly = AttributeIs(element, "readonly", "true");
  return std::make_unique<LiteralParser>(text, AttributeOrEmpty(element, "id"),
                                         AttributeOrEmpty(element, "value"), hex, readOnly);
}

std::unique_ptr<ElementParser> FormatDefinition::CreateElement(const XmlNode& element, int depth) {
  std::string id = AttributeOrEmpty(element, "id");
  elementIds.insert(id);
  auto field =
      std::make_unique<ElementParser>(std::move(id), AttributeOrEmpty(element, "default"), depth);
  SetFormatAttribs(element, *field);
  return field;
}

std::unique_ptr<CountParser> FormatDefinition::CreateCount(const XmlNode& element) {
  std::optional<std::string> id = element.GetAttribute("id");
  if (!id) return nullptr;
  auto field = std::make_unique<CountParser>(std::move(*id));
  SetFormatAttribs(element, *field);
  return field;
}

std::unique_ptr<Parser> FormatDefinition::CreateSubst(const XmlNode& element) {
  const std::optional<std::string> id = element.GetAttribute("id");
  if (id) {
    const auto found = substitutes.find(*id);
    if (found != substitutes.end()) {
      return std::make_unique<SubstParser>(found->second->tree.get(), *id);
    }
  }
  if (callBack) {
    const std::string shown = id.value_or(std::string());
    callBack->OnMessage(kKindError, FormatMessageText(kMsgSubstituteNotFound, shown.c_str()));
  }
  return nullptr;
}

std::unique_ptr<Parser> FormatDefinition::CreateAssign(const XmlNode& element) {
  std::optional<std::string> variable = element.GetAttribute(Keyword(kKwVariable));
  if (!variable) return nullptr;
  return std::make_unique<AssignParser>(std::move(*variable),
                                        AttributeOrEmpty(element, Keyword(kKwValue)));
}

std::unique_ptr<CompoundParser> FormatDefinition::CreateGroup(const XmlNode& element, int depth) {
  std::string id = AttributeOrEmpty(element, "id");
  const bool repeatedNode = AttributeIs(element, Keyword(kKwRepeatedNode), "true");
  if (repeatedNode) repeatedGroupIds.insert(id);
  const bool skipWrong = AttributeIs(element, Keyword(kKwSkipWrong), "true");
  return std::make_unique<GroupParser>(std::move(id), repeatedNode, skipWrong, depth);
}

std::unique_ptr<CompoundParser> FormatDefinition::CreateRepeat(const XmlNode& element) {
  const std::optional<std::string> writeCount = element.GetAttribute("writecount");
  return std::make_unique<RepeatParser>(writeCount ? CAtoi(*writeCount)
                                                   : RepeatParser::kNoWriteLimit);
}

std::unique_ptr<CompoundParser> FormatDefinition::CreateTerminated(const XmlNode& element) {
  const std::optional<std::string> maxWidth = element.GetAttribute(Keyword(kKwMaxWidth));
  return std::make_unique<TerminatedParser>(maxWidth ? CAtoi(*maxWidth) : 0);
}

std::unique_ptr<CompoundParser> FormatDefinition::CreateIf(const XmlNode& element) {
  const bool expected = AttributeIs(element, Keyword(kKwCompare), Keyword(kKwTrue));
  std::optional<std::string> variable = element.GetAttribute(Keyword(kKwVariable));
  if (!variable) return nullptr;

  const std::string declarationQuery = std::string("/") + Keyword(kKwFormat) + "/" +
                                       Keyword(kKwDescription) + "/" + Keyword(kKwVars) + "/" +
                                       Keyword(kKwVariable) + IdPredicate(*variable);
  const XmlNode declaration = document.DocumentElement().SelectSingleNode(declarationQuery);
  if (!declaration) return nullptr;

  std::optional<std::string> value = element.GetAttribute(Keyword(kKwValue));
  if (!value) return nullptr;
  if (!declaration.SelectSingleNode(Keyword(kKwValue) + IdPredicate(*value))) return nullptr;

  return std::make_unique<IfParser>(std::move(*variable), std::move(*value), expected);
}

void FormatDefinition::SetFormatAttribs(const XmlNode& element, FormatParser& field) {
  if (auto width = element.GetAttribute("width")) field.SetWidth(CAtoi(*width));
  if (auto maxWidth = element.GetAttribute(Keyword(kKwMaxWidth))) {
    field.SetMaxWidth(CAtoi(*maxWidth));
  }
  if (AttributeIs(element, "align", "right")) field.SetAlign(true);
  if (auto fill = element.GetAttribute("fill")) {
    if (!fill->empty()) field.SetFill((*fill)[0]);
  }
  if (AttributeIs(element, "sign", "true")) field.SetSign(true);
  if (AttributeIs(element, Keyword(kKwFillBeforeSign), "true")) field.SetFillBeforeSign(true);
  if (auto offset = element.GetAttribute("offset")) field.SetOffset(CAtof(*offset));
  if (auto factor = element.GetAttribute("factor")) field.SetFactor(CAtof(*factor));
  if (auto precision = element.GetAttribute("precision")) {
    field.SetPrecision(CAtoi(*precision));
  }
  if (auto type = element.GetAttribute("type")) {
    if (*type == Keyword(kKwDouble)) field.SetType(FormatParser::kTypeDouble);
    if (*type == Keyword(kKwDegree)) field.SetType(FormatParser::kTypeDegree);
  }
  if (auto exclude = element.GetAttribute(Keyword(kKwExcludeLiteralHex))) {
    field.SetExcludeLiteralHex(DecodeHexText(*exclude));
  }
  if (auto escape = element.GetAttribute("escape")) {
    if (*escape == "json") field.SetEscape(TextEscape::kJson);
    if (*escape == "xml") field.SetEscape(TextEscape::kXml);
  }
}

}  // namespace compoundparser
