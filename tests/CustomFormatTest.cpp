#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CustomFormatTestSupport.h"
#include "custom/CustomFormat.h"
#include "host/CodePage.h"

namespace compoundparser {
namespace {

using customtest::CountOf;
using customtest::CustomTestFile;
using customtest::ReadBytes;
using customtest::RecordingCallBack;
using customtest::ScratchDir;

// Generates a definition named "F" for all files; the options default to off.
CustomFormat Make(const std::string& path, const std::vector<std::string>& fields,
                  const char* delimiter = "2C", int32_t latLon = -1, bool controlCodes = false,
                  bool attributes = false) {
  return CustomFormat(path, "F", "*.*", delimiter, latLon, false, controlCodes, attributes, fields);
}

// Returns the text generated for `fields` with a comma and no options.
std::string TextFor(const std::vector<std::string>& fields, int32_t latLonFormat = -1) {
  ScratchDir dir;
  CustomFormat format = Make(dir.File("f.xml"), fields, "2C", latLonFormat);
  EXPECT_TRUE(format.IsWritten()) << format.GetError();
  return format.GetText();
}

TEST(CustomFormatGolden, WritesExpectedFilesThatLoad) {
  const struct {
    const char* golden;
    const char* name;
    const char* mask;
    const char* delimiter;
    int32_t latLonFormat;
    bool header, controlCodes, attributes;
    std::vector<std::string> fields;
  } cases[] = {
      {"points_grid.xml", "Grid Points", "*.csv", "2C", -1, false, false, false,
       {"PointNumber", "Northing", "Easting", "Elevation"}},
      {"points_geo_codes.xml", "Geo Points", "*.txt", "20", 3, true, true, true,
       {"PointNumber", "Latitude", "Longitude", "EllHeight", "FullCodes"}},
      {"points_simple_codes.xml", "Mixed", "*.dat", "09", 1, false, false, false,
       {"X", "Latitude", "Code", "FullCodes"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.golden);
    ScratchDir dir;
    const std::string path = dir.File("generated.xml");
    const CustomFormat format(path, c.name, c.mask, c.delimiter, c.latLonFormat, c.header,
                              c.controlCodes, c.attributes, c.fields);
    ASSERT_TRUE(format.IsWritten()) << format.GetError();
    EXPECT_EQ(format.GetError(), "");
    const std::string expected = ReadBytes(CustomTestFile(c.golden));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(format.GetText(), expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"generated.xml"});  // no temporary left
    EXPECT_TRUE(format.GetDocument().IsNull());
    RecordingCallBack callBack;
    EXPECT_TRUE(customtest::LoadsAsDefinition(path, callBack)) << callBack.All();
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
    EXPECT_NE(TextFor(c.fields).find("<variable id=\"CoordSystem\" default=\"" + cs +
                                     "\">\r\n      <value id=\"" + cs + "\"/>\r\n    </variable>"),
              std::string::npos);
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
      EXPECT_EQ(text.find("LatLonFormat"), std::string::npos);
    } else {
      EXPECT_NE(text.find(std::string("<variable id=\"LatLonFormat\" default=\"") + c.defaultValue +
                          "\">"),
                std::string::npos);
    }
    EXPECT_EQ(CountOf(text, std::string("type=\"") + c.angleType + "\""), 2u);
  }
}

TEST(CustomFormatText, LastFieldIsUntypedAndLineEndsAreCrLf) {
  const std::string text = TextFor({"X", "Y", "Z"});
  EXPECT_NE(text.find("<element id=\"Y\" type=\"double\"/>"), std::string::npos);
  EXPECT_EQ(text.find("<element id=\"Z\" type="), std::string::npos);
  EXPECT_EQ(CountOf(text, "<element id=\"Z\"/>"), 2u);
  EXPECT_EQ(CountOf(text, "\n"), CountOf(text, "\r\n"));
  EXPECT_EQ(text.find("0d0a"), std::string::npos);  // hex in capitals
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
    ScratchDir dir;
    EXPECT_EQ(CountOf(Make(dir.File("f.xml"), c.fields, c.delimiter).GetText(),
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
    ScratchDir dir;
    const std::string path = dir.File("f.xml");
    const CustomFormat format = Make(path, c.fields, "2C", -1, c.controlCodes, c.attributes);
    const std::string& text = format.GetText();
    EXPECT_EQ(CountOf(text, "<subst id=\"FeatureCode\"/>"), 1u);
    if (c.featureCodeUses == nullptr) {
      EXPECT_EQ(text.find("<substitute id="), text.find("<substitute id=\"Fields\">"));
      // FullCodes that is not last leaves FeatureCode undefined: the definition fails to load.
      ASSERT_TRUE(format.IsWritten());
      RecordingCallBack callBack;
      EXPECT_FALSE(customtest::LoadsAsDefinition(path, callBack));
      EXPECT_TRUE(callBack.Has("Substitute with id='FeatureCode' not found")) << callBack.All();
      continue;
    }
    EXPECT_NE(text.find("<substitute id=\"CodeStringControl\">"), std::string::npos);
    EXPECT_EQ(text.find("<substitute id=\"Feature\">") != std::string::npos, c.attributes);
    EXPECT_EQ(text.find("ControlCode2") != std::string::npos, c.controlCodes);
    EXPECT_EQ(CountOf(text, std::string("<subst id=\"") + c.featureCodeUses + "\"/>"), 2u);
    EXPECT_NE(text.find(std::string("<terminated MaxWidth=\"500\">\r\n          <subst id=\"") +
                        c.featureCodeUses + "\"/>"),
              std::string::npos);
  }
}

TEST(CustomFormatText, NameAndMaskAreWrittenUnchangedAndEncodingFollowsCodePage) {
  ScratchDir dir;
  CustomFormat format(dir.File("f.xml"), "A&B <x>", "*.\"t\"", "2C", -1, false, false, false,
                      {"PointNumber"});
  EXPECT_NE(format.GetText().find("<format type=\"Points\" name=\"A&B <x>\" FileMask=\"*.\"t\"\">"),
            std::string::npos);
  EXPECT_EQ(format.GetText().rfind("<?xml version=\"1.0\"?>\r\n", 0), 0u);
  const std::string before = CodePageName();
  if (!SetCodePage("CP932")) GTEST_SKIP() << "iconv does not know CP932 here";
  const CustomFormat shiftJis = Make(dir.File("g.xml"), {"X"});
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
    ScratchDir dir;
    const CustomFormat format = Make(dir.File(c.path), {"PointNumber", "Latitude"}, "2C", c.latLon);
    EXPECT_FALSE(format.IsWritten());
    EXPECT_NE(format.GetError().find(c.errorPart), std::string::npos) << format.GetError();
    EXPECT_TRUE(dir.Names().empty());
  }
}

TEST(CustomFormatFile, ReplacesExistingFileAndSavesElsewhere) {
  ScratchDir dir;
  const std::string path = dir.File("f.xml");
  customtest::WriteBytes(path, std::string(100000, 'x'));
  CustomFormat format = Make(path, {"PointNumber", "Code"});
  ASSERT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadBytes(path), format.GetText());
  format.Save(dir.File("copy.xml"));
  EXPECT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadBytes(dir.File("copy.xml")), format.GetText());
  format.Save(dir.File("none/copy.xml"));
  EXPECT_FALSE(format.IsWritten());
  EXPECT_NE(format.GetError(), "");

  CustomFormat failed = Make(dir.File("none/f.xml"), {}, "2C", 9);
  failed.Save(dir.File("later.xml"));
  EXPECT_FALSE(failed.IsWritten());
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"copy.xml", "f.xml"}));
}

