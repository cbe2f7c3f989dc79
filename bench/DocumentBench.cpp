// Benchmarks of whole conversions through a definition file: import into an
// instrument data document and SaveXml, the streaming import, LoadXml and
// export; with pugixml's own load and save of the same document as baselines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bench/BenchData.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/Xml.h"

namespace compoundparser {
namespace {

const std::string kDir = "/tmp/compoundparser_bench/";

const char kDefinition[] =
    "<?xml version=\"1.0\"?>\n<format type=\"Points\" name=\"Bench points\" FileMask=\"*.csv\">\n"
    "<parser><repeat><group id=\"Point\" RepeatedNode=\"true\">\n"
    "<terminated><element id=\"PointNumber\"/><literal>,</literal></terminated>\n"
    "<terminated><element id=\"Northing\"/><literal>,</literal></terminated>\n"
    "<terminated><element id=\"Easting\"/><literal>,</literal></terminated>\n"
    "<terminated><element id=\"OrthoHeight\"/><literal>,</literal></terminated>\n"
    "<terminated><element id=\"Code\"/><literal hex=\"true\">0D0A</literal></terminated>\n"
    "</group></repeat></parser></format>\n";

struct Files {
  std::string definition;
  std::string data;
  std::string xml;
  size_t dataSize = 0;
};

// Writes the definition, a data file of `records` lines and its saved document.
const Files& Prepare(int64_t records) {
  static std::map<int64_t, Files> prepared;
  auto it = prepared.find(records);
  if (it != prepared.end()) return it->second;
  std::system(("mkdir -p " + kDir).c_str());
  Files files;
  files.definition = kDir + "points.xml";
  files.data = kDir + "points_" + std::to_string(records) + ".csv";
  files.xml = kDir + "points_" + std::to_string(records) + ".xml";
  std::ofstream(files.definition, std::ios::binary) << kDefinition;
  const std::string data = PointsFile(records);
  files.dataSize = data.size();
  std::ofstream(files.data, std::ios::binary) << data;
  SilentCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  InstrumentData document(definition, &callBack);
  document.ParseReadToFile(files.data, definition, files.xml);
  return prepared.emplace(records, files).first->second;
}

// Runs `convert` (true on success) once per iteration on a fresh instrument
// data object of the bench definition; the data file's size is the throughput.
template <class Convert>
void Conversion(benchmark::State& state, Convert convert) {
  const Files& files = Prepare(state.range(0));
  SilentCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  for (auto _ : state) {
    InstrumentData document(definition, &callBack);
    if (!convert(files, definition, document)) state.SkipWithError("conversion failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
}

void ImportToDocumentAndSave(benchmark::State& state) {
  Conversion(state, [](const Files& files, FormatDefinition& definition, InstrumentData& document) {
    return document.ParseRead(files.data, definition) && document.SaveXml(kDir + "out.xml");
  });
}

void StreamingImport(benchmark::State& state) {
  Conversion(state, [](const Files& files, FormatDefinition& definition, InstrumentData& document) {
    return document.ParseReadToFile(files.data, definition, kDir + "out.xml");
  });
}

void LoadAndExport(benchmark::State& state) {
  Conversion(state, [](const Files& files, FormatDefinition& definition, InstrumentData& document) {
    return document.LoadXml(files.xml) && document.ParseWrite(kDir + "out.csv", definition);
  });
}

// Baseline: the XML layer loading the saved document and saving it again.
void XmlLoadAndSave(benchmark::State& state) {
  const Files& files = Prepare(state.range(0));
  for (auto _ : state) {
    XmlDocument doc = XmlDocument::Create();
    if (!doc.Load(files.xml)) state.SkipWithError("load failed");
    doc.Save(kDir + "copy.xml");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
}

// Baseline: the XML layer loading the saved document.
void XmlLoad(benchmark::State& state) {
  const Files& files = Prepare(state.range(0));
  for (auto _ : state) {
    XmlDocument doc = XmlDocument::Create();
    if (!doc.Load(files.xml)) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
}

BENCHMARK(ImportToDocumentAndSave)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(StreamingImport)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadAndExport)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(XmlLoad)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(XmlLoadAndSave)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace compoundparser
BENCHMARK_MAIN();
