// Carlson RW5 files through their bundled definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5", nullptr, "",
     "Record[not(Blank)]#32|Record/Observation#10|Record/Comment#8|Record/Heights#10|"
     "Record/Mode/LinearUnit=Feet|Record/Station/StationNorthing=16556174.237|"
     "Record/Observation[PointNumber='109']/Note=FENCE"},
};

const FormatCase kOwn[] = {
    {"CarlsonRW5.xml", "rw5_small.rw5", nullptr, "",
     "Record[not(Blank)]#11|Record/Comment#2|Record/Other#1|Record/Mode/LinearUnit=Meters|"
     "Record/Mode/AngularUnit=Gons|Record/Point/Note=CONTROL|Record/Point/Easting=3000.000|"
     "Record/Backsight/BacksightPoint=2|Record/Observation[PointNumber='3']/Note=TREE OAK|"
     "Record/Observation[PointNumber='4']/SlopeDistance=12.345|Record[last()]/Comment/Note=END "},
};

TEST(Rw5Format, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(Rw5Format, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

}  // namespace
}  // namespace compoundparser::testing
