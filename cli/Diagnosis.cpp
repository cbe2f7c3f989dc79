#include "cli/Diagnosis.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "cli/ToolSupport.h"
#include "data/InstrumentData.h"
#include "engine/Parser.h"

namespace compoundparser {
namespace cli {
namespace {

// Returns `line` with control bytes shown as spaces, so that a caret under it
// lines up; tabs are kept.
// A line of the data file as the diagnosis shows it, with the caret line.
struct ShownLine {
  std::string text;
  std::string caret;
};

// Returns the length of the valid UTF-8 sequence at `at`, or 0.
size_t Utf8Length(const std::string& line, size_t at) {
  const auto byte = static_cast<unsigned char>(line[at]);
  const size_t length = byte >= 0xF0 && byte <= 0xF4 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
  if (length == 0 || at + length > line.size() || byte >= 0xF8) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(line[at + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Shows `line` so that a terminal prints it safely and the caret stands under
// byte column `column`: control and invalid bytes become '?', a UTF-8
// character takes one column, and a long line is cut to a window around the
// column, marked with "...".
ShownLine ShowLine(const TTextPlace& place) {
  constexpr size_t kBefore = 40;
  constexpr size_t kWidth = 100;
  const std::string& line = place.lineText;
  const size_t at = static_cast<size_t>(std::max(place.column, 1) - 1) - place.lineOffset;
  size_t from = line.size() > kWidth && at > kBefore ? at - kBefore : 0;
  while (from > 0 && (static_cast<unsigned char>(line[from]) & 0xC0) == 0x80) --from;
  const size_t to = std::min(line.size(), from + kWidth);
  ShownLine shown;
  if (from > 0 || place.lineOffset > 0) {
    shown.text = "...";
    shown.caret = "   ";
  }
  for (size_t i = from; i < to;) {
    const auto byte = static_cast<unsigned char>(line[i]);
    const size_t length = byte >= 0x80 ? Utf8Length(line, i) : 1;
    if (byte == '\t') {
      shown.text += '\t';
    } else if (byte < 0x20 || byte == 0x7F || length == 0) {
      shown.text += '?';
    } else {
      shown.text.append(line, i, length);
    }
    if (i < at) shown.caret += byte == '\t' ? '\t' : ' ';
    i += length == 0 ? 1 : length;
  }
  if (to < line.size()) shown.text += "...";
  // A column at or past the end of the line stands after its last byte.
  if (to == line.size()) {
    for (size_t i = std::max(line.size(), from); i < at; ++i) shown.caret += ' ';
  }
  shown.caret += '^';
  return shown;
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
  const TTextPlace place = LocateInFile(input, best->position);
  const ShownLine line = ShowLine(place);
  std::string explanation = ParseObserver::Explain(*best);
  if (best->kind == FailureKind::kLineTooLong && explanation.rfind("the line ", 0) == 0) {
    explanation = "line " + std::to_string(place.line) + explanation.substr(8);
  }
  std::fprintf(stderr, "%s:%d:%d: %s\n  %s\n  %s\n  definition: %s\n", input.c_str(), place.line,
               place.column, explanation.c_str(), line.text.c_str(), line.caret.c_str(),
               DefinitionPlace(definition, *best->node).c_str());
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
  for (XmlNode child = document.DocumentElement().FirstChild(); child;
       child = child.NextSibling()) {
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

TTextPlace LocateInFile(const std::string& fileName, uint64_t position) {
  TTextPlace place;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return place;
  std::vector<char> block(size_t{1} << 20);
  uint64_t at = 0;
  uint64_t lineStart = 0;
  while (at < position) {
    in.read(block.data(),
            static_cast<std::streamsize>(std::min<uint64_t>(block.size(), position - at)));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      if (block[i] == '\n') {
        ++place.line;
        lineStart = at + i + 1;
      }
    }
    at += got;
  }
  // A position past the end stands at the end.
  position = std::min(position, at);
  // The window of the line around the position, found as Locate finds it.
  const uint64_t from = position - lineStart > TTextPlace::kLineWindow
                            ? position - TTextPlace::kLineWindow
                            : lineStart;
  in.clear();
  in.seekg(static_cast<std::streamoff>(from));
  std::string window(static_cast<size_t>(position - from) + TTextPlace::kLineWindow, '\0');
  in.read(&window[0], static_cast<std::streamsize>(window.size()));
  window.resize(static_cast<size_t>(in.gcount()));
  const TTextPlace inWindow = ParseObserver::Locate(window, static_cast<size_t>(position - from));
  place.column = static_cast<int>(position - lineStart) + 1;
  place.lineText = inWindow.lineText;
  place.lineOffset = static_cast<size_t>(from - lineStart);
  return place;
}

std::string WithLinePlaces(const std::string& message, const std::string& dataFile) {
  static const std::regex kPositions(
      R"((In (\d+) pos\.)|(in pos ([0-9a-fA-F]+)h)|(Parsed only (\d+) bytes))");
  std::string out;
  auto begin = std::sregex_iterator(message.begin(), message.end(), kPositions);
  size_t copied = 0;
  const uint64_t size = FileSize(dataFile);
  for (auto match = begin; match != std::sregex_iterator(); ++match) {
    const std::smatch& m = *match;
    unsigned long position = 0;
    if (m[2].matched) position = std::stoul(m[2].str());
    if (m[4].matched) position = std::stoul(m[4].str(), nullptr, 16);
    if (m[6].matched) position = std::stoul(m[6].str());
    const size_t end = static_cast<size_t>(m.position(0) + m.length(0));
    out += message.substr(copied, end - copied);
    copied = end;
    if (position > size) continue;
    const TTextPlace place = LocateInFile(dataFile, position);
    out += " (line " + std::to_string(place.line) + ":" + std::to_string(place.column) + ")";
  }
  return out + message.substr(copied);
}

}  // namespace cli
}  // namespace compoundparser
