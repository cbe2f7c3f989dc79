#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/Xml.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::ReadFile;

const std::string kXmlData = std::string(CP_TEST_DATA_DIR) + "/xml/";

// Returns the code of the XmlError that `action` raises, or 0 when it raises none.
uint32_t ErrorCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const XmlError& e) {
    return e.Code();
  }
  return 0;
}

XmlDocument Parse(const std::string& text) {
  XmlDocument doc = XmlDocument::Create();
  EXPECT_TRUE(doc.LoadBuffer(text.data(), text.size(), "test.xml")) << doc.ParseError().reason;
  return doc;
}

// Returns `depth` nested empty elements "e".
std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<e>";
  for (int i = 0; i < depth; ++i) text += "</e>";
  return text;
}

// Restores the locale's code page when a test leaves.
struct CodePageGuard {
  ~CodePageGuard() { SetCodePage(""); }
};

TEST(XmlLoad, KeepsCommentsInstructionsAndTextButDropsWhiteSpace) {
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.Load(kXmlData + "plain.xml")) << doc.ParseError().reason;
  EXPECT_EQ(doc.ParseError().code, 0u);
  std::vector<int> types;
  for (XmlNode n = doc.AsNode().FirstChild(); n; n = n.NextSibling()) types.push_back(n.Type());
  EXPECT_EQ(types, (std::vector<int>{kXmlProcessingInstruction, kXmlComment,
                                     kXmlProcessingInstruction, kXmlElement}));
  XmlNode declaration = doc.AsNode().FirstChild();
  EXPECT_EQ(declaration.Name(), "xml");
  EXPECT_EQ(declaration.Value(), "version=\"1.0\"");
  EXPECT_EQ(declaration.NextSibling().Value(), " comment ");
  XmlNode root = doc.DocumentElement();
  EXPECT_EQ(root.Name(), "root");
  // The indentation between the children is gone; " y " keeps its spaces.
  EXPECT_EQ(root.FirstChild().NextSibling().Name(), "b");
  EXPECT_EQ(root.LastChild().FirstChild().Value(), " y ");
  EXPECT_EQ(root.LastChild().FirstChild().Type(), kXmlText);
  EXPECT_EQ(root.LastChild().FirstChild().Name(), "#text");
}

TEST(XmlLoad, ExpandsReferencesAndConvertsEncodings) {
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>z</a>")) {
    utf16 += std::string{c, '\0'};
  }
  // xml: a file of tests/data/xml when it ends in ".xml".
  const std::tuple<std::string, const char*> cases[] = {
      {"<a>&lt;&gt;&amp;&apos;&quot;</a>", "<>&'\""},
      {"<a>&#65;&#x42;&#xe9;</a>", "AB\xC3\xA9"},
      {"<a><![CDATA[x & ]] <y>]]></a>", "x & ]] <y>"},
      {"<!DOCTYPE a [<!ENTITY e \"&amp;\">]><a>t</a>", "t"},
      {"<a><!-- & ]]> --><?pi & ?>t</a>", "t"},
      {"<?xml version='1.1' encoding='utf-8' standalone='no' ?><a>t</a>", "t"},
      {"<?xml version = \"1.0\"\n\tencoding = \"US-ASCII\"?><a>t</a>", "t"},
      {"<?xml version=\"1.0\" standalone=\"yes\"?><a>t</a>", "t"},
      {utf16, "z"},
      {"cp1252.xml", "20\xC2\xB0\x43"},
      {"shiftjis.xml", "\xE3\x81\x82"},
  };
  for (const auto& [xml, text] : cases) {
    SCOPED_TRACE(xml.substr(0, 40));
    const bool isFile = xml.size() > 4 && xml.compare(xml.size() - 4, 4, ".xml") == 0;
    XmlDocument doc = XmlDocument::Create();
    ASSERT_TRUE(isFile ? doc.Load(kXmlData + xml) : doc.LoadBuffer(xml.data(), xml.size()))
        << doc.ParseError().reason;
    EXPECT_EQ(doc.DocumentElement().Text(), text);
    // A declared encoding is converted; saved as UTF-8, the declaration says so.
    if (xml.find("encoding=\"") != std::string::npos || isFile) {
      EXPECT_EQ(doc.SaveToString().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    }
  }
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.Load(kXmlData + "cp1252.xml"));
  EXPECT_EQ(doc.DocumentElement().GetAttribute("t"), "\xC2\xB0");
  int depth = 0;
  for (XmlNode n = Parse(Nested(1024)).DocumentElement(); n; n = n.FirstChild()) ++depth;
  EXPECT_EQ(depth, 1024);
}

