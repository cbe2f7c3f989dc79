// Every bundled definition holds to the shared vocabulary: each element, group and recording
// literal it names is listed in docs/vocabulary.md.
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>
#include <set>
#include <string>

#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// Returns every `name` written in backticks in the text.
std::set<std::string> BacktickedNames(const std::string& text) {
  std::set<std::string> names;
  for (size_t open = text.find('`'); open != std::string::npos; open = text.find('`', open)) {
    const size_t close = text.find('`', open + 1);
    if (close == std::string::npos) break;
    names.insert(text.substr(open + 1, close - open - 1));
    open = close + 1;
  }
  return names;
}

// True when `id` is listed, or is a listed name followed by "Unit" or "Info" (the unit and the
// word info that GSI keeps beside a value).
bool IsListed(const std::set<std::string>& known, const std::string& id) {
  if (known.count(id) != 0) return true;
  for (const char* suffix : {"Unit", "Info"}) {
    const size_t n = std::string(suffix).size();
    if (id.size() > n && id.compare(id.size() - n, n, suffix) == 0 &&
        known.count(id.substr(0, id.size() - n)) != 0)
      return true;
  }
  return false;
}

// Adds "file: kind id" for each element, group or literal id of the tree below `node` that is
// not listed in `known`.
void CollectUnknown(const pugi::xml_node& node, const std::set<std::string>& known,
                    const std::string& file, std::set<std::string>& unknown) {
  for (const pugi::xml_node& child : node.children()) {
    const std::string kind = child.name();
    const std::string id = child.attribute("id").value();
    if ((kind == "element" || kind == "group" || kind == "literal") && !id.empty() &&
        !IsListed(known, id)) {
      unknown.insert(file + ": " + kind + " " + id);
    }
    CollectUnknown(child, known, file, unknown);
  }
}

TEST(Vocabulary, EveryBundledDefinitionUsesListedNames) {
  const std::set<std::string> known =
      BacktickedNames(ReadFile(std::string(CP_SOURCE_DIR) + "/docs/vocabulary.md"));
  ASSERT_GT(known.size(), 50u) << "docs/vocabulary.md not found or empty";
  std::set<std::string> unknown;
  int definitions = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(CP_SOURCE_DIR) + "/Formats")) {
    if (entry.path().extension() != ".xml") continue;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(entry.path().c_str())) << entry.path();
    CollectUnknown(document.child("format"), known, entry.path().filename().string(), unknown);
    ++definitions;
  }
  EXPECT_GT(definitions, 10);
  std::string missing;
  for (const std::string& line : unknown) missing += line + "\n";
  EXPECT_EQ(missing, "") << "names missing from docs/vocabulary.md";
}

}  // namespace
}  // namespace compoundparser::testing
