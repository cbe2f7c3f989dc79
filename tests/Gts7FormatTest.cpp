// Topcon GTS-7 files through their bundled definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", nullptr, "",
     "Record[not(Blank)]#19|Record/Observation#4|Record/Target#3|Record/Units/LinearUnit=M|"
     "Record/Station/StationPoint=1001|"
     "Record[Observation][last()]/Observation/SlopeDistance=3.2020"},
};

const FormatCase kOwn[] = {
    {"TopconGTS7.xml", "gts7_small.gts7", nullptr, "",
     "Record#12|Record/Observation#3|Record/Other#2|Record/Units/AngularUnit=G|"
     "Record/Station/Code=BASE|Record/Point/Northing=5000.000|Record[11]/Target/EmptyCode=true|"
     "Record[12]/Observation/VerticalDistance=-1.250"},
};

TEST(Gts7Format, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(Gts7Format, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

}  // namespace
}  // namespace compoundparser::testing