TEST(CustomFormatFile, CopiesKeepTextAndOutcome) {
  ScratchDir dir;
  CustomFormat first = Make(dir.File("a.xml"), {"X"});
  CustomFormat second = Make(dir.File("none/b.xml"), {"Y"});
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

TEST(CustomFormatRoundTrip, PointsWithCodesAndAttributes) {
  ScratchDir dir;
  const std::string definition = dir.File("points.xml");
  CustomFormat format(definition, "Coded Points", "*.csv", "2C", -1, false, true, true,
                      {"PointNumber", "Northing", "Easting", "Elevation", "FullCodes"});
  ASSERT_TRUE(format.IsWritten());
  const std::string data = ReadBytes(CustomTestFile("points_codes.csv"));
  ASSERT_FALSE(data.empty());
  const auto trip = customtest::ImportAndExport(definition, data, dir);
  ASSERT_TRUE(trip.loaded) << trip.messages;
  ASSERT_TRUE(trip.imported) << trip.messages;
  EXPECT_TRUE(trip.exported) << trip.messages;
  EXPECT_EQ(trip.output, data);
  for (const char* piece :
       {"<Code>TREE</Code>", "<String>oak</String>", "<ControlCode>C1</ControlCode>",
        "<ControlCode2>X9</ControlCode2>", "<Name>Species</Name>", "<Value>oak</Value>",
        "<Type>INT</Type>", "<Value>5</Value>", "<Type>DATE</Type>", "<Value>2020-01-02</Value>",
        "<Northing>1001.250</Northing>", "<Easting>7</Easting>"}) {
    EXPECT_NE(trip.document.find(piece), std::string::npos) << piece;
  }
  EXPECT_EQ(CountOf(trip.document, "<Feature>"), 3u);
  EXPECT_EQ(CountOf(trip.document, "<ListValue>"), 2u);
  EXPECT_EQ(CountOf(trip.document, "<Point>"), 3u);
}

TEST(CustomFormatRoundTrip, HeaderAndRunsOfSpaces) {
  ScratchDir dir;
  const std::string definition = dir.File("points.xml");
  CustomFormat format(definition, "Spaced", "*.txt", "20", -1, true, false, false,
                      {"PointNumber", "Northing", "Easting", "Elevation"});
  ASSERT_TRUE(format.IsWritten());
  const auto trip = customtest::ImportAndExport(
      definition, "Name N E H\r\nP1   10.5 20.25  3.0\r\n\r\nP2 1 2 3\n", dir);
  ASSERT_TRUE(trip.imported) << trip.messages;
  EXPECT_TRUE(trip.exported) << trip.messages;
  EXPECT_EQ(trip.output, "Name N E H\r\nP1 10.5 20.25 3.0\r\nP2 1 2 3\r\n");
  EXPECT_NE(trip.document.find("<Header>Name N E H</Header>"), std::string::npos);
}

}  // namespace
}  // namespace compoundparser
