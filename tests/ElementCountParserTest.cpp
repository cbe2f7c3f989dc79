// Fields bound to data elements, and count fields.
#include <gtest/gtest.h>

#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

TEST(ElementParserRead, AppendsIndentedElementOrConsumesWithoutId) {
  Harness h;
  ElementParser field("Name", "", 2);
  ASSERT_TRUE(h.Import(field, "P1"));
  EXPECT_EQ(h.Content(), "    <Name>P1</Name>\r\n");
  // The same id read twice gives two elements.
  h.param.file.Seek(0);
  ASSERT_TRUE(field.Read(h.param, 2));
  EXPECT_EQ(h.Content(), "    <Name>P1</Name>\r\n    <Name>P1</Name>\r\n");

  Harness anonymous;
  ElementParser unnamed("", "", 1);
  ASSERT_TRUE(anonymous.Import(unnamed, "xyz"));
  EXPECT_EQ(anonymous.Position(), 3u);
  EXPECT_EQ(anonymous.Content(), "");
}

TEST(ElementParserWrite, ValueDefaultAndMissing) {
  struct Case {
    const char* id;
    const char* document;
    const char* defaultText;
    bool ok;
    const char* written;
    const char* messages;
  };
  const Case cases[] = {
      {"Name", "<data><Name>A</Name><Name>B</Name></data>", "", true, "A", ""},
      {"Name", "<data><Other>A</Other></data>", "0.000", true, "0.000", ""},
      {"Name", "<data><Other>A</Other></data>", "", false, "", "3:Element with ID='Name' not found"},
      {"Name", "<data><Name><Sub>x</Sub></Name></data>", "dflt", true, "dflt", ""},
      {"Name", "<data><Name><Sub>x</Sub></Name></data>", "", false, "",
       "3:Element with ID='Name' not found"},
      {"Name", "<data><Name><!--note--></Name></data>", "", true, "note", ""},  // a comment's value
      {"", "<data><A>1</A></data>", "default", false, "", ""},  // an empty id fails silently
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    Harness h;
    h.SetDocument(c.document);
    ElementParser field(c.id, c.defaultText, 0);
    EXPECT_EQ(h.Exported(field), (c.ok ? "" : "<fail>") + std::string(c.written));
    EXPECT_EQ(h.callBack.Joined(), c.messages);
  }
}

TEST(ElementParserWrite, NoCurrentNodeRaises) {
  Harness h;
  h.param.currentNode = XmlNode();
  ElementParser field("Name", "", 0);
  std::string out;
  EXPECT_THROW(h.Export(field, out), XmlError);
  EXPECT_THROW(h.Import(field, "x"), XmlError);
}

TEST(CountParserWrite, CountsMatchesOfRelativePath) {
  struct Case {
    const char* id;
    int width;
    const char* written;
  };
  const Case cases[] = {
      {"Point", 5, "00003"},
      {"Missing", 3, "000"},
      {"Group/Point", 0, "2"},
      {"Point", 0, "3"},
  };
  const char* document =
      "<data><Point/><Point/><Group><Point/></Group><Group><Point/><Line/></Group><Point/></data>";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Harness h;
    h.SetDocument(document);
    CountParser count(c.id);
    count.SetWidth(c.width);
    count.SetAlign(true);
    count.SetFill('0');
    EXPECT_EQ(h.Exported(count), c.written);
  }
}

TEST(CountParserWrite, FormatsLikeAnyField) {
  Harness h;
  h.SetDocument("<data><P/><P/></data>");
  CountParser count("P");
  count.SetPrecision(2);
  count.SetSign(true);
  count.SetWidth(6);
  EXPECT_EQ(h.Exported(count), "+2.00 ");
}

TEST(CountParserRead, ChecksAndDropsValue) {
  Harness h;
  CountParser count("P");
  count.SetType(FormatParser::kTypeDouble);
  count.SetWidth(2);
  ASSERT_TRUE(h.Import(count, "12"));
  EXPECT_EQ(h.Position(), 2u);
  EXPECT_EQ(h.Content(), "");
  Harness bad;
  EXPECT_FALSE(bad.Import(count, "x2"));
  EXPECT_EQ(bad.callBack.Joined(), "4:FormatParser: Type of element mismatch");
}

}  // namespace
}  // namespace compoundparser::testing
