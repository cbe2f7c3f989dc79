// Benchmarks of whole conversions through a definition file: import into an
// instrument data document and SaveXml, the streaming import, LoadXml and
// export; with pugixml's own load and save of the same document as baselines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/Xml.h"

namespace compoundparser {
namespace {

class QuietCallBack : public TParserCallBack {
 public:
  void OnMessage(int, std::string) override {}
  void OnProgress(unsigned long, unsigned long) override {}
};

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

std::string PointsFile(int64_t records) {
  std::mt19937 random(42);
  std::uniform_real_distribution<double> coordinate(0, 100000);
  std::string out;
  char line[128];
  for (int64_t i = 1; i <= records; ++i) {
    const int n = std::snprintf(line, sizeof line, "%lld,%.3f,%.3f,%.3f,CODE%lld\r\n",
                                static_cast<long long>(i), coordinate(random), coordinate(random),
                                coordinate(random) / 100, static_cast<long long>(i % 7));
    out.append(line, static_cast<size_t>(n));
  }
  return out;
}

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
  QuietCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  InstrumentData document(definition, &callBack);
  document.ParseReadToFile(files.data, definition, files.xml);
  return prepared.emplace(records, files).first->second;
}

void ImportToDocumentAndSave(benchmark::State& state) {
  const Files& files = Prepare(state.range(0));
  QuietCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  for (auto _ : state) {
    InstrumentData document(definition, &callBack);
    if (!document.ParseRead(files.data, definition) || !document.SaveXml(kDir + "out.xml")) {
      state.SkipWithError("import failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
}

void StreamingImport(benchmark::State& state) {
  const Files& files = Prepare(state.range(0));
  QuietCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  for (auto _ : state) {
    InstrumentData document(definition, &callBack);
    if (!document.ParseReadToFile(files.data, definition, kDir + "out.xml")) {
      state.SkipWithError("import failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
}

void LoadAndExport(benchmark::State& state) {
  const Files& files = Prepare(state.range(0));
  QuietCallBack callBack;
  FormatDefinition definition(files.definition, &callBack);
  definition.Load();
  for (auto _ : state) {
    InstrumentData document(definition, &callBack);
    if (!document.LoadXml(files.xml) || !document.ParseWrite(kDir + "out.csv", definition)) {
      state.SkipWithError("export failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.dataSize));
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
