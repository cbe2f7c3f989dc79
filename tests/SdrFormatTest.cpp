// Sokkia SDR files (SDR33 and SDR2x layouts) through their bundled definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const char kSdr[] = "SokkiaSDR33.xml";

// One variant per file; none has an all-blank field (see EmptyFields below).
const FormatCase kOwn[] = {
    // The units are in the header (gons, metres); the job record's digits are options.
    {kSdr, "sdr33_small.sdr", nullptr, "",
     "Record#10|Record/Units/AngularUnit=Gons|Record/Units/LinearUnit=Meters|"
     "Record/Units/PressureUnit=Millibars|Record/Job/AngularUnit#0|Record/Job/LinearUnit#0|"
     "Record/Job/PointIdentity=1|Record/Job/RecordElevations=1|Record/Job/AtmosphericCorrection=2|"
     "Record/Units/SerialNumber=0000|Record/Units/DateTime=01-Jan-24 10:00|"
     "Record/Station/StationPoint=S1|Record/Backsight/BacksightBearing=45.0000|"
     "Record/Backsight/BacksightCircle=0.0000|Record/TargetHeight/PrismHeight=1.800|"
     "Record/Observation#2|Record/Point#2|Record/Other#0|"
     "Record[8]/Observation/Code=TREE|Record[8]/Observation/Trimmed=Code|"
     "Record[6]/Observation/Trimmed#0|Record/Comment/Text=SOME NOTE|DataFile/LineEnd=LF"},
    // SDR2x: 4-column point ids, 10-column numbers; MC gives an azimuth; 11 is reduced.
    {kSdr, "sdr2x_layout.sdr", nullptr, "",
     "Record#10|Record/Units/Layout=SDR2x|Record/Units/Version=SDR20     V03-05|"
     "Record/Units/AngularUnit=Gons|Record/Units/LinearUnit=Feet|Record/Job/JobName=PIPE RUN|"
     "Record/Instrument/SerialNumber=654321|Record/Instrument/PrismConstant=-30.0|"
     "Record/Station/StationPoint=0010|Record/Station/StationNorthing=5000.000|"
     "Record/Station/InstrumentHeight=1.550|Record/Station/Code=BASE|"
     "Record/Backsight/BacksightPoint=0011|Record/TargetHeight/PrismHeight=1.800|"
     "Record/Observation[DerivationCode='F1']/SlopeDistance=125.440|"
     "Record/Observation[DerivationCode='F1']/HorizontalAngle=123.4567|"
     "Record/Observation[DerivationCode='MC']/Azimuth=246.8024|"
     "Record/Observation[DerivationCode='MC']/HorizontalAngle#0|"
     "Record/Observation[RecordType='11']/HorizontalDistance=45.678|"
     "Record/Observation[RecordType='11']/VerticalDistance=-1.250|"
     "Record/Point/PointNumber=0101|Record/Point/Easting=2020.250|Record/Other#0"},
    // Coordinates east first, vertical angles from the horizon, Nikon's code for mils.
    {kSdr, "sdr33_east_first.sdr", nullptr, "",
     "Record/Units/Layout=SDR33|Record/Units/AngularUnit=Mils|Record/Units/AngularUnitCode=4|"
     "Record/Units/PressureUnit=InchesHg|Record/Units/TemperatureUnit=Fahrenheit|"
     "Record/Units/CoordinateOrder=ENZ|Record/Instrument/VerticalAngleOrigin=Horizon|"
     "Record/Station/StationEasting=2000.000|Record/Station/StationNorthing=5000.000|"
     "Record/Observation/VerticalAngle=3.1234|Record/Observation/ZenithAngle#0|"
     "Record/Point/Easting=2010.000|Record/Point/Northing=5020.000|"
     "Record/Job[RecordType='06']/ScaleFactor=0.99960000|DataFile/LineEnd=CRLF"},
    // A serial download: STX on its own line, blanks after a record, ETX and checksum.
    {kSdr, "sdr33_framed.sdr", nullptr, "",
     "StartOfText=STX|Record[1]/Blank=true|Record[2]/Units/AngularUnit=Degrees|Record/Point#2|"
     "Record/Point[PointNumber='20']/Code=11|"
     "Record/Point[PointNumber='20']/TrailingBlanks=             |"
     "Record/Point[PointNumber='21']/TrailingBlanks#0|EndOfText=ETX|Checksum=58903|"
     "Record[Blank='after ETX']#2|Record[Blank='true']#1|DataFile/LineEnd=CRLF"},
    // A header longer than 46 columns: the codes are its last six characters. The DU note
    // after it makes the feet US survey feet.
    {kSdr, "sdr33_long_header.sdr", nullptr, "",
     "Record/Units/HeaderText=SDR33 V04-04.02     00002024-06-03 10:11:12 |"
     "Record/Units/Version#0|Record/Units/AngularUnit=Degrees|Record/Units/LinearUnit=Feet|"
     "Record/Units[RecordType='13']/DerivationCode=DU|"
     "Record/Units[RecordType='13']/LinearUnit=USFeet|"
     "Record/Units[RecordType='13']/Text=:US Feet:|"
     "Record/Units[RecordType='13']/Trimmed=Text|Record/Comment#0|Record/Point/Code=CP"},
    // Byte order mark, CR line ends, trailing blanks cut (inside a field and whole fields), a
    // line of blanks, a blank line, no final line end.
    {kSdr, "sdr33_trimmed.sdr", nullptr, "",
     "ByteOrderMark=UTF-8|Record#8|Record/Station/InstrumentHeight=1.500|Record/Station/Code#0|"
     "Record[4]/Observation/HorizontalAngle=45.0000|"
     "Record[4]/Observation/Trimmed=HorizontalAngle|Record[4]/Observation/Code#0|"
     "Record[5]/Blanks=4|Record[5]/Blank=true|Record[6]/Blank=true|"
     "Record[6]/RecordText#0|Record[7]/Observation/Code=GATE|Record[7]/Observation/Trimmed=Code|"
     "Record/Comment/Text=Short note|DataFile/LineEnd=CR|Record/NoLineEnd=true"},
};

