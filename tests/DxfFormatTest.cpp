// DXF points through the bundled definition: the round trip of its own drawings, the entities
// written for point lists and raw data, the text height, the values it refuses, and the
// drawings read by GDAL.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/ExchangeTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kDxf = "DXFPoints.xml";

const FormatCase kOwn[] = {
    // With and without elevation, number and code (layer 0); a code with a comma.
    {kDxf, "dxf/points.dxf", nullptr, "",
     "Point#4|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000|Point[1]/OrthoHeight=100.000|"
     "Point[1]/Code=CTRL PT|Point[1]/PointNumber=1|Point[2]/Code#0|Point[2]/OrthoHeight#0|"
     "Point[2]/PointNumber=P 2|Point[3]/PointNumber#0|Point[3]/Code=TREE, OAK|"
     "Point[4]/Easting=2970|Point[4]/Code#0|Point[4]/PointNumber#0|DataFile/LineEnd=CRLF"},
    {kDxf, "dxf/points_lf.dxf", nullptr, "", "Point#4|DataFile/LineEnd=LF"},
};

TEST(DxfFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

// A POINT and a TEXT per point, on the layer of the code; the points of raw data in their order,
// other records and points without both plane coordinates passed over.
TEST(DxfFormat, WritesTheEntitiesOfPointListsAndRawData) {
  const std::string start = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
  const std::string end = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
  EXPECT_EQ(ExportedFrom(kDxf, ReadFile(kOwnFormatsDir + "points_from_raw.xml")),
            start +
                "  0\r\nPOINT\r\n  8\r\n0\r\n 10\r\n512.345\r\n 20\r\n623.456\r\n"
                "  0\r\nTEXT\r\n  8\r\n0\r\n 10\r\n512.345\r\n 20\r\n623.456\r\n 40\r\n1.0\r\n"
                "  1\r\n101\r\n"
                "  0\r\nPOINT\r\n  8\r\n0\r\n 10\r\n1.000\r\n 20\r\n2.000\r\n 30\r\n3.000\r\n"
                "  0\r\nPOINT\r\n  8\r\nEND\r\n 10\r\n10.000\r\n 20\r\n20.000\r\n 30\r\n30.000\r\n"
                "  0\r\nTEXT\r\n  8\r\nEND\r\n 10\r\n10.000\r\n 20\r\n20.000\r\n 30\r\n30.000\r\n"
                " 40\r\n1.0\r\n  1\r\n105\r\n" +
                end);
}

// The text height is the variable TextHeight; a value it does not declare is taken as 1.
TEST(DxfFormat, TextHeightIsAVariable) {
  const std::string point =
      "<data><Point><PointNumber>7</PointNumber><Easting>1</Easting><Northing>2</Northing>"
      "</Point></data>";
  EXPECT_TRUE(Contains(ExportedFrom(kDxf, point, {{"TextHeight", "2.5"}}), " 40\r\n2.5\r\n"));
  EXPECT_TRUE(Contains(ExportedFrom(kDxf, point, {{"TextHeight", "0.2"}}), " 40\r\n0.2\r\n"));
  EXPECT_TRUE(Contains(ExportedFrom(kDxf, point, {{"TextHeight", "3"}}), " 40\r\n1.0\r\n"));
}

// Coordinates that are no plain numbers stop the export, with the message of the check.
TEST(DxfFormat, CoordinatesThatAreNoNumbersStopTheExport) {
  for (const char* value : {"1,5", "+1.5", "1 000.5", "1e3"}) {
    EXPECT_EQ(ExportedFrom(kDxf, std::string("<data><Point><Easting>1</Easting><Northing>") +
                                     value + "</Northing></Point></data>"),
              "<fail> Data does not fit in element\n")
        << value;
  }
}

// Drawings made by CAD programs, with sections before the entities, do not read.
TEST(DxfFormat, OtherDrawingsFail) {
  EXPECT_EQ(ImportFailure(kDxf, kOwnFormatsDir + "dxf/cad_header.dxf"),
            "4:1: expected \"ENTITIES\", found \"HEADER\\r\\n\"");
}

// GDAL reads the drawings: a point and a text for each point, on the layer of its code.
TEST(DxfFormat, GdalReadsTheFiles) {
  CP_REQUIRE_OGRINFO();
  for (const char* file : {"dxf/points.dxf", "dxf/points_lf.dxf"}) {
    const std::string listing = Ogrinfo(kOwnFormatsDir + file);
    EXPECT_EQ(LinesStarting(listing, {"Layer (String)", "Text (String)", "POINT", "exit"}),
              "Layer (String) = CTRL PT\nPOINT Z (3000 5000 100)\n"
              "Layer (String) = CTRL PT\nText (String) = 1\nPOINT Z (3000 5000 100)\n"
              "Layer (String) = 0\nPOINT (-3020.25 5010.5)\n"
              "Layer (String) = 0\nText (String) = P 2\nPOINT (-3020.25 5010.5)\n"
              "Layer (String) = TREE, OAK\nPOINT Z (2990 4990 -0.5)\n"
              "Layer (String) = 0\nPOINT Z (2970 4980 98)\nexit 0\n")
        << file << "\n"
        << listing;
  }
}

// Every shared sample that holds coordinates gives a drawing that GDAL reads: a POINT for each
// point with both plane coordinates, and a TEXT for each of them that has a number.
TEST(DxfFormat, GdalReadsThePointsOfTheSharedSamples) {
  CP_REQUIRE_SHARED_SAMPLES();
  CP_REQUIRE_OGRINFO();
  const std::tuple<const char*, const char*, int, int> samples[] = {
      {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", 33, 33},
      {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", 689, 689},
      {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", 2, 0},
      {"PNEZDComma.xml", "pnezd/topo0.asc", 1311, 1311},
  };
  for (const auto& [definition, sample, points, texts] : samples) {
    TempFolder folder;
    const std::string path =
        folder.Write("points.dxf", Converted(definition, kSamplesDir + sample, kDxf));
    const std::string listing = Ogrinfo(path);
    EXPECT_EQ(LinesStarting(listing, {"exit"}), "exit 0\n") << sample << "\n" << listing;
    int pointCount = 0;
    int textCount = 0;
    for (size_t at = listing.find("Style = "); at != std::string::npos;
         at = listing.find("Style = ", at + 1)) {
      if (listing.compare(at + 8, 4, "PEN(") == 0) ++pointCount;
      if (listing.compare(at + 8, 6, "LABEL(") == 0) ++textCount;
    }
    EXPECT_EQ(pointCount, points) << sample;
    EXPECT_EQ(textCount, texts) << sample;
  }
}

}  // namespace
}  // namespace compoundparser::testing
