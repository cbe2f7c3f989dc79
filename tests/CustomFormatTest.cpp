// The custom format generators: golden definitions of all three, the texts
// each writes for options and fields the golden files do not show, their
// files, and round trips of data through generated definitions.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "custom/CustomFormat.h"
#include "custom/CustomVectorFormat.h"
#include "custom/TSRawCustomFormat.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/CodePage.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

using Fields = std::vector<std::string>;

std::string CustomTestFile(const std::string& name) { return TestData("custom/" + name); }

// Returns how often `needle` occurs in `text`.
size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// Returns the text of a generated definition when it was written without an
// error and holds no document; else the error and "<not written>" or "<document>".
template <class Generated>
std::string Outcome(const Generated& format) {
  return format.GetError() + (format.IsWritten() ? format.GetText() : "<not written>") +
         (format.GetDocument().IsNull() ? "" : "<document>");
}

// The arguments of one generator: 'P' points, 'V' vectors, 'T' raw observations.
struct Spec {
  char kind;
  const char* name;
  const char* mask;
  const char* delimiter;
  int32_t latLon;       // points only
  const char* options;  // 'h' header (points only), 'c' control codes, 'a' attributes
  const char* fields;   // blank between them
};

// Splits `text` at each `separator`; an empty text has no parts.
Fields Split(const std::string& text, char separator = ' ') {
  Fields fields;
  std::istringstream in(text);
  for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
  return fields;
}

// Generates the definition of `s` into `path` and returns its Outcome().
std::string Generate(const Spec& s, const std::string& path) {
  const std::string options = s.options;
  const bool codes = options.find('c') != std::string::npos;
  const bool attributes = options.find('a') != std::string::npos;
  const Fields fields = Split(s.fields);
  if (s.kind == 'V') {
    return Outcome(
        CustomVectorFormat(path, s.name, s.mask, s.delimiter, codes, attributes, fields));
  }
  if (s.kind == 'T') return Outcome(TSRawCustomFormat(path, s.name, s.mask, s.delimiter, fields));
  return Outcome(CustomFormat(path, s.name, s.mask, s.delimiter, s.latLon,
                              options.find('h') != std::string::npos, codes, attributes, fields));
}

// Loads the definition in `path`; messages go to `callBack`.
bool Loads(const std::string& path, RecordingCallBack& callBack) {
  FormatDefinition definition(path, &callBack);
  return definition.Load();
}

// Returns the text that Generate() writes for `s`.
std::string TextOf(const Spec& s) {
  TempFolder dir;
  const std::string text = Generate(s, dir.Path("f.xml"));
  EXPECT_EQ(text.rfind("<?xml", 0), 0u) << text;
  return text;
}

const struct {
  const char* golden;
  Spec spec;
} kGolden[] = {
    {"points_grid.xml",
     {'P', "Grid Points", "*.csv", "2C", -1, "", "PointNumber Northing Easting Elevation"}},
    {"points_geo_codes.xml",
     {'P', "Geo Points", "*.txt", "20", 3, "hca",
      "PointNumber Latitude Longitude EllHeight FullCodes"}},
    {"points_simple_codes.xml", {'P', "Mixed", "*.dat", "09", 1, "", "X Latitude Code FullCodes"}},
    {"vector_plain.xml", {'V', "Vectors", "*.vec", "2C", -1, "", "DX DY DZ Note"}},
    {"vector_codes.xml",
     {'V', "Vectors Codes", "*.gps", "20", -1, "ca", "BaseAntennaHeight DX Remark FullCodes"}},
    {"vector_simple_codes.xml", {'V', "Tab Vectors", "*.tab", "09", -1, "", "DX FullCodes"}},
    {"tsraw_observations.xml",
     {'T', "Raw Obs", "*.raw", "2C", -1, "",
      "PointNumber HorizontalAngle ZenithAngle SlopeDistance ControlCode"}},
    {"tsraw_empty.xml", {'T', "Empty Raw", "*.*", "20", -1, "", ""}},
    {"tsraw_tab.xml",
     {'T', "Tab Raw", "*.tsr", "09", -1, "", "ControlCode2 InstrumentHeight Note"}},
};

TEST(GeneratorGolden, WritesExpectedFilesThatLoad) {
  for (const auto& c : kGolden) {
    SCOPED_TRACE(c.golden);
    TempFolder dir;
    const std::string path = dir.Path("generated.xml");
    const std::string expected = ReadFile(CustomTestFile(c.golden));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Generate(c.spec, path), expected);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"generated.xml"});  // no temporary left
    RecordingCallBack callBack;
    EXPECT_TRUE(Loads(path, callBack)) << callBack.Lines();
  }
}

