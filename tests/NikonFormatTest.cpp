// Nikon RAW files through their bundled definition: each variant read into the right elements
// and written back byte for byte, files of other formats refused on their first line, and the
// coordinates converted to point lists in the declared order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kNikon = "NikonRAW.xml";

const FormatCase kShared[] = {
    {kNikon, "nikon_raw/nikon_raw_v200.raw", nullptr, "",
     "Record#108|Record/Observation#83|Record/Comment#21|Record/Point#1|Record/Station#1|"
     "Record/Units/AngularUnit=Gons|Record/Units/LinearUnit=Meters|"
     "Record/Point[RecordType='MP']/Code=ST|Record/Station/InstrumentHeight=1.430|"
     "Record/Station/BacksightCircle=0.0000|Record/Observation[RecordType='F1']/PointNumber#0|"
     "Record/Observation[PointNumber='802']/PrismHeight=2.550|"
     "Record/Observation[PointNumber='802']/ZenithAngle=92.2336|"
     "Record/Observation[PointNumber='802']/Time=16:18:03|EndOfFile=SUB LF|DataFile/LineEnd=LF"},
    // Two shots marked deleted, each followed by the one measured again.
    {kNikon, "nikon_raw/nikon_dtm.raw", nullptr, "",
     "Record#35|Record[Deleted]#2|Record/Observation#7|Record/Units/AngularUnit=DMS|"
     "Record[Deleted][1]/Observation/PointNumber=2|"
     "Record[Deleted][1]/Observation/SlopeDistance#0|"
     "Record[Deleted][2]/Observation/SlopeDistance=48.591|"
     "Record[not(Deleted)]/Observation[PointNumber='5']/SlopeDistance=48.564|"
     "Record/Station[StationPoint='4'][1]/BacksightCircle=344.3051|EndOfFile=SUB LF"},
    // Written by a Ruide R2: UP coordinates in ENZ order, DDDMMSS, a blank before each time.
    {kNikon, "nikon_raw/ruide_group_1_obs.sdr", nullptr, "",
     "Record#101|Record/Point#8|Record/Observation#71|Record/Units/AngularUnit=DMS|"
     "Record/Point[PointNumber='4']/Easting=656307.390|"
     "Record/Point[PointNumber='4']/Northing=257535.510|"
     "Record/Point[PointNumber='4']/OrthoHeight=126.140|"
     "Record/Point[PointNumber='TBH']/EmptyCode=true|"
     "Record/Observation[PointNumber='A3']/Time=15:35:55|"
     "Record/Observation[PointNumber='A3']/EmptyCode=true|"
     "Record/Observation[RecordType='F1'][1]/Time=15:34:26|"
     "Record/Observation[RecordType='F1'][1]/Code#0|DataFile/LineEnd=LF|DataFile/TimeBlank=true"},
};

