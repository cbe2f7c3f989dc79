// Values read in their unit and written in another: the packed DMS of the
// raw formats, the two feet, and the decimals a converted value keeps.
#include <gtest/gtest.h>

#include <cmath>

#include "survey/Units.h"

namespace compoundparser::testing {
namespace {

using survey::FormatMeasure;
using survey::Measure;
using survey::ParseMeasure;
using survey::Unit;

constexpr double kDegree = 3.14159265358979323846 / 180.0;

struct ReadCase {
  const char* text;
  Unit unit;
  double base;  // radians or metres
  int decimals;
};

const ReadCase kReads[] = {
    {"100", Unit::kGons, 90 * kDegree, 0},
    {"399.99999", Unit::kGons, 359.999991 * kDegree, 5},
    {"90.5", Unit::kDegrees, 90.5 * kDegree, 1},
    {"1600", Unit::kMils, 90 * kDegree, 0},
    {"120.4708", Unit::kDms, (120 + 47 / 60.0 + 8 / 3600.0) * kDegree, 4},
    {"344.3051", Unit::kDms, (344 + 30 / 60.0 + 51 / 3600.0) * kDegree, 4},
    {"91.17510", Unit::kDms, (91 + 17 / 60.0 + 51.0 / 3600.0) * kDegree, 5},
    {"87.46350", Unit::kDms, (87 + 46 / 60.0 + 35.0 / 3600.0) * kDegree, 5},
    {"0.00017", Unit::kDms, 1.7 / 3600.0 * kDegree, 5},
    {"20.32", Unit::kDms, (20 + 32 / 60.0) * kDegree, 2},
    {"20.320", Unit::kDms, (20 + 32 / 60.0) * kDegree, 3},
    {"-0.3000", Unit::kDms, -0.5 * kDegree, 4},
    {"95.08000", Unit::kDms, (95 + 8 / 60.0) * kDegree, 5},
    {"12.345", Unit::kMeters, 12.345, 3},
    {"100", Unit::kFeet, 30.48, 0},
    {"3937", Unit::kUsFeet, 1200, 0},
    {" +1.5 ", Unit::kMeters, 1.5, 1},
};

TEST(SurveyUnits, ValuesReadInTheirUnit) {
  for (const ReadCase& c : kReads) {
    SCOPED_TRACE(c.text);
    Measure measure;
    ASSERT_TRUE(ParseMeasure(c.text, c.unit, measure));
    EXPECT_NEAR(measure.value, c.base, 1e-12);
    EXPECT_EQ(measure.decimals, c.decimals);
    EXPECT_EQ(measure.unit, c.unit);
  }
}

struct BadRead {
  const char* text;
  Unit unit;
};

const BadRead kBadReads[] = {
    {"", Unit::kMeters},     {"-", Unit::kMeters},    {"1e5", Unit::kMeters},
    {"1.2.3", Unit::kGons},  {"12,5", Unit::kMeters}, {"N45.3000E", Unit::kDms},
    {"10.6000", Unit::kDms}, {"10.0060", Unit::kDms}, {"1", Unit::kUnknown},
    {"0x10", Unit::kMeters},
};

TEST(SurveyUnits, TextsThatAreNoValueAreRefused) {
  for (const BadRead& c : kBadReads) {
    SCOPED_TRACE(c.text);
    Measure measure;
    EXPECT_FALSE(ParseMeasure(c.text, c.unit, measure));
  }
}

struct WriteCase {
  double base;
  Unit unit;
  int decimals;
  const char* text;
};

const WriteCase kWrites[] = {
    // Packed DMS carries seconds into minutes and minutes into degrees.
    {(120 + 47 / 60.0 + 8 / 3600.0) * kDegree, Unit::kDms, 4, "120.4708"},
    {359.99999 * kDegree, Unit::kDms, 4, "360.0000"},
    {(10 + 59 / 60.0 + 59.96 / 3600.0) * kDegree, Unit::kDms, 5, "11.00000"},
    {(10 + 59 / 60.0 + 59.94 / 3600.0) * kDegree, Unit::kDms, 5, "10.59599"},
    {1.7 / 3600.0 * kDegree, Unit::kDms, 5, "0.00017"},
    {-0.5 * kDegree, Unit::kDms, 4, "-0.3000"},
    {(20 + 32 / 60.0) * kDegree, Unit::kDms, 2, "20.32"},
    {(20 + 32 / 60.0 + 10 / 3600.0) * kDegree, Unit::kDms, 3, "20.321"},
    {90 * kDegree, Unit::kGons, 5, "100.00000"},
    {90 * kDegree, Unit::kMils, 0, "1600"},
    {30.48, Unit::kFeet, 3, "100.000"},
    {1200, Unit::kUsFeet, 1, "3937.0"},
    {-0.0001, Unit::kMeters, 3, "0.000"},
};

TEST(SurveyUnits, ValuesWrittenInAUnit) {
  for (const WriteCase& c : kWrites) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatMeasure(c.base, c.unit, c.decimals), c.text);
  }
}

struct DecimalsCase {
  Unit to;
  Unit from;
  int decimals;
  int expected;
};

// A converted value keeps at least the resolution the file wrote it with.
const DecimalsCase kDecimals[] = {
    {Unit::kGons, Unit::kDms, 4, 4},       // 1" is 0.0003 gon
    {Unit::kDegrees, Unit::kDms, 4, 4},    // 1" is 0.00028 degree
    {Unit::kDms, Unit::kGons, 4, 5},       // 0.0001 gon is 0.32"
    {Unit::kDms, Unit::kDegrees, 6, 7},    // 0.000001 degree is 0.0036"
    {Unit::kMeters, Unit::kFeet, 3, 4},    // 0.001 ft is 0.3 mm
    {Unit::kFeet, Unit::kMeters, 3, 3},    // 1 mm is 0.0033 ft
    {Unit::kMeters, Unit::kMeters, 2, 2},  // the same unit: as written
};

TEST(SurveyUnits, ConvertedValuesKeepTheirResolution) {
  for (const DecimalsCase& c : kDecimals) {
    SCOPED_TRACE(std::string(survey::UnitName(c.from)) + " to " + survey::UnitName(c.to));
    EXPECT_EQ(survey::DecimalsFor(c.to, c.from, c.decimals), c.expected);
  }
}

}  // namespace
}  // namespace compoundparser::testing