// All-blank fields are empty elements, written back as blanks after the document was saved
// and loaded again; CR CR CR LF line ends and 0x1A CR LF at the end.
const FormatCase kEmptyFields[] = {
    {kSdr, "sdr33_empty_fields.sdr", nullptr, "",
     "Record/Observation/SlopeDistance#1|Record/Observation/SlopeDistance=|"
     "Record/Observation/ZenithAngle=88.5000|Record/Observation/Code#1|"
     "Record/Observation/Code=|Record/Point/Code#1|Record/Point/Code=|"
     "EndOfFile=SUB CR LF|DataFile/LineEnd=CRCRCRLF"},
};

const FormatCase kShared[] = {
    {kSdr, "sokkia_sdr33/sokkia_sdr33_polar.sdr", nullptr, "",
     "Record#78|Record/Observation#35|Record/Point#33|Record/Station#1|Record/TargetHeight#4|"
     "Record/Other#0|Record/Units/AngularUnit=Gons|Record/Units/LinearUnit=Meters|"
     "Record/Job/AngularUnit#0|Record/Job/JobName=COLOSSEO5/11|"
     "Record/Instrument/InstrumentText=SET630RK V33-02|Record/Station/InstrumentHeight=1.475|"
     "Record/Observation[PointNumber='6']/HorizontalAngle=314.8086|"
     "Record/Observation[PointNumber='6']/ZenithAngle=102.9952|"
     "Record/Observation[PointNumber='6']/SlopeDistance=13.878|"
     "Record/Point[PointNumber='6']/Easting=-13.489|Record/Point[PointNumber='6']/Code=CHIODO|"
     "Record/Observation[RecordType='09'][PointNumber='OR']/SlopeDistance=|"
     "Record/Observation[RecordType='11']/Azimuth=0.0000|DataFile/LineEnd=LF"},
    {kSdr, "sokkia_sdr33/focus6_1.sdr", nullptr, "",
     "StartOfText=STX|Record[1]/Blank=true|Record/Units/Version=SDR33V04-01|"
     "Record/Units/AngularUnit=Degrees|Record/Units/LinearUnit=Meters|"
     "Record/Units/CoordinateOrder=ENZ|Record/Job/JobName=180802-1|Record/Other#7|"
     "Record/Other[1]/RecordType=01|Record/Other[DerivationCode='F1']#6|Record/Comment#21|"
     "Record/Point[PointNumber='101']/Easting=-6.794|"
     "Record/Point[PointNumber='101']/Northing=-4.347|Record/Station/StationEasting=4.773|"
     "Record/Station/StationNorthing=-2.422|Record/Station/Code#0|Record/Observation#17|"
     "Record/Observation[PointNumber='11']/SlopeDistance=|"
     "Record/Observation[PointNumber='11']/ZenithAngle=101.40277778|"
     "Record/Observation[PointNumber='1011']/SlopeDistance=11.730|EndOfText=ETX|Checksum=0000|"
     "Record[Blank='after ETX']#1|DataFile/LineEnd=LF"},
};

