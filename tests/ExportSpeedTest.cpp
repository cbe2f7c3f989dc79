// Tests of the shortcuts that export takes: a field's value read straight from
// the document (FirstChildElementValue), and appends to the export buffer of a
// data file mixed with writes inside it and cuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ElementParser.h"
#include "engine/TParserParam.h"
#include "host/CodePage.h"
#include "host/DataFile.h"
#include "host/HostError.h"
#include "host/Xml.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

XmlDocument Parse(const std::string& text) {
  XmlDocument doc = XmlDocument::Create();
  EXPECT_TRUE(doc.LoadBuffer(text.data(), text.size())) << doc.ParseError().reason;
  return doc;
}

// Returns what FirstChildElement, FirstChild and Value give for `name`.
XmlChildValue ThroughHandles(const XmlNode& parent, const std::string& name, std::string& value) {
  XmlNode element = parent.FirstChildElement(name);
  if (!element) return XmlChildValue::kNoElement;
  XmlNode child = element.FirstChild();
  if (!child) return XmlChildValue::kNoChild;
  auto text = child.Value();
  if (!text) return XmlChildValue::kNoValue;
  value = *text;
  return XmlChildValue::kValue;
}

struct ChildValueCase {
  const char* what;
  std::string xml;  // the root's content
  std::string name;
  XmlChildValue result;
  std::string value;  // "unchanged" stays when the result is not kValue
};

TEST(ExportFieldValue, FindsTheFirstElementAndCopiesItsFirstChild) {
  const std::string many(20, 'o');
  std::string manyChildren;
  for (char c : many) manyChildren += std::string("<") + c + "/>";
  const ChildValueCase cases[] = {
      {"text", "<a>1</a><b>2</b><c>3</c>", "c", XmlChildValue::kValue, "3"},
      {"first of two", "<a>1</a><a>2</a>", "a", XmlChildValue::kValue, "1"},
      {"same first byte", "<Nor>1</Nor><North>2</North><Northing>3</Northing>", "North",
       XmlChildValue::kValue, "2"},
      {"longer name only", "<Northing>3</Northing>", "North", XmlChildValue::kNoElement,
       "unchanged"},
      {"missing", "<a>1</a>", "b", XmlChildValue::kNoElement, "unchanged"},
      {"empty element", "<a/>", "a", XmlChildValue::kNoChild, "unchanged"},
      {"element child", "<a><x>1</x></a>", "a", XmlChildValue::kNoValue, "unchanged"},
      {"cdata", "<a><![CDATA[<1>]]></a>", "a", XmlChildValue::kValue, "<1>"},
      {"comment first", "<a><!--c-->t</a>", "a", XmlChildValue::kValue, "c"},
      {"instruction of that name first", "<?a data?><a>v</a>", "a", XmlChildValue::kValue, "v"},
      {"entities", "<a>x&amp;y&lt;</a>", "a", XmlChildValue::kValue, "x&y<"},
      {"after many others", manyChildren + "<f>v</f>", "f", XmlChildValue::kValue, "v"},
      {"missing after many others", manyChildren, "f", XmlChildValue::kNoElement, "unchanged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    XmlDocument doc = Parse("<r>" + c.xml + "</r>");
    XmlNode root = doc.DocumentElement();
    std::string value = "unchanged";
    EXPECT_EQ(root.FirstChildElementValue(c.name, value), c.result);
    EXPECT_EQ(value, c.value);
    // A second lookup (resume points may exist now) agrees with the handles.
    std::string again = "unchanged";
    std::string expected = "unchanged";
    EXPECT_EQ(root.FirstChildElementValue(c.name, again), ThroughHandles(root, c.name, expected));
    EXPECT_EQ(again, expected);
  }
}

TEST(ExportFieldValue, ReusesTheValueAndFollowsRemovals) {
  XmlDocument doc = Parse("<r><p>1</p><p>22</p><p>333</p></r>");
  XmlNode root = doc.DocumentElement();
  std::string value;
  std::vector<std::string> seen;
  while (root.FirstChildElementValue("p", value) == XmlChildValue::kValue) {
    seen.push_back(value);
    root.RemoveChild(root.FirstChildElement("p"));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "22", "333"}));
  EXPECT_EQ(value, "333");
}

TEST(ExportFieldValue, ShortParentsAreScannedOnce) {
  struct Case {
    int children;
    uint64_t visited;  // children examined by one failing search
  };
  // Up to 16 children are looked at without a resume point; a parent with more
  // gets one, and its first search starts again from the first child.
  const Case cases[] = {{0, 0}, {1, 1}, {15, 15}, {16, 16}, {17, 33}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.children);
    std::string xml = "<r>";
    for (int i = 0; i < c.children; ++i) xml += "<o/>";
    XmlDocument doc = Parse(xml + "</r>");
    std::string value;
    EXPECT_EQ(doc.DocumentElement().FirstChildElementValue("f", value), XmlChildValue::kNoElement);
    EXPECT_EQ(doc.DebugChildrenVisited(), c.visited);
  }
}