TEST(CustomFormatText, CoordinateSystemLatLonFormatAndAngleType) {
  const struct {
    const char* fields;
    int32_t latLon;
    const char* coordSystem;
    const char* latLonFormat;  // nullptr: no LatLonFormat variable
    const char* angleType;     // of both angles; nullptr: not checked
  } cases[] = {
      {"X Y Z", -1, "XYZ", nullptr, nullptr},
      {"X Easting", -1, "Grid", nullptr, nullptr},
      {"Easting X", -1, "Grid", nullptr, nullptr},
      {"Latitude X", -1, "BLH", nullptr, nullptr},
      {"X Longitude", -1, "BLH", nullptr, nullptr},
      {"Northing Latitude", -1, "Grid", nullptr, nullptr},
      {"Latitude Northing", -1, "Grid", nullptr, nullptr},
      {"PointNumber Code", -1, "Grid", nullptr, nullptr},
      {"", -1, "Grid", nullptr, nullptr},
      {"Latitude Longitude H", -1, "BLH", nullptr, "degree"},
      {"Latitude Longitude H", 0, "BLH", "Strict", "degree"},
      {"Latitude Longitude H", 1, "BLH", "DecDegree", "double"},
      {"Latitude Longitude H", 2, "BLH", "SpaceSep", "degree"},
      {"Latitude Longitude H", 3, "BLH", "NoSep", "degree"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fields) + " " + std::to_string(c.latLon));
    const std::string text = TextOf({'P', "F", "*.*", "2C", c.latLon, "", c.fields});
    const std::string cs = c.coordSystem;
    EXPECT_TRUE(Contains(text, "<variable id=\"CoordSystem\" default=\"" + cs +
                                   "\">\r\n      <value id=\"" + cs + "\"/>\r\n    </variable>"));
    EXPECT_EQ(text.find("LatLonFormat") != std::string::npos, c.latLonFormat != nullptr);
    if (c.latLonFormat != nullptr) {
      EXPECT_TRUE(Contains(
          text, std::string("<variable id=\"LatLonFormat\" default=\"") + c.latLonFormat + "\">"));
    }
    if (c.angleType != nullptr) {
      EXPECT_EQ(CountOf(text, std::string("type=\"") + c.angleType + "\""), 2u);
    }
  }
}

TEST(CustomFormatText, SpaceAbsorberFollowsEveryFieldButLastAndCodes) {
  // A last PointNumber keeps its block.
  for (const auto& [fields, absorbers] :
       {std::pair{"PointNumber Northing Code Elevation", 3u}, std::pair{"Code PointNumber", 2u}}) {
    SCOPED_TRACE(fields);
    const std::string text = TextOf({'P', "F", "*.*", "20", -1, "", fields});
    EXPECT_EQ(CountOf(text, "<repeat writecount=\"1\">"), absorbers);
  }
}

