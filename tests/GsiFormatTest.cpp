// Leica GSI-8 and GSI-16 files through their bundled definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

// Values checked against Total Open Station's reading of the same files.
const FormatCase kShared[] = {
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi", nullptr, "",
     "Record[not(Blank)]#343|Record/Observation#343|Record/*/AngularUnit#0|"
     "Record[1]/Observation/PointNumber=GDEM5415|Record[1]/Observation/HorizontalAngle=35.45100|"
     "Record[1]/Observation/HorizontalAngleUnit=DMS|Record[1]/Observation/ZenithAngle=91.17510|"
     "Record[1]/Observation/SlopeDistance=13.825|Record[1]/Observation/PrismHeight=1.300|"
     "Record[1]/Observation/InstrumentHeight=1.324|Record[1]/Observation/PpmConstant=17|"
     "Record[1]/Observation/PrismConstant=0|DataFile/LineEnd=LF"},
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", nullptr, "",
     "Record[not(Blank)]#699|Record/Station#4|Record/Observation#6|Record/Point#689|"
     "Record[1]/Point/Easting=515.836|Record[1]/Point/Northing=525.871|"
     "Record[1]/Point/OrthoHeight=3.079|Record[1]/Point/HorizontalAngle=34.96940|"
     "Record[1]/Point/HorizontalAngleUnit=Gons|Record[1]/Point/Word11=32|"
     "Record[498]/Station/PointNumber=STAZLIB3|Record[498]/Station/StationHeight=-0.588|"
     "Record[498]/Station/InstrumentHeight=1.350|DataFile/LineEnd=CRLF"},
};

