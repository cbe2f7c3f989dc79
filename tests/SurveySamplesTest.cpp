// Coordinates computed from the shared raw samples, checked against two
// independent sources: the coordinates that the instruments themselves wrote
// beside their observations, and the points that Total Open Station computes
// from the same files. Where Total Open Station differs, the disputed point is
// worked out by hand below, with the reading that explains its value.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "survey/Coordinates.h"
#include "survey/Survey.h"
#include "tests/FormatTestSupport.h"
#include "tests/SurveyTestSupport.h"

namespace compoundparser::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Dms(double degrees, double minutes, double seconds) {
  return (degrees + minutes / 60.0 + seconds / 3600.0) * kPi / 180.0;
}
double Gons(double gons) { return gons * kPi / 200.0; }

// A sample read through its bundled definition.
survey::Survey ReadSample(const std::string& definitionFile, const std::string& sample) {
  RecordingCallBack recorder;
  auto definition = Bundled(definitionFile, recorder);
  InstrumentData data(*definition, &recorder);
  EXPECT_TRUE(data.ParseRead(kSamplesDir + sample, *definition)) << recorder.Lines(kKindError);
  return survey::ReadSurvey(data.GetDocument().DocumentElement(),
                            survey::DefaultUnits(definition->Description()));
}

// The k-th point named `name` (from 1), or nullptr.
const survey::SurveyPoint* NthPoint(const survey::PointsResult& result, const std::string& name,
                                    int k) {
  for (const survey::SurveyPoint& point : result.points) {
    if (point.name == name && --k == 0) return &point;
  }
  return nullptr;
}

double Height(const survey::SurveyPoint& point) {
  return point.height ? point.height->value : std::nan("");
}

// ---------------------------------------------------------------------------
// The instruments' own coordinates: each shot that a record gives coordinates
// for is computed again without them.

struct OwnCoordinatesCase {
  const char* definition;
  const char* sample;
  size_t lastRecord;  // shots after it are left out (see below)
  size_t compared;    // shots from stations that the file places
  double tolerance;
};

const OwnCoordinatesCase kOwnCoordinates[] = {
    // GSI-8 blocks 11 21 22 31 ... 81 82 83 after the station blocks 84 85 86
    // 88 (the shots before the first station block cannot be placed). From
    // line 624 on, the blocks were measured from a station that the file does
    // not record: their coordinates do not fit STAZLIB4 by decimetres.
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", 623, 117, 0.0015},
    // SDR33 09 F1 observations, each followed by the 08 TP point computed from it.
    {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", 1000, 33, 0.0015},
};

TEST(SurveySamples, InstrumentCoordinatesAreComputedAgain) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const OwnCoordinatesCase& c : kOwnCoordinates) {
    SCOPED_TRACE(c.sample);
    survey::Survey survey = ReadSample(c.definition, c.sample);
    // What the instrument wrote for each shot, by the shot's record: in the
    // shot's own record (GSI) or in the point record right after it (SDR).
    // The survey then goes on without them: shots lose their coordinates,
    // point records become comments.
    std::map<size_t, std::array<double, 3>> written;
    for (size_t i = 0; i < survey.entries.size(); ++i) {
      survey::Entry& entry = survey.entries[i];
      if (entry.kind == survey::EntryKind::kShot && entry.shot.northing && entry.shot.height) {
        written[entry.record] = {entry.shot.northing->value, entry.shot.easting->value,
                                 entry.shot.height->value};
        entry.shot.northing.reset();
        entry.shot.easting.reset();
        entry.shot.height.reset();
      } else if (entry.kind == survey::EntryKind::kPoint) {
        const survey::Entry* before = i > 0 ? &survey.entries[i - 1] : nullptr;
        if (before != nullptr && before->kind == survey::EntryKind::kShot &&
            before->shot.point == entry.point.name && entry.point.height) {
          written[before->record] = {entry.point.northing->value, entry.point.easting->value,
                                     entry.point.height->value};
        }
        entry.kind = survey::EntryKind::kComment;
      }
    }
    std::map<size_t, size_t> entryOfRecord;
    for (size_t i = 0; i < survey.entries.size(); ++i) entryOfRecord[survey.entries[i].record] = i;
    const survey::PointsResult result = survey::ComputePoints(survey);
    size_t compared = 0;
    for (const survey::SurveyPoint& point : result.points) {
      const auto found = written.find(point.record);
      if (!point.computed || found == written.end() || point.record > c.lastRecord) continue;
      // Only shots from a station that the file places can match.
      const size_t setup = survey.entries[entryOfRecord[point.record]].setupEntry;
      const auto frame = result.frames.find(setup);
      if (frame == result.frames.end() || !frame->second.placed) continue;
      SCOPED_TRACE(point.name + " from " + point.station);
      EXPECT_NEAR(point.northing.value, found->second[0], c.tolerance);
      EXPECT_NEAR(point.easting.value, found->second[1], c.tolerance);
      EXPECT_NEAR(Height(point), found->second[2], c.tolerance);
      ++compared;
    }
    EXPECT_EQ(compared, c.compared);
  }
}

