// Helpers of the tests of the formats that other programs read (comma lists with a header,
// GeoJSON, DXF, LandXML): an export of a document given as text, and a run of GDAL's ogrinfo on
// a written file.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {

// A variable of a run, set after the definition's defaults.
using VarSet = std::pair<const char*, const char*>;

// Exports the instrument data document `xml` through the bundled `definition`, with `sets`
// applied; returns the bytes written, or "<fail> " and the error messages of the run.
inline std::string ExportedFrom(const std::string& definition, const std::string& xml,
                                const std::vector<VarSet>& sets = {}) {
  RecordingCallBack recorder;
  auto format = Bundled(definition, recorder);
  TempFolder folder;
  InstrumentData data(*format, &recorder);
  if (!data.LoadXml(folder.Write("document.xml", xml))) return "<fail> not loaded";
  for (const auto& [name, value] : sets) data.vars.Assign(name, value);
  const bool written = data.ParseWrite(folder.Path("out"), *format);
  data.file.Close();
  if (!written || !data.dataFits) return "<fail> " + recorder.Lines(kKindError);
  return ReadFile(folder.Path("out"));
}

// True when GDAL's ogrinfo (Debian package gdal-bin) can be run.
inline bool HaveOgrinfo() { return std::system("command -v ogrinfo >/dev/null 2>&1") == 0; }

// Skips the running test when ogrinfo is absent (CI installs gdal-bin).
#define CP_REQUIRE_OGRINFO()                                                                 \
  do {                                                                                       \
    if (!::compoundparser::testing::HaveOgrinfo())                                           \
      GTEST_SKIP() << "ogrinfo not found: install the Debian package gdal-bin to check the " \
                      "files with GDAL's reader";                                            \
  } while (0)

// Runs "ogrinfo -ro -al -q" on `path`; returns what it writes (standard output and error), with
// the exit status on a last line "exit N".
inline std::string Ogrinfo(const std::string& path) {
  std::string out;
  FILE* pipe = ::popen(("ogrinfo -ro -al -q '" + path + "' 2>&1").c_str(), "r");
  if (pipe == nullptr) return "exit -1";
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = ::pclose(pipe);
  return out + "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

// Returns the lines of `text` that start (after blanks) with one of `prefixes`, each trimmed of
// its leading blanks, one per line: the part of an ogrinfo listing that a test compares.
inline std::string LinesStarting(const std::string& text,
                                 const std::vector<std::string>& prefixes) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    line.erase(0, line.find_first_not_of(' '));
    for (const std::string& prefix : prefixes) {
      if (line.compare(0, prefix.size(), prefix) == 0) {
        out += line + "\n";
        break;
      }
    }
    at = end + 1;
  }
  return out;
}

}  // namespace compoundparser::testing
