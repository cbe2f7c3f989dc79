#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CustomFormatTestSupport.h"
#include "custom/CustomVectorFormat.h"
#include "custom/Stylesheets.h"

namespace compoundparser {
namespace {

using customtest::CountOf;
using customtest::CustomTestFile;
using customtest::ReadBytes;
using customtest::RecordingCallBack;
using customtest::ScratchDir;

struct VectorCase {
  const char* golden;
  const char* name;
  const char* mask;
  const char* delimiter;
  bool controlCodes;
  bool attributes;
  std::vector<std::string> fields;
};

const VectorCase kVectorCases[] = {
    {"vector_plain.xml", "Vectors", "*.vec", "2C", false, false, {"DX", "DY", "DZ", "Note"}},
    {"vector_codes.xml", "Vectors Codes", "*.gps", "20", true, true,
     {"BaseAntennaHeight", "DX", "Remark", "FullCodes"}},
    {"vector_simple_codes.xml", "Tab Vectors", "*.tab", "09", false, false, {"DX", "FullCodes"}},
};

std::string TextFor(const std::string& delimiter, const std::vector<std::string>& fields) {
  ScratchDir dir;
  CustomVectorFormat format(dir.File("v.xml"), "V", "*.*", delimiter, false, false, fields);
  EXPECT_TRUE(format.IsWritten()) << format.GetError();
  return format.GetText();
}

TEST(CustomVectorFormatGolden, WritesExpectedFilesThatLoad) {
  for (const VectorCase& c : kVectorCases) {
    SCOPED_TRACE(c.golden);
    ScratchDir dir;
    const std::string path = dir.File("generated.xml");
    const CustomVectorFormat format(path, c.name, c.mask, c.delimiter, c.controlCodes, c.attributes,
                                    c.fields);
    ASSERT_TRUE(format.IsWritten()) << format.GetError();
    const std::string expected = ReadBytes(CustomTestFile(c.golden));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"generated.xml"});

    RecordingCallBack callBack;
    EXPECT_TRUE(customtest::LoadsAsDefinition(path, callBack)) << callBack.All();
  }
}

TEST(CustomVectorFormatText, FieldBlocksAndTypes) {
  struct Case {
    std::vector<std::string> fields;
    size_t typed;   // elements with type "double"
    size_t blocks;  // radios of the field list
  };
  const Case cases[] = {
      {{"DX"}, 0, 1},
      {{"DX", "DY", "DZ", "Note"}, 3, 4},
      {{"SX", "CYZ", "RoverAntennaHeight", "RoverElev", "RoverNorth", "RoverEast", "N"}, 6, 7},
      {{"Note", "DX"}, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields.size());
    const std::string text = TextFor("2C", c.fields);
    EXPECT_EQ(CountOf(text, "type=\"double\""), c.typed);
    const size_t fields = text.find("<substitute id=\"Fields\">");
    const size_t ifFields = text.find("<substitute id=\"IfFields\">");
    ASSERT_LT(fields, ifFields);
    EXPECT_EQ(CountOf(text.substr(fields, ifFields - fields), "\r\n    <radio>"), c.blocks);
    // The last field reads an optional value with a read-only delimiter.
    EXPECT_NE(text.find("<element id=\"" + c.fields.back() +
                        "\"/>\r\n        </optional>\r\n"
                        "        <literal hex=\"true\" readonly=\"true\">2C</literal>"),
              std::string::npos);
  }
}

TEST(CustomVectorFormatText, NoSpaceAbsorberAndOnlyCrLfLineEnds) {
  const std::string text = TextFor("20", {"DX", "DY", "FullCodes"});
  EXPECT_EQ(text.find("writecount"), std::string::npos);
  EXPECT_EQ(text.find(">0A<"), std::string::npos);
  EXPECT_NE(text.find("<group id=\"RoverFeature\" RepeatedNode=\"true\" SkipWrong=\"true\">"),
            std::string::npos);
  EXPECT_EQ(text.find("<group id=\"Feature\""), std::string::npos);
}

TEST(CustomVectorFormatText, StylesheetsAndHeaderLine) {
  const std::string text = TextFor("3B", {"DX"});
  EXPECT_NE(
      text.find(std::string("<variable id=\"ExportXSL\" default=\"") + kVectorExportStylesheet +
                "\">\r\n      <value id=\"" + kVectorExportStylesheet + "\" />"),
      std::string::npos);
  EXPECT_NE(text.find(std::string("<variable id=\"ImportXSL\" default=\"") +
                      kVectorImportStylesheet + "\">"),
            std::string::npos);
  // The header substitute is one line and the file ends right after it.
  const size_t header = text.find("<substitute id=\"Header\">");
  ASSERT_NE(header, std::string::npos);
  const std::string tail = text.substr(header);
  EXPECT_EQ(CountOf(tail, "\r\n"), 2u);
  const std::string end = "3B</literal>\r\n</substitute></format>\r\n";
  ASSERT_GT(tail.size(), end.size());
  EXPECT_EQ(tail.substr(tail.size() - end.size()), end);
  EXPECT_EQ(CountOf(tail, "<literal hex=\"true\">3B</literal>"), 3u);
  EXPECT_EQ(tail.find("      "), std::string::npos);  // never more than five spaces
}

TEST(CustomVectorFormatFile, UnwritablePathAndSave) {
  ScratchDir dir;
  CustomVectorFormat failed(dir.File("no/v.xml"), "V", "*.*", "2C", false, false, {"DX"});
  EXPECT_FALSE(failed.IsWritten());
  EXPECT_NE(failed.GetError(), "");
  CustomVectorFormat copy(failed);
  copy.Save(dir.File("v.xml"));
  EXPECT_TRUE(copy.IsWritten()) << copy.GetError();
  EXPECT_EQ(ReadBytes(dir.File("v.xml")), failed.GetText());
}

TEST(CustomVectorFormatRoundTrip, VectorsWithProjectHeader) {
  ScratchDir dir;
  const std::string definition = dir.File("vectors.xml");
  CustomVectorFormat format(definition, "Vectors", "*.vec", "2C", false, false,
                            {"DX", "DY", "DZ", "Note"});
  ASSERT_TRUE(format.IsWritten());
  const std::string data = ReadBytes(CustomTestFile("vectors.vec"));
  ASSERT_FALSE(data.empty());
  const auto trip = customtest::ImportAndExport(definition, data, dir);
  ASSERT_TRUE(trip.loaded) << trip.messages;
  ASSERT_TRUE(trip.imported) << trip.messages;
  EXPECT_TRUE(trip.exported) << trip.messages;
  EXPECT_EQ(trip.output, data);
  EXPECT_NE(trip.document.find("<DistanceUnitIndicator>Feet</DistanceUnitIndicator>"),
            std::string::npos);
  EXPECT_EQ(CountOf(trip.document, "<Vector>"), 2u);
  EXPECT_NE(trip.document.find("<Note>rover 7</Note>"), std::string::npos);
  // Lone line feeds are not line ends.
  const std::string twoFields = dir.File("vectors2.xml");
  ASSERT_TRUE(CustomVectorFormat(twoFields, "Vectors", "*.vec", "2C", false, false, {"DX", "DY"})
                  .IsWritten());
  const auto lineFeeds = customtest::ImportAndExport(twoFields, "1.0,2.0\n3.0,4.0\n", dir);
  ASSERT_TRUE(lineFeeds.loaded) << lineFeeds.messages;
  EXPECT_FALSE(lineFeeds.imported);
}

}  // namespace
}  // namespace compoundparser
