// Nikon RAW files through their bundled definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw", nullptr, "",
     "Record[not(Blank)]#108|Record/Observation#83|Record/Comment#21|Record/Point#1|"
     "Record/Station#1|EndOfFile#1|Record/Units/AngularUnit=Gons|"
     "Record/Station/InstrumentHeight=1.430|"
     "Record/Observation[PointNumber='802']/PrismHeight=2.550|"
     "Record/Observation[PointNumber='802']/ZenithAngle=92.2336"},
};

const FormatCase kOwn[] = {
    {"NikonRAW.xml", "nikon_small.raw", nullptr, "",
     "Record#12|Record/Observation#4|Record/Point#2|Record/Units#2|Record/Other#1|"
     "Record/Units/LinearUnit=Feet|Record/Units/AngularUnit=DDDMMSS|"
     "Record[5]/Point/RecordType=CC|Record[5]/Point/EmptyCode=true|"
     "Record/Station/BacksightBearing=45.3000|Record[8]/Observation/Code=TREE 12IN|"
     "Record[10]/Observation/Time=09:03:00|Record[11]/Other/RecordText=something else|"
     "EndOfFile=SUB"},
};

TEST(NikonFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(NikonFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

}  // namespace
}  // namespace compoundparser::testing
