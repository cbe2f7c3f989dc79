#include "cli/Diagnosis.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "data/InstrumentData.h"
#include "engine/Parser.h"

namespace compoundparser {
namespace cli {
namespace {

// A callback that drops everything (trial imports of detect).
class SilentCallBack : public TParserCallBack {
 public:
  void OnMessage(int, std::string) override {}
  void OnProgress(unsigned long, unsigned long) override {}
};

// Returns `line` with control bytes shown as spaces, so that a caret under it
// lines up; tabs are kept.
std::string Printable(const std::string& line) {
  std::string out = line;
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t') c = ' ';
  }
  return out;
}

// Returns the caret line under column `column` of `line` (tabs copied).
std::string Caret(const std::string& line, int column) {
  std::string out;
  for (int i = 0; i + 1 < column && i < static_cast<int>(line.size()); ++i) {
    out += line[static_cast<size_t>(i)] == '\t' ? '\t' : ' ';
  }
  for (int i = static_cast<int>(line.size()); i + 1 < column; ++i) out += ' ';
  return out + "^";
}

void PrintFailures(const FormatDefinition& definition, const ParseObserver& observer) {
  std::fprintf(stderr, "  every failure there (%zu):\n", observer.Furthest().size());
  for (const TParseFailure& failure : observer.Furthest()) {
    std::fprintf(stderr, "    %s  [%s]\n", ParseObserver::Explain(failure).c_str(),
                 DefinitionPlace(definition, *failure.node).c_str());
  }
}

}  // namespace

std::string ReadWholeFile(const std::string& fileName) {
  if (!UnreadableReason(fileName).empty()) return std::string();
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return std::string();
  try {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return std::string();
  }
}

std::string UnreadableReason(const std::string& fileName) {
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return "it is a folder, not a file";
  if (access(fileName.c_str(), R_OK) != 0) return std::strerror(errno);
  return std::string();
}

std::string DefinitionPlace(const FormatDefinition& definition, const Parser& node) {
  std::string place = definition.FileName();
  if (const TNodeSource* source = node.Source()) {
    if (source->line > 0) place += ":" + std::to_string(source->line);
  }
  const std::string path = ParseObserver::SourcePath(node);
  return place + ": " + (path.empty() ? ParseObserver::NodeName(node) : path);
}

void PrintImportDiagnosis(const std::string& input, const FormatDefinition& definition,
                          const ParseObserver& observer, bool all) {
  const TParseFailure* best = observer.Best();
  if (best == nullptr) return;
  const std::string data = ReadWholeFile(input);
  const TTextPlace place = ParseObserver::Locate(data, best->position);
  const std::string line = Printable(place.lineText);
  std::fprintf(stderr, "%s:%d:%d: %s\n  %s\n  %s\n  definition: %s\n", input.c_str(), place.line,
               place.column, ParseObserver::Explain(*best).c_str(), line.c_str(),
               Caret(line, place.column).c_str(), DefinitionPlace(definition, *best->node).c_str());
  if (all) PrintFailures(definition, observer);
  std::fflush(stderr);
}

namespace {

// Joins up to six names as "A, B and C" (with "..." after the sixth).
std::string NameList(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size() && i < 6; ++i) {
    if (i > 0) out += (i + 1 == names.size() ? " and " : ", ");
    out += names[i];
  }
  if (names.size() > 6) out += ", ...";
  return out;
}

// When an export fails without a failing node, says which records the
// document held and which the format writes, if none of them is shared.
void PrintRecordMismatch(const std::string& input, const FormatDefinition& definition,
                         const std::vector<std::string>& held) {
  const std::set<std::string>& written = definition.RepeatedGroupIds();
  for (const std::string& name : held) {
    if (written.count(name) != 0) return;
  }
  const std::vector<std::string> writes(written.begin(), written.end());
  std::fprintf(stderr, "%s: the document holds %s; \"%s\" writes %s\n", input.c_str(),
               held.empty() ? "no records" : ("records " + NameList(held)).c_str(),
               definition.Name().c_str(),
               writes.empty() ? "no repeated records" : ("records " + NameList(writes)).c_str());
  std::fflush(stderr);
}

}  // namespace

