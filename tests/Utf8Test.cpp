// The one UTF-8 decoder: every valid form of each length, and the byte
// sequences that are no character (overlong forms, encoded surrogates, code
// points above U+10FFFF, broken sequences), which no document may take.
#include <gtest/gtest.h>

#include <string>

#include "data/XmlStreamBuilder.h"
#include "host/HostError.h"
#include "host/Utf8.h"
#include "host/Xml.h"

namespace compoundparser::testing {
namespace {

struct Decoded {
  const char* bytes;
  size_t length;
  char32_t code;
};
const Decoded kValid[] = {
    {"A", 1, U'A'},
    {"\x7F", 1, 0x7F},
    {"\xC2\x80", 2, 0x80},
    {"\xC3\xA9", 2, 0xE9},
    {"\xDF\xBF", 2, 0x7FF},
    {"\xE0\xA0\x80", 3, 0x800},
    {"\xE2\x82\xAC", 3, 0x20AC},
    {"\xED\x9F\xBF", 3, 0xD7FF},
    {"\xEE\x80\x80", 3, 0xE000},
    {"\xF0\x90\x80\x80", 4, 0x10000},
    {"\xF0\x9F\x98\x80", 4, 0x1F600},
    {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
};

// Sequences that are no character, as the UTF-8 standard defines it.
const char* const kInvalid[] = {
    "\x80",              // a continuation byte alone
    "\xC0\x80",          // overlong NUL
    "\xC1\xBF",          // overlong
    "\xE0\x80\x80",      // overlong
    "\xE0\x9F\xBF",      // overlong
    "\xED\xA0\x80",      // encoded high surrogate U+D800
    "\xED\xBF\xBF",      // encoded low surrogate U+DFFF
    "\xF0\x80\x80\x80",  // overlong
    "\xF4\x90\x80\x80",  // above U+10FFFF
    "\xF5\x80\x80\x80",  // no lead byte
    "\xFF",              // no lead byte
    "\xC3",              // cut short
    "\xE2\x82",          // cut short
    "\xC3\x41",          // no continuation byte
    "\xE2\x28\xA1",      // no continuation byte
};

TEST(Utf8Decode, ValidCharactersOfEveryLength) {
  for (const Decoded& c : kValid) {
    SCOPED_TRACE(c.bytes);
    char32_t code = 0;
    EXPECT_EQ(DecodeUtf8(c.bytes, 0, code), c.length);
    EXPECT_EQ(code, c.code);
    std::string encoded;
    AppendUtf8(c.code, encoded);
    EXPECT_EQ(encoded, c.bytes);
  }
}

TEST(Utf8Decode, NoCharacterIsDecodedFromInvalidBytes) {
  for (const char* bytes : kInvalid) {
    SCOPED_TRACE(::testing::PrintToString(std::string(bytes)));
    char32_t code = 0;
    EXPECT_EQ(DecodeUtf8(bytes, 0, code), 0u);
    // After eight bytes of ASCII (past the fast path's first word) and at the start.
    EXPECT_EQ(InvalidUtf8Offset(std::string("abcdefgh") + bytes + "z"), 8u);
    EXPECT_EQ(InvalidUtf8Offset(std::string(bytes) + "abcdefghij"), 0u);
  }
  EXPECT_EQ(InvalidUtf8Offset("abcdefgh\xC3\xA9\xE2\x82\xAC"
                              "0123456789"),
            std::string::npos);
}

// An encoded surrogate reaches no document: not through the DOM, not through a
// load, not through the streaming writer of an import.
TEST(Utf8Decode, DocumentsRefuseEncodedSurrogates) {
  const std::string surrogate = "x\xED\xA0\x80";
  XmlDocument document = XmlDocument::Create();
  XmlNode element = document.AsNode().AppendElement("a");
  EXPECT_THROW(element.AppendText(surrogate), XmlError);
  EXPECT_THROW(element.SetAttribute("v", surrogate), XmlError);

  const std::string xml = "<a>" + surrogate + "</a>";
  XmlDocument loaded = XmlDocument::Create();
  EXPECT_FALSE(loaded.LoadBuffer(xml.data(), xml.size()));
  EXPECT_EQ(loaded.ParseError().offset, 4u);

  XmlStreamBuilder builder(nullptr);
  builder.OpenElement("a", 0);
  EXPECT_THROW(builder.AppendText(surrogate), XmlError);
}

}  // namespace
}  // namespace compoundparser::testing
