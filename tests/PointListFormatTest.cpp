// Point lists (PNEZD and PENZD, comma, space and tab) through their bundled definitions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kShared[] = {
    {"PNEZDComma.xml", "pnezd/topo0.asc", nullptr, "",
     "Point#1311|Header#0|Record#0|Point[PointNumber='1312']/Easting=1454763.18098|"
     "Point[PointNumber='1311']/Code=BLDG CORN|Point[1]/Northing=538542.57000|"
     "Point[1]/OrthoHeight=681.31000|Point[EmptyCode]#4|DataFile/LineEnd=CRLF"},
    {"PENZDComma.xml", "pnezd/topo0.asc", nullptr, "",
     "Point#1311|Point[1]/Easting=538542.57000|Point[1]/Northing=1455644.37100"},
};

// Small files of our own, one variant each; the round trip gives the file back, or the
// .expected file beside it where export changes what the definition's comment says.
const FormatCase kOwn[] = {
    // A header, a description with a blank, an empty description, none at all.
    {"PNEZDComma.xml", "pnezd_comma.csv", nullptr, kMismatchTwice,
     "Point#3|Header#1|Header/HeaderText=P,N,E,Z,D|Point[1]/Code=CTRL PT|"
     "Point[2]/EmptyCode=true|Point[2]/Code#0|Point[3]/OrthoHeight=99.500|Point[3]/Code#0|"
     "Point[3]/EmptyCode#0|DataFile/LineEnd=CRLF"},
    {"PNEZDSpace.xml", "pnezd_space.txt", nullptr, "",
     "Point#3|Header#0|Point[1]/Code=CTRL PT|Point[1]/Easting=3000.000|Point[2]/EmptyCode=true|"
     "DataFile/LineEnd=LF"},
    {"PNEZDTab.xml", "pnezd_tab.txt", nullptr, kMismatchTwice,
     "Point#3|Header#1|Point[2]/Northing=5010.500"},
    {"PENZDComma.xml", "penzd_comma.csv", nullptr, "",
     "Point#3|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000"},
    // CR line ends and a header.
    {"PENZDSpace.xml", "penzd_space.txt", nullptr, kMismatch,
     "Point#3|Header#1|Point[2]/Easting=3020.250|DataFile/LineEnd=CR"},
    // No line end after the last point.
    {"PENZDTab.xml", "penzd_tab.txt", nullptr, "",
     "Point#3|Point[3]/Easting=2990.000|Point[3]/NoLineEnd=true|Point[2]/NoLineEnd#0"},
    {"PENZDSpace.xml", "penzd_space_crcrcrlf.txt", nullptr, "",
     "Point#2|DataFile/LineEnd=CRCRCRLF"},
    // A byte order mark, empty fields, an empty line and a line of blanks at the end, 0x1A CR LF.
    {"PNEZDComma.xml", "pnezd_untidy.csv", nullptr, "",
     "ByteOrderMark=UTF-8|Point#5|Point[1]/PointNumber=1|Point[2]/OrthoHeight#0|"
     "Point[2]/EmptyCode=true|Point[3]/PointNumber#0|Point[3]/Code=NO NUMBER|"
     "Point[4]/Northing#0|Point[4]/Easting=2980.000|Point[5]/OrthoHeight#0|Point[5]/EmptyCode#0|"
     "Record[Blank]#2|Record[2]/Blanks=3|EndOfFile=SUB CR LF"},
    // A line that ends in CR before one that ends in CR LF: two points, each read once.
    {"PNEZDComma.xml", "pnezd_mixed_eol.csv", "pnezd_mixed_eol.expected", "",
     "Point#2|Point[1]/PointNumber=P1|Point[1]/Code=A|Point[2]/PointNumber=P2|"
     "DataFile/LineEnd=CRLF"},
    {"PNEZDSpace.xml", "pnezd_mixed_eol.txt", "pnezd_mixed_eol_txt.expected", "",
     "Point#2|Point[1]/PointNumber=P1|Point[1]/Code=A|Point[2]/Easting=5"},
    // An empty line between points is kept, and written after the last point.
    // A description holding a comma is first tried as the rest of a split number.
    {"PNEZDComma.xml", "pnezd_blank_line.csv", "pnezd_blank_line.expected", kMismatch,
     "Point#2|Record[Blank]#1|Point[2]/Code=TREE, OAK"},
    // STX, a quoted description, a last line without line end ended by ETX, then two 0x1A.
    {"PENZDComma.xml", "penzd_comma_framed.csv", nullptr, kMismatch,
     "StartOfText=STX|EndOfText=ETX|EndOfFile=SUB SUB|Point#2|"
     "Point[1]/Code=\"WALL \"\"A\"\", EAST\"|Point[2]/OrthoHeight=101.125|"
     "Point[2]/NoLineEnd=true"},
};