TEST(XmlLoad, RejectsWhatXmlForbids) {
  // reason: part of the reason.
  const std::tuple<std::string, const char*, int, int> cases[] = {
      {"<a x=\"1\" x=\"2\"/>", "Duplicate attribute 'x'", 1, 10},
      {"<a/>\n<b/>", "Only one top level element", 2, 1},
      // pugixml ends this declaration at "/>" and finds two elements after it.
      {"<?xml /><b/><c/>?>", "declaration is malformed", 1, 1},
      {"<?xml version=\"1.0\" x=\"<\"?><a/>", "declaration is malformed", 1, 1},
      // pugixml decodes these references and would save a '>' or "?>" into
      // the declaration.
      {"<?xml version=\"&gt;\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml version=\"?&#62;\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml version=\"1.0\" x=\"1\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml encoding=\"UTF-8\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><a/>",
       "declaration is malformed", 1, 1},
      {"<?xml version=\"1.0\" standalone=\"maybe\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml version=\"2.0\"?><a/>", "declaration is malformed", 1, 1},
      {"<?xml?><a/>", "declaration is malformed", 1, 1},
      {"<a/>txt", "Text is not allowed at the top level", 1, 5},
      {"txt<a/>", "Text is not allowed at the top level", 1, 1},
      {"<a>&foo;</a>", "undefined entity 'foo'", 1, 4},
      {"<a>\n  <b c=\"&nope;\"/></a>", "undefined entity 'nope'", 2, 9},
      // Entities of a document type are neither expanded nor loaded from outside.
      {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "undefined entity 'e'", 1, 34},
      {"<!DOCTYPE a [<!ENTITY e SYSTEM \"/etc/passwd\">]><a>&e;</a>", "undefined entity 'e'", 1,
       51},
      {"<a>x & y</a>", "must start an entity or character reference", 1, 6},
      {"<a>&#1;</a>", "not a valid character", 1, 4},
      {"<a b=\"<\"/>", "'<' is not allowed in an attribute value", 1, 7},
      {"<a>]]></a>", "\"]]>\" is not allowed", 1, 4},
      {" <?xml version=\"1.0\"?><a/>", "declaration is allowed only at the start", 1, 2},
      {"<a>\x01</a>", "Invalid character 1", 1, 4},
      {"<a>\xFF</a>", "Invalid UTF-8", 1, 4},
      {"<a>\n  <b></c></a>", "end tag 'c' does not match", 2, 6},
      {Nested(1025), "nested deeper than 1024", 1, 1024 * 3 + 1},
      {"", "No document element", 1, 1},
      {"<a>\n<b>\n", "ends before every element is closed", 3, 1},
      {"<a b=c/>", "attribute", 1, 6},
      {"<a>\n</a", "end element", 2, 3},
  };
  for (const auto& [xml, reason, line, position] : cases) {
    SCOPED_TRACE(xml.substr(0, 60));
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.LoadBuffer(xml.data(), xml.size(), "bad.xml"));
    const XmlParseError& error = doc.ParseError();
    EXPECT_EQ(error.code, kXmlErrorParse);
    EXPECT_TRUE(testing::Contains(error.reason, reason));
    EXPECT_EQ(error.line, line);
    EXPECT_EQ(error.linePosition, position);
    EXPECT_EQ(error.url, "bad.xml");
    EXPECT_TRUE(doc.DocumentElement().IsNull());
  }
  for (const auto& [file, code, reason] :
       {std::tuple{"no-such-file.xml", kXmlErrorNotFound, "No such file"},
        std::tuple{"unknown-encoding.xml", kXmlErrorParse, "x-no-such-code"}}) {
    SCOPED_TRACE(file);
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.Load(kXmlData + file));
    EXPECT_EQ(doc.ParseError().code, code);
    EXPECT_TRUE(testing::Contains(doc.ParseError().reason, reason));
    EXPECT_EQ(doc.ParseError().url, kXmlData + file);
  }
}