std::vector<std::string> RecordNames(const XmlDocument& document) {
  std::vector<std::string> names;
  if (!document || !document.DocumentElement()) return names;
  for (XmlNode child = document.DocumentElement().FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() != kXmlElement || child.Name() == "info") continue;
    const std::string name = child.Name();
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

void PrintExportDiagnosis(const std::string& input, const FormatDefinition& definition,
                          const ParseObserver& observer, bool all,
                          const std::vector<std::string>& records) {
  const TParseFailure* best = observer.Best();
  if (best == nullptr) {
    PrintRecordMismatch(input, definition, records);
    return;
  }
  std::fprintf(stderr, "%s: %s: %s (output byte %u)\n  definition: %s\n", input.c_str(),
               best->elementPath.c_str(), ParseObserver::Explain(*best).c_str(), best->position,
               DefinitionPlace(definition, *best->node).c_str());
  if (all) PrintFailures(definition, observer);
  std::fflush(stderr);
}

std::string WithLinePlaces(const std::string& message, const std::string& data) {
  static const std::regex kPositions(
      R"((In (\d+) pos\.)|(in pos ([0-9a-fA-F]+)h)|(Parsed only (\d+) bytes))");
  std::string out;
  auto begin = std::sregex_iterator(message.begin(), message.end(), kPositions);
  size_t copied = 0;
  for (auto match = begin; match != std::sregex_iterator(); ++match) {
    const std::smatch& m = *match;
    unsigned long position = 0;
    if (m[2].matched) position = std::stoul(m[2].str());
    if (m[4].matched) position = std::stoul(m[4].str(), nullptr, 16);
    if (m[6].matched) position = std::stoul(m[6].str());
    const size_t end = static_cast<size_t>(m.position(0) + m.length(0));
    out += message.substr(copied, end - copied);
    copied = end;
    if (position > data.size()) continue;
    const TTextPlace place = ParseObserver::Locate(data, position);
    out += " (line " + std::to_string(place.line) + ":" + std::to_string(place.column) + ")";
  }
  return out + message.substr(copied);
}

namespace {

// Counts the elements below `data` (its info element left out) that have no
// child elements and hold some text.
int CountValues(const XmlNode& data) {
  int values = 0;
  std::vector<XmlNode> pending;
  for (XmlNode child = data.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() == kXmlElement && child.Name() != "info") pending.push_back(child);
  }
  while (!pending.empty()) {
    const XmlNode node = pending.back();
    pending.pop_back();
    bool leaf = true;
    for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
      if (child.Type() == kXmlElement) {
        leaf = false;
        pending.push_back(child);
      }
    }
    if (leaf && !node.Text().empty()) ++values;
  }
  return values;
}

}  // namespace

const TDetectResult* BestCompleteMatch(const std::vector<TDetectResult>& ranked) {
  if (ranked.empty() || !ranked[0].complete) return nullptr;
  if (ranked.size() > 1 && ranked[1].complete && ranked[1].values == ranked[0].values) {
    return nullptr;
  }
  return &ranked[0];
}

std::vector<TDetectResult> DetectFormats(const FormatList& catalogue, const std::string& input,
                                         const std::vector<std::string>& sets) {
  std::vector<TDetectResult> results;
  const std::string data = ReadWholeFile(input);
  SilentCallBack silent;
  for (int i = 0; i < catalogue.NumFormats(); ++i) {
    FormatDefinition* definition = catalogue.GetFormat(i);
    if (definition == nullptr || !definition->IsImport() || definition->RootParser() == nullptr) {
      continue;
    }
    TDetectResult result;
    result.definition = definition;
    ParseObserver observer;
    observer.Begin(*definition->RootParser());
    InstrumentData trial(*definition, &silent);
    for (const std::string& assignment : sets) {
      const size_t equals = assignment.find('=');
      if (equals != std::string::npos && equals > 0) {
        trial.vars.Assign(assignment.substr(0, equals), assignment.substr(equals + 1));
      }
    }
    trial.observer = &observer;
    result.complete = trial.ParseRead(input, *definition);
    trial.observer = nullptr;
    const XmlDocument document = trial.GetDocument();
    if (result.complete && document && document.DocumentElement()) {
      result.records = definition->CountRepeatedGroup(document.DocumentElement(), silent);
      result.values = CountValues(document.DocumentElement());
      result.parsed = static_cast<uint32_t>(data.size());
    } else {
      result.parsed = observer.HasFailure() ? observer.FurthestPosition() : 0;
      result.stop = ParseObserver::Locate(data, result.parsed);
    }
    results.push_back(result);
  }
  std::stable_sort(results.begin(), results.end(),
                   [](const TDetectResult& a, const TDetectResult& b) {
                     if (a.complete != b.complete) return a.complete;
                     if (a.complete && a.values != b.values) return a.values > b.values;
                     if (a.complete) return a.records > b.records;
                     return a.parsed > b.parsed;
                   });
  return results;
}

}  // namespace cli
}  // namespace compoundparser
