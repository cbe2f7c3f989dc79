// The raw observation generator: the block of each field and the
// stylesheets it writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "custom/Stylesheets.h"
#include "custom/TSRawCustomFormat.h"
#include "tests/CustomFormatTestSupport.h"

namespace compoundparser {
namespace {

using testing::Contains;

using customtest::CountOf;
using customtest::TempFolder;

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
    TempFolder dir;
    // The field stands first and last: the last field gets the same block.
    TSRawCustomFormat format(dir.Path("r.xml"), "R", "*.*", "3B", {c.field, "Code", c.field});
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
  TempFolder dir;
  TSRawCustomFormat format(dir.Path("r.xml"), "R", "*.*", "20", {"PointNumber"});
  const std::string& text = format.GetText();
  EXPECT_TRUE(Contains(text, std::string("<value id=\"") + kTSRawExportStylesheet + "\" />"));
  EXPECT_TRUE(Contains(text, std::string("<value id=\"") + kTSRawImportStylesheet + "\" />"));
  EXPECT_FALSE(Contains(text, ">0A<"));
  EXPECT_FALSE(Contains(text, "writecount"));
  EXPECT_FALSE(Contains(text, "Header"));
}

}  // namespace
}  // namespace compoundparser
