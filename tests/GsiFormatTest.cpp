// Leica GSI-8 and GSI-16 files through their bundled definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi", nullptr, "",
     "Record[not(Blank)]#343|Record/Observation#343|Record[1]/Observation/PointNumber=GDEM5415|"
     "Record[1]/Observation/HorizontalAngle=35.45100"},
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", nullptr, "",
     "Record[not(Blank)]#699|Record/Station#4|Record/Observation#6|Record/Point#689|"
     "Record[1]/Point/Easting=515.836"},
};

// Small files of our own, each with the untidy parts of real files.
const FormatCase kOwn[] = {
    {"LeicaGSI16.xml", "gsi16_messy.gsi", "gsi16_messy.expected", "",
     "Record[not(Blank)]#7|Record[Blank]#1|Record/Station#1|Record/Observation#3|Record/Point#2|"
     "Record/Line/Word#2|StartOfText#1|EndOfText#1|EndOfFile#1|"
     "Record[1]/Station/StationEasting=1234.5678|Record[1]/Station/LinearUnit=Meters0.1mm|"
     "Record[1]/Station/HorizontalOrientation=45.30000|Record[1]/Station/AngularUnit=DMS|"
     "Record[2]/Observation/HorizontalAngle=123.45670|Record[2]/Observation/AngularUnit=Gons|"
     "Record[2]/Observation/SlopeDistance=12.345|"
     "Record[2]/Observation/PpmConstant=+000000000017+000|"
     "Record[3]/Observation/AngularUnit=Degrees|Record[3]/Observation/SlopeDistance=12.34567|"
     "Record[3]/Observation/HorizontalDistance=12.3456|"
     "Record[3]/Observation/VerticalDistance=-0.123|Record[3]/Observation/LinearUnit[3]=Feet|"
     "Record[5]/Observation/ZenithAngle=1600.0000|Record[5]/Observation/AngularUnit=Mils|"
     "Record[6]/Point/PointNumber=P4|Record[6]/Point/OrthoHeight=-1.234|"
     "Record[6]/Point/Code=TREE|Record[6]/Point/Remark2=OAK|Record[7]/Point/Northing=700.000|"
     "Record[8]/Line/Word[2]/WordValue=+000000000000HEDG"},
    {"LeicaGSI8.xml", "gsi8_points.gsi", "gsi8_points.expected", "",
     "Record/Point#3|Record[3]/Point/LinearUnit=Feet|Record[3]/Point/Easting=1000.000|"
     "Record[2]/Point/OrthoHeight=-0.010"},
};

TEST(GsiFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(GsiFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

// The points of GSI files written as point lists: only the Point lines become points.
TEST(GsiFormat, PointsConvertToPointLists) {
  EXPECT_EQ(Converted("LeicaGSI16.xml", kOwnFormatsDir + "gsi16_messy.gsi", "PNEZDComma.xml"),
            "\x02P4,623.456,512.345,-1.234,TREE\rP5,700.000,800.000,0.100,WALL\r\x03\x1A");
  EXPECT_EQ(Converted("LeicaGSI8.xml", kOwnFormatsDir + "gsi8_points.gsi", "PENZDSpace.xml"),
            "101 512.345 623.456 1.234 7\r\n102 512.000 623.000 -0.010\r\n"
            "103 1000.000 2000.000 3.000\r\n");
  if (!std::filesystem::is_directory(kSamplesDir)) return;
  const std::string points =
      Converted("LeicaGSI8.xml", kSamplesDir + "leica_gsi/leica_gsi8_ertola.gsi", "PNEZDComma.xml");
  EXPECT_EQ(points.substr(0, 54), "1,525.871,515.836,3.079,1\r\n2,528.710,510.231,2.716,1\r\n");
  EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 689);
}

}  // namespace
}  // namespace compoundparser::testing
