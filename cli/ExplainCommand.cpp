// The explain subcommand: the parser tree of a format as an indented outline
// (or a Graphviz graph), each substitute spelled out at its first use and
// referred to by name after that.
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "engine/DumpText.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/LiteralParser.h"
#include "engine/SubstParser.h"
#include "engine/TerminatedParser.h"

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

// Returns the one-line description of a node without its children.
std::string Header(const Parser& node) {
  if (const auto* literal = dynamic_cast<const LiteralParser*>(&node)) {
    std::string text = "literal ";
    AppendQuoted(text, literal->Literal());
    const std::string names = ByteNames(literal->Literal());
    if (!names.empty()) text += " (" + names + ")";
    if (!literal->ElementName().empty()) {
      text += " records " + literal->ElementName();
      if (!literal->ElementText().empty()) text += "=" + literal->ElementText();
    }
    if (literal->IsReadOnly()) text += " read-only";
    return text;
  }
  if (const auto* terminated = dynamic_cast<const TerminatedParser*>(&node)) {
    std::string text = "terminated";
    if (terminated->MaxWidth() > 0) text += " max " + std::to_string(terminated->MaxWidth());
    return text;
  }
  if (const auto* group = dynamic_cast<const GroupParser*>(&node)) {
    std::string text = group->Name().empty() ? "group (no element)" : "group " + group->Name();
    if (group->IsRepeatedNode()) text += " repeated";
    if (group->IsSkipWrong()) text += " skip-wrong";
    return text;
  }
  if (const auto* subst = dynamic_cast<const SubstParser*>(&node)) {
    return "subst " + subst->Name();
  }
  std::string dump = node.Dump();
  if (dynamic_cast<const CompoundParser*>(&node) != nullptr) {
    dump = dump.substr(0, dump.find('{'));
    if (dump == "seq") return "sequence";
    if (dump == "opt") return "optional";
    return dump;
  }
  if (const auto* element = dynamic_cast<const ElementParser*>(&node)) {
    // The field's attributes as the outline shows them: " w=8 right double".
    const size_t space = dump.find(' ');
    std::string attributes = space == std::string::npos ? "" : dump.substr(space);
    if (!attributes.empty() && attributes.back() == ']') attributes.pop_back();
    return "element " + (element->Id().empty() ? std::string("(no id)") : element->Id()) +
           attributes;
  }
  return dump;
}

std::string LineNote(const Parser& node) {
  const TNodeSource* source = node.Source();
  if (source == nullptr || source->line <= 0) return std::string();
  return "  (line " + std::to_string(source->line) + ")";
}

class Outline {
 public:
  void Print(const Parser& node, int level) {
    const std::string indent(static_cast<size_t>(level) * 2, ' ');
    std::cout << indent << Header(node) << LineNote(node);
    const auto* subst = dynamic_cast<const SubstParser*>(&node);
    if (subst != nullptr && subst->Target() != nullptr) {
      if (!expanded_.insert(subst->Target()).second) {
        std::cout << "  (see above)\n";
        return;
      }
      std::cout << '\n';
      PrintChildren(*subst->Target(), level + 1);
      return;
    }
    std::cout << '\n';
    if (const auto* compound = dynamic_cast<const CompoundParser*>(&node)) {
      PrintChildren(*compound, level + 1);
    }
  }

  void PrintChildren(const Parser& node, int level) {
    const auto* compound = dynamic_cast<const CompoundParser*>(&node);
    if (compound == nullptr) return;
    for (size_t i = 0; i < compound->NumChildren(); ++i) Print(*compound->Child(i), level);
  }

 private:
  std::set<const Parser*> expanded_;
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

class DotGraph {
 public:
  // Writes the node and its edges; returns its Graphviz name.
  std::string Write(const Parser& node) {
    const auto known = names_.find(&node);
    if (known != names_.end()) return known->second;
    const std::string name = "n" + std::to_string(names_.size());
    names_.emplace(&node, name);
    std::cout << "  " << name << " [label=" << DotString(Header(node) + LineNote(node)) << "];\n";
    const Parser* inner = &node;
    if (const auto* subst = dynamic_cast<const SubstParser*>(&node)) {
      if (subst->Target() != nullptr) {
        std::cout << "  " << name << " -> " << Write(*subst->Target()) << " [style=dashed];\n";
      }
      return name;
    }
    if (const auto* compound = dynamic_cast<const CompoundParser*>(inner)) {
      for (size_t i = 0; i < compound->NumChildren(); ++i) {
        std::cout << "  " << name << " -> " << Write(*compound->Child(i)) << ";\n";
      }
    }
    return name;
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
    DotGraph().Write(*format.RootParser());
    std::cout << "}\n";
    return kExitSuccess;
  }
  std::cout << format.Name() << " (" << format.FileName() << ")\nparser\n";
  Outline().PrintChildren(*format.RootParser(), 1);
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