// The header must come first; the message names where the import looked for it.
const RefusedCase kRefusedOwn[] = {
    {"sdr33_no_header.sdr", "In 0 pos. literal '00' not found\n"},
    {"gts7_banner.gts7", "In 0 pos. literal '00' not found\n"},
    {"gts7_untidy.gts7", "In 3 pos. literal '00' not found\n"},  // after the byte order mark
    {"gts7_older_packed.txt", "In 0 pos. literal '00' not found\n"},
    {"gsi16_messy.gsi", "In 1 pos. literal '00' not found\n"},  // after STX
    {"gsi8_points.gsi", "In 0 pos. literal '00' not found\n"},
    {"nikon_small.raw", "In 0 pos. literal '00' not found\n"},
    {"rw5_small.rw5", "In 0 pos. literal '00' not found\n"},
    {"pnezd_comma.csv", "In 0 pos. literal '00' not found\n"},
    {"penzd_tab.txt", "In 0 pos. literal '00' not found\n"},
};

const RefusedCase kRefusedShared[] = {
    {"leica_gsi/leica_gsi16_gurob.gsi", "In 0 pos. literal '00' not found\n"},
    {"leica_gsi/leica_gsi8_ertola.gsi", "In 0 pos. literal '00' not found\n"},
    {"nikon_raw/nikon_raw_v200.raw", "In 0 pos. literal '00' not found\n"},
    {"nikon_raw/nikon_dtm.raw", "In 0 pos. literal '00' not found\n"},
    {"nikon_raw/ruide_group_1_obs.sdr", "In 0 pos. literal '00' not found\n"},
    {"carlson_rw5/Leica1200.rw5", "In 0 pos. literal '00' not found\n"},
    {"carlson_rw5/pygez_test.rw5", "In 0 pos. literal '00' not found\n"},
    {"topcon_gts7/jkv.gts7", "In 0 pos. literal '00' not found\n"},
    {"pnezd/topo0.asc", "In 0 pos. literal '00' not found\n"},
};

TEST(SdrFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(SdrFormat, EmptyFieldsSurviveTheSavedDocument) {
  for (const FormatCase& c : kEmptyFields) ImportAndExport(c);
}

TEST(SdrFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(SdrFormat, FilesOfOtherFormatsAreRefused) {
  for (const RefusedCase& c : kRefusedOwn) ExpectRefused(kSdr, c);
}

TEST(SdrFormat, SharedSamplesOfOtherFormatsAreRefused) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const RefusedCase& c : kRefusedShared) ExpectRefused(kSdr, c);
}

TEST(SdrFormat, PointsConvertToPointLists) {
  struct Conversion {
    const char* file;
    const char* to;
    const char* points;
  };
  const Conversion own[] = {
      {"sdr33_small.sdr", "PNEZDComma.xml",
       "P1,987.500,2021.650,99.950,FENCE\nP2,988.250,1995.720,100.730,TREE\n"},
      // East first in the file: the point list still gets northing, then easting.
      {"sdr33_east_first.sdr", "PNEZDComma.xml", "P7,5020.000,2010.000,52.000,WALL\r\n"},
      {"sdr2x_layout.sdr", "PENZDComma.xml", "0101,2020.250,5012.345,101.125,FENCE\n"},
  };
  for (const Conversion& c : own) {
    EXPECT_EQ(Converted(kSdr, kOwnFormatsDir + c.file, c.to), c.points) << c.file;
  }
}

TEST(SdrFormat, SharedSamplePointsConvertToPointLists) {
  CP_REQUIRE_SHARED_SAMPLES();
  const std::string polar =
      Converted(kSdr, kSamplesDir + "sokkia_sdr33/sokkia_sdr33_polar.sdr", "PNEZDComma.xml");
  EXPECT_EQ(polar.substr(0, 92),
            "1,19.914,9.217,0.975,SOGLIA NORD\n2,-2.161,1.421,0.946,SOGLIA SUD\n"
            "3,11.870,18.789,1.659,CP12\n");
  EXPECT_EQ(std::count(polar.begin(), polar.end(), '\n'), 33);
  // Focus 6 writes east first (header column 45 is 2); STX and ETX frame the points too, the
  // STX on a line of its own as in the file.
  EXPECT_EQ(Converted(kSdr, kSamplesDir + "sokkia_sdr33/focus6_1.sdr", "PNEZDComma.xml"),
            "\x02\n"
            "101,-4.347,-6.794,0.432,\n102,-0.172,-6.773,0.603,\n202,-2.422,4.773,0.044,\n\x03");
}

}  // namespace
}  // namespace compoundparser::testing
