// Every shared raw sample converted to every other bundled raw format and
// read back: the same shots, with the same values after unit translation, and
// the same points computed from them; what the target cannot hold is named
// in a warning.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "survey/Conversion.h"
#include "survey/Coordinates.h"
#include "survey/Survey.h"
#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

struct RawFormat {
  const char* definition;
  const char* name;
};

const RawFormat kRawFormats[] = {
    {"LeicaGSI16.xml", "Leica GSI-16"},  {"LeicaGSI8.xml", "Leica GSI-8"},
    {"SokkiaSDR33.xml", "Sokkia SDR33"}, {"NikonRAW.xml", "Nikon RAW V2.00"},
    {"CarlsonRW5.xml", "Carlson RW5"},   {"TopconGTS7.xml", "Topcon GTS-7"},
};

struct RawSample {
  const char* definition;
  const char* sample;
};

const RawSample kRawSamples[] = {
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi"},
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi"},
    {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr"},
    {"SokkiaSDR33.xml", "sokkia_sdr33/focus6_1.sdr"},
    {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw"},
    {"NikonRAW.xml", "nikon_raw/ruide_group_1_obs.sdr"},
    {"NikonRAW.xml", "nikon_raw/nikon_dtm.raw"},
    {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5"},
    {"CarlsonRW5.xml", "carlson_rw5/pygez_test.rw5"},
    {"TopconGTS7.xml", "topcon_gts7/jkv.gts7"},
};

// A document read through a bundled definition, with its survey and points.
struct Read {
  std::unique_ptr<InstrumentData> data;
  survey::Survey survey;
  survey::PointsResult points;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Half a step of the last digit the value was written with, for each of the
// two values compared (a computed value has none of its own).
double Tolerance(const survey::Measure& a, const survey::Measure& b) {
  const auto half = [](const survey::Measure& m) {
    return m.unit == survey::Unit::kUnknown ? 1e-5 : 0.51 * survey::Resolution(m.unit, m.decimals);
  };
  return half(a) + half(b) + 1e-9;
}

double AngleApart(double a, double b) {
  const double d = std::fabs(survey::NormalizeAngle(a) - survey::NormalizeAngle(b));
  return std::min(d, 2 * 3.14159265358979323846 - d);
}

// The azimuth of a shot: its direction turned by the orientation of its setup.
std::optional<double> Azimuth(const Read& read, const survey::Entry& entry) {
  const survey::Shot& shot = entry.shot;
  if (!shot.horizontal) return std::nullopt;
  const auto frame = read.points.frames.find(entry.setupEntry);
  const double orientation = frame != read.points.frames.end() ? frame->second.orientation : 0.0;
  switch (shot.direction) {
    case survey::Direction::kCircle:
      return shot.horizontal->value + orientation;
    case survey::Direction::kAzimuth:
      return shot.horizontal->value;
    case survey::Direction::kDeflection:
      if (frame == read.points.frames.end() || !frame->second.backBearing) return std::nullopt;
      return *frame->second.backBearing + 3.14159265358979323846 + shot.horizontal->value;
    default:
      return std::nullopt;
  }
}

void CompareLength(const char* name, const std::optional<survey::Measure>& source,
                   const std::optional<survey::Measure>& target, const std::string& warnings) {
  SCOPED_TRACE(name);
  if (source && target) {
    EXPECT_NEAR(target->value, source->value, Tolerance(*source, *target));
  } else if (source.has_value() != target.has_value()) {
    // Dropped or converted: a warning names it.
    EXPECT_TRUE(Contains(warnings, name)) << (source ? "lost" : "added");
  }
}

// Converts one sample to one format, reads it back and compares.
void CheckConversion(const RawSample& sample, const RawFormat& format) {
  SCOPED_TRACE(std::string(sample.sample) + " to " + format.name);
  RecordingCallBack recorder;
  auto source = Bundled(sample.definition, recorder);
  auto target = Bundled(format.definition, recorder);
  TempFolder folder;
  Read before;
  before.data = std::make_unique<InstrumentData>(*source, &recorder);
  ASSERT_TRUE(before.data->ParseRead(kSamplesDir + sample.sample, *source));
  const XmlNode data = before.data->GetDocument().DocumentElement();
  const survey::ReadOptions units = survey::DefaultUnits(source->Description());
  before.survey = survey::ReadSurvey(data, units);
  before.points = survey::ComputePoints(before.survey);

  const survey::ConversionReport report =
      survey::PrepareExport(before.data->GetDocument(), *source, *target, {});
  ASSERT_EQ(report.step, survey::ConversionReport::Step::kRewrite);
  const std::string warnings = Joined(report.warnings);
  before.data->vars = target->Description().vars;
  const std::string written = folder.Path("converted");
  ASSERT_TRUE(before.data->ParseWrite(written, *target)) << recorder.Lines(kKindError);
  before.data->file.Close();

  Read after;
  after.data = std::make_unique<InstrumentData>(*target, &recorder);
  ASSERT_TRUE(after.data->ParseRead(written, *target))
      << recorder.Lines(kKindError) << ReadFile(written).substr(0, 2000);
  after.survey = survey::ReadSurvey(after.data->GetDocument().DocumentElement(),
                                    survey::DefaultUnits(target->Description()));
  after.points = survey::ComputePoints(after.survey);

  std::vector<const survey::Entry*> shotsBefore;
  std::vector<const survey::Entry*> shotsAfter;
  for (const survey::Entry& entry : before.survey.entries) {
    if (entry.kind == survey::EntryKind::kShot) shotsBefore.push_back(&entry);
  }
  for (const survey::Entry& entry : after.survey.entries) {
    if (entry.kind == survey::EntryKind::kShot) shotsAfter.push_back(&entry);
  }
  ASSERT_EQ(shotsAfter.size(), shotsBefore.size()) << warnings;
  for (size_t i = 0; i < shotsBefore.size(); ++i) {
    const survey::Shot& a = shotsBefore[i]->shot;
    const survey::Shot& b = shotsAfter[i]->shot;
    SCOPED_TRACE("shot " + std::to_string(i + 1) + " (" + a.point + ", record " +
                 std::to_string(shotsBefore[i]->record) + ")");
    if (!(a.point.empty() && a.backsight)) {
      EXPECT_EQ(b.point, a.point);
    }
    if (a.zenith && b.zenith) {
      EXPECT_NEAR(b.zenith->value, a.zenith->value, Tolerance(*a.zenith, *b.zenith));
    } else {
      EXPECT_EQ(b.zenith.has_value(), a.zenith.has_value() && !Contains(warnings, "ZenithAngle"));
    }
    const std::optional<double> azimuthBefore = Azimuth(before, *shotsBefore[i]);
    const std::optional<double> azimuthAfter = Azimuth(after, *shotsAfter[i]);
    ASSERT_EQ(azimuthAfter.has_value(), azimuthBefore.has_value());
    if (azimuthBefore) {
      EXPECT_LE(AngleApart(*azimuthAfter, *azimuthBefore),
                2 * Tolerance(*a.horizontal, *b.horizontal));
    }
    CompareLength("SlopeDistance", a.slopeDistance, b.slopeDistance, warnings);
    CompareLength("HorizontalDistance", a.horizontalDistance, b.horizontalDistance, warnings);
    CompareLength("VerticalDistance", a.verticalDistance, b.verticalDistance, warnings);
    CompareLength("PrismHeight", a.prismHeight, b.prismHeight, warnings);
    CompareLength("InstrumentHeight", a.instrumentHeight, b.instrumentHeight, warnings);
  }
  // The same points, unless the target could not hold the coordinates of the
  // stations (a GSI-8 word holds 8 digits).
  if (Contains(warnings, "too large")) return;
  std::map<std::string, int> seen;
  for (const survey::SurveyPoint& point : after.points.points) {
    if (!point.computed) continue;
    const int k = ++seen[point.name];
    int n = k;
    const survey::SurveyPoint* twin = nullptr;
    for (const survey::SurveyPoint& candidate : before.points.points) {
      if (candidate.name == point.name && --n == 0) twin = &candidate;
    }
    if (twin == nullptr || !twin->computed) continue;
    SCOPED_TRACE(point.name);
    EXPECT_NEAR(point.northing.value, twin->northing.value, 0.0011);
    EXPECT_NEAR(point.easting.value, twin->easting.value, 0.0011);
    if (point.height && twin->height) {
      EXPECT_NEAR(point.height->value, twin->height->value, 0.0011);
    }
  }
}

TEST(RawToRaw, EverySampleToEveryOtherRawFormat) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const RawSample& sample : kRawSamples) {
    for (const RawFormat& format : kRawFormats) {
      if (std::string(format.definition) == sample.definition) continue;
      CheckConversion(sample, format);
    }
  }
}

}  // namespace
}  // namespace compoundparser::testing
