// Every bundled definition holds to the shared vocabulary: each element, group and recording
// literal it names is listed in docs/vocabulary.md, and the table there of the formats that
// read and write each name is the one the definitions give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

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

// The generated table of docs/vocabulary.md, between these two lines.
const char kTableStart[] = "<!-- The table below is generated";
const char kTableEnd[] = "<!-- End of the generated table. -->";

// Returns the text of the vocabulary without its generated table, whose names come from the
// definitions themselves and so list nothing.
std::string WrittenVocabulary(const std::string& text) {
  const size_t start = text.find(kTableStart);
  const size_t end = text.find(kTableEnd);
  if (start == std::string::npos || end == std::string::npos || end < start) return text;
  return text.substr(0, start) + text.substr(end);
}

TEST(Vocabulary, EveryBundledDefinitionUsesListedNames) {
  const std::set<std::string> known = BacktickedNames(
      WrittenVocabulary(ReadFile(std::string(CP_SOURCE_DIR) + "/docs/vocabulary.md")));
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

// Which of the two directions of a definition reach each name: import (1) and export (2).
// A definition runs the same tree both ways; "if" nodes on the variable Direction, and
// failing nodes after them, keep parts of it to one direction.
class DirectionWalk {
 public:
  explicit DirectionWalk(const pugi::xml_node& format) {
    for (const pugi::xml_node& substitute : format.children("substitute")) {
      substitutes_[substitute.attribute("id").value()] = substitute;
    }
    Sequence(format.child("parser"), kBoth);
  }
  const std::map<std::string, unsigned>& Reached() const { return reached_; }

  static constexpr unsigned kImport = 1;
  static constexpr unsigned kExport = 2;
  static constexpr unsigned kBoth = 3;

 private:
  // A node that fails whatever it meets: an element of the largest width, or a substitute
  // that holds only one.
  bool Fails(const pugi::xml_node& node) const {
    const std::string kind = node.name();
    if (kind == "element") {
      return std::string(node.attribute("id").value()).empty() &&
             std::string(node.attribute("width").value()) == "2147483647";
    }
    if (kind == "subst") {
      const auto found = substitutes_.find(node.attribute("id").value());
      if (found == substitutes_.end()) return false;
      const pugi::xml_node only = found->second.first_child();
      return only && !only.next_sibling() && Fails(only);
    }
    return false;
  }
  // The directions in which an "if" on Direction runs its children (0: not such an if).
  static unsigned DirectionsOf(const pugi::xml_node& node) {
    if (std::string(node.name()) != "if" ||
        std::string(node.attribute("variable").value()) != "Direction") {
      return 0;
    }
    const unsigned named =
        std::string(node.attribute("value").value()) == "Import" ? kImport : kExport;
    return std::string(node.attribute("compare").value()) == "true" ? named : kBoth & ~named;
  }
  void Sequence(const pugi::xml_node& parent, unsigned mask) {
    Run(parent.first_child(), pugi::xml_node(), mask);
  }
  // Walks the nodes from `first` up to `stop` (excluded) as a sequence.
  void Run(pugi::xml_node first, const pugi::xml_node& stop, unsigned mask) {
    for (pugi::xml_node child = first; child && child != stop; child = child.next_sibling()) {
      if (mask == 0) return;
      if (child.type() != pugi::node_element) continue;
      const unsigned when = DirectionsOf(child);
      const pugi::xml_node only = child.first_child();
      if (when != 0 && only && !only.next_sibling() && Fails(only)) {
        mask &= ~when;  // the rest of the sequence runs only the other way
        continue;
      }
      if (Fails(child)) return;
      Node(child, when != 0 ? mask & when : mask);
    }
  }
  void Node(const pugi::xml_node& node, unsigned mask) {
    if (mask == 0) return;
    const std::string kind = node.name();
    const std::string id = node.attribute("id").value();
    if ((kind == "element" || kind == "literal" || kind == "group") && !id.empty()) {
      reached_[id] |= mask;
    }
    if (kind == "subst") {
      const auto found = substitutes_.find(id);
      if (found != substitutes_.end() && walked_.insert({id, mask}).second) {
        Sequence(found->second, mask);
      }
      return;
    }
    if (kind == "radio") {
      for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_element) Run(child, child.next_sibling(), mask);
      }
      return;
    }
    Sequence(node, mask);
  }
  std::map<std::string, pugi::xml_node> substitutes_;
  std::map<std::string, unsigned> reached_;
  std::set<std::pair<std::string, unsigned>> walked_;
};

