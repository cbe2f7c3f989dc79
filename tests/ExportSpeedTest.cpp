// Tests of the shortcut that export takes for a field's value: read straight
// from the document (FirstChildElementValue) instead of through node handles.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/Xml.h"

namespace compoundparser {
namespace {

using Child = XmlChildValue;

XmlDocument Parse(const std::string& text) {
  XmlDocument doc = XmlDocument::Create();
  EXPECT_TRUE(doc.LoadBuffer(text.data(), text.size())) << doc.ParseError().reason;
  return doc;
}

// Returns what FirstChildElement, FirstChild and Value give for `name`.
Child ThroughHandles(const XmlNode& parent, const std::string& name, std::string& value) {
  XmlNode element = parent.FirstChildElement(name);
  if (!element) return Child::kNoElement;
  if (!element.FirstChild()) return Child::kNoChild;
  auto text = element.FirstChild().Value();
  if (!text) return Child::kNoValue;
  value = *text;
  return Child::kValue;
}

TEST(ExportFieldValue, FindsTheFirstElementAndCopiesItsFirstChild) {
  std::string many;
  for (int i = 0; i < 20; ++i) many += "<o/>";
  // xml: the root's content; value: "unchanged" stays when the result is not kValue.
  const std::tuple<std::string, std::string, Child, std::string> cases[] = {
      {"<a>1</a><b>2</b><c>3</c>", "c", Child::kValue, "3"},
      {"<a>1</a><a>2</a>", "a", Child::kValue, "1"},
      {"<Nor>1</Nor><North>2</North><Northing>3</Northing>", "North", Child::kValue, "2"},
      {"<Northing>3</Northing>", "North", Child::kNoElement, "unchanged"},
      {"<a>1</a>", "b", Child::kNoElement, "unchanged"},
      {"<a/>", "a", Child::kNoChild, "unchanged"},
      {"<a><x>1</x></a>", "a", Child::kNoValue, "unchanged"},
      {"<a><![CDATA[<1>]]></a>", "a", Child::kValue, "<1>"},
      {"<a><!--c-->t</a>", "a", Child::kValue, "c"},
      {"<?a data?><a>v</a>", "a", Child::kValue, "v"},
      {"<a>x&amp;y&lt;</a>", "a", Child::kValue, "x&y<"},
      {many + "<f>v</f>", "f", Child::kValue, "v"},
      {many, "f", Child::kNoElement, "unchanged"},
  };
  for (const auto& [xml, name, result, want] : cases) {
    SCOPED_TRACE(xml);
    XmlDocument doc = Parse("<r>" + xml + "</r>");
    XmlNode root = doc.DocumentElement();
    std::string value = "unchanged", again = "unchanged", expected = "unchanged";
    EXPECT_EQ(root.FirstChildElementValue(name, value), result);
    EXPECT_EQ(value, want);
    // A second lookup (resume points may exist now) agrees with the handles.
    EXPECT_EQ(root.FirstChildElementValue(name, again), ThroughHandles(root, name, expected));
    EXPECT_EQ(again, expected);
  }
  XmlDocument doc = Parse("<r><p>1</p><p>22</p><p>333</p></r>");
  std::string value, seen;
  while (doc.DocumentElement().FirstChildElementValue("p", value) == Child::kValue) {
    seen += value + " ";
    doc.DocumentElement().RemoveChild(doc.DocumentElement().FirstChildElement("p"));
  }
  EXPECT_EQ(seen, "1 22 333 ");
}

TEST(ExportFieldValue, ShortParentsAreScannedOnce) {
  // Up to 16 children are looked at without a resume point; a parent with more
  // gets one, and its first search starts again from the first child.
  // visited: children examined by one failing search.
  const std::tuple<int, uint64_t> cases[] = {{0, 0}, {1, 1}, {15, 15}, {16, 16}, {17, 33}};
  for (const auto& [children, visited] : cases) {
    SCOPED_TRACE(children);
    std::string xml = "<r>";
    for (int i = 0; i < children; ++i) xml += "<o/>";
    XmlDocument doc = Parse(xml + "</r>");
    std::string value;
    EXPECT_EQ(doc.DocumentElement().FirstChildElementValue("f", value), Child::kNoElement);
    EXPECT_EQ(doc.DebugChildrenVisited(), visited);
  }
}

TEST(ExportFieldValue, NamesAndValuesOfOtherCodePagesAreConverted) {
  struct CodePageGuard {
    ~CodePageGuard() { SetCodePage(""); }
  } guard;
  XmlDocument doc = Parse("<r><t\xC3\xA9>20\xC2\xB0</t\xC3\xA9></r>");
  const std::tuple<const char*, std::string, Child, std::string> cases[] = {
      {"UTF-8", "t\xC3\xA9", Child::kValue, "20\xC2\xB0"},
      {"CP1252", "t\xE9", Child::kValue, "20\xB0"},
      {"CP1252", "t\xC3\xA9", Child::kNoElement, ""},
  };
  std::string value;
  for (const auto& [codePage, name, result, want] : cases) {
    SCOPED_TRACE(std::string(codePage) + " " + name);
    ASSERT_TRUE(SetCodePage(codePage));
    value.clear();
    EXPECT_EQ(doc.DocumentElement().FirstChildElementValue(name, value), result);
    EXPECT_EQ(value, want);
  }
  ASSERT_TRUE(SetCodePage("UTF-8"));
  EXPECT_THROW(doc.DocumentElement().FirstChildElementValue(std::string("a\x01", 2), value),
               XmlError);
}

}  // namespace
}  // namespace compoundparser