// ---------------------------------------------------------------------------
// Total Open Station: its PT rows, stored once in tests/data/survey/tops (the
// first lines of each file say how they were made).

struct TopsRow {
  std::string name;
  double easting, northing, height;
};

std::vector<TopsRow> TopsRows(const std::string& file) {
  std::vector<TopsRow> rows;
  std::ifstream in(TestData("survey/tops/" + file));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.compare(0, 11, "point_name,") == 0) continue;
    const std::vector<std::string> fields = SplitAt(line, ',');
    if (fields.size() != 4) continue;
    rows.push_back({fields[0], std::atof(fields[1].c_str()), std::atof(fields[2].c_str()),
                    std::atof(fields[3].c_str())});
  }
  return rows;
}

struct TopsCase {
  const char* definition;
  const char* sample;
  // Rows (name#k: the k-th row of that name) where Total Open Station is
  // wrong, each kind explained by a test below; "computed": every point that
  // is computed here.
  const char* disputed;
  // Rows that give no point here, and why.
  const char* absent;
};

const TopsCase kTops[] = {
    // Packed DMS with whole minutes (32.4400) read as 32 deg 43' 100": see
    // TotalOpenStation.ReadsWholeMinutesOfDmsAsHundredSeconds.
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi",
     "GDEM5420#1,GDEM5464#1,GDEM5512#1,GDEM5512#2,GDEM5548#1,GDEM5563#1,GDEM5581#1", ""},
    // Two shots on 108, which the file lists with its coordinates (--SP): the
    // file's coordinates are written, not a second and third 108.
    {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5", "", "108#2,108#3"},
    // The zenith angles read as angles above the horizon: see
    // TotalOpenStation.ReadsNikonZenithAnglesFromTheHorizon. The backsight shot
    // without distance (F1 with no point name) gives no point.
    {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw", "computed", "#1"},
    {"CarlsonRW5.xml", "carlson_rw5/pygez_test.rw5", "5088#1", ""},
    // As the other Nikon file; AMILA3#2 is the backsight shot without distance.
    {"NikonRAW.xml", "nikon_raw/ruide_group_1_obs.sdr", "computed", "AMILA3#2"},
};

bool Listed(const std::string& list, const std::string& key) {
  for (const std::string& item : SplitAt(list, ',')) {
    if (item == key) return true;
  }
  return false;
}

TEST(TotalOpenStation, PointsAgreeToAMillimetre) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const TopsCase& c : kTops) {
    SCOPED_TRACE(c.sample);
    const std::string file = std::string(c.sample).substr(std::string(c.sample).find('/') + 1);
    const std::vector<TopsRow> rows = TopsRows(file + ".csv");
    ASSERT_FALSE(rows.empty());
    const survey::PointsResult result = survey::ComputePoints(ReadSample(c.definition, c.sample));
    std::map<std::string, int> seen;
    size_t agreed = 0;
    for (const TopsRow& row : rows) {
      const int k = ++seen[row.name];
      const std::string key = row.name + "#" + std::to_string(k);
      SCOPED_TRACE(key);
      const survey::SurveyPoint* point = NthPoint(result, row.name, k);
      if (Listed(c.absent, key)) {
        EXPECT_EQ(point, nullptr);
        continue;
      }
      ASSERT_NE(point, nullptr);
      // Total Open Station writes the file's unit (feet for Leica1200.rw5).
      const auto inFileUnit = [&](double value) { return survey::FromBase(value, result.unit); };
      const double apart = std::max({std::fabs(inFileUnit(point->easting.value) - row.easting),
                                     std::fabs(inFileUnit(point->northing.value) - row.northing),
                                     std::fabs(inFileUnit(Height(*point)) - row.height)});
      const bool disputed =
          Listed(c.disputed, key) || (std::string(c.disputed) == "computed" && point->computed);
      if (disputed) {
        EXPECT_GT(apart, 0.001);
      } else {
        EXPECT_LE(apart, 0.001);
        ++agreed;
      }
    }
    EXPECT_GT(agreed, 0u);
  }
}

