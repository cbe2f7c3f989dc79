// The explain subcommand: the parser tree of a format as an indented outline
// (or a Graphviz graph), each substitute spelled out at its first use and
// referred to by name after that; both are walks of the expanded tree.
#include <iostream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "engine/AssignParser.h"
#include "engine/CountParser.h"
#include "engine/DumpText.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/IfParser.h"
#include "engine/LiteralParser.h"
#include "engine/RepeatParser.h"
#include "engine/SubstParser.h"
#include "engine/TerminatedParser.h"
#include "engine/TreeWalk.h"

namespace compoundparser {
namespace cli {
namespace {

struct ExplainArgs {
  std::string format;
  bool dot = false;
};

// Returns the names of the bytes of a short delimiter, as "CR LF" or "comma";
// "" when the bytes are ordinary text.
std::string ByteNames(const std::string& bytes) {
  static const std::unordered_map<char, const char*> kNames = {
      {'\r', "CR"},    {'\n', "LF"},         {'\t', "TAB"}, {' ', "space"},
      {',', "comma"},  {';', "semicolon"},   {'|', "bar"},  {'\x02', "STX"},
      {'\x03', "ETX"}, {'\x1a', "EOF mark"}, {'\0', "NUL"}};
  if (bytes.empty() || bytes.size() > 4) return std::string();
  std::string names;
  for (const char c : bytes) {
    const auto found = kNames.find(c);
    if (found == kNames.end()) return std::string();
    if (!names.empty()) names += ' ';
    names += found->second;
  }
  return names;
}

// Returns the field's attributes as the outline shows them: " w=8 right double".
std::string FieldAttributes(const FormatParser& field) {
  std::string text;
  field.DumpAttributes(text);
  return text;
}

// Returns the one-line description of a node without its children.
std::string Header(const Parser& node) {
  switch (node.Kind()) {
    case TNodeKind::kSequence:
      return "sequence";
    case TNodeKind::kOptional:
      return "optional";
    case TNodeKind::kRadio:
      return "radio";
    case TNodeKind::kRepeat: {
      const auto& repeat = static_cast<const RepeatParser&>(node);
      std::string text = "repeat";
      if (repeat.WriteCount() != RepeatParser::kNoWriteLimit) {
        text += "[" + std::to_string(repeat.WriteCount()) + "]";
      }
      return text;
    }
    case TNodeKind::kIf: {
      const auto& test = static_cast<const IfParser&>(node);
      return "if[" + test.Variable() + (test.Expected() ? "==" : "!=") + test.Value() + "]";
    }
    case TNodeKind::kTerminated: {
      const auto& terminated = static_cast<const TerminatedParser&>(node);
      std::string text = "terminated";
      if (terminated.MaxWidth() > 0) text += " max " + std::to_string(terminated.MaxWidth());
      return text;
    }
    case TNodeKind::kGroup: {
      const auto& group = static_cast<const GroupParser&>(node);
      std::string text = group.Name().empty() ? "group (no element)" : "group " + group.Name();
      if (group.IsRepeatedNode()) text += " repeated";
      if (group.IsSkipWrong()) text += " skip-wrong";
      return text;
    }
    case TNodeKind::kLiteral: {
      const auto& literal = static_cast<const LiteralParser&>(node);
      std::string text = "literal ";
      AppendQuoted(text, literal.Literal());
      const std::string names = ByteNames(literal.Literal());
      if (!names.empty()) text += " (" + names + ")";
      if (!literal.ElementName().empty()) {
        text += " records " + literal.ElementName();
        if (!literal.ElementText().empty()) text += "=" + literal.ElementText();
      }
      if (literal.IsReadOnly()) text += " read-only";
      return text;
    }
    case TNodeKind::kElement: {
      const auto& element = static_cast<const ElementParser&>(node);
      std::string text = "element " +
                         (element.Id().empty() ? std::string("(no id)") : element.Id()) +
                         FieldAttributes(element);
      if (!element.Default().empty()) {
        text += " def=";
        AppendQuoted(text, element.Default());
      }
      return text;
    }
    case TNodeKind::kCount: {
      const auto& count = static_cast<const CountParser&>(node);
      return "count[" + count.Id() + FieldAttributes(count) + "]";
    }
    case TNodeKind::kSubst:
      return "subst " + static_cast<const SubstParser&>(node).Name();
    case TNodeKind::kAssign: {
      const auto& assign = static_cast<const AssignParser&>(node);
      return "assign[" + assign.Variable() + "=" + assign.Value() + "]";
    }
  }
  return std::string();
}

std::string LineNote(const Parser& node) {
  const TNodeSource* source = node.Source();
  if (source == nullptr || source->line <= 0) return std::string();
  return "  (line " + std::to_string(source->line) + ")";
}

// Returns true when the step enters the tree of a substitute (below its subst).
bool IsSubstituteTree(const TWalkStep& step) {
  return step.parent != nullptr && step.parent->Kind() == TNodeKind::kSubst;
}

// Prints the tree as an indented outline, the root and the root of each
// substitute's tree left out: their children stand one level below the
// parser section and the subst.
class Outline : public TreeVisitor {
 public:
  TWalkNext Enter(const TWalkStep& step) override {
    const size_t depth = static_cast<size_t>(step.depth);
    levels_.resize(depth + 1);
    if (step.parent == nullptr || IsSubstituteTree(step)) {
      levels_[depth] = depth == 0 ? 0 : levels_[depth - 1];
      return TWalkNext::kInto;
    }
    const int level = levels_[depth - 1] + 1;
    levels_[depth] = level;
    std::cout << std::string(static_cast<size_t>(level - 1) * 2 + 2, ' ') << Header(*step.node)
              << LineNote(*step.node) << (step.seenTarget ? "  (see above)\n" : "\n");
    return TWalkNext::kInto;
  }

