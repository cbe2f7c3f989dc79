// What the benchmarks share: the seeded point file they convert.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "engine/TParserCallBack.h"

namespace compoundparser {

// Returns `records` lines "N,northing,easting,height,CODEk" with CR LF ends,
// the same for the same seed.
inline std::string PointsFile(int64_t records, unsigned seed = 42) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> coordinate(0, 100000);
  std::string out;
  out.reserve(static_cast<size_t>(records) * 48);
  char line[128];
  for (int64_t i = 1; i <= records; ++i) {
    const int n = std::snprintf(line, sizeof line, "%lld,%.3f,%.3f,%.3f,CODE%lld\r\n",
                                static_cast<long long>(i), coordinate(random), coordinate(random),
                                coordinate(random) / 100, static_cast<long long>(i % 7));
    out.append(line, static_cast<size_t>(n));
  }
  return out;
}

// Returns `records` lines of an ASCII point cloud, "X Y Z I R G B" with LF ends, the same for the
// same seed.
inline std::string CloudFile(int64_t records, unsigned seed = 42) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> coordinate(0, 1000);
  std::uniform_int_distribution<int> intensity(-2048, 2047);
  std::uniform_int_distribution<int> colour(0, 255);
  std::string out;
  out.reserve(static_cast<size_t>(records) * 52);
  char line[128];
  for (int64_t i = 1; i <= records; ++i) {
    const double x = 512000 + coordinate(random);
    const double y = 5401000 + coordinate(random);
    const double z = 300 + coordinate(random) / 50;
    const int n = std::snprintf(line, sizeof line, "%.3f %.3f %.3f %d %d %d %d\n", x, y, z,
                                intensity(random), colour(random), colour(random), colour(random));
    out.append(line, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace compoundparser