// Small files of our own, one variant each, read and written back byte for byte.
const FormatCase kOwn[] = {
    // Every unit digit, CR line ends and an empty line, STX, ETX and 0x1A, a code block.
    {"LeicaGSI16.xml", "gsi16_messy.gsi", nullptr, "",
     "Record[not(Blank)]#7|Record[Blank]#1|Record/Station#1|Record/Observation#3|Record/Point#2|"
     "Record/CodeBlock#1|StartOfText=STX|EndOfText=ETX|EndOfFile=SUB|"
     "Record[1]/Station/StationEasting=1234.5678|"
     "Record[1]/Station/StationEastingUnit=Meters0.1mm|"
     "Record[1]/Station/HorizontalOrientation=45.30000|"
     "Record[1]/Station/HorizontalOrientationUnit=DMS|"
     "Record[2]/Observation/HorizontalAngle=123.45670|"
     "Record[2]/Observation/HorizontalAngleUnit=Gons|Record[2]/Observation/SlopeDistance=12.345|"
     "Record[3]/Observation/HorizontalAngleUnit=Degrees|"
     "Record[3]/Observation/SlopeDistance=12.34567|"
     "Record[3]/Observation/SlopeDistanceUnit=Meters0.01mm|"
     "Record[3]/Observation/HorizontalDistance=12.3456|"
     "Record[3]/Observation/HorizontalDistanceUnit=Feet0.0001|"
     "Record[3]/Observation/VerticalDistance=-0.123|"
     "Record[3]/Observation/VerticalDistanceUnit=Feet|"
     "Record[5]/Observation/ZenithAngle=1600.0000|Record[5]/Observation/ZenithAngleUnit=Mils|"
     "Record[6]/Point/PointNumber=P4|Record[6]/Point/OrthoHeight=-1.234|"
     "Record[6]/Point/Code=TREE|Record[6]/Point/Remark2=OAK|Record[7]/Point/Northing=700.000|"
     "Record[7]/Point/Word2=83|Record[7]/Point/Word4=82|"
     "Record[8]/CodeBlock/Code=7|Record[8]/CodeBlock/Attribute1=HEDG|DataFile/LineEnd=CR"},
    {"LeicaGSI8.xml", "gsi8_points.gsi", nullptr, "",
     "Record/Point#3|Record[3]/Point/EastingUnit=Feet|Record[3]/Point/Easting=1000.000|"
     "Record[2]/Point/OrthoHeight=-0.010|Record[3]/Point/NoLineEnd=true"},
    // No blank after the last word of a line.
    {"LeicaGSI16.xml", "gsi16_no_final_blank.gsi", nullptr, "",
     "Record/Point#2|Record[1]/Point/PointNumber=9001|Record[1]/Point/Easting=698460.332|"
     "Record[1]/Point/Northing=173419.641|Record[1]/Point/OrthoHeight=-0.092|"
     "Record[1]/Point/NoFinalBlank=true|DataFile/LineEnd=LF"},
    // Two blanks after the last word of a line.
    {"LeicaGSI16.xml", "gsi16_final_blanks.gsi", nullptr, "",
     "Record/Point#2|Record[1]/Point/FinalBlanks=2|Record[2]/Point/FinalBlanks#0|"
     "Record[1]/Point/NoFinalBlank#0"},
    // A user format mask: two information characters, two blanks before 88.
    {"LeicaGSI16.xml", "gsi16_user_mask.gsi", nullptr, "",
     "Record/Station#1|Record/Observation#1|Record[1]/Station/StationHeight=200.000|"
     "Record[1]/Station/StationHeightInfo=..|Record[1]/Station/StationHeightUnit#0|"
     "Record[1]/Station/Gap6=2|Record[1]/Station/NoFinalBlank=true|"
     "Record[2]/Observation/HorizontalAngle=123.45670|Record[2]/Observation/Word6=88|"
     "Record[2]/Observation/InstrumentHeight=1.450"},
    // GSI-8 and GSI-16 lines in one file, read by the definition of the first.
    {"LeicaGSI16.xml", "gsi16_mixed.gsi", nullptr, "",
     "Record[1]/Station/WordLength=16|Record[2]/Observation/WordLength=8|"
     "Record[2]/Observation/PointNumber=P101|Record[2]/Observation/HorizontalAngle=123.45670|"
     "Record[3]/Point/WordLength=16|Record[3]/Point/Easting=512.345"},
    {"LeicaGSI8.xml", "gsi8_mixed.gsi", nullptr, "",
     "Record[1]/Station/WordLength=8|Record[1]/Station/StationEasting=100.000|"
     "Record[2]/Observation/WordLength=16|Record[2]/Observation/SlopeDistance=12.345|"
     "Record[3]/Point/WordLength=8"},
    // A point without its height word, and one whose height is dashes: both stay points.
    {"LeicaGSI8.xml", "gsi8_no_height.gsi", nullptr, "FormatParser: Type of element mismatch\n",
     "Record/Point#3|Record[1]/Point/OrthoHeight#0|Record[2]/Point/OrthoHeight#0|"
     "Record[2]/Point/Word/WordIndex=83|Record[2]/Point/Word/WordInfo=..00|"
     "Record[2]/Point/Word/WordValue=+000-----|Record[2]/Point/Word4#0|"
     "Record[3]/Point/OrthoHeight=1.234|Record[3]/Point/Code=-----"},
    // A byte order mark, an empty line, a line of blanks and 0x1A CR LF.
    {"LeicaGSI8.xml", "gsi8_untidy.gsi", nullptr, "",
     "ByteOrderMark=UTF-8|Record/Point#2|Record[Blank]#2|Record[3]/Blanks=3|"
     "EndOfFile=SUB CR LF|Record[4]/Point/OrthoHeight=-0.010"},
    // Several blocks on one line: a new block at each word 11.
    {"LeicaGSI8.xml", "gsi8_blocks_one_line.gsi", nullptr, "",
     "Record/Observation#3|Record[1]/Observation/NoLineEnd=true|Record[2]/Observation/NoLineEnd#0|"
     "Record[2]/Observation/PointNumber=2|Record[2]/Observation/SlopeDistance=22.345|"
     "Record[3]/Observation/PointNumber=3"},
    // A code block; a level reading (its height word makes it a Point) with a word index of
    // three digits; a comment line; a block of a point number and a word without a name.
    {"LeicaGSI16.xml", "gsi16_codes_levels.gsi", nullptr, "",
     "Record[1]/CodeBlock/Code=2|Record[1]/CodeBlock/BlockNumber=0001|"
     "Record[1]/CodeBlock/Attribute1=STN4|Record[1]/CodeBlock/Attribute2=1540|"
     "Record[2]/Point/HorizontalDistance=1.23456|Record[2]/Point/Word3#0|"
     "Record[2]/Point/Word/WordIndex=33|Record[2]/Point/Word/WordInfo=1.08|"
     "Record[2]/Point/OrthoHeight=123.45678|Record[3]/Comment/Text=! checked in the field|"
     "Record[4]/Block/Word/WordIndex=95"},
    // CR line ends, STX, ETX and two 0x1A.
    {"LeicaGSI8.xml", "gsi8_cr_framed.gsi", nullptr, "",
     "StartOfText=STX|EndOfText=ETX|EndOfFile=SUB SUB|Record/Point#2|"
     "Record[2]/Point/EastingUnit=Feet|DataFile/LineEnd=CR"},
    {"LeicaGSI16.xml", "gsi16_crcrcrlf.gsi", nullptr, "",
     "Record/Point#2|DataFile/LineEnd=CRCRCRLF"},
};

