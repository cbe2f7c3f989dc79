// The escapes of JSON strings and XML attribute values, by themselves and in fields that have
// the escape attribute, in both directions.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/TextEscape.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

// text, its JSON string body: escaped on export, and read back.
const std::pair<std::string, std::string> kJson[] = {
    {"TOP WALL 18\" WI", "TOP WALL 18\\\" WI"},
    {"C:\\TEMP", "C:\\\\TEMP"},
    {"A\tB\nC\rD\bE\fF", "A\\tB\\nC\\rD\\bE\\fF"},
    {std::string("\x01\x1F", 2), "\\u0001\\u001F"},
    {"caf\xC3\xA9 / 1", "caf\xC3\xA9 / 1"},  // UTF-8 and the solidus stay as they are
    {"", ""},
};

TEST(TextEscape, JsonBothWays) {
  for (const auto& [text, body] : kJson) {
    SCOPED_TRACE(body);
    EXPECT_EQ(EscapeJson(text), body);
    std::string read;
    EXPECT_TRUE(UnescapeJson(body, read));
    EXPECT_EQ(read, text);
  }
}

// Escapes that other writers use and ours does not, and bodies that are no JSON string.
TEST(TextEscape, JsonReadsOtherEscapesAndRefusesBrokenOnes) {
  const std::pair<const char*, const char*> good[] = {
      {"a\\/b", "a/b"},
      {"\\u00e9", "\xC3\xA9"},
      {"\\u20AC", "\xE2\x82\xAC"},
      {"\\ud83d\\ude00", "\xF0\x9F\x98\x80"},  // a surrogate pair is one code point
  };
  for (const auto& [body, text] : good) {
    std::string read;
    EXPECT_TRUE(UnescapeJson(body, read)) << body;
    EXPECT_EQ(read, text) << body;
  }
  for (const char* body :
       {"a\\", "a\\x", "\\u12", "\\u12G4", "\\ud83d", "\\ude00", "\\ud83dx", "a\"b", "a\tb"}) {
    std::string read;
    EXPECT_FALSE(UnescapeJson(body, read)) << body;
  }
}

// text, its XML attribute value.
const std::pair<std::string, std::string> kXml[] = {
    {"A&B <C>", "A&amp;B &lt;C&gt;"},     {"18\" WI", "18&quot; WI"},     {"O'BRIEN", "O'BRIEN"},
    {"A\tB\nC\rD", "A&#9;B&#10;C&#13;D"}, {"caf\xC3\xA9", "caf\xC3\xA9"},
};

TEST(TextEscape, XmlBothWays) {
  for (const auto& [text, value] : kXml) {
    SCOPED_TRACE(value);
    bool fits = false;
    EXPECT_EQ(EscapeXml(text, fits), value);
    EXPECT_TRUE(fits);
    std::string read;
    EXPECT_TRUE(UnescapeXml(value, read));
    EXPECT_EQ(read, text);
  }
  bool fits = true;
  EscapeXml(std::string("A\x01", 2), fits);
  EXPECT_FALSE(fits) << "XML 1.0 holds no control character but tab and line breaks";
}

TEST(TextEscape, XmlReadsReferencesAndRefusesBrokenOnes) {
  const std::pair<const char*, const char*> good[] = {
      {"O&apos;B", "O'B"},
      {"&#233;&#xE9;&#x20AC;", "\xC3\xA9\xC3\xA9\xE2\x82\xAC"},
      {"&#x1F600;", "\xF0\x9F\x98\x80"},
  };
  for (const auto& [value, text] : good) {
    std::string read;
    EXPECT_TRUE(UnescapeXml(value, read)) << value;
    EXPECT_EQ(read, text) << value;
  }
  for (const char* value : {"A&B", "&nbsp;", "&#;", "&#x;", "&#1;", "&#xD800;", "&#x110000;",
                            "&#12a;", "a<b", "a\"b", "&amp"}) {
    std::string read;
    EXPECT_FALSE(UnescapeXml(value, read)) << value;
  }
}

// A field with the escape attribute: export escapes after the struck bytes and before the
// padding; import resolves the escapes, and a value that is no string of the kind fails.
std::string WriteEscaped(TextEscape escape, const std::string& value, int width = 0) {
  Harness h;
  ElementParser field("V", "", 0);
  field.SetEscape(escape);
  field.SetWidth(width);
  return h.WriteRun(field, "<data><V>" + value + "</V></data>");
}

std::string ReadEscaped(TextEscape escape, const std::string& input) {
  Harness h;
  ElementParser field("V", "", 0);
  field.SetEscape(escape);
  field.SetFill('\x7F');
  h.param.file.OpenBuffer(input);
  const bool ok = field.Read(h.param, input.size());
  const XmlNode v = h.data.FirstChildElement("V");
  return (ok ? "ok " : "fail ") + std::to_string(h.Position()) + " " +
         (v ? v.FirstChild().Value().value_or("") : "") + "|" + h.callBack.Joined();
}

TEST(TextEscape, FieldsEscapeOnExportAndResolveOnImport) {
  EXPECT_EQ(WriteEscaped(TextEscape::kJson, "18&quot; \\"), "18\\\" \\\\|");
  EXPECT_EQ(WriteEscaped(TextEscape::kXml, "A&amp;B"), "A&amp;B|");
  EXPECT_EQ(WriteEscaped(TextEscape::kXml, "A&amp;B", 8), "A&amp;B |");
  EXPECT_EQ(WriteEscaped(TextEscape::kXml, "A&amp;B", 5), "<fail>|4:Data does not fit in element");

  EXPECT_EQ(ReadEscaped(TextEscape::kJson, "18\\\" WI "), "ok 8 18\" WI |");
  EXPECT_EQ(ReadEscaped(TextEscape::kXml, "A&amp;B&#9;"), "ok 11 A&B\t|");
  EXPECT_EQ(ReadEscaped(TextEscape::kJson, "A\\"),
            "fail 0 |4:FormatParser: Type of element mismatch");
  EXPECT_EQ(ReadEscaped(TextEscape::kXml, "A&B"),
            "fail 0 |4:FormatParser: Type of element mismatch");
}

}  // namespace
}  // namespace compoundparser::testing
