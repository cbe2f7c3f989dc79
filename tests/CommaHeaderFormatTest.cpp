// Comma point lists with a header line (PENZD and PNEZD) through their bundled definitions.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/ExchangeTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kPenzd = "PENZDCommaHeader.xml";
const char* const kPnezd = "PNEZDCommaHeader.xml";

// The header of the format needs no element; another first line is kept and replaced on export.
const FormatCase kOwn[] = {
    {kPenzd, "commaheader/penzd_header.csv", nullptr, kMismatch,
     "Point#3|Header#0|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000|"
     "Point[2]/OrthoHeight#0|Point[2]/EmptyCode=true|Point[3]/PointNumber#0|"
     "Point[3]/Code=TREE, OAK|DataFile/LineEnd=CRLF"},
    {kPnezd, "commaheader/pnezd_header_lf.csv", nullptr, "",
     "Point#3|Header#0|Point[1]/Northing=5000.000|Point[1]/Easting=3000.000|"
     "Point[2]/Code#0|Point[3]/EmptyCode=true|Point[3]/NoLineEnd=true|DataFile/LineEnd=LF"},
    {kPenzd, "commaheader/penzd_no_header.csv", "penzd_no_header.expected", "", "Point#2|Header#0"},
    // The header line is first tried as a point: its easting and its northing are no numbers.
    {kPenzd, "commaheader/penzd_other_header.csv", "penzd_other_header.expected",
     "FormatParser: Type of element mismatch\nFormatParser: Type of element mismatch\n",
     "Point#1|Header/HeaderText=Pt,E,N,Z,Code"},
};

TEST(CommaHeaderFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

// The shared PNEZD sample has no header: export adds it, the rest comes back byte for byte.
TEST(CommaHeaderFormat, SharedSampleGetsTheHeader) {
  CP_REQUIRE_SHARED_SAMPLES();
  const std::string sample = kSamplesDir + "pnezd/topo0.asc";
  EXPECT_EQ(Converted(kPnezd, sample, kPnezd),
            "PointNumber,Northing,Easting,Height,Code\r\n" + ReadFile(sample));
}

// A header that names the columns in the other order is refused where it starts, so that
// northing and easting cannot be swapped; so is a later line that is not a point.
TEST(CommaHeaderFormat, FilesThatDoNotMatchFail) {
  const std::tuple<const char*, const char*, const char*> files[] = {
      {kPenzd, "commaheader/pnezd_header_lf.csv",
       "1:1: expected \"PointNumber,Easting,Northing,Height,Code\", found "
       "\"PointNumber,Northing,Easting,Height,Code\""},
      {kPnezd, "commaheader/penzd_header.csv",
       "1:1: expected \"PointNumber,Northing,Easting,Height,Code\", found "
       "\"PointNumber,Easting,Northing,Height,Code\""},
      {kPnezd, "pnezd_typo.csv",
       "3:3: expected a number for element[Northing], found \"5x01.000\""},
  };
  for (const auto& [definition, file, diagnosis] : files) {
    EXPECT_EQ(ImportFailure(definition, kOwnFormatsDir + file), diagnosis)
        << definition << " " << file;
  }
}

// Conversions write the header of the target: from a list whose own header names another order,
// and from the points of raw data.
TEST(CommaHeaderFormat, ConversionsWriteTheHeaderOfTheTarget) {
  EXPECT_EQ(Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_comma.csv", kPenzd),
            "PointNumber,Easting,Northing,Height,Code\r\n1,3000.000,5000.000,100.000,CTRL PT\r\n"
            "2,3020.250,5010.500,101.125,\r\n3,2990.000,4990.000,99.500\r\n");
  EXPECT_EQ(Converted(kPenzd, kOwnFormatsDir + "commaheader/penzd_header.csv", kPnezd),
            "PointNumber,Northing,Easting,Height,Code\r\n1,5000.000,3000.000,100.000,CTRL PT\r\n"
            "2,5010.500,3020.250,,\r\n,4990.000,2990.000,99.500,TREE, OAK\r\n");
  // The header is the format's own: a headerless list read back gets no header line.
  EXPECT_EQ(Converted(kPenzd, kOwnFormatsDir + "commaheader/penzd_header.csv", "PENZDComma.xml"),
            "1,3000.000,5000.000,100.000,CTRL PT\r\n2,3020.250,5010.500,,\r\n"
            ",2990.000,4990.000,99.500,TREE, OAK\r\n");
}

}  // namespace
}  // namespace compoundparser::testing
