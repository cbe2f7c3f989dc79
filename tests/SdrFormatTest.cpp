// Sokkia SDR files through their bundled definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", nullptr, "",
     "Record[not(Blank)]#78|Record/Observation#34|Record/Point#33|Record/Station#1|"
     "Record/TargetHeight#4|Record/Other#2|Record/Job/AngularUnit=Gons|"
     "Record/Station/InstrumentHeight=1.475|"
     "Record/Observation[PointNumber='6']/HorizontalAngle=314.8086|"
     "Record/Point[PointNumber='6']/Easting=-13.489|Record/Point[PointNumber='6']/Code=CHIODO"},
};

const FormatCase kOwn[] = {
    {"SokkiaSDR33.xml", "sdr33_small.sdr", "sdr33_small.expected", "",
     "Record#10|Record/Observation#2|Record/Point#2|Record/Other#1|Record/Job/LinearUnit=Feet|"
     "Record/Job/AngularUnit=Degrees|Record/Station/StationPoint=S1|"
     "Record/Backsight/BacksightBearing=45.0000|Record/TargetHeight/PrismHeight=1.800|"
     "Record[8]/Observation/Code=TREE|Record/Other/RecordText=SOME NOTE"},
};

TEST(SdrFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(SdrFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(SdrFormat, PointsConvertToPointLists) {
  EXPECT_EQ(Converted("SokkiaSDR33.xml", kOwnFormatsDir + "sdr33_small.sdr", "PNEZDComma.xml"),
            "P1,987.500,2021.650,99.950,FENCE\nP2,988.250,1995.720,100.730,TREE\n");
  if (!std::filesystem::is_directory(kSamplesDir)) return;
  const std::string points = Converted(
      "SokkiaSDR33.xml", kSamplesDir + "sokkia_sdr33/sokkia_sdr33_polar.sdr", "PNEZDComma.xml");
  EXPECT_EQ(points.substr(0, 92),
            "1,19.914,9.217,0.975,SOGLIA NORD\n2,-2.161,1.421,0.946,SOGLIA SUD\n"
            "3,11.870,18.789,1.659,CP12\n");
  EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 33);
}

}  // namespace
}  // namespace compoundparser::testing