// The duplicate check costs the same per attribute however many a tag has: a
// quadratic one takes minutes on the largest tag here.
TEST(XmlLoad, AttributesAreCheckedForDuplicatesInLinearTime) {
  // count: attributes a0..a(count-1); repeated: the index that comes again at the
  // end (-1: none).
  const std::tuple<int, int> cases[] = {
      {3, -1}, {3, 0}, {20, 2}, {20, 19}, {17, 16}, {300000, -1}, {300000, 299990},
  };
  for (const auto& [count, repeated] : cases) {
    SCOPED_TRACE(std::to_string(count) + " " + std::to_string(repeated));
    std::string xml = "<a";
    for (int i = 0; i < count; ++i) xml += " a" + std::to_string(i) + "=\"\"";
    if (repeated >= 0) xml += " a" + std::to_string(repeated) + "=\"x\"";
    xml += "/>";
    const auto start = std::chrono::steady_clock::now();
    XmlDocument doc = XmlDocument::Create();
    EXPECT_EQ(doc.LoadBuffer(xml.data(), xml.size()), repeated < 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    if (repeated >= 0) {
      EXPECT_EQ(doc.ParseError().reason, "Duplicate attribute 'a" + std::to_string(repeated) + "'");
    }
  }
}

TEST(XmlLoad, DoctypeIsKeptAsItWas) {
  XmlDocument doc = Parse("\xEF\xBB\xBF<!DOCTYPE a SYSTEM \"/etc/passwd\"><a>t</a>");
  EXPECT_EQ(doc.AsNode().FirstChild().Type(), kXmlDocType);
  EXPECT_EQ(doc.AsNode().FirstChild().Name(), "a");
  EXPECT_EQ(doc.SaveToString(), "<!DOCTYPE a SYSTEM \"/etc/passwd\"><a>t</a>");
}

TEST(XmlSave, WritesNodesExactlyToAStringAndAFile) {
  XmlDocument doc = XmlDocument::Create();
  XmlNode top = doc.AsNode();
  top.AppendProcessingInstruction("xml", "version=\"1.0\"");
  top.AppendComment(" sample ");
  XmlNode data = top.AppendElement("data");
  data.AppendText("\r\n  ");
  XmlNode info = data.AppendElement("info");
  info.SetAttribute("file", "a\"b<&>\t");
  data.AppendText("\r\n");
  data.AppendElement("Name").AppendText("P&1 <x>");
  data.InsertTextBefore(info, "\n");
  data.InsertTextBefore(XmlNode(), "end");
  const std::string expected =
      "<?xml version=\"1.0\"?><!-- sample --><data>\r\n  \n"
      "<info file=\"a&quot;b&lt;&amp;>&#9;\"/>\r\n<Name>P&amp;1 &lt;x&gt;</Name>end</data>";
  EXPECT_EQ(doc.SaveToString(), expected);
  testing::TempFolder folder;
  doc.Save(folder.Path("sample.xml"));
  EXPECT_EQ(ReadFile(folder.Path("sample.xml")), expected);
  XmlDocument again = XmlDocument::Create();
  ASSERT_TRUE(again.Load(folder.Path("sample.xml"))) << again.ParseError().reason;
  EXPECT_EQ(again.DocumentElement().FirstChildElement("info").GetAttribute("file"), "a\"b<&>\t");
  EXPECT_EQ(again.DocumentElement().FirstChildElement("Name").Text(), "P&1 <x>");
  EXPECT_NE(ErrorCodeOf([&] { doc.Save(folder.Path("no-such-folder/out.xml")); }), 0u);
}

TEST(XmlBuild, RejectsWhatWouldMakeTheDocumentInvalid) {
  XmlDocument doc = XmlDocument::Create();
  XmlNode top = doc.AsNode();
  XmlNode root = top.AppendElement("root");
  XmlNode text = root.AppendText("ok");
  XmlNode stranger = XmlDocument::Create().AsNode().AppendElement("x");
  for (const char* name : {"", "1a", "-a", ".a", "a b", "a<", "a&b", "a\"", "a/b"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorCodeOf([&] { root.AppendElement(name); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SetAttribute(name, "v"); }), kXmlErrorInvalidArg);
  }
  for (const std::string& value :
       {std::string("a\x01"), std::string("\x1F"), std::string("a\0b", 3)}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(ErrorCodeOf([&] { root.AppendText(value); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { text.SetValue(value); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SetAttribute("k", value); }), kXmlErrorInvalidArg);
  }
  const std::tuple<const char*, std::function<void()>, uint32_t> cases[] = {
      {"broken UTF-8", [&] { root.AppendText("\xC3"); }, kXmlErrorInvalidArg},
      {"-- in a comment", [&] { root.AppendComment("a--b"); }, kXmlErrorInvalidArg},
      {"second root", [&] { top.AppendElement("second"); }, kXmlErrorFail},
      {"top-level text", [&] { top.AppendText("loose"); }, kXmlErrorFail},
      {"late declaration", [&] { top.AppendProcessingInstruction("xml", "version=\"1.0\""); },
       kXmlErrorFail},
      {"child of text", [&] { text.AppendElement("child"); }, kXmlErrorFail},
      {"value of element", [&] { root.SetValue("v"); }, kXmlErrorFail},
      {"other document's node", [&] { root.RemoveChild(stranger); }, kXmlErrorInvalidArg},
      {"grandchild", [&] { top.RemoveChild(text); }, kXmlErrorInvalidArg},
  };
  for (const auto& [what, action, code] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(ErrorCodeOf(action), code);
  }
  const char* valid[] = {"a", "_a", ":a", "a-1.b", "\xC3\xA9t\xC3\xA9"};
  for (const char* name : valid) EXPECT_EQ(root.AppendElement(name).Name(), name);
  // The rejected calls left nothing behind.
  size_t children = 0;
  for (XmlNode n = root.FirstChild(); n; n = n.NextSibling()) ++children;
  EXPECT_EQ(children, std::size(valid) + 1);
  EXPECT_FALSE(root.GetAttribute("a").has_value());
  text.SetValue("tab\tcr\rlf\n");
  EXPECT_EQ(text.Value(), "tab\tcr\rlf\n");
  EXPECT_EQ(doc.SaveToString(),
            "<root>tab\tcr&#13;lf\n<a/><_a/><:a/><a-1.b/><\xC3\xA9t\xC3\xA9/></root>");
}

TEST(XmlNodeValue, TextAttributesAndHandles) {
  XmlNode a;
  {
    XmlDocument doc = Parse("<a empty=\"\" x=\"1\">one<!-- c -->two<b>three</b></a>");
    a = doc.DocumentElement();
    EXPECT_EQ(doc.AsNode().Value(), std::nullopt);
    EXPECT_EQ(doc.AsNode().Type(), kXmlDocumentNode);
  }
  // The handle keeps its document alive.
  EXPECT_EQ(a.Value(), std::nullopt);
  EXPECT_EQ(a.FirstChild().Value(), "one");
  EXPECT_EQ(a.FirstChild().NextSibling().Value(), " c ");
  EXPECT_EQ(a.FirstChild().NextSibling().Name(), "#comment");
  EXPECT_EQ(a.Text(), "onetwothree");
  EXPECT_EQ(a.LastChild().Parent(), a);
  EXPECT_EQ(a.OwnerDocument().DocumentElement(), a);
  EXPECT_EQ(a.GetAttribute("empty"), "");
  EXPECT_EQ(a.GetAttribute("missing"), std::nullopt);
  a.SetAttribute("x", "2");
  a.SetAttribute("y", "3");
  EXPECT_EQ(a.OwnerDocument().SaveToString(),
            "<a empty=\"\" x=\"2\" y=\"3\">one<!-- c -->two<b>three</b></a>");
}

TEST(XmlNodeHandle, NullNodeAndEmptyDocumentRaisePointerErrors) {
  XmlNode node;
  XmlDocument doc;
  const std::vector<std::function<void()>> actions = {
      [&] { node.Name(); },
      [&] { node.Value(); },
      [&] { node.SetValue("x"); },
      [&] { node.FirstChild(); },
      [&] { node.Parent(); },
      [&] { node.OwnerDocument(); },
      [&] { node.AppendElement("a"); },
      [&] { node.AppendText("a"); },
      [&] { node.RemoveChildren(); },
      [&] { node.FirstChildElement("a"); },
      [&] { node.SelectNodes("a"); },
      [&] { node.GetAttribute("a"); },
      [&] { node.SetAttribute("a", "b"); },
      [&] { XmlQuery("a").Count(node); },
      [&] { doc.Load("x.xml"); },
      [&] { doc.SaveToString(); },
      [&] { doc.DocumentElement(); },
      [&] { doc.AsNode(); },
      [&] { doc.ParseError(); },
      [&] { doc.Clear(); },
  };
  for (size_t i = 0; i < actions.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorCodeOf(actions[i]), kXmlErrorPointer);
  }
  EXPECT_EQ(node.Type(), kXmlNull);
}

TEST(XmlSelect, ReturnsNodesInDocumentOrderRelativeToTheContext) {
  XmlDocument doc = Parse("<r><b id=\"1\"/><a><b id=\"2\"/><b/><b/></a><b id=\"3\"/><c/></r>");
  XmlNode root = doc.DocumentElement();
  std::string ids;
  for (const XmlNode& n : root.SelectNodes("//c | //b | //a")) {
    ids += n.Name() + n.GetAttribute("id").value_or("") + " ";
  }
  EXPECT_EQ(ids, "b1 a b2 b b b3 c ");
  EXPECT_EQ(root.SelectSingleNode("./b[@id=\"3\"]").GetAttribute("id"), "3");
  EXPECT_TRUE(root.SelectSingleNode("./z").IsNull());
  // Attribute results have no node handle: left out of the list, counted.
  EXPECT_TRUE(root.SelectNodes("//b/@id").empty());
  EXPECT_EQ(XmlQuery("//b/@id").Count(root), 3u);
  const XmlQuery query("./b");
  EXPECT_EQ(query.Text(), "./b");
  XmlNode a = root.FirstChildElement("a");
  EXPECT_EQ(query.Count(a), 3u);
  EXPECT_EQ(query.Count(root), 2u);
  EXPECT_EQ(query.Select(a).front(), a.FirstChild());
  for (const char* bad : {"///", "./a[", "a b", "count(a) +", "1 + 1"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ErrorCodeOf([&] { root.SelectNodes(bad); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SelectSingleNode(bad); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { XmlQuery(bad).Count(root); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { XmlQuery(bad).Select(root); }), kXmlErrorInvalidArg);
  }
}

TEST(XmlFirstChildElement, ConsumingElementsOneByOneIsLinear) {
  constexpr int kCount = 200000;
  XmlDocument doc = XmlDocument::Create();
  XmlNode data = doc.AsNode().AppendElement("data");
  data.AppendElement("info");
  for (int i = 0; i < kCount; ++i) {
    data.AppendText("\n  ");
    data.AppendElement("r").SetAttribute("n", std::to_string(i));
  }
  // The indentation stays behind as each record is removed, as in an export.
  int found = 0;
  for (XmlNode r = data.FirstChildElement("r"); r; r = data.FirstChildElement("r"), ++found) {
    ASSERT_EQ(r.GetAttribute("n"), std::to_string(found));
    data.RemoveChild(r);
  }
  EXPECT_EQ(found, kCount);
  EXPECT_LE(doc.DebugChildrenVisited(), static_cast<uint64_t>(3 * kCount));
  EXPECT_FALSE(data.FirstChildElement("info").IsNull());
}

// Returns whether `node` is `ancestor` or lies below it.
bool IsWithin(XmlNode node, const XmlNode& ancestor) {
  for (; node; node = node.Parent()) {
    if (node == ancestor) return true;
  }
  return false;
}

TEST(XmlFirstChildElement, StaysCorrectUnderAppendsAndRemoves) {
  const std::string names[] = {"a", "b", "c"};
  std::mt19937 random(12345);
  XmlDocument doc = XmlDocument::Create();
  std::vector<XmlNode> parents = {doc.AsNode().AppendElement("root")};
  for (int step = 0; step < 20000; ++step) {
    SCOPED_TRACE(step);
    XmlNode parent = parents[random() % parents.size()];
    const std::string& name = names[random() % 3];
    std::vector<XmlNode> children;
    for (XmlNode n = parent.FirstChild(); n; n = n.NextSibling()) children.push_back(n);
    const unsigned action = random() % 6;
    if (action < 2) {
      XmlNode added = parent.AppendElement(name);
      if (parents.size() < 8 && random() % 4 == 0) parents.push_back(added);
    } else if (action == 2) {
      parent.AppendText("t");
    } else if (action == 3 && !children.empty()) {
      // Remove a random child, possibly a whole parent with its cursors.
      XmlNode victim = children[random() % children.size()];
      for (size_t i = 1; i < parents.size(); ++i) {
        if (IsWithin(parents[i], victim))
          parents.erase(parents.begin() + static_cast<std::ptrdiff_t>(i--));
      }
      parent.RemoveChild(victim);
    } else if (action > 3) {
      XmlNode found = parent.FirstChildElement(name), expected;
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (it->Type() == kXmlElement && it->Name() == name) expected = *it;
      }
      ASSERT_EQ(found, expected);
      bool isParent = false;
      for (const XmlNode& p : parents) isParent = isParent || IsWithin(p, found);
      if (found && random() % 2 == 0 && !isParent) parent.RemoveChild(found);
    }
  }
}

TEST(XmlFirstChildElement, RemovalsClearAndLoadKeepLaterFindsRight) {
  XmlDocument doc = Parse("<r><t/><a/></r>");
  EXPECT_EQ(doc.DocumentElement().FirstChildElement("a"), doc.DocumentElement().LastChild());
  EXPECT_TRUE(doc.DocumentElement().FirstChildElement("z").IsNull());
  doc.Clear();
  XmlNode root = doc.AsNode().AppendElement("r");
  root.AppendText("1");
  root.AppendElement("a");
  XmlNode last = root.AppendElement("b");
  // Not found: the cursor for "z" rests on the last child, which then goes.
  EXPECT_TRUE(root.FirstChildElement("z").IsNull());
  root.RemoveChild(last);
  XmlNode z = root.AppendElement("z");
  EXPECT_EQ(root.FirstChildElement("z"), z);
  // Found "a": its cursor is the text before it; removing that text moves it.
  XmlNode a = root.FirstChildElement("a");
  root.RemoveChild(root.FirstChild());
  EXPECT_EQ(root.FirstChildElement("a"), a);
  // A removed element's own cursors go with it, so a new node at its address
  // starts afresh.
  XmlNode inner = a.AppendElement("x");
  EXPECT_EQ(a.FirstChildElement("x"), inner);
  root.RemoveChild(a);
  XmlNode fresh = root.AppendElement("n");
  XmlNode child = fresh.AppendElement("x");
  EXPECT_EQ(fresh.FirstChildElement("x"), child);
  fresh.RemoveChildren();
  EXPECT_TRUE(fresh.FirstChildElement("x").IsNull());
  EXPECT_EQ(fresh.FirstChildElement("x"), fresh.AppendElement("x"));
  const std::string text = "<r><a>1</a><a>2</a></r>";
  ASSERT_TRUE(doc.LoadBuffer(text.data(), text.size()));
  EXPECT_EQ(doc.DocumentElement().FirstChildElement("a").Text(), "1");
}

// Export reads a field's value straight from the document; it must find what
// the handles find.
// Returns what FirstChildElement, FirstChild and Value give for `name`.
XmlChildValue ThroughHandles(const XmlNode& parent, const std::string& name, std::string& value) {
  XmlNode element = parent.FirstChildElement(name);
  if (!element) return XmlChildValue::kNoElement;
  if (!element.FirstChild()) return XmlChildValue::kNoChild;
  auto text = element.FirstChild().Value();
  if (!text) return XmlChildValue::kNoValue;
  value = *text;
  return XmlChildValue::kValue;
}

TEST(XmlFirstChildElementValue, FindsTheFirstElementAndCopiesItsFirstChild) {
  std::string many;
  for (int i = 0; i < 20; ++i) many += "<o/>";
  // xml: the root's content; value: "unchanged" stays when the result is not kValue.
  const std::tuple<std::string, std::string, XmlChildValue, std::string> cases[] = {
      {"<a>1</a><b>2</b><c>3</c>", "c", XmlChildValue::kValue, "3"},
      {"<a>1</a><a>2</a>", "a", XmlChildValue::kValue, "1"},
      {"<Nor>1</Nor><North>2</North><Northing>3</Northing>", "North", XmlChildValue::kValue, "2"},
      {"<Northing>3</Northing>", "North", XmlChildValue::kNoElement, "unchanged"},
      {"<a>1</a>", "b", XmlChildValue::kNoElement, "unchanged"},
      {"<a/>", "a", XmlChildValue::kNoChild, "unchanged"},
      {"<a><x>1</x></a>", "a", XmlChildValue::kNoValue, "unchanged"},
      {"<a><![CDATA[<1>]]></a>", "a", XmlChildValue::kValue, "<1>"},
      {"<a><!--c-->t</a>", "a", XmlChildValue::kValue, "c"},
      {"<?a data?><a>v</a>", "a", XmlChildValue::kValue, "v"},
      {"<a>x&amp;y&lt;</a>", "a", XmlChildValue::kValue, "x&y<"},
      {many + "<f>v</f>", "f", XmlChildValue::kValue, "v"},
      {many, "f", XmlChildValue::kNoElement, "unchanged"},
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
  while (doc.DocumentElement().FirstChildElementValue("p", value) == XmlChildValue::kValue) {
    seen += value + " ";
    doc.DocumentElement().RemoveChild(doc.DocumentElement().FirstChildElement("p"));
  }
  EXPECT_EQ(seen, "1 22 333 ");
}

TEST(XmlFirstChildElementValue, ShortParentsAreScannedOnce) {
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
    EXPECT_EQ(doc.DocumentElement().FirstChildElementValue("f", value), XmlChildValue::kNoElement);
    EXPECT_EQ(doc.DebugChildrenVisited(), visited);
  }
}

TEST(XmlCodePage, ConvertsNamesAndValuesOfTheCodePage) {
  CodePageGuard guard;
  ASSERT_TRUE(SetCodePage("CP1252"));
  XmlDocument doc = XmlDocument::Create();
  XmlNode root = doc.AsNode().AppendElement("r");
  root.AppendElement("t\xE9").AppendText("20\xB0");
  root.SetAttribute("u", "\xB0");
  EXPECT_EQ(doc.SaveToString(), "<r u=\"\xC2\xB0\"><t\xC3\xA9>20\xC2\xB0</t\xC3\xA9></r>");
  EXPECT_EQ(root.FirstChildElement("t\xE9").Text(), "20\xB0");
  EXPECT_EQ(root.GetAttribute("u"), "\xB0");
  std::string value;
  EXPECT_EQ(root.FirstChildElementValue("t\xE9", value), XmlChildValue::kValue);
  EXPECT_EQ(value, "20\xB0");
  EXPECT_EQ(root.FirstChildElementValue("t\xC3\xA9", value), XmlChildValue::kNoElement);
  EXPECT_THROW(root.FirstChildElementValue(std::string("a\x01", 2), value), XmlError);
  XmlNode japanese = root.AppendText("x");
  SetCodePage("UTF-8");
  japanese.SetValue("\xE3\x81\x82");
  SetCodePage("CP1252");
  EXPECT_EQ(ErrorCodeOf([&] { japanese.Value(); }), kXmlErrorInvalidArg);
}

}  // namespace
}  // namespace compoundparser
