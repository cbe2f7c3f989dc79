// The custom format generators: golden definitions of all three, the texts
// that the point generator writes for its options, its files, and round
// trips of data through generated definitions.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "custom/CustomFormat.h"
#include "custom/CustomVectorFormat.h"
#include "custom/TSRawCustomFormat.h"
#include "host/CodePage.h"
#include "tests/CustomFormatTestSupport.h"

namespace compoundparser {
namespace {

using testing::Contains;

using customtest::CountOf;
using customtest::CustomTestFile;
using customtest::Outcome;
using customtest::ReadFile;
using customtest::RecordingCallBack;
using customtest::TempFolder;

// Generates a definition named "F" for all files; the options default to off.
CustomFormat Make(const std::string& path, const std::vector<std::string>& fields,
                  const char* delimiter = "2C", int32_t latLon = -1, bool controlCodes = false,
                  bool attributes = false) {
  return CustomFormat(path, "F", "*.*", delimiter, latLon, false, controlCodes, attributes, fields);
}

// Returns the text generated for `fields` with a comma and no options.
std::string TextFor(const std::vector<std::string>& fields, int32_t latLonFormat = -1) {
  TempFolder dir;
  CustomFormat format = Make(dir.Path("f.xml"), fields, "2C", latLonFormat);
  EXPECT_TRUE(format.IsWritten()) << format.GetError();
  return format.GetText();
}

// Writes a generated definition to `path` and returns its Outcome().
using Generator = std::string (*)(const std::string& path);

const std::vector<std::string> kCodedPoints = {"PointNumber", "Northing", "Easting", "Elevation",
                                               "FullCodes"};
const std::vector<std::string> kObservations = {"PointNumber", "HorizontalAngle", "ZenithAngle",
                                                "SlopeDistance", "ControlCode"};

const struct {
  const char* golden;
  Generator generate;
} kGolden[] = {
    {"points_grid.xml",
     [](const std::string& p) {
       return Outcome(CustomFormat(p, "Grid Points", "*.csv", "2C", -1, false, false, false,
                                   {"PointNumber", "Northing", "Easting", "Elevation"}));
     }},
    {"points_geo_codes.xml",
     [](const std::string& p) {
       return Outcome(
           CustomFormat(p, "Geo Points", "*.txt", "20", 3, true, true, true,
                        {"PointNumber", "Latitude", "Longitude", "EllHeight", "FullCodes"}));
     }},
    {"points_simple_codes.xml",
     [](const std::string& p) {
       return Outcome(CustomFormat(p, "Mixed", "*.dat", "09", 1, false, false, false,
                                   {"X", "Latitude", "Code", "FullCodes"}));
     }},
    {"vector_plain.xml",
     [](const std::string& p) {
       return Outcome(CustomVectorFormat(p, "Vectors", "*.vec", "2C", false, false,
                                         {"DX", "DY", "DZ", "Note"}));
     }},
    {"vector_codes.xml",
     [](const std::string& p) {
       return Outcome(CustomVectorFormat(p, "Vectors Codes", "*.gps", "20", true, true,
                                         {"BaseAntennaHeight", "DX", "Remark", "FullCodes"}));
     }},
    {"vector_simple_codes.xml",
     [](const std::string& p) {
       return Outcome(
           CustomVectorFormat(p, "Tab Vectors", "*.tab", "09", false, false, {"DX", "FullCodes"}));
     }},
    {"tsraw_observations.xml",
     [](const std::string& p) {
       return Outcome(TSRawCustomFormat(p, "Raw Obs", "*.raw", "2C", kObservations));
     }},
    {"tsraw_empty.xml",
     [](const std::string& p) {
       return Outcome(TSRawCustomFormat(p, "Empty Raw", "*.*", "20", {}));
     }},
    {"tsraw_tab.xml",
     [](const std::string& p) {
       return Outcome(TSRawCustomFormat(p, "Tab Raw", "*.tsr", "09",
                                        {"ControlCode2", "InstrumentHeight", "Note"}));
     }},
};

TEST(GeneratorGolden, WritesExpectedFilesThatLoad) {
  for (const auto& c : kGolden) {
    SCOPED_TRACE(c.golden);
    TempFolder dir;
    const std::string path = dir.Path("generated.xml");
    const std::string expected = ReadFile(CustomTestFile(c.golden));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(c.generate(path), expected);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"generated.xml"});  // no temporary left
    RecordingCallBack callBack;
    EXPECT_TRUE(customtest::LoadsAsDefinition(path, callBack)) << callBack.Lines();
  }
}

