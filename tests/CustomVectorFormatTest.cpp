// The vector generator: the field blocks, types and stylesheets it writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "custom/CustomVectorFormat.h"
#include "custom/Stylesheets.h"
#include "tests/CustomFormatTestSupport.h"

namespace compoundparser {
namespace {

using testing::Contains;

using customtest::CountOf;
using customtest::ReadFile;
using customtest::TempFolder;

std::string TextFor(const std::string& delimiter, const std::vector<std::string>& fields) {
  TempFolder dir;
  CustomVectorFormat format(dir.Path("v.xml"), "V", "*.*", delimiter, false, false, fields);
  EXPECT_TRUE(format.IsWritten()) << format.GetError();
  return format.GetText();
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
    EXPECT_TRUE(Contains(text, "<element id=\"" + c.fields.back() +
                                   "\"/>\r\n        </optional>\r\n"
                                   "        <literal hex=\"true\" readonly=\"true\">2C</literal>"));
  }
}

TEST(CustomVectorFormatText, NoSpaceAbsorberAndOnlyCrLfLineEnds) {
  const std::string text = TextFor("20", {"DX", "DY", "FullCodes"});
  EXPECT_FALSE(Contains(text, "writecount"));
  EXPECT_FALSE(Contains(text, ">0A<"));
  EXPECT_TRUE(
      Contains(text, "<group id=\"RoverFeature\" RepeatedNode=\"true\" SkipWrong=\"true\">"));
  EXPECT_FALSE(Contains(text, "<group id=\"Feature\""));
}

TEST(CustomVectorFormatText, StylesheetsAndHeaderLine) {
  const std::string text = TextFor("3B", {"DX"});
  EXPECT_TRUE(Contains(text, std::string("<variable id=\"ExportXSL\" default=\"") +
                                 kVectorExportStylesheet + "\">\r\n      <value id=\"" +
                                 kVectorExportStylesheet + "\" />"));
  EXPECT_TRUE(Contains(text, std::string("<variable id=\"ImportXSL\" default=\"") +
                                 kVectorImportStylesheet + "\">"));
  // The header substitute is one line and the file ends right after it.
  const size_t header = text.find("<substitute id=\"Header\">");
  ASSERT_NE(header, std::string::npos);
  const std::string tail = text.substr(header);
  EXPECT_EQ(CountOf(tail, "\r\n"), 2u);
  const std::string end = "3B</literal>\r\n</substitute></format>\r\n";
  ASSERT_GT(tail.size(), end.size());
  EXPECT_EQ(tail.substr(tail.size() - end.size()), end);
  EXPECT_EQ(CountOf(tail, "<literal hex=\"true\">3B</literal>"), 3u);
  EXPECT_FALSE(Contains(tail, "      "));  // never more than five spaces
}

}  // namespace
}  // namespace compoundparser