// The polar reduction of one shot, by hand: the station's coordinates and
// height, the azimuth, the zenith angle, the slope distance and the heights.
std::array<double, 3> Polar(double northing, double easting, double height, double azimuth,
                            double zenith, double slope, double instrument, double prism) {
  const double horizontal = slope * std::sin(zenith);
  return {northing + horizontal * std::cos(azimuth), easting + horizontal * std::sin(azimuth),
          height + instrument + slope * std::cos(zenith) - prism};
}

void ExpectPoint(const survey::SurveyPoint* point, const std::array<double, 3>& expected) {
  ASSERT_NE(point, nullptr);
  EXPECT_NEAR(point->northing.value, expected[0], 0.0001);
  EXPECT_NEAR(point->easting.value, expected[1], 0.0001);
  EXPECT_NEAR(Height(*point), expected[2], 0.0001);
}

void ExpectTops(const std::string& file, const std::string& name,
                const std::array<double, 3>& expected) {
  for (const TopsRow& row : TopsRows(file)) {
    if (row.name != name) continue;
    EXPECT_NEAR(row.northing, expected[0], 0.0001);
    EXPECT_NEAR(row.easting, expected[1], 0.0001);
    EXPECT_NEAR(row.height, expected[2], 0.0001);
    return;
  }
  ADD_FAILURE() << name << " not in " << file;
}

// leica_gsi16_gurob.gsi line 6, no station block (0,0,0), angles DMS:
// *110007+00000000GDEM5420 21.024+0000000003244000 22.024+0000000009102210
// 31...0+0000000000049880 ... 87...0+0000000000001300 88...0+0000000000001324
// Hz 32 deg 44' 00.0", V 91 deg 02' 21.0", slope 49.880, target 1.300,
// instrument 1.324. Total Open Station's point is the same shot with
// Hz 32 deg 43' 100" (whole minutes lose one in its conversion), 5.2 mm off.
// pygez_test.rw5 line 100, SS,OPA.2,FP5088,AR6.0500,ZE92.5745,SD41.737500 from
// A.2 (N 6206012.9710, E 1646992.9030, EL 148.4200; HI 1.7040, HR 1.4500,
// BS 200.0428, BC 200.0429 and the BD shot reads 200.0429: orientation -1"):
// the same with 6 deg 04' 100" for 6 deg 05' 00", and without the orientation
// (it takes the angles right as azimuths; 1" is 0.2 mm there).
TEST(TotalOpenStation, ReadsWholeMinutesOfDmsAsHundredSeconds) {
  CP_REQUIRE_SHARED_SAMPLES();
  const survey::PointsResult gsi =
      survey::ComputePoints(ReadSample("LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi"));
  ExpectPoint(NthPoint(gsi, "GDEM5420", 1),
              Polar(0, 0, 0, Dms(32, 44, 0), Dms(91, 2, 21), 49.880, 1.324, 1.300));
  ExpectTops("leica_gsi16_gurob.gsi.csv", "GDEM5420",
             Polar(0, 0, 0, Dms(32, 43, 100), Dms(91, 2, 21), 49.880, 1.324, 1.300));

  const survey::PointsResult rw5 =
      survey::ComputePoints(ReadSample("CarlsonRW5.xml", "carlson_rw5/pygez_test.rw5"));
  const double orientation = Dms(200, 4, 28) - Dms(200, 4, 29);
  ExpectPoint(NthPoint(rw5, "5088", 1),
              Polar(6206012.9710, 1646992.9030, 148.4200, Dms(6, 5, 0) + orientation,
                    Dms(92, 57, 45), 41.7375, 1.7040, 1.4500));
  ExpectTops("pygez_test.rw5.csv", "5088",
             Polar(6206012.9710, 1646992.9030, 148.4200, Dms(6, 4, 100), Dms(92, 57, 45), 41.7375,
                   1.7040, 1.4500));
}

