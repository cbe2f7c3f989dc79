#include "cli/DefinitionFacts.h"

#include <algorithm>

#include "cli/ToolSupport.h"
#include "host/HostError.h"
#include "host/Xml.h"

namespace compoundparser {
namespace cli {
namespace {

void AddOnce(std::vector<std::string>& values, const std::string& value) {
  if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
}

std::string Quoted(const std::vector<std::string>& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    out += (i == 0 ? "" : i + 1 == values.size() ? " and " : ", ") + ("\"" + values[i] + "\"");
  }
  return out;
}

}  // namespace

DefinitionFacts ReadDefinitionFacts(const std::string& fileName) {
  DefinitionFacts facts;
  try {
    XmlDocument document = XmlDocument::Create();
    if (!document.Load(fileName)) return facts;
    for (const XmlNode& variable : document.AsNode().SelectNodes("//VARS/variable")) {
      const std::string id = variable.GetAttribute("id").value_or("");
      if (id.empty()) continue;
      std::vector<std::string> values;
      if (auto fallback = variable.GetAttribute("default")) AddOnce(values, *fallback);
      for (const XmlNode& value : variable.SelectNodes("value")) {
        if (auto text = value.GetAttribute("id")) AddOnce(values, *text);
      }
      facts.variables.emplace_back(id, std::move(values));
    }
    for (const char* query :
         {"//parser//if", "//substitute//if", "//parser//assign", "//substitute//assign"}) {
      for (const XmlNode& node : document.AsNode().SelectNodes(query)) {
        const auto variable = node.GetAttribute("variable");
        const auto value = node.GetAttribute("value");
        if (variable && value) AddOnce(facts.compared[*variable], *value);
      }
    }
    for (const XmlNode& group : document.AsNode().SelectNodes("//group")) {
      if (auto id = group.GetAttribute("id")) facts.groups.insert(*id);
    }
  } catch (const XmlError&) {
    return DefinitionFacts();
  }
  return facts;
}

void CheckSets(const std::vector<std::string>& sets,
               const std::vector<const FormatDefinition*>& formats) {
  if (sets.empty()) return;
  std::vector<std::pair<const FormatDefinition*, DefinitionFacts>> all;
  for (const FormatDefinition* format : formats) {
    if (format != nullptr) all.emplace_back(format, ReadDefinitionFacts(format->FileName()));
  }
  for (const std::string& assignment : sets) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw UsageError("--set needs NAME=VALUE, got \"" + assignment + "\"");
    }
    const std::string name = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    bool declared = false;
    std::vector<std::string> names;
    for (const auto& [format, facts] : all) {
      for (const auto& [variable, declaredValues] : facts.variables) {
        AddOnce(names, variable);
        if (variable != name) continue;
        declared = true;
        std::vector<std::string> usable;
        const auto compared = facts.compared.find(name);
        if (compared != facts.compared.end()) {
          for (const std::string& each : compared->second) AddOnce(usable, each);
        }
        if (usable.empty()) continue;  // no node tests it: any value may serve
        for (const std::string& each : declaredValues) AddOnce(usable, each);
        if (std::find(usable.begin(), usable.end(), value) == usable.end()) {
          throw UsageError("--set " + assignment + ": \"" + format->Name() + "\" compares " + name +
                           " only with " + Quoted(usable));
        }
      }
    }
    if (!declared) {
      std::string formatNames;
      for (size_t i = 0; i < all.size(); ++i) {
        formatNames += (i == 0 ? "" : " and ") + ("\"" + all[i].first->Name() + "\"");
      }
      throw UsageError("--set " + assignment + ": " + formatNames + " declare" +
                       (all.size() == 1 ? "s" : "") + " no variable " + name +
                       (names.empty() ? std::string(" (no variables at all)")
                                      : "; the variables are " + Quoted(names)));
    }
  }
}

}  // namespace cli
}  // namespace compoundparser
