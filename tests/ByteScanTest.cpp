// The byte searches under the XML text checks, and the load checks built on
// them: a byte is found at every place of a run, inside and across the blocks
// that the searches read at once, and a load finds the faults and the empty
// elements wherever they stand.
#include <gtest/gtest.h>

#include <string>

#include "host/ByteScan.h"
#include "host/Xml.h"

namespace compoundparser::testing {
namespace {

// A byte put into a run of letters, and which searches stop at it.
struct Stop {
  char byte;
  bool control;  // FindControlByte
  bool high;     // FindHighByte
  bool escaped;  // not IsPlainXmlText
};
const Stop kStops[] = {
    {'\x00', true, false, true},
    {'\x01', true, false, true},
    {'\x08', true, false, true},
    {'\t', false, false, true},
    {'\n', false, false, true},
    {'\x0B', true, false, true},
    {'\r', false, false, true},
    {'\x1F', true, false, true},
    {' ', false, false, false},
    {'&', false, false, true},
    {'<', false, false, true},
    {'>', false, false, true},
    {']', false, false, false},
    {'\x7F', false, false, false},
    {'\x80', false, true, false},
    {'\xC3', false, true, false},
    {'\xFF', false, true, false},
    // Neighbours of '&', '<' and '>' that are plain.
    {'%', false, false, false},
    {'\'', false, false, false},
    {';', false, false, false},
    {'=', false, false, false},
    {'?', false, false, false},
    {'\xBC', false, true, false},
};

TEST(ByteScan, FindsTheFirstStopAtEveryPlace) {
  for (const Stop& stop : kStops) {
    for (size_t length : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 40u}) {
      for (size_t at = 0; at < length; ++at) {
        SCOPED_TRACE(std::to_string(static_cast<unsigned char>(stop.byte)) + " at " +
                     std::to_string(at) + " of " + std::to_string(length));
        std::string text(length, 'a');
        text[at] = stop.byte;
        // A second stop later must not be found first.
        if (at + 3 < length) text[at + 3] = stop.byte;
        const char* data = text.data();
        EXPECT_EQ(FindControlByte(data, 0, length), stop.control ? at : length);
        EXPECT_EQ(FindHighByte(data, 0, length), stop.high ? at : length);
        EXPECT_EQ(FindControlOrHighByte(data, 0, length), stop.control || stop.high ? at : length);
        EXPECT_EQ(IsPlainXmlText(data, length), !(stop.escaped || stop.control || stop.high));
        const auto byte = static_cast<unsigned char>(stop.byte);
        EXPECT_EQ(IsPrintableAscii(data, length), byte >= 0x20 && byte < 0x7F);
        EXPECT_EQ(FindByte(data, 0, length, stop.byte), at);
        EXPECT_EQ(FindAnyOf3(data, 0, length, '&', stop.byte, ']'), at);
        // A search that starts past the stop does not see it.
        if (at + 3 >= length) {
          EXPECT_EQ(FindByte(data, at + 1, length, stop.byte), length);
        }
      }
    }
  }
}

// Faults past the first block of the text, and tags whose '>' is not the
// first of their special bytes.
TEST(ByteScan, LoadFindsFaultsBehindLongTextAndQuotedBrackets) {
  const std::string run(40, 'x');
  // reason: part of the reason; column of the fault (line 1).
  const std::tuple<std::string, const char*, int> cases[] = {
      {"<a>" + run + "&foo;</a>", "undefined entity 'foo'", 44},
      {"<a>" + run + "\x02</a>", "Invalid character 2", 44},
      {"<a>" + run + "\xC3(</a>", "Invalid UTF-8", 44},
      {"<a>" + run + "]]></a>", "\"]]>\" is not allowed", 44},
      {"<a><b v='>' w=\"1\" w=\"2\"/></a>", "Duplicate attribute 'w'", 19},
      {"<a><b v=\">\" w=\"<\"/></a>", "'<' is not allowed in an attribute value", 16},
      {"<a><" + run + ">" + run + "</" + run + "><b/>&x;</a>", "undefined entity 'x'", 133},
  };
  for (const auto& [xml, reason, column] : cases) {
    SCOPED_TRACE(xml);
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.LoadBuffer(xml.data(), xml.size()));
    EXPECT_NE(doc.ParseError().reason.find(reason), std::string::npos) << doc.ParseError().reason;
    EXPECT_EQ(doc.ParseError().line, 1);
    EXPECT_EQ(doc.ParseError().linePosition, column);
  }
}

// A document loaded to keep values gives an element saved as "<b></b>" an
// empty text, and one saved as "<b/>" none, wherever it stands.
TEST(ByteScan, LoadKeepsEmptyTextsOfElementsWrittenWithEndTags) {
  // xml; whether the first element <b> has a text child.
  const std::tuple<std::string, bool> cases[] = {
      {"<a><b></b></a>", true},
      {"<a><b/></a>", false},
      {"<a><b x=\"1\"></b></a>", true},
      {"<a><b x=\">\"/></a>", false},
      {"<a><c><d></d></c><b/></a>", false},
      {"<a><c><d/></c><b></b></a>", true},
      {"<a>" + std::string(40, ' ') + "<b></b></a>", true},
  };
  for (const auto& [xml, hasText] : cases) {
    SCOPED_TRACE(xml);
    XmlDocument doc = XmlDocument::Create();
    ASSERT_TRUE(doc.LoadBuffer(xml.data(), xml.size(), "", XmlLoadMode::kKeepValues));
    const XmlNode b = doc.DocumentElement().FirstChildElement("b");
    ASSERT_FALSE(b.IsNull());
    const XmlNode child = b.FirstChild();
    EXPECT_EQ(!child.IsNull() && child.Type() == kXmlText, hasText);
  }
}

}  // namespace
}  // namespace compoundparser::testing