// nikon_raw_v200.raw: MP,1,,0.000,0.000,0.000,ST then ST,1,,,,1.430,0.0000,0.0000 and
// SS,2,1.500,8.986,107.9916,102.3376 in gons, "Zero VA: Zenith", "Coord Order: NEZ".
// A zenith angle of 102 gon looks below the horizon: the point lies 0.33 m
// lower than the instrument, 8.98 m away. Total Open Station puts it 8.91 m
// above the station: its value is the shot with the zenith angle read as an
// angle above the horizon and northing and easting exchanged.
// ruide_group_1_obs.sdr (DDDMMSS, "Coord Order: ENZ"): UP,AMILA2,,656114.161,257754.002,
// 120.075 then ST,AMILA2,,AMILA3,,1.280,120.4708,120.4708, the backsight shot reading
// 120.4708, and SS,500,1.300,3.580,149.2117,91.4931: the same reading of the zenith
// angle, without the exchange (the file is ENZ).
TEST(TotalOpenStation, ReadsNikonZenithAnglesFromTheHorizon) {
  CP_REQUIRE_SHARED_SAMPLES();
  const survey::PointsResult nikon =
      survey::ComputePoints(ReadSample("NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw"));
  ExpectPoint(NthPoint(nikon, "2", 1),
              Polar(0, 0, 0, Gons(107.9916), Gons(102.3376), 8.986, 1.430, 1.500));
  const std::array<double, 3> fromHorizon =
      Polar(0, 0, 0, Gons(107.9916), Gons(100) - Gons(102.3376), 8.986, 1.430, 1.500);
  ExpectTops("nikon_raw_v200.raw.csv", "2", {fromHorizon[1], fromHorizon[0], fromHorizon[2]});

  const survey::PointsResult ruide =
      survey::ComputePoints(ReadSample("NikonRAW.xml", "nikon_raw/ruide_group_1_obs.sdr"));
  ExpectPoint(NthPoint(ruide, "500", 1), Polar(257754.002, 656114.161, 120.075, Dms(149, 21, 17),
                                               Dms(91, 49, 31), 3.580, 1.280, 1.300));
  ExpectTops("ruide_group_1_obs.sdr.csv", "500",
             Polar(257754.002, 656114.161, 120.075, Dms(149, 21, 17),
                   Dms(90, 0, 0) - Dms(91, 49, 31), 3.580, 1.280, 1.300));
}

// The Ruide's second setup on AMILA2 gives A3 as its backsight with the
// circle set to 120.4716, but its backsight shot reads 13.1726. The shots are
// oriented by the reading: the backsight shot with its distance then lands on
// A3 as the first setup measured it (the setting would put it 104 m away).
TEST(SurveySamples, BacksightReadingOrientsTheSetup) {
  CP_REQUIRE_SHARED_SAMPLES();
  const survey::PointsResult ruide =
      survey::ComputePoints(ReadSample("NikonRAW.xml", "nikon_raw/ruide_group_1_obs.sdr"));
  const survey::SurveyPoint* first = NthPoint(ruide, "A3", 1);
  const survey::SurveyPoint* again = NthPoint(ruide, "A3", 2);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(again, nullptr);
  EXPECT_NEAR(again->northing.value, first->northing.value, 0.02);
  EXPECT_NEAR(again->easting.value, first->easting.value, 0.02);
}

}  // namespace
}  // namespace compoundparser::testing
