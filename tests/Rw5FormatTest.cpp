// Carlson RW5 files through their bundled definition: each variant read into the right
// elements and written back byte for byte, files of other formats refused on their first
// record, and the points converted to point lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kRw5 = "CarlsonRW5.xml";

const FormatCase kShared[] = {
    // Written by a TPS1200: comments first, feet, "EL " with a blank, --SP points, CR CR CR LF.
    {kRw5, "carlson_rw5/Leica1200.rw5", nullptr, "",
     "Record#32|Record/Observation#10|Record/Comment#6|Record/TargetHeight#10|"
     "Record/Point#2|Record/Units/LinearUnit=Feet|Record/Units/AngularUnit=DMS|"
     "Record/Units/EarthCurvature=1|Record/Job/JobName=MY RW5 JOB|"
     "Record/Point[PointNumber='108']/RecordType=--SP|"
     "Record/Point[PointNumber='108']/OrthoHeight=17.945|"
     "Record/Station/StationNorthing=16556174.237|Record/Station/StationHeight=16.404|"
     "Record/Backsight/BacksightCircle=0.00000|Record/TargetHeight[1]/InstrumentHeight=5.684|"
     "Record/Observation[PointNumber='101']/HorizontalAngle=55.05521|"
     "Record/Observation[PointNumber='101']/Note=LIGHT POLE|"
     "Record/Observation[PointNumber='109']/Note=FENCE|Record[last()]/Comment/Text=JFS |"
     "DataFile/LineEnd=CRCRCRLF|DataFile/ElevationBlank=true"},
    // A French job: angle sets (BD, BR), notes holding commas, CR LF, no final line end.
    {kRw5, "carlson_rw5/pygez_test.rw5", nullptr, "",
     "Record#120|Record/Observation#109|Record/Observation[RecordType='BD']#1|"
     "Record/Observation[RecordType='BR']#1|Record/Units/LinearUnit=Meters|"
     "Record/Station/Note=99,Clou d'arpentage,|"
     "Record/Observation[RecordType='BR']/ZenithAngle=269.3620|"
     "Record/Observation[RecordType='BR']/Note=99,Clou d'arpentage,|"
     "Record/Observation[PointNumber='5000']/HorizontalAngle=128.1359|"
     "Record/Observation[PointNumber='5033']/SlopeDistance=40.161900|"
     "Record[last()]/Comment/Text=P.C. mm Applied: -7.0000 (Sokkia 360:foresight)|"
     "DataFile/LineEnd=CRLF|Record/NoLineEnd=true"},
};

