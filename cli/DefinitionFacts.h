// What the tool reads from a definition file beside what the library loads:
// the variables it declares with their values, the values its `if` nodes
// compare each variable with, and the ids of its groups. `--set` is checked
// against them, and a conversion says which records the target writes.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"

namespace compoundparser {
namespace cli {

struct DefinitionFacts {
  // Declared variables in file order, each with its declared values.
  std::vector<std::pair<std::string, std::vector<std::string>>> variables;
  // The values that `if` and `assign` nodes give with each variable, in file
  // order.
  std::map<std::string, std::vector<std::string>> compared;
  // The ids of every group node.
  std::set<std::string> groups;
};

// Reads the facts of a definition file (empty facts when it cannot be read).
DefinitionFacts ReadDefinitionFacts(const std::string& fileName);

// Checks every --set NAME=VALUE against the formats of a run: a name that none
// of them declares, or a value that a format declaring the name can make no
// use of (neither declared nor compared by its `if` nodes), is refused with a
// UsageError that lists the declared names or the usable values.
void CheckSets(const std::vector<std::string>& sets,
               const std::vector<const FormatDefinition*>& formats);

}  // namespace cli
}  // namespace compoundparser
