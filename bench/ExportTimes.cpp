// Times LoadXml and the export of one saved instrument data document
// separately, in CPU seconds of this process (steadier than wall time on a
// busy machine), for profiling the export on its own. Usage:
// compoundparser_export_times DEFINITION DOCUMENT OUTPUT [RUNS]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"

namespace compoundparser {
namespace {

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int Main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s DEFINITION DOCUMENT OUTPUT [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
  SilentCallBack quiet;
  FormatDefinition definition(argv[1], &quiet);
  if (!definition.Load()) return 1;
  std::vector<double> loads, exports;
  for (int i = 0; i < runs; ++i) {
    InstrumentData data(definition, &quiet);
    const double start = CpuSeconds();
    if (!data.LoadXml(argv[2])) return 1;
    const double loaded = CpuSeconds();
    if (!data.ParseWrite(argv[3], definition)) return 1;
    const double written = CpuSeconds();
    loads.push_back(loaded - start);
    exports.push_back(written - loaded);
  }
  std::sort(loads.begin(), loads.end());
  std::sort(exports.begin(), exports.end());
  const double load = loads[loads.size() / 2];
  const double exported = exports[exports.size() / 2];
  std::printf(
      "LoadXml %.3f s, export %.3f s, (LoadXml + export) / LoadXml %.2f (CPU, median of %d)\n",
      load, exported, (load + exported) / load, runs);
  return 0;
}

}  // namespace
}  // namespace compoundparser

int main(int argc, char** argv) { return compoundparser::Main(argc, argv); }
