#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CustomFormatTestSupport.h"
#include "custom/Stylesheets.h"
#include "custom/TSRawCustomFormat.h"

namespace compoundparser {
namespace {

using customtest::CountOf;
using customtest::CustomTestFile;
using customtest::ReadBytes;
using customtest::RecordingCallBack;
using customtest::ScratchDir;

struct RawCase {
  const char* golden;
  const char* name;
  const char* mask;
  const char* delimiter;
  std::vector<std::string> fields;
};

const RawCase kRawCases[] = {
    {"tsraw_observations.xml", "Raw Obs", "*.raw", "2C",
     {"PointNumber", "HorizontalAngle", "ZenithAngle", "SlopeDistance", "ControlCode"}},
    {"tsraw_empty.xml", "Empty Raw", "*.*", "20", {}},
    {"tsraw_tab.xml", "Tab Raw", "*.tsr", "09", {"ControlCode2", "InstrumentHeight", "Note"}},
};

TEST(TSRawCustomFormatGolden, WritesExpectedFilesThatLoad) {
  for (const RawCase& c : kRawCases) {
    SCOPED_TRACE(c.golden);
    ScratchDir dir;
    const std::string path = dir.File("generated.xml");
    const TSRawCustomFormat format(path, c.name, c.mask, c.delimiter, c.fields);
    ASSERT_TRUE(format.IsWritten()) << format.GetError();
    const std::string expected = ReadBytes(CustomTestFile(c.golden));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(format.GetText(), expected);

    RecordingCallBack callBack;
    EXPECT_TRUE(customtest::LoadsAsDefinition(path, callBack)) << callBack.All();
  }
}

TEST(TSRawCustomFormatText, FieldContentByName) {
  struct Case {
    const char* field;
    const char* content;  // as written inside the block's terminated
  };
  const Case cases[] = {
      {"InstrumentHeight", "        <element id=\"InstrumentHeight\" type=\"double\"/>\r\n"},
      {"BacksightBearing", "        <element id=\"BacksightBearing\" type=\"double\"/>\r\n"},
      {"ControlCode",
       "        <group id=\"CTL\">\r\n          <element id=\"ControlCode\"/>\r\n"
       "        </group>\r\n"},
      {"Target", "          <element id=\"Target\"/>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    ScratchDir dir;
    // The field stands first and last: the last field gets the same block.
    TSRawCustomFormat format(dir.File("r.xml"), "R", "*.*", "3B", {c.field, "Code", c.field});
    const std::string block = std::string("    <radio>\r\n      <terminated MaxWidth=\"50\">\r\n") +
                              c.content +
                              "        <literal hex=\"true\">3B</literal>\r\n"
                              "      </terminated>\r\n"
                              "      <literal hex=\"true\">3B</literal>\r\n"
                              "    </radio>\r\n";
    EXPECT_EQ(CountOf(format.GetText(), block), 2u);
  }
}

TEST(TSRawCustomFormatText, StylesheetsAndNoLoneLineFeed) {
  ScratchDir dir;
  TSRawCustomFormat format(dir.File("r.xml"), "R", "*.*", "20", {"PointNumber"});
  const std::string& text = format.GetText();
  EXPECT_NE(text.find(std::string("<value id=\"") + kTSRawExportStylesheet + "\" />"),
            std::string::npos);
  EXPECT_NE(text.find(std::string("<value id=\"") + kTSRawImportStylesheet + "\" />"),
            std::string::npos);
  EXPECT_EQ(text.find(">0A<"), std::string::npos);
  EXPECT_EQ(text.find("writecount"), std::string::npos);
  EXPECT_EQ(text.find("Header"), std::string::npos);
}

TEST(TSRawCustomFormatFile, UnwritablePath) {
  ScratchDir dir;
  TSRawCustomFormat format(dir.File("no/r.xml"), "R", "*.*", "2C", {"PointNumber"});
  EXPECT_FALSE(format.IsWritten());
  EXPECT_NE(format.GetError().find("no/r.xml"), std::string::npos);
  EXPECT_TRUE(dir.Names().empty());
}

TEST(TSRawCustomFormatRoundTrip, ObservationsWithControlCodes) {
  ScratchDir dir;
  const std::string definition = dir.File("raw.xml");
  const RawCase& c = kRawCases[0];
  ASSERT_TRUE(TSRawCustomFormat(definition, c.name, c.mask, c.delimiter, c.fields).IsWritten());
  const std::string data = ReadBytes(CustomTestFile("observations.raw"));
  ASSERT_FALSE(data.empty());
  const auto trip = customtest::ImportAndExport(definition, data, dir);
  ASSERT_TRUE(trip.loaded) << trip.messages;
  ASSERT_TRUE(trip.imported) << trip.messages;
  EXPECT_TRUE(trip.exported) << trip.messages;
  // The empty line is read but not written back.
  EXPECT_EQ(trip.output, "P1,123.4530,90.0000,25.123,BS,\r\nP2,10.0000,,12.5,,\r\n");
  EXPECT_EQ(CountOf(trip.document, "<Observation>"), 2u);
  EXPECT_EQ(CountOf(trip.document, "<CTL>"), 1u);
  EXPECT_NE(trip.document.find("<ControlCode>BS</ControlCode>"), std::string::npos);
  // Lone line feeds are not line ends.
  const std::string twoFields = dir.File("raw2.xml");
  ASSERT_TRUE(TSRawCustomFormat(twoFields, "Raw", "*.raw", "2C", {"PointNumber", "SlopeDistance"})
                  .IsWritten());
  EXPECT_FALSE(customtest::ImportAndExport(twoFields, "P1,1.0,\nP2,2.0,\n", dir).imported);
  const auto crlf = customtest::ImportAndExport(twoFields, "P1,1.0,\r\nP2,2.0,\r\n", dir);
  EXPECT_TRUE(crlf.imported) << crlf.messages;
  EXPECT_EQ(crlf.output, "P1,1.0,\r\nP2,2.0,\r\n");
}

}  // namespace
}  // namespace compoundparser