// One variant per file; each comes back byte for byte.
const FormatCase kOwn[] = {
    // Gons, NEZ, every record type, a code holding a comma, an empty code after a comma,
    // a single-digit hour, CR LF and a final 0x1A.
    {kNikon, "nikon_small.raw", nullptr, "",
     "Record#17|Record[2]/Units/LinearUnit=Meters|Record[3]/Units/AngularUnit=Gons|"
     "Record[4]/Comment/Text=Zero VA: Zenith|Record[6]/Point/RecordType=MP|"
     "Record[6]/Point/Northing=5000.000|Record[6]/Point/Easting=2000.000|"
     "Record[6]/Point/Code=PEG|Record[7]/Point/EmptyCode=true|"
     "Record[8]/Station/BacksightPoint=S2|Record[8]/Station/BacksightBearing=12.3456|"
     "Record[8]/Station/BacksightCircle=0.0000|Record[9]/Observation/RecordType=F1|"
     "Record[9]/Observation/PointNumber#0|Record[9]/Observation/SlopeDistance#0|"
     "Record[9]/Observation/Time=09:01:02|Record[10]/Observation/Code=TREE, OAK|"
     "Record[11]/Observation/EmptyCode=true|Record[12]/Observation/RecordType=CP|"
     "Record[12]/Observation/PrismHeight=1.700|Record[12]/Observation/SlopeDistance=80.123|"
     "Record[12]/Observation/ZenithAngle=100.0012|Record[13]/Observation/DesignPoint=D201|"
     "Record[13]/Observation/PrismHeight=1.700|Record[13]/Observation/SlopeDistance=15.000|"
     "Record[13]/Observation/Code=STAKE|Record[14]/Observation/Time=9:05:10|"
     "Record[14]/Observation/Code#0|Record[15]/Point/OrthoHeight=102.000|"
     "Record[15]/Point/Code#0|Record[15]/Point/EmptyCode#0|Record[16]/Other/RecordType=XY|"
     "Record[16]/Other/RecordText=something else|Record[17]/Comment/Text#0|EndOfFile=SUB|"
     "DataFile/LineEnd=CRLF|Record/NoLineEnd#0"},
    // The Ruide's shape: byte order mark, ENZ, DDDMMSS, "VA: Zenith", blanks before times,
    // LF, no final line end.
    {kNikon, "nikon_ruide.raw", nullptr, "",
     "ByteOrderMark=UTF-8|Record#10|Record[3]/Units/AngularUnit=DMS|"
     "Record[6]/Point/RecordType=UP|Record[6]/Point/Easting=651200.410|"
     "Record[6]/Point/Northing=254300.220|Record[6]/Point/Code=code|"
     "Record[7]/Point/EmptyCode=true|Record[9]/Observation/Time=10:12:40|"
     "Record[10]/Observation/ZenithAngle=90.1236|Record[10]/Observation/EmptyCode=true|"
     "DataFile/LineEnd=LF|DataFile/TimeBlank=true|Record/NoLineEnd=true"},
    // Records marked deleted, US feet, "Degrees" for DMS, an empty line, CR line ends.
    {kNikon, "nikon_deleted.raw", nullptr, "",
     "Record#9|Record[2]/Units/LinearUnit=USFeet|Record[3]/Units/AngularUnit=DMS|"
     "Record[3]/Units/UnitWord=Degrees|Record[5]/Deleted=true|"
     "Record[5]/Observation/SlopeDistance#0|Record[5]/Observation/Time=16:13:53|"
     "Record[6]/Deleted#0|Record[6]/Observation/SlopeDistance=99.040|Record[7]/Blank=true|"
     "Record[7]/*#1|Record[8]/Deleted=true|Record[8]/Station/InstrumentHeight=4.075|"
     "DataFile/LineEnd=CR"},
    // Vertical angles from the horizon, mils, YXZ order; shots without a time, with an empty
    // time field, ending after the vertical angle, without a vertical angle; an unknown unit
    // word; CR CR CR LF.
    {kNikon, "nikon_horizon.raw", nullptr, "",
     "Record#11|Record[2]/Units/LinearUnit=Feet|Record[3]/Units/AngularUnit=Mils|"
     "Record[6]/Point/RecordType=MC|Record[6]/Point/Easting=2000.000|"
     "Record[6]/Point/Northing=5000.000|Record/Observation/ZenithAngle#0|"
     "Record[7]/Observation/VerticalAngle=52.12|Record[7]/Observation/Code=SPIGOLO|"
     "Record[7]/Observation/Time#0|Record[8]/Observation/EmptyTime=true|"
     "Record[8]/Observation/Code=CURB|Record[8]/Observation/Time#0|Record[9]/Observation/*#6|"
     "Record[10]/Observation/VerticalAngle#0|Record[10]/Observation/Time=10:00:00|"
     "Record[10]/Observation/Code=WALL|Record[11]/Comment/Text=Dist Units: Chains|"
     "Record[11]/Units#0|DataFile/LineEnd=CRCRCRLF"},
    // A download program's first line, an empty line before the header, a line that is no
    // record, STX, ETX and 0x1A CR LF.
    {kNikon, "nikon_untidy.raw", nullptr, "",
     "StartOfText=STX|Record#6|Record[1]/Other/RecordText=Waiting to receive data...|"
     "Record[1]/Other/RecordType#0|Record[2]/Blank=true|Record[5]/Point/Northing=100.000|"
     "Record[6]/Other/RecordText=this line is no record|EndOfText=ETX|EndOfFile=SUB CR LF|"
     "DataFile/LineEnd=CRLF"},
    // CR line ends and 0x1A LF after the last one: no line is read together with the next.
    {kNikon, "nikon_cr_sub.raw", nullptr, "",
     "Record#4|Record[3]/Point/Easting=20.000|Record[4]/Observation/Code=P|EndOfFile=SUB LF|"
     "DataFile/LineEnd=CR|Record/NoLineEnd#0"},
    // 0x1A right after the last record, then CR LF.
    {kNikon, "nikon_sub_after_last.raw", nullptr, "",
     "Record#3|Record[3]/Observation/Code=P|EndOfFile=SUB CR LF|DataFile/LineEnd=CRLF|"
     "Record/NoLineEnd=true"},
};