TEST(CustomFormatText, CoordinateSystemFollowsStrongestCoordinates) {
  const struct {
    std::vector<std::string> fields;
    const char* coordSystem;
  } cases[] = {
      {{"X", "Y", "Z"}, "XYZ"},         {{"X", "Easting"}, "Grid"},
      {{"Easting", "X"}, "Grid"},       {{"Latitude", "X"}, "BLH"},
      {{"X", "Longitude"}, "BLH"},      {{"Northing", "Latitude"}, "Grid"},
      {{"Latitude", "Northing"}, "Grid"}, {{"PointNumber", "Code"}, "Grid"},
      {{}, "Grid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.coordSystem);
    const std::string cs = c.coordSystem;
    EXPECT_TRUE(Contains(TextFor(c.fields), "<variable id=\"CoordSystem\" default=\"" + cs +
                                                "\">\r\n      <value id=\"" + cs +
                                                "\"/>\r\n    </variable>"));
  }
}

TEST(CustomFormatText, LatLonFormatSetsVariableAndAngleType) {
  const struct {
    int32_t latLonFormat;
    const char* defaultValue;  // nullptr: no LatLonFormat variable
    const char* angleType;
  } cases[] = {
      {-1, nullptr, "degree"},   {0, "Strict", "degree"}, {1, "DecDegree", "double"},
      {2, "SpaceSep", "degree"}, {3, "NoSep", "degree"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.latLonFormat);
    const std::string text = TextFor({"Latitude", "Longitude", "H"}, c.latLonFormat);
    if (c.defaultValue == nullptr) {
      EXPECT_FALSE(Contains(text, "LatLonFormat"));
    } else {
      EXPECT_TRUE(Contains(
          text, std::string("<variable id=\"LatLonFormat\" default=\"") + c.defaultValue + "\">"));
    }
    EXPECT_EQ(CountOf(text, std::string("type=\"") + c.angleType + "\""), 2u);
  }
}

TEST(CustomFormatText, LastFieldIsUntypedAndLineEndsAreCrLf) {
  const std::string text = TextFor({"X", "Y", "Z"});
  EXPECT_TRUE(Contains(text, "<element id=\"Y\" type=\"double\"/>"));
  EXPECT_FALSE(Contains(text, "<element id=\"Z\" type="));
  EXPECT_EQ(CountOf(text, "<element id=\"Z\"/>"), 2u);
  EXPECT_EQ(CountOf(text, "\n"), CountOf(text, "\r\n"));
  EXPECT_FALSE(Contains(text, "0d0a"));  // hex in capitals
}

TEST(CustomFormatText, SpaceAbsorberFollowsEveryFieldButLastAndCodes) {
  const struct {
    const char* delimiter;
    std::vector<std::string> fields;
    size_t absorbers;
  } cases[] = {
      {"20", {"PointNumber", "Northing", "Code", "Elevation"}, 3},
      {"20", {"Code", "PointNumber"}, 2},    // a last PointNumber keeps its block
      {"20", {"Northing", "FullCodes"}, 2},  // one in the field list, one in FeatureCode
      {"2C", {"PointNumber", "Northing", "Code", "Elevation"}, 0},
      {"2C", {"Northing", "FullCodes"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields.size());
    TempFolder dir;
    EXPECT_EQ(CountOf(Make(dir.Path("f.xml"), c.fields, c.delimiter).GetText(),
                      "<repeat writecount=\"1\">"),
              c.absorbers);
  }
}

TEST(CustomFormatText, CodeSubstitutesOnlyForLastFullCodes) {
  const struct {
    std::vector<std::string> fields;
    bool controlCodes;
    bool attributes;
    const char* featureCodeUses;  // nullptr: no code substitutes
  } cases[] = {
      {{"PointNumber", "FullCodes"}, false, false, "CodeStringControl"},
      {{"PointNumber", "FullCodes"}, true, false, "CodeStringControl"},
      {{"PointNumber", "FullCodes"}, false, true, "Feature"},
      {{"FullCodes", "PointNumber"}, true, true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.controlCodes) + std::to_string(c.attributes));
    TempFolder dir;
    const std::string path = dir.Path("f.xml");
    const CustomFormat format = Make(path, c.fields, "2C", -1, c.controlCodes, c.attributes);
    const std::string& text = format.GetText();
    EXPECT_EQ(CountOf(text, "<subst id=\"FeatureCode\"/>"), 1u);
    if (c.featureCodeUses == nullptr) {
      EXPECT_EQ(text.find("<substitute id="), text.find("<substitute id=\"Fields\">"));
      // FullCodes that is not last leaves FeatureCode undefined: the definition fails to load.
      ASSERT_TRUE(format.IsWritten());
      RecordingCallBack callBack;
      EXPECT_FALSE(customtest::LoadsAsDefinition(path, callBack));
      EXPECT_TRUE(callBack.Has("Substitute with id='FeatureCode' not found")) << callBack.Lines();
      continue;
    }
    EXPECT_TRUE(Contains(text, "<substitute id=\"CodeStringControl\">"));
    EXPECT_EQ(text.find("<substitute id=\"Feature\">") != std::string::npos, c.attributes);
    EXPECT_EQ(text.find("ControlCode2") != std::string::npos, c.controlCodes);
    EXPECT_EQ(CountOf(text, std::string("<subst id=\"") + c.featureCodeUses + "\"/>"), 2u);
    EXPECT_TRUE(
        Contains(text, std::string("<terminated MaxWidth=\"500\">\r\n          <subst id=\"") +
                           c.featureCodeUses + "\"/>"));
  }
}

TEST(CustomFormatText, NameAndMaskAreWrittenUnchangedAndEncodingFollowsCodePage) {
  TempFolder dir;
  CustomFormat format(dir.Path("f.xml"), "A&B <x>", "*.\"t\"", "2C", -1, false, false, false,
                      {"PointNumber"});
  EXPECT_TRUE(
      Contains(format.GetText(), "<format type=\"Points\" name=\"A&B <x>\" FileMask=\"*.\"t\"\">"));
  EXPECT_EQ(format.GetText().rfind("<?xml version=\"1.0\"?>\r\n", 0), 0u);
  const std::string before = CodePageName();
  if (!SetCodePage("CP932")) GTEST_SKIP() << "iconv does not know CP932 here";
  const CustomFormat shiftJis = Make(dir.Path("g.xml"), {"X"});
  if (!SetCodePage(before)) SetCodePage("");
  EXPECT_EQ(shiftJis.GetText().rfind("<?xml version=\"1.0\" encoding=\"Shift-JIS\"?>\r\n", 0), 0u);
}

TEST(CustomFormatFile, FailedGenerationWritesNothing) {
  const struct {
    const char* path;
    int32_t latLon;
    const char* errorPart;
  } cases[] = {{"missing/sub/f.xml", -1, "missing/sub/f.xml"}, {"f.xml", 4, "out of range"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TempFolder dir;
    const CustomFormat format = Make(dir.Path(c.path), {"PointNumber", "Latitude"}, "2C", c.latLon);
    EXPECT_FALSE(format.IsWritten());
    EXPECT_TRUE(Contains(format.GetError(), c.errorPart));
    EXPECT_TRUE(dir.Names().empty());
  }
}

TEST(CustomFormatFile, ReplacesExistingFileAndSavesElsewhere) {
  TempFolder dir;
  const std::string path = dir.Path("f.xml");
  testing::WriteFile(path, std::string(100000, 'x'));
  CustomFormat format = Make(path, {"PointNumber", "Code"});
  ASSERT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadFile(path), format.GetText());
  format.Save(dir.Path("copy.xml"));
  EXPECT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadFile(dir.Path("copy.xml")), format.GetText());
  format.Save(dir.Path("none/copy.xml"));
  EXPECT_FALSE(format.IsWritten());
  EXPECT_NE(format.GetError(), "");

  CustomFormat failed = Make(dir.Path("none/f.xml"), {}, "2C", 9);
  failed.Save(dir.Path("later.xml"));
  EXPECT_FALSE(failed.IsWritten());
  // A definition that could not be written at first can be saved elsewhere.
  CustomVectorFormat vectors(dir.Path("none/v.xml"), "V", "*.*", "2C", false, false, {"DX"});
  EXPECT_FALSE(vectors.IsWritten());
  EXPECT_NE(vectors.GetError(), "");
  vectors.Save(dir.Path("v.xml"));
  EXPECT_TRUE(vectors.IsWritten()) << vectors.GetError();
  EXPECT_EQ(ReadFile(dir.Path("v.xml")), vectors.GetText());
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"copy.xml", "f.xml", "v.xml"}));
}