// Returns "all formats", "all formats but A, B" or "A, B" for the formats `names` out of
// `all`.
std::string FormatList(const std::set<std::string>& names, const std::set<std::string>& all) {
  std::string text;
  if (names.size() == all.size()) return "all formats";
  if (names.size() * 2 > all.size()) {
    for (const std::string& name : all) {
      if (names.count(name) == 0) text += (text.empty() ? "" : ", ") + name;
    }
    return "all formats but " + text;
  }
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Returns the table of every name of the bundled definitions with the formats that read and
// write it (a <name>Unit or <name>Info beside a listed name goes with that name).
std::string FormatsTable() {
  std::map<std::string, std::pair<std::set<std::string>, std::set<std::string>>> names;
  std::set<std::string> readers;
  std::set<std::string> writers;
  std::vector<std::filesystem::path> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(CP_SOURCE_DIR) + "/Formats")) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  for (const std::filesystem::path& file : files) {
    pugi::xml_document document;
    if (!document.load_file(file.c_str())) continue;
    const pugi::xml_node format = document.child("format");
    const std::string name = format.attribute("name").value();
    const bool reads = !format.attribute("ExportOnly").as_bool();
    const bool writes = !format.attribute("ImportOnly").as_bool();
    if (reads) readers.insert(name);
    if (writes) writers.insert(name);
    const DirectionWalk walk(format);
    for (const auto& [id, mask] : walk.Reached()) {
      if (reads && (mask & DirectionWalk::kImport) != 0) names[id].first.insert(name);
      if (writes && (mask & DirectionWalk::kExport) != 0) names[id].second.insert(name);
    }
  }
  std::string table = "| name | read by | written by |\n|---|---|---|\n";
  for (const auto& [id, formats] : names) {
    bool beside = false;
    for (const char* suffix : {"Unit", "Info"}) {
      const size_t n = std::string(suffix).size();
      if (id.size() > n && id.compare(id.size() - n, n, suffix) == 0 &&
          names.count(id.substr(0, id.size() - n)) != 0) {
        beside = true;
      }
    }
    if (beside) continue;
    table += "| `" + id + "` | " + FormatList(formats.first, readers) + " | " +
             FormatList(formats.second, writers) + " |\n";
  }
  return table;
}

// The table in docs/vocabulary.md is the one the definitions give. With CP_UPDATE_DOCS=1 in
// the environment the test writes it there instead.
TEST(Vocabulary, FormatsTableIsUpToDate) {
  const std::string path = std::string(CP_SOURCE_DIR) + "/docs/vocabulary.md";
  const std::string text = ReadFile(path);
  const size_t start = text.find(kTableStart);
  const size_t end = text.find(kTableEnd);
  ASSERT_NE(start, std::string::npos) << "docs/vocabulary.md has no generated table";
  ASSERT_NE(end, std::string::npos);
  const size_t body = text.find("-->\n", start) + 4;
  const std::string table = FormatsTable();
  if (text.substr(body, end - body) == table) return;
  const char* update = std::getenv("CP_UPDATE_DOCS");
  if (update != nullptr && std::string(update) == "1") {
    WriteFile(path, text.substr(0, body) + table + text.substr(end));
    return;
  }
  EXPECT_EQ(text.substr(body, end - body), table)
      << "docs/vocabulary.md is out of date: run the test with CP_UPDATE_DOCS=1 to write it";
}

}  // namespace
}  // namespace compoundparser::testing