TEST(CustomFormatText, CodeSubstitutesOnlyForLastFullCodes) {
  const struct {
    const char* fields;
    const char* options;
    const char* featureCodeUses;  // nullptr: no code substitutes
  } cases[] = {
      {"PointNumber FullCodes", "c", "CodeStringControl"},
      {"PointNumber FullCodes", "a", "Feature"},
      {"FullCodes PointNumber", "ca", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder dir;
    const std::string path = dir.Path("f.xml");
    const std::string text = Generate({'P', "F", "*.*", "2C", -1, c.options, c.fields}, path);
    EXPECT_EQ(CountOf(text, "<subst id=\"FeatureCode\"/>"), 1u);
    if (c.featureCodeUses == nullptr) {
      EXPECT_EQ(text.find("<substitute id="), text.find("<substitute id=\"Fields\">"));
      // FullCodes that is not last leaves FeatureCode undefined: the definition fails to load.
      RecordingCallBack callBack;
      EXPECT_FALSE(Loads(path, callBack));
      EXPECT_TRUE(callBack.Has("Substitute with id='FeatureCode' not found")) << callBack.Lines();
      continue;
    }
    EXPECT_TRUE(Contains(text, "<substitute id=\"CodeStringControl\">"));
    EXPECT_EQ(text.find("<substitute id=\"Feature\">") != std::string::npos, c.options[0] == 'a');
    EXPECT_EQ(text.find("ControlCode2") != std::string::npos, c.options[0] == 'c');
    EXPECT_EQ(CountOf(text, std::string("<subst id=\"") + c.featureCodeUses + "\"/>"), 2u);
    EXPECT_TRUE(
        Contains(text, std::string("<terminated MaxWidth=\"500\">\r\n          <subst id=\"") +
                           c.featureCodeUses + "\"/>"));
  }
}

TEST(CustomFormatText, NameAndMaskAreWrittenUnchangedAndEncodingFollowsCodePage) {
  const std::string text = TextOf({'P', "A&B <x>", "*.\"t\"", "2C", -1, "", "PointNumber"});
  EXPECT_TRUE(Contains(text, "<format type=\"Points\" name=\"A&B <x>\" FileMask=\"*.\"t\"\">"));
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n", 0), 0u);
  const std::string before = CodePageName();
  if (!SetCodePage("CP932")) GTEST_SKIP() << "iconv does not know CP932 here";
  const std::string shiftJis = TextOf({'P', "F", "*.*", "2C", -1, "", "X"});
  if (!SetCodePage(before)) SetCodePage("");
  EXPECT_EQ(shiftJis.rfind("<?xml version=\"1.0\" encoding=\"Shift-JIS\"?>\r\n", 0), 0u);
}

TEST(CustomVectorFormatText, FieldBlocksAndTypes) {
  const struct {
    const char* fields;
    size_t typed;  // elements with type "double"
  } cases[] = {
      {"DX", 0},
      {"SX CYZ RoverAntennaHeight RoverElev RoverNorth RoverEast N", 6},
      {"Note DX", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    const std::string text = TextOf({'V', "V", "*.*", "2C", -1, "", c.fields});
    EXPECT_EQ(CountOf(text, "type=\"double\""), c.typed);
    const size_t fields = text.find("<substitute id=\"Fields\">");
    const size_t ifFields = text.find("<substitute id=\"IfFields\">");
    ASSERT_LT(fields, ifFields);
    EXPECT_EQ(CountOf(text.substr(fields, ifFields - fields), "\r\n    <radio>"),
              Split(c.fields).size());
    // The last field reads an optional value with a read-only delimiter.
    EXPECT_TRUE(Contains(text, "<element id=\"" + Split(c.fields).back() +
                                   "\"/>\r\n        </optional>\r\n"
                                   "        <literal hex=\"true\" readonly=\"true\">2C</literal>"));
  }
}

TEST(TSRawCustomFormatText, FieldContentByName) {
  const struct {
    const char* fields;   // the field stands first and last: the last field gets the same block
    const char* content;  // as written inside the block's terminated
  } cases[] = {
      {"BacksightBearing Code BacksightBearing",
       "        <element id=\"BacksightBearing\" type=\"double\"/>\r\n"},
      {"Target Code Target", "          <element id=\"Target\"/>\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    const std::string text = TextOf({'T', "R", "*.*", "3B", -1, "", c.fields});
    EXPECT_EQ(CountOf(text, std::string("    <radio>\r\n      <terminated MaxWidth=\"50\">\r\n") +
                                c.content +
                                "        <literal hex=\"true\">3B</literal>\r\n"
                                "      </terminated>\r\n"
                                "      <literal hex=\"true\">3B</literal>\r\n"
                                "    </radio>\r\n"),
              2u);
  }
}

TEST(CustomFormatFile, ReplacesExistingFileSavesElsewhereAndCopies) {
  TempFolder dir;
  const std::string path = dir.Path("f.xml");
  WriteFile(path, std::string(100000, 'x'));
  CustomFormat format(path, "F", "*.*", "2C", -1, false, false, false, {"PointNumber", "Code"});
  ASSERT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadFile(path), format.GetText());
  format.Save(dir.Path("copy.xml"));
  EXPECT_TRUE(format.IsWritten());
  EXPECT_EQ(ReadFile(dir.Path("copy.xml")), format.GetText());
  CustomFormat copy(format);
  EXPECT_EQ(copy.GetText(), format.GetText());
  EXPECT_TRUE(copy.IsWritten());
  format.Save(dir.Path("none/copy.xml"));
  EXPECT_FALSE(format.IsWritten());
  EXPECT_NE(format.GetError(), "");
  copy = format;
  CustomFormat& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.GetText(), format.GetText());
  EXPECT_FALSE(copy.IsWritten());
  EXPECT_EQ(copy.GetError(), format.GetError());
  EXPECT_TRUE(copy.GetDocument() == format.GetDocument());

  // A failed generation writes nothing, also when saved again.
  for (const auto& [file, latLon, error] : {std::tuple{"none/sub/f.xml", -1, "none/sub/f.xml"},
                                            std::tuple{"g.xml", 4, "out of range"}}) {
    SCOPED_TRACE(file);
    CustomFormat failed(dir.Path(file), "F", "*.*", "2C", latLon, false, false, false,
                        {"Latitude"});
    EXPECT_FALSE(failed.IsWritten());
    EXPECT_TRUE(Contains(failed.GetError(), error));
    failed.Save(dir.Path(file));
    EXPECT_FALSE(failed.IsWritten());
  }
  // A definition that could not be written at first can be saved elsewhere.
  CustomVectorFormat vectors(dir.Path("none/v.xml"), "V", "*.*", "2C", false, false, {"DX"});
  EXPECT_FALSE(vectors.IsWritten());
  EXPECT_NE(vectors.GetError(), "");
  vectors.Save(dir.Path("v.xml"));
  EXPECT_TRUE(vectors.IsWritten()) << vectors.GetError();
  EXPECT_EQ(ReadFile(dir.Path("v.xml")), vectors.GetText());
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"copy.xml", "f.xml", "v.xml"}));
}

