// The benchmark table of bench/run: whole conversions of generated point files
// measured in child processes (wall time and peak resident memory), against
// baselines measured in the same run: cat, pugixml loading and saving the same
// document without our engine, and ogr2ogr when it is installed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"

namespace compoundparser {
namespace {

struct Options {
  std::string tool;
  std::string definition;
  std::string work = "/tmp/compoundparser-bench";
  int runs = 3;
  long records = 1000000;
  std::string cloudDefinition;  // the point-cloud rows are left out without it
  double cloudGigabytes = 1.0;  // the smaller point cloud; the larger is 3.9 times as big
};

struct Sample {
  double seconds = 0;
  long peakKb = 0;
  bool ok = false;
};

// Runs `work` in a child process; returns its wall time and peak memory.
Sample Measure(const std::function<bool()>& work) {
  // Rows printed so far must not sit in a buffer that the child inherits: its
  // freopen of the standard output (Exec) would write them a second time.
  std::fflush(stdout);
  std::fflush(stderr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Sample sample;
  sample.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sample.peakKb = usage.ru_maxrss;
  sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return sample;
}

// Runs a command line with its standard output sent to `out` (or /dev/null).
bool Exec(const std::vector<std::string>& argv, const std::string& out = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  if (!freopen(out.c_str(), "w", stdout)) return false;
  freopen("/dev/null", "w", stderr);
  execvp(args[0], args.data());
  return false;
}

// The median of `runs` measurements (by time); peak memory is the largest seen.
Sample Median(int runs, const std::function<bool()>& work) {
  std::vector<Sample> samples;
  for (int i = 0; i < runs; ++i) samples.push_back(Measure(work));
  std::sort(samples.begin(), samples.end(),
            [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
  Sample median = samples[samples.size() / 2];
  for (const auto& s : samples) {
    median.peakKb = std::max(median.peakKb, s.peakKb);
    median.ok = median.ok && s.ok;
  }
  return median;
}

void WritePoints(const std::string& name, long records) {
  std::ofstream(name, std::ios::binary) << PointsFile(records, 20261205);
}

std::string ReadAll(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

long long FileSize(const std::string& name) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  return static_cast<long long>(in.tellg());
}

bool Available(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

struct Figures {
  Sample stream, dom, exportBack, importExport, loadXml, cat, pugiLoadSave, pugiLoad, ogr;
  // pugixml keeping the white space between elements as text nodes, as our documents do: the
  // same nodes as the document that import builds (its default load drops about half of them).
  Sample pugiLoadSaveKept, pugiLoadKept;
  bool exportSame = false;
};

Figures Run(const Options& o, long records) {
  const std::string tag = std::to_string(records);
  const std::string csv = o.work + "/points-" + tag + ".csv";
  const std::string xml = o.work + "/points-" + tag + ".xml";
  const std::string back = o.work + "/points-" + tag + ".back.csv";
  WritePoints(csv, records);
  Figures f;
  f.stream = Median(o.runs, [&] {
    return Exec({o.tool, "import", "-q", "--no-progress", "-f", o.definition, csv, "-o", xml});
  });
  f.dom = Median(o.runs, [&] {
    SilentCallBack quiet;
    FormatDefinition definition(o.definition, &quiet);
    if (!definition.Load()) return false;
    InstrumentData data(definition, &quiet);
    return data.ParseRead(csv, definition) && data.SaveXml(xml);
  });
  f.exportBack = Median(o.runs, [&] {
    SilentCallBack quiet;
    FormatDefinition definition(o.definition, &quiet);
    if (!definition.Load()) return false;
    InstrumentData data(definition, &quiet);
    return data.LoadXml(xml) && data.ParseWrite(back, definition);
  });
  f.exportSame = ReadAll(back) == ReadAll(csv);
  // Export on the object that imported: the indentation text between the records is still
  // there, and must not make each record cost more than the one before.
  f.importExport = Median(o.runs, [&] {
    SilentCallBack quiet;
    FormatDefinition definition(o.definition, &quiet);
    if (!definition.Load()) return false;
    InstrumentData data(definition, &quiet);
    return data.ParseRead(csv, definition) && data.ParseWrite(back, definition);
  });
  f.loadXml = Median(o.runs, [&] {
    SilentCallBack quiet;
    FormatDefinition definition(o.definition, &quiet);
    InstrumentData data(definition, &quiet);
    return data.LoadXml(xml);
  });
  f.cat = Median(o.runs, [&] { return Exec({"cat", csv}, o.work + "/cat.out"); });
  // The baselines: pugixml's load (and save) of the same document, without our engine.
  const auto pugiBaseline = [&](unsigned flags, bool save) {
    return Median(o.runs, [&] {
      pugi::xml_document doc;
      if (!doc.load_file(xml.c_str(), flags)) return false;
      return !save || doc.save_file((o.work + "/pugi.xml").c_str(), "", pugi::format_raw);
    });
  };
  constexpr unsigned kKeepWhiteSpace = pugi::parse_default | pugi::parse_ws_pcdata;
  f.pugiLoadSave = pugiBaseline(pugi::parse_default, true);
  f.pugiLoad = pugiBaseline(pugi::parse_default, false);
  f.pugiLoadSaveKept = pugiBaseline(kKeepWhiteSpace, true);
  f.pugiLoadKept = pugiBaseline(kKeepWhiteSpace, false);
  if (Available("ogr2ogr")) {
    const std::string gml = o.work + "/points-" + tag + ".gml";
    f.ogr = Median(o.runs, [&] {
      std::remove(gml.c_str());
      return Exec({"ogr2ogr", "-f", "GML", gml, csv});
    });
  }
  return f;
}

// Writes a point cloud of about `bytes` bytes: a block of generated points written again and
// again, so that a file of gigabytes takes seconds to make.
void WriteCloud(const std::string& name, long long bytes) {
  const std::string block = CloudFile(200000, 20261206);
  std::ofstream out(name, std::ios::binary);
  for (long long written = 0; written < bytes; written += static_cast<long long>(block.size())) {
    out << block;
  }
}

struct CloudFigures {
  Sample small, large;
  long long smallBytes = 0, largeBytes = 0;
};

// The streaming import of a point cloud of `gigabytes` and of 3.9 times as much: the larger
// stays below the 4 GiB that a data file may hold. One run each: they are long.
CloudFigures RunCloud(const Options& o) {
  CloudFigures f;
  const std::string data = o.work + "/cloud.xyz";
  const std::string xml = o.work + "/cloud.xml";
  auto importOf = [&](double bytes, long long& size) {
    WriteCloud(data, static_cast<long long>(bytes));
    size = FileSize(data);
    const Sample sample = Measure([&] {
      return Exec(
          {o.tool, "import", "-q", "--no-progress", "-f", o.cloudDefinition, data, "-o", xml});
    });
    std::remove(data.c_str());
    std::remove(xml.c_str());
    return sample;
  };
  f.small = importOf(o.cloudGigabytes * 1e9, f.smallBytes);
  f.large = importOf(o.cloudGigabytes * 3.9e9, f.largeBytes);
  return f;
}

// `convert -O` over many small files on one worker and on two: the pool must use both cores.
struct PoolFigures {
  Sample one, two;
};

PoolFigures RunPool(const Options& o) {
  const std::string folder = o.work + "/pool";
  std::system(("rm -rf " + folder + " && mkdir -p " + folder + "/in " + folder + "/out").c_str());
  std::vector<std::string> files;
  const std::string text = PointsFile(5000, 20261206);
  for (int i = 0; i < 200; ++i) {
    files.push_back(folder + "/in/points" + std::to_string(i) + ".csv");
    std::ofstream(files.back(), std::ios::binary) << text;
  }
  auto convert = [&](const char* jobs) {
    std::vector<std::string> argv = {o.tool,   "convert",    "-q",   "--no-progress",
                                     "--from", o.definition, "--to", o.definition,
                                     "-j",     jobs,         "-O",   folder + "/out"};
    argv.insert(argv.end(), files.begin(), files.end());
    return Median(o.runs, [&] {
      std::system(("rm -f " + folder + "/out/*").c_str());
      return Exec(argv);
    });
  };
  PoolFigures f;
  f.one = convert("1");
  f.two = convert("2");
  std::system(("rm -rf " + folder).c_str());
  return f;
}

void Row(const char* figure, const std::string& value, const std::string& baseline, double ratio,
         const char* target) {
  std::printf("| %-44s | %-18s | %-26s | %7.2f | %-10s |\n", figure, value.c_str(),
              baseline.c_str(), ratio, target);
}

std::string Rate(long long bytes, const Sample& s) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f MB/s (%.2f s)", bytes / 1e6 / s.seconds, s.seconds);
  return text;
}
std::string Seconds(const char* name, const Sample& s) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %.2f s", name, s.seconds);
  return text;
}
std::string Megabytes(const Sample& s) { return std::to_string(s.peakKb / 1024) + " MB"; }

int Main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const std::string value = argv[i + 1];
    if (key == "--tool")
      o.tool = value;
    else if (key == "--definition")
      o.definition = value;
    else if (key == "--work")
      o.work = value;
    else if (key == "--runs")
      o.runs = std::max(1, std::atoi(value.c_str()));
    else if (key == "--records")
      o.records = std::max(1000L, std::atol(value.c_str()));
    else if (key == "--cloud-definition")
      o.cloudDefinition = value;
    else if (key == "--cloud-gb")
      o.cloudGigabytes = std::min(1.0, std::atof(value.c_str()));
  }
  if (o.tool.empty() || o.definition.empty()) {
    std::fprintf(stderr,
                 "usage: %s --tool PATH --definition FILE [--work DIR] [--runs N] [--records N]\n"
                 "          [--cloud-definition FILE] [--cloud-gb GB]\n",
                 argv[0]);
    return 2;
  }
  std::system(("mkdir -p " + o.work).c_str());
  const Figures big = Run(o, o.records);
  const Figures small = Run(o, o.records / 10);
  const long long bytes = FileSize(o.work + "/points-" + std::to_string(o.records) + ".csv");
  const bool allOk = big.stream.ok && big.dom.ok && big.exportBack.ok && big.importExport.ok &&
                     small.stream.ok && small.dom.ok && small.exportBack.ok &&
                     small.importExport.ok;

  std::printf("%ld point records, %.1f MB data file; median of %d runs\n\n", o.records, bytes / 1e6,
              o.runs);
  std::printf("| %-44s | %-18s | %-26s | %7s | %-10s |\n", "figure", "value", "baseline", "ratio",
              "target");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(20, '-').c_str(),
              std::string(28, '-').c_str(), std::string(9, '-').c_str(),
              std::string(12, '-').c_str());
  if (big.ogr.seconds > 0) {
    Row("streaming import (tool), speed-up on ogr2ogr", Rate(bytes, big.stream),
        Seconds("ogr2ogr -f GML", big.ogr), big.ogr.seconds / big.stream.seconds, ">= 20");
  } else {
    Row("streaming import (tool) [ogr2ogr missing]", Rate(bytes, big.stream),
        Seconds("cat", big.cat), big.stream.seconds / big.cat.seconds, "-");
  }
  Row("streaming import, peak memory", Megabytes(big.stream), "limit 64 MB",
      big.stream.peakKb / 1024.0 / 64, "< 1");
  Row("import to document + SaveXml, time", Rate(bytes, big.dom),
      Seconds("pugixml load+save", big.pugiLoadSave), big.dom.seconds / big.pugiLoadSave.seconds,
      "<= 1.3");
  Row("  the same, white space kept by pugixml", Rate(bytes, big.dom),
      Seconds("pugixml load+save", big.pugiLoadSaveKept),
      big.dom.seconds / big.pugiLoadSaveKept.seconds, "-");
  Row("import to document + SaveXml, peak memory", Megabytes(big.dom),
      "pugixml load " + Megabytes(big.pugiLoad), 1.0 * big.dom.peakKb / big.pugiLoad.peakKb,
      "<= 1.2");
  Row("  the same, white space kept by pugixml", Megabytes(big.dom),
      "pugixml load " + Megabytes(big.pugiLoadKept), 1.0 * big.dom.peakKb / big.pugiLoadKept.peakKb,
      "-");
  Row("LoadXml + export, time", Rate(bytes, big.exportBack), Seconds("LoadXml", big.loadXml),
      big.exportBack.seconds / big.loadXml.seconds, "<= 1.5");
  Row("LoadXml, time", Seconds("LoadXml", big.loadXml), Seconds("pugixml load", big.pugiLoad),
      big.loadXml.seconds / big.pugiLoad.seconds, "<= 1.3");
  Row("  the same, white space kept by pugixml", Seconds("LoadXml", big.loadXml),
      Seconds("pugixml load", big.pugiLoadKept), big.loadXml.seconds / big.pugiLoadKept.seconds,
      "-");
  Row("export output equals the input", big.exportSame ? "yes" : "NO", "-", big.exportSame ? 1 : 0,
      "1");
  Row("streaming import 1M/100k time", Seconds("1M", big.stream), Seconds("100k", small.stream),
      big.stream.seconds / small.stream.seconds, "< 12");
  Row("import to document 1M/100k time", Seconds("1M", big.dom), Seconds("100k", small.dom),
      big.dom.seconds / small.dom.seconds, "< 12");
  Row("LoadXml + export 1M/100k time", Seconds("1M", big.exportBack),
      Seconds("100k", small.exportBack), big.exportBack.seconds / small.exportBack.seconds, "< 12");
  Row("import + export on one object 1M/100k time", Seconds("1M", big.importExport),
      Seconds("100k", small.importExport), big.importExport.seconds / small.importExport.seconds,
      "< 12");
  Row("cat of the data file", Rate(bytes, big.cat), "-", 1, "-");
  const PoolFigures pool = RunPool(o);
  Row("convert -O, 200 x 5,000 lines, 2 workers", Seconds("-j 2", pool.two),
      Seconds("-j 1", pool.one), pool.one.seconds / pool.two.seconds, "> 1.6");
  const bool poolOk = pool.one.ok && pool.two.ok;
  bool cloudOk = true;
  if (!o.cloudDefinition.empty() && o.cloudGigabytes > 0) {
    const CloudFigures cloud = RunCloud(o);
    cloudOk = cloud.small.ok && cloud.large.ok;
    char smallSize[32], largeSize[32];
    std::snprintf(smallSize, sizeof smallSize, "%.1f GB", cloud.smallBytes / 1e9);
    std::snprintf(largeSize, sizeof largeSize, "%.1f GB", cloud.largeBytes / 1e9);
    const double sizes = 1.0 * cloud.largeBytes / cloud.smallBytes;
    char linear[32];
    std::snprintf(linear, sizeof linear, "< %.1f", sizes * 1.1);
    Row("point cloud streaming import, time", Rate(cloud.largeBytes, cloud.large),
        Seconds(smallSize, cloud.small), cloud.large.seconds / cloud.small.seconds, linear);
    Row("point cloud streaming import, peak memory",
        std::string(largeSize) + " " + Megabytes(cloud.large), "limit 64 MB",
        cloud.large.peakKb / 1024.0 / 64, "< 1");
  }
  if (!allOk || !poolOk || !cloudOk) std::printf("\nSOME RUNS FAILED\n");
  return allOk && poolOk && cloudOk && big.exportSame ? 0 : 1;
}

}  // namespace
}  // namespace compoundparser

int main(int argc, char** argv) { return compoundparser::Main(argc, argv); }