// One variant per file; each comes back byte for byte, or as the file beside it says.
const FormatCase kOwn[] = {
    // SurvCE: metres and gons, every total station record, notes with and without text.
    {kRw5, "rw5_small.rw5", nullptr, "",
     "Record#11|Record[2]/Units/LinearUnit=Meters|Record[2]/Units/AngularUnit=Gons|"
     "Record[2]/Units/ScaleFactor=1.00000000|Record[3]/Point/RecordType=SP|"
     "Record[3]/Point/Easting=3000.000|Record[3]/Point/OrthoHeight=100.000|"
     "Record[3]/Point/Note=CONTROL|Record[4]/Station/StationEasting=3000.000|"
     "Record[4]/Station/Note#0|Record[5]/Backsight/BacksightPoint=2|"
     "Record[5]/Backsight/BacksightBearing=50.00000|Record[6]/TargetHeight/PrismHeight=1.800|"
     "Record[7]/Observation/Note=FENCE, NEW|Record[8]/TargetHeight/InstrumentHeight#0|"
     "Record[8]/TargetHeight/PrismHeight=2.000|Record[9]/Observation/RecordType=TR|"
     "Record[9]/Observation/SlopeDistance=12.345|Record[10]/Observation/RecordType=FD|"
     "Record[10]/Observation/EmptyNote=true|Record[11]/Comment/Text=END |"
     "DataFile/LineEnd=LF|DataFile/ElevationBlank#0"},
    // The TPS1200 shape: comments before JB, feet, "EL " with a blank, --SP, CR CR CR LF.
    {kRw5, "rw5_tps1200.rw5", nullptr, "",
     "Record#11|Record[4]/Units/LinearUnit=Feet|Record[5]/Point/RecordType=--SP|"
     "Record[5]/Point/PointNumber=20|Record[5]/Point/OrthoHeight=20.125|"
     "Record[7]/Station/StationHeight=20.125|Record[10]/Observation/ZenithAngle=90.01200|"
     "Record[11]/Comment/Text=BEG|DataFile/LineEnd=CRCRCRLF|DataFile/ElevationBlank=true"},
    // A GNSS job: a base record kept as text, GPS and --GS records, notes, a line edited by
    // hand.
    {kRw5, "rw5_gnss.rw5", nullptr, "",
     "Record#9|Record[2]/Units/LinearUnit=USFeet|Record[3]/Other/RecordType=BP|"
     "Record[4]/TargetHeight/PrismHeight=2.000000|Record[5]/GnssPoint/PointNumber=1|"
     "Record[5]/GnssPoint/Latitude=47.252546883653|"
     "Record[5]/GnssPoint/Longitude=-9.374022214207|"
     "Record[5]/GnssPoint/EllipsoidHeight=452.271111|Record[5]/GnssPoint/LatitudeUnit=DMS|"
     "Record[5]/GnssPoint/EllipsoidHeightUnit=Meters|Record[5]/GnssPoint/EmptyNote=true|"
     "Record[6]/Point/RecordType=--GS|Record[6]/Point/Northing=1254852.5884|"
     "Record[6]/Point/Easting=2765167.5599|Record[6]/Point/OrthoHeight=403.4886|"
     "Record[7]/Comment/Text=DT11-27-2017|"
     "Record[8]/Comment/Text=HSDV:0.008, VSDV:0.012, STATUS:FIXED, SATS:15|"
     "Record[9]/Comment[string-length(RecordType)=1]#1|"
     "Record[9]/Comment[starts-with(Text, RecordType)]#1|"
     "Record[9]/Comment[substring(Text, 2)='--GS,PN2,edited by hand']#1|"
     "DataFile/LineEnd=CRLF"},
    // Fields in another order and every kind of angle and distance; export writes the usual
    // order. CR line ends.
    {kRw5, "rw5_fields.rw5", "rw5_fields.expected", "",
     "Record#9|Record[1]/Job/JobName=Traverse1|Record[1]/Job/Date=03-05-2004|"
     "Record[3]/Backsight/BacksightPoint#0|Record[3]/Backsight/BacksightBearing=0.00000|"
     "Record[4]/Observation/StationPoint=101|Record[4]/Observation/PointNumber=10|"
     "Record[4]/Observation/AngleLeft=45.3000|Record[4]/Observation/VerticalAngle=2.1500|"
     "Record[4]/Observation/HorizontalDistance=10.000|Record[5]/Observation/Azimuth=120.0000|"
     "Record[5]/Observation/VerticalDistance=1.250|Record[5]/Observation/Note=CE|"
     "Record[6]/Observation/Bearing=N45.3000E|Record[7]/Observation/DeflectionRight=10.0000|"
     "Record[8]/Observation/DeflectionLeft=10.0000|Record[9]/Observation/RecordType=OF|"
     "Record[9]/Observation/PointNumber#0|Record[9]/Observation/SlopeDistance=1.000|"
     "DataFile/LineEnd=CR"},
    // Byte order mark, an empty line first, a record whose angle is not a number and an
    // unknown record (both kept as text), 0x1A LF.
    {kRw5, "rw5_untidy.rw5", nullptr, kMismatchTwice,
     "ByteOrderMark=UTF-8|Record#6|Record[1]/Blank=true|Record[2]/Comment/Text=Exported by hand|"
     "Record[5]/Other/RecordType=SS|"
     "Record[5]/Other/RecordText=OP1,FP2,AR1O.0000,ZE90.0000,SD1.000|"
     "Record[6]/Other/RecordType=CF|EndOfFile=SUB LF|DataFile/LineEnd=CRLF"},
    // A last line without line end, then ETX and 0x1A.
    {kRw5, "rw5_etx_sub.rw5", nullptr, "",
     "Record#3|Record[3]/Observation/SlopeDistance=1.000|EndOfText=ETX|EndOfFile=SUB|"
     "DataFile/LineEnd=LF|Record/NoLineEnd=true"},
    // CR LF, CR and LF lines in one file: each line is one record; export writes the line end
    // of the last line everywhere.
    {kRw5, "rw5_mixed.rw5", "rw5_mixed.expected", "",
     "Record#5|Record[2]/Units/LinearUnit=Meters|Record[3]/Point/OrthoHeight=3.000|"
     "Record[4]/Observation/ZenithAngle=90.0000|Record[5]/Comment/Text=end|"
     "DataFile/LineEnd=CRLF"},
};

