// Runs one conversion path once, for a profiler (callgrind counts the
// instructions of each path repeatably on a busy machine). Usage:
// compoundparser_profile_path PATH DEFINITION INPUT OUTPUT
// where PATH is "stream" (streaming import of INPUT to OUTPUT), "dom" (import
// into a document and SaveXml), "load" (LoadXml of INPUT), "export" (LoadXml of
// INPUT and export to OUTPUT), "pugi-load" or "pugi-load-save" (the baselines:
// pugixml's own load, and load and save, of INPUT; with "-kept" appended, pugixml keeps the white
// space between elements as text nodes, as our documents do).
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>

#include "bench/BenchData.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"

namespace compoundparser {
namespace {

bool RunPath(const std::string& path, const char* definitionFile, const char* input,
             const char* output) {
  if (path.rfind("pugi-", 0) == 0) {
    // "-kept": white space between elements kept as text nodes, as our documents hold it.
    const bool kept = path.size() > 5 && path.compare(path.size() - 5, 5, "-kept") == 0;
    const std::string base = kept ? path.substr(0, path.size() - 5) : path;
    if (base != "pugi-load" && base != "pugi-load-save") {
      std::fprintf(stderr, "unknown path '%s'\n", path.c_str());
      return false;
    }
    pugi::xml_document doc;
    const unsigned flags = pugi::parse_default | (kept ? pugi::parse_ws_pcdata : 0u);
    if (!doc.load_file(input, flags)) return false;
    return base == "pugi-load" || doc.save_file(output, "", pugi::format_raw);
  }
  SilentCallBack quiet;
  FormatDefinition definition(definitionFile, &quiet);
  if (!definition.Load()) return false;
  InstrumentData data(definition, &quiet);
  if (path == "stream") return data.ParseReadToFile(input, definition, output);
  if (path == "dom") return data.ParseRead(input, definition) && data.SaveXml(output);
  if (path == "load") return data.LoadXml(input);
  if (path == "export") return data.LoadXml(input) && data.ParseWrite(output, definition);
  std::fprintf(stderr, "unknown path '%s'\n", path.c_str());
  return false;
}

}  // namespace
}  // namespace compoundparser

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: %s stream|dom|load|export|pugi-load[-kept]|pugi-load-save[-kept] "
                 "DEFINITION INPUT OUTPUT\n",
                 argv[0]);
    return 2;
  }
  return compoundparser::RunPath(argv[1], argv[2], argv[3], argv[4]) ? 0 : 1;
}
