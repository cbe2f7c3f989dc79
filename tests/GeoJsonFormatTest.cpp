// GeoJSON points through the bundled definition: the round trip of its own files, the features
// written for point lists and raw data, the values it refuses, and the files read by GDAL.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <tuple>

#include "tests/ExchangeTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kGeoJson = "GeoJSONPoints.xml";

const FormatCase kOwn[] = {
    // With and without elevation, number and code; an empty code; a number with a blank.
    {kGeoJson, "geojson/points.geojson", nullptr, kMismatch,
     "Point#4|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000|Point[1]/OrthoHeight=100.000|"
     "Point[1]/PointNumber=1|Point[1]/Code=CTRL PT|Point[2]/Easting=-3020.250|"
     "Point[2]/Northing=5010.5|Point[2]/OrthoHeight#0|Point[2]/PointNumber=P 2|"
     "Point[2]/EmptyCode=true|Point[2]/Code#0|Point[3]/PointNumber#0|Point[3]/Code=TREE, OAK|"
     "Point[3]/OrthoHeight=-0.500|Point[4]/Easting=2970|Point[4]/PointNumber#0|Point[4]/Code#0|"
     "DataFile/LineEnd=LF"},
    {kGeoJson, "geojson/points_crlf.geojson", nullptr, kMismatch, "Point#4|DataFile/LineEnd=CRLF"},
};

