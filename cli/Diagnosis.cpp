#include "cli/Diagnosis.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "cli/ToolSupport.h"
#include "data/InstrumentData.h"
#include "engine/Parser.h"
#include "host/TextPlace.h"
#include "host/Utf8.h"

namespace compoundparser {
namespace cli {
namespace {

// A line of the data file as the diagnosis shows it, with the caret line.
struct ShownLine {
  std::string text;
  std::string caret;
};

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
    char32_t code = 0;
    const size_t length = DecodeUtf8(line, i, code);
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

void PrintFailures(const TDiagnosis& diagnosis) {
  std::fprintf(stderr, "  every failure there (%zu):\n", diagnosis.all.size());
  for (const TDiagnosedFailure& failure : diagnosis.all) {
    std::fprintf(stderr, "    %s  [%s]\n", failure.explanation.c_str(),
                 DefinitionPlace(failure.node).c_str());
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

std::string DefinitionPlace(const TDefinitionPlace& node) {
  std::string place = node.file;
  if (node.line > 0) place += ":" + std::to_string(node.line);
  return place + ": " + node.path;
}

void PrintImportDiagnosis(const std::string& input, const TDiagnosis& diagnosis, bool all) {
  const TTextPlace& place = diagnosis.place;
  const ShownLine line = ShowLine(place);
  std::fprintf(stderr, "%s:%d:%d: %s\n  %s\n  %s\n  definition: %s\n", input.c_str(), place.line,
               place.column, diagnosis.failure.explanation.c_str(), line.text.c_str(),
               line.caret.c_str(), DefinitionPlace(diagnosis.failure.node).c_str());
  if (all) PrintFailures(diagnosis);
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
                          const TDiagnosis* diagnosis, bool all,
                          const std::vector<std::string>& records) {
  if (diagnosis == nullptr) {
    PrintRecordMismatch(input, definition, records);
    return;
  }
  std::fprintf(stderr, "%s: %s: %s (output byte %llu)\n  definition: %s\n", input.c_str(),
               diagnosis->elementPath.c_str(), diagnosis->failure.explanation.c_str(),
               static_cast<unsigned long long>(diagnosis->position),
               DefinitionPlace(diagnosis->failure.node).c_str());
  if (all) PrintFailures(*diagnosis);
  std::fflush(stderr);
}

std::string WithLinePlace(const std::string& message, const TMessagePlace& place,
                          const std::string& dataFile) {
  if (place.position > FileSize(dataFile) || place.mentionEnd > message.size()) return message;
  const TTextPlace at = LocateInFile(dataFile, place.position);
  return message.substr(0, place.mentionEnd) + " (line " + std::to_string(at.line) + ":" +
         std::to_string(at.column) + ")" + message.substr(place.mentionEnd);
}

}  // namespace cli
}  // namespace compoundparser
