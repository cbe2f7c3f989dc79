// The surveyor's tasks at the command line: a raw file to coordinates (convert
// to a point format, the points command), and one raw format into another.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace cli_test {
namespace {

const std::string kSamples = std::string(CP_SOURCE_DIR) + "/../shared/samples/";

#define REQUIRE_SAMPLES()                                         \
  do {                                                            \
    if (!std::filesystem::is_directory(kSamples))                 \
      GTEST_SKIP() << "shared samples not found at " << kSamples  \
                   << " (they sit beside the source tree in CI)"; \
  } while (0)

// Every shared raw sample gives its points to "PNEZD comma": the summary on
// standard error, and a line of the points.
const ToolCase kToPoints[] = {
    {"convert|--from|Leica GSI-16|--to|PNEZD comma|$S/../shared/samples/leica_gsi/"
     "leica_gsi16_gurob.gsi|-o|-",
     0, "^GDEM5415,11.217,8.076,-0.289,\r\n",
     "computed 343 points from 343 observations at 1 station; wrote 343 records (Point 343)|"
     "the observations before the first station record (from record 1): no coordinates in the "
     "file; 0,0,0 used"},
    {"convert|--from|Leica GSI-8|--to|PNEZD comma|$S/../shared/samples/leica_gsi/"
     "leica_gsi8_ertola.gsi|-o|-",
     0, "^1,525.871,515.836,3.079,1\r\n",
     "computed 4 points from 694 observations at 3 stations; 691 points as the file gives "
     "their coordinates"},
    {"convert|--from|Carlson RW5|--to|PNEZD comma|$S/../shared/samples/carlson_rw5/"
     "Leica1200.rw5|-o|-",
     0, "\r\n101,16556174.2370,942130.6620,17.9446,LIGHT POLE\r\n",
     "computed 8 points from 10 observations at 1 station; 2 points as the file gives their "
     "coordinates"},
    {"convert|--from|Carlson RW5|--to|PNEZD comma|$S/../shared/samples/carlson_rw5/"
     "pygez_test.rw5|-o|-",
     0, "\r\n5000,6206004.7060,1647003.3936,148.7464,610\r\n",
     "computed 109 points from 109 observations at 1 station"},
    {"convert|--from|Nikon RAW V2.00|--to|PNEZD comma|$S/../shared/samples/nikon_raw/"
     "nikon_raw_v200.raw|-o|-",
     0, "\r\n2,-1.124,8.909,-0.400,P\r\n",
     "computed 82 points from 83 observations at 1 station|1 observation without a distance "
     "(angles only) gave no point"},
    {"convert|--from|Nikon RAW V2.00|--to|PNEZD comma|$S/../shared/samples/nikon_raw/"
     "ruide_group_1_obs.sdr|-o|-",
     0, "\r\n500,257750.924,656115.985,119.941,\r\n",
     "computed 70 points from 71 observations at 2 stations"},
    {"convert|--from|Nikon RAW V2.00|--to|PNEZD comma|$S/../shared/samples/nikon_raw/"
     "nikon_dtm.raw|-o|-",
     0, "^2,30.183,0.000,0.040,HC\r\n",
     "computed 5 points from 5 observations at 3 stations|2 records marked deleted passed over"},
    {"convert|--from|Sokkia SDR33|--to|PNEZD comma|$S/../shared/samples/sokkia_sdr33/"
     "sokkia_sdr33_polar.sdr|-o|-",
     0, "\r\n1,19.914,9.217,0.975,SOGLIA NORD\r\n",
     "computed 0 points from 35 observations at 2 stations; 34 points as the file gives their "
     "coordinates"},
    {"convert|--from|Sokkia SDR33|--to|PNEZD comma|$S/../shared/samples/sokkia_sdr33/"
     "focus6_1.sdr|-o|-",
     0, "^101,-4.347,-6.794,0.432,\r\n", "computed 2 points from 17 observations at 1 station"},
    {"convert|--from|Topcon GTS-7|--to|PNEZD comma|$S/../shared/samples/topcon_gts7/jkv.gts7|-o|-",
     0, "^1002,2500.000,4500.000,100.000,\r\n1001,2000.000,4000.000,100.000,\r\n",
     "computed 3 points from 4 observations at 1 station"},
};

TEST(SurveyCli, ConvertComputesThePointsOfEverySample) {
  REQUIRE_SAMPLES();
  ScratchFolder folder;
  ExpectRuns(std::vector<ToolCase>(std::begin(kToPoints), std::end(kToPoints)), folder);
}

TEST(SurveyCli, PointsAndTheirSwitches) {
  REQUIRE_SAMPLES();
  ScratchFolder folder;
  const std::string rw5 = "$S/../shared/samples/carlson_rw5/pygez_test.rw5";
  const std::string gsi = "$S/../shared/samples/leica_gsi/leica_gsi16_gurob.gsi";
  ExpectRuns(
      {
          // Without computing, a polar job has no points for a point format.
          {"convert|--no-compute|--from|Leica GSI-16|--to|PNEZD comma|" + gsi + "|-o|$D/none.csv",
           -1, "", "", "computed"},
          // The points command: a header line, then the points; the file's
          // format found without -f.
          {"points|-f|Carlson RW5|" + rw5, 0,
           "^PointNumber,Northing,Easting,Height,Code\r\nA.2,6206012.9710,1646992.9030,148.4200,"
           "99,Clou d'arpentage,\r\n",
           "110 points: computed 109 points from 109 observations at 1 station; 1 point as the "
           "file gives its coordinates"},
          {"points|" + rw5 + "|-o|$D/points.csv", 0, "", "110 points"},
          {"-q|points|-f|Leica GSI-16|" + gsi, 0, "^PointNumber,Northing,Easting,Height,Code\r\n",
           "", "observations at"},
          // The points keep the file's unit, and say it where the format states units.
          {"convert|--from|Carlson RW5|--to|LandXML points|$S/../shared/samples/carlson_rw5/"
           "Leica1200.rw5|-o|-",
           0,
           "linearUnit=\"foot\"|<CgPoint name=\"101\" code=\"LIGHT POLE\">16556174.2370 "
           "942130.6620 17.9446</CgPoint>"},
          {"points|-f|Leica GSI-16|$S/examples/points-comma.csv", 1, "",
           "import with \"Leica GSI-16\" failed"},
      },
      folder);
  EXPECT_FALSE(Contains(ReadFile(folder.Path("none.csv")), "GDEM"));
  EXPECT_TRUE(Contains(ReadFile(folder.Path("points.csv")),
                       "\r\n5088,6206054.4180,1646997.3200,146.5169,100\r\n"));
}

TEST(SurveyCli, RawToRawSaysWhatTheTargetCannotHold) {
  REQUIRE_SAMPLES();
  ScratchFolder folder;
  ExpectRuns(
      {
          {"convert|--from|Nikon RAW V2.00|--to|Carlson RW5|$S/../shared/samples/nikon_raw/"
           "nikon_raw_v200.raw|-o|$D/n.rw5",
           0, "",
           "wrote 83 observations in 130 records for \"Carlson RW5\"|Time: 83 values not written "
           "(Carlson RW5 has no place for them)"},
          {"import|-f|Carlson RW5|$D/n.rw5", 0,
           "<RecordType>SS</RecordType>|<PointNumber>2</PointNumber>|"
           "<HorizontalAngle>107.9916</HorizontalAngle>"},
          {"convert|--from|Carlson RW5|--to|Topcon GTS-7|$S/../shared/samples/carlson_rw5/"
           "Leica1200.rw5|-o|$D/l.gts7",
           0, "",
           "Point: 2 records (Topcon GTS-7 holds coordinates for stations and backsights "
           "only) not written"},
          {"convert|--from|Carlson RW5|--to|Leica GSI-8|$S/../shared/samples/carlson_rw5/"
           "Leica1200.rw5|-o|$D/l.gsi",
           0, "", "StationNorthing: 1 value too large for 8-digit GSI words not written"},
      },
      folder);
  EXPECT_TRUE(Contains(ReadFile(folder.Path("l.gts7")), "UNITS   F,D\r\n"));
}

}  // namespace
}  // namespace cli_test