TEST(CustomFormatFile, CopiesKeepTextAndOutcome) {
  TempFolder dir;
  CustomFormat first = Make(dir.Path("a.xml"), {"X"});
  CustomFormat second = Make(dir.Path("none/b.xml"), {"Y"});
  CustomFormat copy(first);
  EXPECT_EQ(copy.GetText(), first.GetText());
  EXPECT_TRUE(copy.IsWritten());
  copy = second;
  EXPECT_EQ(copy.GetText(), second.GetText());
  EXPECT_FALSE(copy.IsWritten());
  EXPECT_EQ(copy.GetError(), second.GetError());
  CustomFormat& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.GetText(), second.GetText());
  EXPECT_TRUE(copy.GetDocument() == second.GetDocument());
}

TEST(GeneratorRoundTrip, DataComesBackThroughGeneratedDefinitions) {
  const struct {
    const char* name;
    Generator generate;
    std::string data;
    const char* output;  // the export: nullptr for the data itself, "" when the import fails
    std::vector<const char*> pieces;  // in the imported document
    std::vector<std::pair<const char*, size_t>> counts;
    const char* golden = nullptr;  // the definition, when `generate` is nullptr
  } cases[] = {
      {"points with codes and attributes",
       [](const std::string& p) {
         return Outcome(
             CustomFormat(p, "Coded Points", "*.csv", "2C", -1, false, true, true, kCodedPoints));
       },
       ReadFile(CustomTestFile("points_codes.csv")),
       nullptr,
       {"<Code>TREE</Code>", "<String>oak</String>", "<ControlCode>C1</ControlCode>",
        "<ControlCode2>X9</ControlCode2>", "<Name>Species</Name>", "<Value>oak</Value>",
        "<Type>INT</Type>", "<Value>5</Value>", "<Type>DATE</Type>", "<Value>2020-01-02</Value>",
        "<Northing>1001.250</Northing>", "<Easting>7</Easting>"},
       {{"<Feature>", 3}, {"<ListValue>", 2}, {"<Point>", 3}}},
      {"header and runs of spaces",
       [](const std::string& p) {
         return Outcome(CustomFormat(p, "Spaced", "*.txt", "20", -1, true, false, false,
                                     {"PointNumber", "Northing", "Easting", "Elevation"}));
       },
       "Name N E H\r\nP1   10.5 20.25  3.0\r\n\r\nP2 1 2 3\n",
       "Name N E H\r\nP1 10.5 20.25 3.0\r\nP2 1 2 3\r\n",
       {"<Header>Name N E H</Header>"},
       {{"<Point>", 2}}},
      // The generated definitions are the golden files.
      {"vectors with project header",
       nullptr,
       ReadFile(CustomTestFile("vectors.vec")),
       nullptr,
       {"<DistanceUnitIndicator>Feet</DistanceUnitIndicator>", "<Note>rover 7</Note>"},
       {{"<Vector>", 2}},
       "vector_plain.xml"},
      // Lone line feeds are not line ends.
      {"vectors with line feeds",
       [](const std::string& p) {
         return Outcome(
             CustomVectorFormat(p, "Vectors", "*.vec", "2C", false, false, {"DX", "DY"}));
       },
       "1.0,2.0\n3.0,4.0\n",
       "",
       {},
       {}},
      // The empty line is read but not written back.
      {"observations with control codes",
       nullptr,
       ReadFile(CustomTestFile("observations.raw")),
       "P1,123.4530,90.0000,25.123,BS,\r\nP2,10.0000,,12.5,,\r\n",
       {"<ControlCode>BS</ControlCode>"},
       {{"<Observation>", 2}, {"<CTL>", 1}},
       "tsraw_observations.xml"},
      {"observations with line feeds",
       [](const std::string& p) {
         return Outcome(
             TSRawCustomFormat(p, "Raw", "*.raw", "2C", {"PointNumber", "SlopeDistance"}));
       },
       "P1,1.0,\nP2,2.0,\n",
       "",
       {},
       {}},
      {"observations with line ends",
       [](const std::string& p) {
         return Outcome(
             TSRawCustomFormat(p, "Raw", "*.raw", "2C", {"PointNumber", "SlopeDistance"}));
       },
       "P1,1.0,\r\nP2,2.0,\r\n",
       nullptr,
       {},
       {{"<Observation>", 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string definition = c.golden ? CustomTestFile(c.golden) : dir.Path("definition.xml");
    if (c.generate) {
      ASSERT_EQ(c.generate(definition).find("<?xml"), 0u);
    }
    ASSERT_FALSE(c.data.empty());
    const auto trip = customtest::ImportAndExport(definition, c.data, dir);
    ASSERT_TRUE(trip.loaded) << trip.messages;
    const bool imports = c.output == nullptr || *c.output != '\0';
    ASSERT_EQ(trip.imported, imports) << trip.messages;
    if (!imports) continue;
    EXPECT_TRUE(trip.exported) << trip.messages;
    EXPECT_EQ(trip.output, c.output ? c.output : c.data);
    for (const char* piece : c.pieces) {
      EXPECT_TRUE(Contains(trip.document, piece)) << piece;
    }
    for (const auto& [element, count] : c.counts) {
      EXPECT_EQ(CountOf(trip.document, element), count) << element;
    }
  }
}

}  // namespace
}  // namespace compoundparser
