// Point lists (PNEZD and PENZD, comma, space and tab) through their bundled definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kMismatch = "FormatParser: Type of element mismatch\n";

const FormatCase kShared[] = {
    {"PNEZDComma.xml", "pnezd/topo0.asc", nullptr, "",
     "Point#1311|Header#0|Point[PointNumber='1312']/Easting=1454763.18098|"
     "Point[PointNumber='1311']/Code=BLDG CORN"},
};

const FormatCase kOwn[] = {
    {"PNEZDComma.xml", "pnezd_comma.csv", nullptr, kMismatch,
     "Point#3|Header#1|Header/HeaderText=P,N,E,Z,D|Point[1]/Code=CTRL PT|"
     "Point[2]/EmptyCode=true|Point[3]/OrthoHeight=99.500"},
    {"PNEZDSpace.xml", "pnezd_space.txt", nullptr, "",
     "Point#3|Header#0|Point[1]/Code=CTRL PT|Point[1]/Easting=3000.000"},
    {"PNEZDTab.xml", "pnezd_tab.txt", nullptr, kMismatch,
     "Point#3|Header#1|Point[2]/Northing=5010.500"},
    {"PENZDComma.xml", "penzd_comma.csv", nullptr, "",
     "Point#3|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000"},
    {"PENZDSpace.xml", "penzd_space.txt", nullptr, kMismatch,
     "Point#3|Header#1|Point[2]/Easting=3020.250"},
    {"PENZDTab.xml", "penzd_tab.txt", "penzd_tab.expected", "",
     "Point#3|Point[3]/Easting=2990.000"},
};

TEST(PointListFormat, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(PointListFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(PointListFormat, ConvertsBetweenOrders) {
  EXPECT_EQ(Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_comma.csv", "PENZDTab.xml"),
            "P,N,E,Z,D\r\n1\t3000.000\t5000.000\t100.000\tCTRL PT\r\n"
            "2\t3020.250\t5010.500\t101.125\t\r\n3\t2990.000\t4990.000\t99.500\r\n");
}

}  // namespace
}  // namespace compoundparser::testing