TEST(Rw5Format, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(Rw5Format, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(Rw5Format, LinesOfBlanksAreKeptAndWrittenBack) {
  const std::string input = kOwnFormatsDir + "rw5_blank_line.rw5";
  EXPECT_EQ(Converted(kRw5, input, kRw5), ReadFile(input));
  // A line of blanks keeps their number, which a saved document holds too.
  ImportAndExport({kRw5, "rw5_blank_line.rw5", nullptr, "",
                   "Record#3|Record[2]/Blank=true|Record[2]/Blanks=2|Record[2]/RecordText#0"});
}

// Files that are not RW5: where the import stops and why.
struct Refused {
  const char* file;  // as FormatCase::file
  const char* diagnosis;
};

const Refused kSharedRefused[] = {
    {"leica_gsi/leica_gsi16_gurob.gsi", "1:1: expected \"JB,\", found \"*11\""},
    {"leica_gsi/leica_gsi8_ertola.gsi", "1:1: expected \"JB,\", found \"110\""},
    {"sokkia_sdr33/sokkia_sdr33_polar.sdr", "1:1: expected \"JB,\", found \"00N\""},
    {"sokkia_sdr33/focus6_1.sdr", "2:1: expected \"JB,\", found \"00N\""},
    {"nikon_raw/nikon_raw_v200.raw", "1:1: expected \"JB,\", found \"CO,\""},
    {"nikon_raw/nikon_dtm.raw", "1:1: expected \"JB,\", found \"CO,\""},
    {"nikon_raw/ruide_group_1_obs.sdr", "1:1: expected \"JB,\", found \"CO,\""},
    {"topcon_gts7/jkv.gts7", "1:1: expected \"JB,\", found \"Top\""},
    {"pnezd/topo0.asc", "1:1: expected \"JB,\", found \"1,5\""},
};

const Refused kOwnRefused[] = {
    // Shots without the JB or MO record that every RW5 writer puts first.
    {"rw5_no_job.rw5", "1:1: expected \"JB,\", found \"SS,\""},
    {"nikon_small.raw", "1:1: expected \"JB,\", found \"CO,\""},
    {"nikon_untidy.raw", "1:2: expected \"JB,\", found \"Wai\""},
    {"nikon_ruide.raw", "1:4: expected \"JB,\", found \"CO,\""},
};

TEST(Rw5Format, FilesOfOtherFormatsAreRefusedOnTheirFirstRecord) {
  for (const Refused& c : kOwnRefused) {
    EXPECT_EQ(ImportFailure(kRw5, kOwnFormatsDir + c.file), c.diagnosis) << c.file;
  }
  CP_REQUIRE_SHARED_SAMPLES();
  for (const Refused& c : kSharedRefused) {
    EXPECT_EQ(ImportFailure(kRw5, kSamplesDir + c.file), c.diagnosis) << c.file;
  }
}

TEST(Rw5Format, PointsConvertToPointLists) {
  // SP and --SP points; the station and the shots are no points of the file.
  EXPECT_EQ(PlainLines(Converted(kRw5, kOwnFormatsDir + "rw5_small.rw5", "PNEZDComma.xml")),
            "1,5000.000,3000.000,100.000\n");
  EXPECT_EQ(PlainLines(Converted(kRw5, kOwnFormatsDir + "rw5_tps1200.rw5", "PENZDComma.xml")),
            "20,942100.250,16550100.500,20.125\n"
            "21,942150.750,16550200.500,21.500\n");
  // The grid coordinates of a GNSS point come from its --GS line.
  EXPECT_EQ(PlainLines(Converted(kRw5, kOwnFormatsDir + "rw5_gnss.rw5", "PNEZDComma.xml")),
            "1,1254852.5884,2765167.5599,403.4886\n");
}

}  // namespace
}  // namespace compoundparser::testing