TEST(GeneratorRoundTrip, DataComesBackThroughGeneratedDefinitions) {
  const Spec coded = {'P',
                      "Coded Points",
                      "*.csv",
                      "2C",
                      -1,
                      "ca",
                      "PointNumber Northing Easting Elevation FullCodes"};
  const Spec spaced = {
      'P', "Spaced", "*.txt", "20", -1, "h", "PointNumber Northing Easting Elevation"};
  const Spec vectors = {'V', "V", "*.vec", "2C", -1, "", "DX DY"};
  const Spec observations = {'T', "Raw", "*.raw", "2C", -1, "", "PointNumber SlopeDistance"};
  const struct {
    const char* name;
    std::string data;
    const char* output;  // the export: nullptr for the data itself, "" when the import fails
    const char* pieces;  // in the imported document, '|' between them; "piece#n": n of them
    const char* golden;  // the definition, else the one `spec` generates
    Spec spec{};
  } cases[] = {
      {"points with codes and attributes", ReadFile(CustomTestFile("points_codes.csv")), nullptr,
       "<Code>TREE</Code>|<String>oak</String>|<ControlCode>C1</ControlCode>|"
       "<ControlCode2>X9</ControlCode2>|<Name>Species</Name>|<Value>oak</Value>|<Type>INT</Type>|"
       "<Value>5</Value>|<Type>DATE</Type>|<Value>2020-01-02</Value>|"
       "<Northing>1001.250</Northing>|<Easting>7</Easting>|<Feature>#3|<ListValue>#2|<Point>#3",
       nullptr, coded},
      {"header and runs of spaces", "Name N E H\r\nP1   10.5 20.25  3.0\r\n\r\nP2 1 2 3\n",
       "Name N E H\r\nP1 10.5 20.25 3.0\r\nP2 1 2 3\r\n", "<Header>Name N E H</Header>|<Point>#2",
       nullptr, spaced},
      {"vectors with project header", ReadFile(CustomTestFile("vectors.vec")), nullptr,
       "<DistanceUnitIndicator>Feet</DistanceUnitIndicator>|<Note>rover 7</Note>|<Vector>#2",
       "vector_plain.xml"},
      // Lone line feeds are not line ends.
      {"vectors with line feeds", "1.0,2.0\n3.0,4.0\n", "", "", nullptr, vectors},
      // The empty line is read but not written back.
      {"observations with control codes", ReadFile(CustomTestFile("observations.raw")),
       "P1,123.4530,90.0000,25.123,BS,\r\nP2,10.0000,,12.5,,\r\n",
       "<ControlCode>BS</ControlCode>|<Observation>#2|<CTL>#1", "tsraw_observations.xml"},
      {"observations with line feeds", "P1,1.0,\nP2,2.0,\n", "", "", nullptr, observations},
      {"observations with line ends", "P1,1.0,\r\nP2,2.0,\r\n", nullptr, "<Observation>#2", nullptr,
       observations},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    std::string definitionFile = dir.Path("definition.xml");
    if (c.golden) {
      definitionFile = CustomTestFile(c.golden);
    } else {
      ASSERT_EQ(Generate(c.spec, definitionFile).find("<?xml"), 0u);
    }
    ASSERT_FALSE(c.data.empty());
    RecordingCallBack callBack;
    FormatDefinition definition(definitionFile, &callBack);
    ASSERT_TRUE(definition.Load()) << callBack.Lines();
    const bool imports = c.output == nullptr || *c.output != '\0';
    std::string document;
    {
      // The runs keep their files open until the object is gone.
      InstrumentData data(definition, &callBack);
      ASSERT_EQ(data.ParseRead(dir.Write("input.dat", c.data), definition), imports)
          << callBack.Lines();
      if (!imports) continue;
      document = data.GetDocument().SaveToString();
      EXPECT_TRUE(data.ParseWrite(dir.Path("output.dat"), definition)) << callBack.Lines();
    }
    EXPECT_EQ(ReadFile(dir.Path("output.dat")), c.output ? c.output : c.data);
    for (const std::string& piece : Split(c.pieces, '|')) {
      const size_t hash = piece.rfind('#');
      if (hash == std::string::npos) {
        EXPECT_TRUE(Contains(document, piece));
      } else {
        EXPECT_EQ(std::to_string(CountOf(document, piece.substr(0, hash))), piece.substr(hash + 1))
            << piece;
      }
    }
  }
}

}  // namespace
}  // namespace compoundparser::testing
