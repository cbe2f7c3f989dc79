// Fields bound to data elements, and count fields.
#include <gtest/gtest.h>

#include <tuple>

#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

TEST(ElementParserRead, AppendsIndentedElementOrConsumesWithoutId) {
  Harness h;
  ElementParser field("Name", "", 2);
  EXPECT_EQ(h.ReadRun(field, "P1"), "ok 2     <Name>P1</Name>\r\n|");
  // The same id read twice gives two elements.
  EXPECT_EQ(h.ReadRun(field, "P1"), "ok 2     <Name>P1</Name>\r\n    <Name>P1</Name>\r\n|");
  ElementParser unnamed("", "", 1);
  EXPECT_EQ(Harness().ReadRun(unnamed, "xyz"), "ok 3 |");
}

TEST(ElementParserWrite, ValueDefaultAndMissing) {
  const std::string notFound = "<fail>|3:Element with ID='Name' not found";
  // id, document, defaultText, written
  const std::tuple<const char*, const char*, const char*, std::string> cases[] = {
      {"Name", "<data><Name>A</Name><Name>B</Name></data>", "", "A|"},
      {"Name", "<data><Other>A</Other></data>", "0.000", "0.000|"},
      {"Name", "<data><Other>A</Other></data>", "", notFound},
      {"Name", "<data><Name><Sub>x</Sub></Name></data>", "dflt", "dflt|"},
      {"Name", "<data><Name><Sub>x</Sub></Name></data>", "", notFound},
      {"Name", "<data><Name><!--note--></Name></data>", "", "note|"},  // a comment's value
      {"", "<data><A>1</A></data>", "default", "<fail>|"},             // an empty id fails silently
  };
  for (const auto& [id, document, defaultText, written] : cases) {
    SCOPED_TRACE(document);
    ElementParser field(id, defaultText, 0);
    EXPECT_EQ(Harness().WriteRun(field, document), written);
  }
}

TEST(ElementParserWrite, NoCurrentNodeOrEmptyElementRaises) {
  Harness h;
  h.param.currentNode = XmlNode();
  ElementParser field("Name", "", 0);
  EXPECT_THROW(h.Exported(field), XmlError);
  EXPECT_THROW(h.Import(field, "x"), XmlError);
  try {
    Harness().WriteRun(field, "<data><Name></Name></data>");
    FAIL() << "no error raised";
  } catch (const XmlError& e) {
    EXPECT_EQ(e.Code(), kXmlErrorPointer);
  }
}

TEST(CountParserWrite, CountsMatchesOfRelativePathAndFormatsLikeAnyField) {
  // id, width, precision, written
  const std::tuple<const char*, int, int, const char*> cases[] = {
      {"Point", 5, -1, "00003|"}, {"Missing", 3, -1, "000|"}, {"Group/Point", 0, -1, "2|"},
      {"Point", 0, -1, "3|"},     {"Group", 6, 2, "002.00|"},
  };
  for (const auto& [id, width, precision, written] : cases) {
    SCOPED_TRACE(id);
    CountParser count(id);
    count.SetWidth(width);
    count.SetAlign(true);
    count.SetFill('0');
    count.SetPrecision(precision);
    EXPECT_EQ(Harness().WriteRun(count,
                                 "<data><Point/><Point/><Group><Point/></Group><Group><Point/"
                                 "><Line/></Group><Point/></data>"),
              written);
  }
  CountParser signedCount("P");
  signedCount.SetPrecision(2);
  signedCount.SetSign(true);
  signedCount.SetWidth(6);
  EXPECT_EQ(Harness().WriteRun(signedCount, "<data><P/><P/></data>"), "+2.00 |");
}

TEST(CountParserRead, ChecksAndDropsValue) {
  CountParser count("P");
  count.SetType(FormatParser::kTypeDouble);
  count.SetWidth(2);
  EXPECT_EQ(Harness().ReadRun(count, "12"), "ok 2 |");
  EXPECT_EQ(Harness().ReadRun(count, "x2"), "fail 0 |4:FormatParser: Type of element mismatch");
}

}  // namespace
}  // namespace compoundparser::testing
