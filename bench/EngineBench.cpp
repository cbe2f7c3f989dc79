// Micro-benchmarks of the parse engine: delimited point records imported into a
// document and exported back, through trees assembled in code.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchData.h"
#include "data/XmlStreamBuilder.h"
#include "engine/CompoundParser.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/LiteralParser.h"
#include "engine/RadioParser.h"
#include "engine/RepeatParser.h"
#include "engine/TParserParam.h"
#include "engine/TerminatedParser.h"
#include "host/Xml.h"

namespace compoundparser {
namespace {

std::unique_ptr<LiteralParser> Lit(const std::string& text) {
  return std::make_unique<LiteralParser>(text, "", "", false, false);
}

std::unique_ptr<TerminatedParser> Delimited(const std::string& id, const std::string& delimiter,
                                            int depth) {
  auto term = std::make_unique<TerminatedParser>();
  term->Append(std::make_unique<ElementParser>(id, "", depth));
  term->Append(Lit(delimiter));
  return term;
}

const char* const kFields[] = {"PointNumber", "Northing", "Easting", "OrthoHeight", "Code"};

// repeat{group[Point]{term{field ","} x4 term{field CRLF}}}
std::unique_ptr<Parser> FlatTree() {
  auto group = std::make_unique<GroupParser>("Point", true, false, 1);
  for (int i = 0; i < 5; ++i) group->Append(Delimited(kFields[i], i < 4 ? "," : "\r\n", 2));
  auto repeat = std::make_unique<RepeatParser>();
  repeat->Append(std::move(group));
  auto root = std::make_unique<CompoundParser>();
  root->Append(std::move(repeat));
  return root;
}

// repeat{radio{term{group[Comment]{...} CRLF} term{group[Point]{...} CRLF}}}:
// each record is a line, chosen among alternatives.
std::unique_ptr<Parser> RadioTree() {
  auto comment = std::make_unique<GroupParser>("Comment", true, false, 3);
  comment->Append(std::make_unique<LiteralParser>("#", "", "", false, true));
  comment->Append(std::make_unique<ElementParser>("Text", "", 4));
  auto commentLine = std::make_unique<TerminatedParser>();
  commentLine->Append(std::move(comment));
  commentLine->Append(Lit("\r\n"));

  auto point = std::make_unique<GroupParser>("Point", true, false, 3);
  for (int i = 0; i < 4; ++i) point->Append(Delimited(kFields[i], ",", 4));
  point->Append(std::make_unique<ElementParser>(kFields[4], "", 4));
  auto pointLine = std::make_unique<TerminatedParser>();
  pointLine->Append(std::move(point));
  pointLine->Append(Lit("\r\n"));

  auto radio = std::make_unique<RadioParser>();
  radio->Append(std::move(commentLine));
  radio->Append(std::move(pointLine));
  auto repeat = std::make_unique<RepeatParser>();
  repeat->Append(std::move(radio));
  auto root = std::make_unique<CompoundParser>();
  root->Append(std::move(repeat));
  return root;
}

struct Imported {
  XmlDocument doc;
  std::string xml;
};

// Imports `file` through `tree` into a new document whose root is `data`.
bool Import(Parser& tree, const std::string& file, SilentCallBack& callBack, XmlDocument& doc) {
  TParserParam param(&callBack);
  doc = XmlDocument::Create();
  param.currentNode = doc.AsNode().AppendElement("data");
  param.file.OpenBuffer(file);
  return tree.Read(param, file.size());
}

void ImportBench(benchmark::State& state, std::unique_ptr<Parser> (*makeTree)()) {
  const std::string file = PointsFile(state.range(0));
  auto tree = makeTree();
  SilentCallBack callBack;
  for (auto _ : state) {
    XmlDocument doc;
    if (!Import(*tree, file, callBack, doc)) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(file.size()));
}

// The same import through the text builder: the XML text of the records, as
// InstrumentData::ParseRead writes it before parsing it in place.
void ImportTextBench(benchmark::State& state, std::unique_ptr<Parser> (*makeTree)()) {
  const std::string file = PointsFile(state.range(0));
  auto tree = makeTree();
  SilentCallBack callBack;
  for (auto _ : state) {
    TParserParam param(&callBack);
    XmlStreamBuilder builder(nullptr);
    param.SetBuilder(&builder);
    param.file.OpenBuffer(file);
    if (!tree->Read(param, file.size())) state.SkipWithError("import failed");
    size_t size = 0;
    std::free(builder.ReleaseText(size));
    benchmark::DoNotOptimize(size);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(file.size()));
}

void ExportBench(benchmark::State& state, std::unique_ptr<Parser> (*makeTree)()) {
  const std::string file = PointsFile(state.range(0));
  auto tree = makeTree();
  SilentCallBack callBack;
  XmlDocument source;
  if (!Import(*tree, file, callBack, source)) {
    state.SkipWithError("import failed");
    return;
  }
  const std::string xml = source.SaveToString();
  const std::string outName = "/tmp/compoundparser_bench_export.txt";
  for (auto _ : state) {
    state.PauseTiming();
    XmlDocument doc = XmlDocument::Create();
    doc.LoadBuffer(xml.data(), xml.size());
    TParserParam param(&callBack);
    param.currentNode = doc.DocumentElement();
    int error = 0;
    param.file.OpenForExport(outName, error);
    state.ResumeTiming();
    if (!tree->Write(param)) state.SkipWithError("export failed");
    param.file.Flush();
    if (param.file.Length() != file.size()) state.SkipWithError("export differs in size");
  }
  std::remove(outName.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(file.size()));
}

BENCHMARK_CAPTURE(ImportBench, Flat, &FlatTree)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImportTextBench, Flat, &FlatTree)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportBench, Flat, &FlatTree)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImportBench, Radio, &RadioTree)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImportTextBench, Radio, &RadioTree)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportBench, Radio, &RadioTree)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace compoundparser