TEST(GsiFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(GsiFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

// Files that are not GSI files of the definition's word length, and faulty GSI lines: the
// diagnosis names the place and what was expected there.
TEST(GsiFormat, OtherFilesFailWithTheirPlace) {
  const std::string diagnostics = std::string(CP_TEST_DATA_DIR) + "/diagnostics/";
  const std::tuple<const char*, std::string, const char*> files[] = {
      {"LeicaGSI8.xml", diagnostics + "wrong-record-marker.gsi",
       "2:33: expected a number for element[WordIndex], found \"8A\""},
      {"LeicaGSI8.xml", diagnostics + "line-too-long.gsi", "2:16: expected \" \", found \"2\""},
      {"LeicaGSI16.xml", kOwnFormatsDir + "gsi8_points.gsi", "1:1: expected \"*\", found \"1\""},
      {"LeicaGSI8.xml", kOwnFormatsDir + "gsi16_mixed.gsi",
       "1:1: expected a number for element[WordIndex], found \"*1\""},
      {"LeicaGSI16.xml", kOwnFormatsDir + "pnezd_comma.csv", "1:1: expected \"*\", found \"P\""},
  };
  for (const auto& [definition, file, diagnosis] : files) {
    EXPECT_EQ(ImportFailure(definition, file), diagnosis) << file;
  }
}

// No sample of another format reads as GSI, and neither GSI sample reads through the
// definition of the other word length.
TEST(GsiFormat, SamplesOfOtherFormatsFail) {
  CP_REQUIRE_SHARED_SAMPLES();
  const std::pair<const char*, const char*> samples[] = {
      {"LeicaGSI8.xml", "leica_gsi/leica_gsi16_gurob.gsi"},
      {"LeicaGSI16.xml", "leica_gsi/leica_gsi8_ertola.gsi"},
      {"", "sokkia_sdr33/sokkia_sdr33_polar.sdr"},
      {"", "sokkia_sdr33/focus6_1.sdr"},
      {"", "nikon_raw/nikon_raw_v200.raw"},
      {"", "nikon_raw/nikon_dtm.raw"},
      {"", "nikon_raw/ruide_group_1_obs.sdr"},
      {"", "carlson_rw5/Leica1200.rw5"},
      {"", "carlson_rw5/pygez_test.rw5"},
      {"", "topcon_gts7/jkv.gts7"},
      {"", "pnezd/topo0.asc"},
  };
  for (const auto& [only, sample] : samples) {
    for (const char* definition : {"LeicaGSI16.xml", "LeicaGSI8.xml"}) {
      if (*only != '\0' && std::string(only) != definition) continue;
      const std::string diagnosis = ImportFailure(definition, kSamplesDir + sample);
      EXPECT_NE(diagnosis, "<imported>") << definition << " " << sample;
      EXPECT_EQ(diagnosis.find("2147483647"), std::string::npos) << definition << " " << sample;
    }
  }
}

// Exports `document` (below tests/data/formats/) through the bundled `definition`.
std::string Exported(const std::string& definition, const std::string& document) {
  RecordingCallBack recorder;
  auto format = Bundled(definition, recorder);
  TempFolder folder;
  InstrumentData data(*format, &recorder);
  if (!data.LoadXml(kOwnFormatsDir + document)) return "<fail> " + recorder.Lines(kKindError);
  if (!data.ParseWrite(folder.Path("out.gsi"), *format))
    return "<fail> " + recorder.Lines(kKindError);
  data.file.Close();
  return ReadFile(folder.Path("out.gsi"));
}

// A document from elsewhere: the words in the fixed order, the group's unit where a value has
// none of its own, else metres and gon, the word length of the definition; the Units record
// is passed over.
TEST(GsiFormat, DocumentsFromElsewhereExport) {
  EXPECT_EQ(Exported("LeicaGSI16.xml", "gsi_foreign.xml"),
            "*11....+0000000000000ST1 84...0+0000000001000000 85...0+0000000002000000 "
            "88...0+0000000000001500 \r\n"
            "*11....+00000000000000P1 21...3+0000000012345670 22...3+0000000009000000 "
            "31...0+0000000000012345 71....+000000000000TREE \r\n"
            "*11....+00000000000000P2 81...1+0000000000512345 82...1+0000000000623456 "
            "83...1+0000000000001234 \r\n");
  EXPECT_EQ(Exported("LeicaGSI8.xml", "gsi_foreign.xml"),
            "11....+00000ST1 84...0+01000000 85...0+02000000 88...0+00001500 \r\n"
            "11....+000000P1 21...3+12345670 22...3+09000000 31...0+00012345 71....+0000TREE \r\n"
            "11....+000000P2 81...1+00512345 82...1+00623456 83...1+00001234 \r\n");
}

// The points of GSI files written as point lists: only the Point records become points, each
// with an empty field for an element it lacks; empty lines stay where they were.
TEST(GsiFormat, PointsConvertToPointLists) {
  EXPECT_EQ(Converted("LeicaGSI16.xml", kOwnFormatsDir + "gsi16_messy.gsi", "PNEZDComma.xml"),
            "\x02\rP4,623.456,512.345,-1.234,TREE\rP5,700.000,800.000,0.100,WALL\r\x03\x1A");
  EXPECT_EQ(Converted("LeicaGSI8.xml", kOwnFormatsDir + "gsi8_points.gsi", "PENZDSpace.xml"),
            "101 512.345 623.456 1.234 7\r\n102 512.000 623.000 -0.010\r\n"
            "103 1000.000 2000.000 3.000");
  EXPECT_EQ(Converted("LeicaGSI8.xml", kOwnFormatsDir + "gsi8_no_height.gsi", "PNEZDComma.xml"),
            "101,623.456,512.345,\r\n102,623.000,512.000,\r\n103,624.000,513.000,1.234,-----\r\n");
  if (!std::filesystem::is_directory(kSamplesDir)) return;
  const std::string points =
      Converted("LeicaGSI8.xml", kSamplesDir + "leica_gsi/leica_gsi8_ertola.gsi", "PNEZDComma.xml");
  EXPECT_EQ(points.substr(0, 54), "1,525.871,515.836,3.079,1\r\n2,528.710,510.231,2.716,1\r\n");
  EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 689);
}

}  // namespace
}  // namespace compoundparser::testing