struct CodePageGuard {
  ~CodePageGuard() { SetCodePage(""); }
};

TEST(ExportFieldValue, NamesAndValuesOfOtherCodePagesAreConverted) {
  CodePageGuard guard;
  XmlDocument doc = Parse("<r><t\xC3\xA9>20\xC2\xB0</t\xC3\xA9></r>");
  struct Case {
    const char* codePage;
    std::string name;
    XmlChildValue result;
    std::string value;
  };
  const Case cases[] = {
      {"UTF-8", "t\xC3\xA9", XmlChildValue::kValue, "20\xC2\xB0"},
      {"CP1252", "t\xE9", XmlChildValue::kValue, "20\xB0"},
      {"CP1252", "t\xC3\xA9", XmlChildValue::kNoElement, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.codePage) + " " + c.name);
    ASSERT_TRUE(SetCodePage(c.codePage));
    std::string value;
    EXPECT_EQ(doc.DocumentElement().FirstChildElementValue(c.name, value), c.result);
    EXPECT_EQ(value, c.value);
  }
  ASSERT_TRUE(SetCodePage("UTF-8"));
  std::string value;
  EXPECT_THROW(doc.DocumentElement().FirstChildElementValue(std::string("a\x01", 2), value),
               XmlError);
}

TEST(ExportFieldValue, FieldsTakeTheValueTheDefaultOrReport) {
  struct Case {
    const char* what;
    std::string record;
    std::string defaultText;
    bool written;
    std::string output;
    bool raises;
  };
  const Case cases[] = {
      {"value", "<N>12.5</N>", "", true, "12.5", false},
      {"later sibling", "<A>x</A><N>7</N>", "", true, "7", false},
      {"default when missing", "<A>x</A>", "0", true, "0", false},
      {"default for an element child", "<N><x>1</x></N>", "d", true, "d", false},
      {"missing without default", "<A>x</A>", "", false, "", false},
      {"empty element", "<N/>", "d", false, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::RecordingCallBack callBack;
    TParserParam param(&callBack);
    XmlDocument doc = Parse("<data>" + c.record + "</data>");
    param.currentNode = doc.DocumentElement();
    param.file.OpenBuffer("");
    ElementParser field("N", c.defaultText, 1);
    if (c.raises) {
      EXPECT_THROW(field.Write(param), XmlError);
      continue;
    }
    EXPECT_EQ(field.Write(param), c.written);
    EXPECT_EQ(std::string(param.file.Data(), param.file.Length()), c.output);
    EXPECT_EQ(callBack.messages.empty(), c.written);
  }
}

TEST(ExportBuffer, AppendsMixWithWritesInsideAndCuts) {
  struct Step {
    int seek;  // -1: write at the position as it is
    int cut;   // -1: no cut before the write
    std::string bytes;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::string file;
    uint32_t position;
  };
  const Case cases[] = {
      {"appends", {{-1, -1, "ab"}, {-1, -1, ""}, {-1, -1, "cd"}}, "abcd", 4},
      {"inside then append", {{-1, -1, "abcdef"}, {1, -1, "XY"}, {-1, -1, "Z"}}, "aXYZef", 4},
      {"over the end", {{-1, -1, "abc"}, {2, -1, "XYZ"}, {-1, -1, "!"}}, "abXYZ!", 6},
      {"past the end", {{-1, -1, "ab"}, {4, -1, "c"}}, std::string("ab\0\0c", 5), 5},
      {"cut then append", {{-1, -1, "abcdef"}, {-1, 2, "XY"}, {-1, -1, "Z"}}, "abXYZ", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempFolder folder;
    const std::string path = folder.Path("out.txt");
    DataFile file;
    int code = 0;
    ASSERT_TRUE(file.OpenForExport(path, code));
    for (const auto& step : c.steps) {
      if (step.cut >= 0) file.SetLength(static_cast<uint32_t>(step.cut));
      if (step.seek >= 0) file.Seek(static_cast<uint32_t>(step.seek));
      file.Write(step.bytes.data(), static_cast<uint32_t>(step.bytes.size()));
      file.Flush();
    }
    EXPECT_EQ(file.Position(), c.position);
    EXPECT_EQ(file.Length(), c.file.size());
    EXPECT_EQ(testing::ReadFile(path), c.file);
    file.Close();
  }
}

}  // namespace
}  // namespace compoundparser