TEST(NikonFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(NikonFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(NikonFormat, LinesOfBlanksAreKeptAndWrittenBack) {
  const std::string input = kOwnFormatsDir + "nikon_blank_line.raw";
  EXPECT_EQ(Converted(kNikon, input, kNikon), ReadFile(input));
  if (!SavedDocumentKeepsBlankValues(kNikon, input))
    GTEST_SKIP() << "the saved document loses values made of blanks alone, so the export of "
                    "a reloaded document writes these lines empty";
  ImportAndExport({kNikon, "nikon_blank_line.raw", nullptr, "",
                   "Record#4|Record[2]/Blank=true|Record[2]/Blanks=3|"
                   "Record[4]/RecordText=\t "});
}

// Files that are not Nikon RAW: where the import stops and why.
struct Refused {
  const char* file;  // as FormatCase::file
  const char* diagnosis;
};

const Refused kSharedRefused[] = {
    {"leica_gsi/leica_gsi16_gurob.gsi", "1:1: expected \"CO,\", found \"*11\""},
    {"leica_gsi/leica_gsi8_ertola.gsi", "1:1: expected \"CO,\", found \"110\""},
    {"sokkia_sdr33/sokkia_sdr33_polar.sdr", "1:1: expected \"CO,\", found \"00N\""},
    {"sokkia_sdr33/focus6_1.sdr", "2:1: expected \"CO,\", found \"00N\""},
    {"carlson_rw5/Leica1200.rw5", "1:1: expected \"CO,\", found \"-- \""},
    {"carlson_rw5/pygez_test.rw5", "1:1: expected \"CO,\", found \"JB,\""},
    {"topcon_gts7/jkv.gts7", "1:1: expected \"CO,\", found \"Top\""},
    {"pnezd/topo0.asc", "1:1: expected \"CO,\", found \"1,5\""},
};

const Refused kOwnRefused[] = {
    // Records of a download without the CO header, as an older layout writes them.
    {"nikon_no_header.raw", "1:1: expected \"CO,\", found \"ST,\""},
    {"rw5_small.rw5", "1:1: expected \"CO,\", found \"JB,\""},
    {"rw5_tps1200.rw5", "1:1: expected \"CO,\", found \"-- \""},
    {"rw5_untidy.rw5", "2:1: expected \"CO,\", found \"--E\""},
};

TEST(NikonFormat, FilesOfOtherFormatsAreRefusedOnTheirFirstLine) {
  for (const Refused& c : kOwnRefused) {
    EXPECT_EQ(ImportFailure(kNikon, kOwnFormatsDir + c.file), c.diagnosis) << c.file;
  }
  CP_REQUIRE_SHARED_SAMPLES();
  for (const Refused& c : kSharedRefused) {
    EXPECT_EQ(ImportFailure(kNikon, kSamplesDir + c.file), c.diagnosis) << c.file;
  }
}

TEST(NikonFormat, CoordinatesConvertToPointListsInTheirDeclaredOrder) {
  EXPECT_EQ(PlainLines(Converted(kNikon, kOwnFormatsDir + "nikon_small.raw", "PNEZDComma.xml")),
            "S1,5000.000,2000.000,101.250,PEG\n"
            "S2,5010.500,2020.250,101.125,\n"
            "S3,5100.000,2100.000,102.000\n");
  EXPECT_EQ(PlainLines(Converted(kNikon, kOwnFormatsDir + "nikon_ruide.raw", "PNEZDComma.xml")),
            "K1,254300.220,651200.410,118.300,code\n"
            "K2,254420.500,651350.000,0.000,\n");
  EXPECT_EQ(PlainLines(Converted(kNikon, kOwnFormatsDir + "nikon_horizon.raw", "PENZDTab.xml")),
            "7\t2000.000\t5000.000\t100.000\tNAIL\n");
}

}  // namespace
}  // namespace compoundparser::testing