TEST(PointListFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(PointListFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

// A line that is not a point is an error unless it is the first line: a typing mistake in a
// coordinate, a header inside the file, a decimal comma, and files of other formats.
TEST(PointListFormat, LinesThatAreNotPointsFail) {
  const std::tuple<const char*, const char*, const char*> files[] = {
      {"PNEZDComma.xml", "pnezd_typo.csv",
       "3:3: expected a number for element[Northing], found \"5x01.000\""},
      {"PNEZDComma.xml", "pnezd_header_inside.csv",
       "2:3: expected a number for element[Northing], found \"N\""},
      {"PNEZDSpace.xml", "pnezd_decimal_comma.txt", "2:3: expected \" \", found \"5\""},
      // A decimal comma in a comma list: the description would start with the rest of the
      // number.
      {"PNEZDComma.xml", "pnezd_split_decimal.csv", "3:25: expected \".\", found \",\""},
      {"PENZDComma.xml", "pnezd_split_decimal.csv", "3:25: expected \".\", found \",\""},
      {"PENZDSpace.xml", "pnezd_decimal_comma.txt", "2:3: expected \" \", found \"5\""},
      {"PNEZDSpace.xml", "pnezd_comma.csv", "2:34: expected \" \" within 2 bytes, found \"PT\""},
      {"PNEZDTab.xml", "gsi8_points.gsi",
       "2:1: expected \"\\t\" within 64 bytes, found \"110002+00000102 81..00+00512000 "
       "82..00+00623000 \""},
      {"PENZDComma.xml", "gsi16_messy.gsi",
       "1:172: expected \",\" within 145 bytes, found \"*110002+00000000000000P1 "
       "21.022+0000000012345670\""},
  };
  for (const auto& [definition, file, diagnosis] : files) {
    EXPECT_EQ(ImportFailure(definition, kOwnFormatsDir + file), diagnosis)
        << definition << " " << file;
  }
}

// No sample of another format reads as a point list (the comma lists read the PNEZD sample).
TEST(PointListFormat, SamplesOfOtherFormatsFail) {
  CP_REQUIRE_SHARED_SAMPLES();
  const char* const definitions[] = {"PNEZDComma.xml", "PNEZDSpace.xml", "PNEZDTab.xml",
                                     "PENZDComma.xml", "PENZDSpace.xml", "PENZDTab.xml"};
  const char* const samples[] = {
      "leica_gsi/leica_gsi16_gurob.gsi",     "leica_gsi/leica_gsi8_ertola.gsi",
      "sokkia_sdr33/sokkia_sdr33_polar.sdr", "sokkia_sdr33/focus6_1.sdr",
      "nikon_raw/nikon_raw_v200.raw",        "nikon_raw/nikon_dtm.raw",
      "nikon_raw/ruide_group_1_obs.sdr",     "carlson_rw5/Leica1200.rw5",
      "carlson_rw5/pygez_test.rw5",          "topcon_gts7/jkv.gts7",
  };
  for (const char* sample : samples) {
    for (const char* definition : definitions) {
      const std::string diagnosis = ImportFailure(definition, kSamplesDir + sample);
      EXPECT_NE(diagnosis, "<imported>") << definition << " " << sample;
      EXPECT_EQ(diagnosis.find("2147483647"), std::string::npos) << definition << " " << sample;
    }
  }
  for (const char* definition : {"PNEZDSpace.xml", "PNEZDTab.xml", "PENZDSpace.xml"}) {
    EXPECT_NE(ImportFailure(definition, kSamplesDir + "pnezd/topo0.asc"), "<imported>")
        << definition;
  }
}

TEST(PointListFormat, ConvertsBetweenOrders) {
  EXPECT_EQ(Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_comma.csv", "PENZDTab.xml"),
            "P,N,E,Z,D\r\n1\t3000.000\t5000.000\t100.000\tCTRL PT\r\n"
            "2\t3020.250\t5010.500\t101.125\t\r\n3\t2990.000\t4990.000\t99.500\r\n");
  EXPECT_EQ(Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_untidy.csv", "PENZDSpace.xml"),
            "\xEF\xBB\xBF"
            "1 3000.000 5000.000 100.000 CP\r\n2 3020.250 5010.500  \r\n"
            " 2990.000 4990.000 99.500 NO NUMBER\r\n4 2980.000  98.000 NO NORTHING\r\n"
            "5 2970.000 4980.000 \r\n\r\n   \r\n\x1A\r\n");
}

// The points of raw data: each written with an empty field for an element it lacks; a point
// with neither northing nor easting, and the other records, are passed over.
TEST(PointListFormat, ExportsThePointsOfRawData) {
  const std::string input = kOwnFormatsDir + "points_from_raw.xml";
  const std::pair<const char*, const char*> exports[] = {
      {"PNEZDComma.xml",
       "101,623.456,512.345,\r\n,2.000,1.000,3.000\r\nUP4,,656307.390,126.140,code\r\n"
       "105,20.000,10.000,30.000,END\r\n"},
      {"PENZDTab.xml",
       "101\t512.345\t623.456\t\r\n\t1.000\t2.000\t3.000\r\nUP4\t656307.390\t\t126.140\tcode\r\n"
       "105\t10.000\t20.000\t30.000\tEND\r\n"},
  };
  for (const auto& [definition, expected] : exports) {
    RecordingCallBack recorder;
    auto format = Bundled(definition, recorder);
    TempFolder folder;
    InstrumentData data(*format, &recorder);
    ASSERT_TRUE(data.LoadXml(input));
    ASSERT_TRUE(data.ParseWrite(folder.Path("out.txt"), *format)) << recorder.Lines(kKindError);
    data.file.Close();
    EXPECT_EQ(ReadFile(folder.Path("out.txt")), expected) << definition;
  }
}

}  // namespace
}  // namespace compoundparser::testing