TEST(GeoJsonFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(GeoJsonFormat, AnEmptyCollectionReadsNoPoint) {
  RecordingCallBack recorder;
  auto format = Bundled(kGeoJson, recorder);
  InstrumentData data(*format, &recorder);
  ASSERT_TRUE(data.ParseRead(kOwnFormatsDir + "geojson/empty.geojson", *format))
      << recorder.Lines(kKindError);
  CheckAll(data.GetDocument(), "Point#0|DataFile/LineEnd=LF");
}

// The layout of the features: RFC 7946 order, a comma after each feature but the last; the
// points of raw data in their order, other records and points without both plane coordinates
// passed over.
TEST(GeoJsonFormat, WritesTheFeaturesOfPointListsAndRawData) {
  // The line end is that of the file read (CR LF), as for every line-based format.
  EXPECT_EQ(
      Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_comma.csv", kGeoJson),
      "{\"type\": \"FeatureCollection\", \"features\": [\r\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [3000.000, "
      "5000.000, 100.000]}, \"properties\": {\"PointNumber\": \"1\", \"Code\": \"CTRL PT\"}},\r\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [3020.250, "
      "5010.500, 101.125]}, \"properties\": {\"PointNumber\": \"2\", \"Code\": \"\"}},\r\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [2990.000, "
      "4990.000, 99.500]}, \"properties\": {\"PointNumber\": \"3\"}}\r\n"
      "]}\r\n");
  EXPECT_EQ(
      ExportedFrom(kGeoJson, ReadFile(kOwnFormatsDir + "points_from_raw.xml")),
      "{\"type\": \"FeatureCollection\", \"features\": [\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [512.345, "
      "623.456]}, \"properties\": {\"PointNumber\": \"101\"}},\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [1.000, "
      "2.000, 3.000]}, \"properties\": {}},\n"
      "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [10.000, "
      "20.000, 30.000]}, \"properties\": {\"PointNumber\": \"105\", \"Code\": \"END\"}}\n"
      "]}\n");
}

// Numbers are written as decimal numbers with their decimals: blanks and a lone decimal point
// are not JSON.
TEST(GeoJsonFormat, NumbersAreWrittenAsJsonNumbers) {
  EXPECT_EQ(ExportedFrom(kGeoJson,
                         "<data><Point><Easting> 16.404</Easting><Northing>.5</Northing>"
                         "<OrthoHeight>-.250</OrthoHeight></Point></data>"),
            "{\"type\": \"FeatureCollection\", \"features\": [\n"
            "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": "
            "[16.404, 0.5, -0.250]}, \"properties\": {}}\n]}\n");
}

// Coordinates that are no JSON numbers stop the export, with the message of the check.
TEST(GeoJsonFormat, CoordinatesThatAreNoNumbersStopTheExport) {
  const std::pair<const char*, const char*> points[] = {
      {"<OrthoHeight>1,5</OrthoHeight>", "a decimal comma"},
      {"<OrthoHeight>+1.5</OrthoHeight>", "a plus sign"},
      {"<OrthoHeight>1 000.5</OrthoHeight>", "digit grouping"},
      {"<OrthoHeight>1e3</OrthoHeight>", "an exponent"},
      {"<OrthoHeight>-</OrthoHeight>", "no digits"},
  };
  for (const auto& [value, what] : points) {
    EXPECT_EQ(ExportedFrom(kGeoJson, std::string("<data><Point><Easting>1</Easting>"
                                                 "<Northing>2</Northing>") +
                                         value + "</Point></data>"),
              "<fail> Data does not fit in element\n")
        << what;
  }
}

// Numbers and codes are JSON strings: what JSON escapes is escaped, and read back as it was.
TEST(GeoJsonFormat, StringsAreEscapedAndReadBack) {
  const std::string document =
      "<data><Point><PointNumber>C:\\1</PointNumber><Easting>1</Easting><Northing>2</Northing>"
      "<Code>TOP WALL 18&quot; WI&#9;\xC3\xA9</Code></Point></data>";
  const std::string written = ExportedFrom(kGeoJson, document);
  EXPECT_TRUE(Contains(written,
                       R"("properties": {"PointNumber": "C:\\1", "Code": "TOP WALL 18\" WI\t)"
                       "\xC3\xA9\"}}"));
  const nlohmann::json json = nlohmann::json::parse(written, nullptr, false);
  ASSERT_FALSE(json.is_discarded()) << written;
  EXPECT_EQ(json["features"][0]["properties"]["Code"], "TOP WALL 18\" WI\t\xC3\xA9");
  EXPECT_EQ(json["features"][0]["properties"]["PointNumber"], "C:\\1");

  TempFolder folder;
  RecordingCallBack recorder;
  auto format = Bundled(kGeoJson, recorder);
  InstrumentData data(*format, &recorder);
  ASSERT_TRUE(data.ParseRead(folder.Write("escaped.geojson", written), *format))
      << recorder.Lines(kKindError);
  CheckAll(data.GetDocument(), "Point/PointNumber=C:\\1|Point/Code=TOP WALL 18\" WI\t\xC3\xA9");
}

// GeoJSON written by other programs does not read; the diagnosis names the first difference.
TEST(GeoJsonFormat, OtherLayoutsFail) {
  EXPECT_EQ(ImportFailure(kGeoJson, kOwnFormatsDir + "geojson/foreign.geojson"),
            "1:1: expected \"{\\\"type\\\": \\\"FeatureCollection\\\", \\\"features\\\": [\", "
            "found \"{\\n\\\"type\\\": \\\"FeatureCollection\\\",\\n\\\"name\\\": \\\"poi\"");
  TempFolder folder;
  const std::string noComma = folder.Write(
      "x.geojson",
      "{\"type\": \"FeatureCollection\", \"features\": [\n{\"type\": \"Feature\", \"geometry\": "
      "{\"type\": \"Point\", \"coordinates\": [1 2]}, \"properties\": {}}\n]}\n");
  EXPECT_NE(ImportFailure(kGeoJson, noComma), "<imported>");
}

// What export writes is JSON with the structure of a FeatureCollection (an independent parser).
TEST(GeoJsonFormat, OutputIsAFeatureCollection) {
  const std::string text =
      Converted("PNEZDComma.xml", kOwnFormatsDir + "pnezd_untidy.csv", kGeoJson);
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  ASSERT_FALSE(json.is_discarded()) << text;
  EXPECT_EQ(json.at("type"), "FeatureCollection");
  const nlohmann::json& features = json.at("features");
  ASSERT_EQ(features.size(), 4u);  // the point without northing is passed over
  EXPECT_EQ(features[0].at("geometry").at("coordinates"),
            nlohmann::json::parse("[3000, 5000, 100]"));
  EXPECT_EQ(features[0].at("properties"),
            nlohmann::json::parse(R"({"PointNumber": "1", "Code": "CP"})"));
  EXPECT_EQ(features[2].at("properties"), nlohmann::json::parse(R"({"Code": "NO NUMBER"})"));
  EXPECT_EQ(features[3].at("geometry").at("coordinates"), nlohmann::json::parse("[2970, 4980]"));
}

// GDAL reads the files: each feature with its properties and its geometry.
TEST(GeoJsonFormat, GdalReadsTheFiles) {
  CP_REQUIRE_OGRINFO();
  const std::string listing = Ogrinfo(kOwnFormatsDir + "geojson/points.geojson");
  EXPECT_EQ(LinesStarting(listing, {"OGRFeature", "PointNumber", "Code", "POINT", "exit"}),
            "OGRFeature(points):0\nPointNumber (String) = 1\nCode (String) = CTRL PT\n"
            "POINT Z (3000 5000 100)\n"
            "OGRFeature(points):1\nPointNumber (String) = P 2\nCode (String) = \n"
            "POINT (-3020.25 5010.5)\n"
            "OGRFeature(points):2\nCode (String) = TREE, OAK\nPOINT Z (2990 4990 -0.5)\n"
            "OGRFeature(points):3\nPOINT Z (2970 4980 98)\nexit 0\n")
      << listing;
}

// Every shared raw sample that holds coordinates gives a file that GDAL reads, one feature per
// point with both plane coordinates.
TEST(GeoJsonFormat, GdalReadsThePointsOfTheSharedSamples) {
  CP_REQUIRE_SHARED_SAMPLES();
  CP_REQUIRE_OGRINFO();
  const std::tuple<const char*, const char*, int> samples[] = {
      {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", 33},
      {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", 689},
      {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", 2},
      {"PNEZDComma.xml", "pnezd/topo0.asc", 1311},
  };
  for (const auto& [definition, sample, features] : samples) {
    TempFolder folder;
    const std::string path =
        folder.Write("points.geojson", Converted(definition, kSamplesDir + sample, kGeoJson));
    const std::string listing = Ogrinfo(path);
    EXPECT_EQ(LinesStarting(listing, {"exit"}), "exit 0\n") << sample << "\n" << listing;
    size_t count = 0;
    for (size_t at = listing.find("OGRFeature("); at != std::string::npos;
         at = listing.find("OGRFeature(", at + 1))
      ++count;
    EXPECT_EQ(count, static_cast<size_t>(features)) << sample;
  }
}

}  // namespace
}  // namespace compoundparser::testing