 private:
  std::vector<int> levels_;  // the level of the node entered at each depth
};

// Returns `text` as a quoted Graphviz string.
std::string DotString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Writes each node once with its label, then the edges to its children after
// their own; a subst points at its substitute's tree with a dashed edge.
class DotGraph : public TreeVisitor {
 public:
  TWalkNext Enter(const TWalkStep& step) override {
    const std::string name = "n" + std::to_string(names_.size());
    names_.emplace(step.node, name);
    std::cout << "  " << name << " [label=" << DotString(Header(*step.node) + LineNote(*step.node))
              << "];\n";
    return TWalkNext::kInto;
  }

  bool Leave(const TWalkStep& step) override {
    const std::string& name = names_.at(step.node);
    if (step.seenTarget) {
      const Parser* target = static_cast<const SubstParser*>(step.node)->Target();
      std::cout << "  " << name << " -> " << names_.at(target) << " [style=dashed];\n";
    }
    if (step.parent != nullptr) {
      std::cout << "  " << names_.at(step.parent) << " -> " << name
                << (IsSubstituteTree(step) ? " [style=dashed];\n" : ";\n");
    }
    return true;
  }

 private:
  std::unordered_map<const Parser*, std::string> names_;
};

int RunExplain(const ExplainArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  ChosenFormat chosen = ChooseFormat(args.format, callBack);
  if (chosen.definition == nullptr || chosen.definition->RootParser() == nullptr) {
    ReportFailure(args.format, "the format definition did not load");
    return kExitFailed;
  }
  const FormatDefinition& format = *chosen.definition;
  if (args.dot) {
    std::cout << "digraph " << DotString(format.Name()) << " {\n  node [shape=box];\n";
    DotGraph graph;
    WalkExpandedTree(*format.RootParser(), graph);
    std::cout << "}\n";
    return kExitSuccess;
  }
  std::cout << format.Name() << " (" << format.FileName() << ")\nparser\n";
  Outline outline;
  WalkExpandedTree(*format.RootParser(), outline);
  return kExitSuccess;
}

}  // namespace

Subcommand AddExplainCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ExplainArgs>();
  CLI::App* sub = app.add_subcommand(
      "explain", "Show the parser tree of a format as an outline (or a Graphviz graph)");
  sub->add_option("format", args->format,
                  "Display name of a format (see 'formats') or a definition file")
      ->required();
  sub->add_flag("--dot", args->dot, "Write the tree in Graphviz dot language");
  return {sub, [args, &options] { return RunExplain(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
