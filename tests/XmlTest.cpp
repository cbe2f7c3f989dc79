#include "host/Xml.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/CodePage.h"
#include "host/HostError.h"

namespace compoundparser {
namespace {

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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
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
  EXPECT_EQ(root.FirstChild().Name(), "a");
  EXPECT_EQ(root.FirstChild().NextSibling().Name(), "b");
  EXPECT_EQ(root.LastChild().FirstChild().Value(), " y ");
  EXPECT_EQ(root.LastChild().FirstChild().Type(), kXmlText);
  EXPECT_EQ(root.LastChild().FirstChild().Name(), "#text");
}

TEST(XmlLoad, ExpandsPredefinedAndCharacterReferences) {
  const struct {
    const char* xml;
    const char* text;
  } cases[] = {
      {"<a>&lt;&gt;&amp;&apos;&quot;</a>", "<>&'\""},
      {"<a>&#65;&#x42;&#xe9;</a>", "AB\xC3\xA9"},
      {"<a><![CDATA[x & ]] <y>]]></a>", "x & ]] <y>"},
      {"<!DOCTYPE a [<!ENTITY e \"&amp;\">]><a>t</a>", "t"},
      {"<a><!-- & ]]> --><?pi & ?>t</a>", "t"},
      // Declarations in each form that XML allows.
      {"<?xml version='1.1' encoding='utf-8' standalone='no' ?><a>t</a>", "t"},
      {"<?xml version = \"1.0\"\n\tencoding = \"US-ASCII\"?><a>t</a>", "t"},
      {"<?xml version=\"1.0\" standalone=\"yes\"?><a>t</a>", "t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    XmlDocument doc = Parse(c.xml);
    EXPECT_EQ(doc.DocumentElement().Text(), c.text);
  }
}

TEST(XmlLoad, RejectsWhatXmlForbids) {
  const std::string deep = [] {
    std::string text;
    for (int i = 0; i < 1025; ++i) text += "<e>";
    for (int i = 0; i < 1025; ++i) text += "</e>";
    return text;
  }();
  const struct {
    std::string xml;
    const char* reason;  // part of the reason
    int line;
    int position;
  } cases[] = {
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
      // Entities of an internal subset are not expanded, so they are undefined.
      {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "undefined entity 'e'", 1, 34},
      {"<a>x & y</a>", "must start an entity or character reference", 1, 6},
      {"<a>&#1;</a>", "not a valid character", 1, 4},
      {"<a b=\"<\"/>", "'<' is not allowed in an attribute value", 1, 7},
      {"<a>]]></a>", "\"]]>\" is not allowed", 1, 4},
      {" <?xml version=\"1.0\"?><a/>", "declaration is allowed only at the start", 1, 2},
      {"<a>\x01</a>", "Invalid character 1", 1, 4},
      {"<a>\xFF</a>", "Invalid UTF-8", 1, 4},
      {"<a>\n  <b></c></a>", "end tag 'c' does not match", 2, 6},
      {deep, "nested deeper than 1024", 1, 1024 * 3 + 1},
      {"", "No document element", 1, 1},
      {"<a>\n<b>\n", "ends before every element is closed", 3, 1},
      {"<a b=c/>", "attribute", 1, 6},
      {"<a>\n</a", "end element", 2, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml.substr(0, 60));
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.LoadBuffer(c.xml.data(), c.xml.size(), "bad.xml"));
    const XmlParseError& error = doc.ParseError();
    EXPECT_EQ(error.code, kXmlErrorParse);
    EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
    EXPECT_EQ(error.line, c.line);
    EXPECT_EQ(error.linePosition, c.position);
    EXPECT_EQ(error.url, "bad.xml");
    EXPECT_TRUE(doc.DocumentElement().IsNull());
  }
}

TEST(XmlLoad, DoctypeLoadsNothingFromOutside) {
  const std::string text =
      "\xEF\xBB\xBF<!DOCTYPE a SYSTEM \"/etc/passwd\"><a>t</a>";
  XmlDocument doc = Parse(text);
  XmlNode doctype = doc.AsNode().FirstChild();
  EXPECT_EQ(doctype.Type(), kXmlDocType);
  EXPECT_EQ(doctype.Name(), "a");
  EXPECT_EQ(doc.DocumentElement().Text(), "t");
  EXPECT_EQ(doc.SaveToString(), "<!DOCTYPE a SYSTEM \"/etc/passwd\"><a>t</a>");
  const std::string external =
      "<!DOCTYPE a [<!ENTITY e SYSTEM \"/etc/passwd\">]><a>&e;</a>";
  XmlDocument rejected = XmlDocument::Create();
  EXPECT_FALSE(rejected.LoadBuffer(external.data(), external.size()));
  EXPECT_NE(rejected.ParseError().reason.find("undefined entity 'e'"), std::string::npos);
}

TEST(XmlLoad, AcceptsNestingOf1024Elements) {
  std::string text;
  for (int i = 0; i < 1024; ++i) text += "<e>";
  for (int i = 0; i < 1024; ++i) text += "</e>";
  XmlDocument doc = Parse(text);
  int depth = 0;
  for (XmlNode n = doc.DocumentElement(); n; n = n.FirstChild()) ++depth;
  EXPECT_EQ(depth, 1024);
}

TEST(XmlLoad, MissingFileAndUnknownEncodingFailWithReason) {
  const struct {
    const char* file;
    uint32_t code;
    const char* reason;
    int line;
  } cases[] = {
      {"no-such-file.xml", kXmlErrorNotFound, "No such file", 0},
      {"unknown-encoding.xml", kXmlErrorParse, "x-no-such-code", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.Load(kXmlData + c.file));
    EXPECT_EQ(doc.ParseError().code, c.code);
    EXPECT_NE(doc.ParseError().reason.find(c.reason), std::string::npos) << doc.ParseError().reason;
    if (c.line != 0) {
      EXPECT_EQ(doc.ParseError().line, c.line);
    }
    EXPECT_EQ(doc.ParseError().url, kXmlData + c.file);
  }
}

TEST(XmlLoad, ConvertsDeclaredEncodings) {
  const struct {
    const char* file;
    const char* text;
  } cases[] = {
      {"cp1252.xml", "20\xC2\xB0" "C"},
      {"shiftjis.xml", "\xE3\x81\x82"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    XmlDocument doc = XmlDocument::Create();
    ASSERT_TRUE(doc.Load(kXmlData + c.file)) << doc.ParseError().reason;
    EXPECT_EQ(doc.DocumentElement().Text(), c.text);
    // Saved as UTF-8, the declaration must say so.
    EXPECT_EQ(doc.SaveToString().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
  }
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.Load(kXmlData + "cp1252.xml"));
  EXPECT_EQ(doc.DocumentElement().GetAttribute("t"), "\xC2\xB0");
}

TEST(XmlLoad, DetectsUtf16ByItsFirstBytes) {
  const std::string ascii = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>z</a>";
  std::string utf16 = "\xFF\xFE";
  for (char c : ascii) {
    utf16 += c;
    utf16 += '\0';
  }
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.LoadBuffer(utf16.data(), utf16.size())) << doc.ParseError().reason;
  EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>z</a>");
}

XmlDocument BuildSample() {
  XmlDocument doc = XmlDocument::Create();
  XmlNode top = doc.AsNode();
  top.AppendProcessingInstruction("xml", "version=\"1.0\"");
  top.AppendComment(" sample ");
  XmlNode data = top.AppendElement("data");
  data.AppendText("\r\n  ");
  data.AppendElement("info").SetAttribute("file", "a\"b<&>\t");
  data.AppendText("\r\n");
  data.AppendElement("Name").AppendText("P&1 <x>");
  return doc;
}

TEST(XmlSave, WritesNodesExactly) {
  const std::string expected =
      "<?xml version=\"1.0\"?><!-- sample --><data>\r\n  "
      "<info file=\"a&quot;b&lt;&amp;>&#09;\"/>\r\n<Name>P&amp;1 &lt;x&gt;</Name></data>";
  EXPECT_EQ(BuildSample().SaveToString(), expected);
}

TEST(XmlSave, FileHoldsTheSameBytesAndLoadsAgain) {
  const std::string path = ::testing::TempDir() + "XmlSaveSample.xml";
  XmlDocument doc = BuildSample();
  doc.Save(path);
  EXPECT_EQ(ReadFile(path), doc.SaveToString());
  XmlDocument again = XmlDocument::Create();
  ASSERT_TRUE(again.Load(path)) << again.ParseError().reason;
  EXPECT_EQ(again.DocumentElement().FirstChildElement("info").GetAttribute("file"), "a\"b<&>\t");
  EXPECT_EQ(again.DocumentElement().FirstChildElement("Name").Text(), "P&1 <x>");
  std::remove(path.c_str());
}

TEST(XmlSave, FailureRaisesWithCode) {
  XmlDocument doc = BuildSample();
  const uint32_t code = ErrorCodeOf([&] { doc.Save(kXmlData + "no-such-folder/out.xml"); });
  EXPECT_NE(code, 0u);
}

TEST(XmlBuild, RejectsInvalidNames) {
  const char* invalid[] = {"", "1a", "-a", ".a", "a b", "a<", "a&b", "a\"", "a/b"};
  XmlDocument doc = XmlDocument::Create();
  XmlNode root = doc.AsNode().AppendElement("root");
  for (const char* name : invalid) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorCodeOf([&] { root.AppendElement(name); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SetAttribute(name, "v"); }), kXmlErrorInvalidArg);
  }
  const char* valid[] = {"a", "_a", ":a", "a-1.b", "\xC3\xA9t\xC3\xA9"};
  for (const char* name : valid) {
    SCOPED_TRACE(name);
    EXPECT_EQ(root.AppendElement(name).Name(), name);
  }
  // The rejected names left nothing behind.
  size_t children = 0;
  for (XmlNode n = root.FirstChild(); n; n = n.NextSibling()) ++children;
  EXPECT_EQ(children, std::size(valid));
  EXPECT_FALSE(root.GetAttribute("a").has_value());
}

TEST(XmlBuild, RejectsCharactersXmlCannotHold) {
  XmlDocument doc = XmlDocument::Create();
  XmlNode root = doc.AsNode().AppendElement("root");
  XmlNode text = root.AppendText("ok");
  const std::string bad[] = {std::string("a\x01"), std::string("\x1F"), std::string("a\0b", 3)};
  for (const std::string& value : bad) {
    SCOPED_TRACE(value);
    EXPECT_EQ(ErrorCodeOf([&] { root.AppendText(value); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { text.SetValue(value); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SetAttribute("k", value); }), kXmlErrorInvalidArg);
  }
  EXPECT_EQ(ErrorCodeOf([&] { root.AppendText("\xC3"); }), kXmlErrorInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { root.AppendComment("a--b"); }), kXmlErrorInvalidArg);
  text.SetValue("tab\tcr\rlf\n");
  EXPECT_EQ(text.Value(), "tab\tcr\rlf\n");
  EXPECT_EQ(doc.SaveToString(), "<root>tab\tcr\rlf\n</root>");
}

TEST(XmlBuild, KeepsTheDocumentWellFormed) {
  XmlDocument doc = XmlDocument::Create();
  XmlNode top = doc.AsNode();
  XmlNode root = top.AppendElement("root");
  EXPECT_EQ(ErrorCodeOf([&] { top.AppendElement("second"); }), kXmlErrorFail);
  EXPECT_EQ(ErrorCodeOf([&] { top.AppendText("loose"); }), kXmlErrorFail);
  EXPECT_EQ(ErrorCodeOf([&] { top.AppendProcessingInstruction("xml", "version=\"1.0\""); }),
            kXmlErrorFail);
  XmlNode text = root.AppendText("t");
  EXPECT_EQ(ErrorCodeOf([&] { text.AppendElement("child"); }), kXmlErrorFail);
  EXPECT_EQ(ErrorCodeOf([&] { root.SetValue("v"); }), kXmlErrorFail);
  XmlDocument other = XmlDocument::Create();
  XmlNode stranger = other.AsNode().AppendElement("x");
  EXPECT_EQ(ErrorCodeOf([&] { root.RemoveChild(stranger); }), kXmlErrorInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { top.RemoveChild(text); }), kXmlErrorInvalidArg);
}

TEST(XmlBuild, InsertsTextBeforeAChild) {
  XmlDocument doc = XmlDocument::Create();
  XmlNode root = doc.AsNode().AppendElement("r");
  XmlNode b = root.AppendElement("b");
  root.InsertTextBefore(b, "\n ");
  root.InsertTextBefore(XmlNode(), "end");
  EXPECT_EQ(doc.SaveToString(), "<r>\n <b/>end</r>");
}

TEST(XmlNodeValue, TextSplitByACommentIsReadWhole) {
  XmlDocument doc = Parse("<a>one<!-- c -->two<b>three</b></a>");
  XmlNode a = doc.DocumentElement();
  EXPECT_EQ(a.Value(), std::nullopt);
  EXPECT_EQ(a.FirstChild().Value(), "one");
  EXPECT_EQ(a.FirstChild().NextSibling().Value(), " c ");
  EXPECT_EQ(a.FirstChild().NextSibling().Name(), "#comment");
  EXPECT_EQ(a.Text(), "onetwothree");
  EXPECT_EQ(doc.AsNode().Value(), std::nullopt);
  EXPECT_EQ(doc.AsNode().Type(), kXmlDocumentNode);
}

TEST(XmlNodeValue, AttributesTellAbsentFromEmpty) {
  XmlDocument doc = Parse("<a empty=\"\" x=\"1\"/>");
  XmlNode a = doc.DocumentElement();
  EXPECT_EQ(a.GetAttribute("empty"), "");
  EXPECT_EQ(a.GetAttribute("missing"), std::nullopt);
  a.SetAttribute("x", "2");
  a.SetAttribute("y", "3");
  EXPECT_EQ(doc.SaveToString(), "<a empty=\"\" x=\"2\" y=\"3\"/>");
}

TEST(XmlNodeHandle, KeepsItsDocumentAlive) {
  XmlNode name;
  {
    XmlDocument doc = Parse("<data><Name>P1</Name></data>");
    name = doc.DocumentElement().FirstChild();
  }
  EXPECT_EQ(name.Name(), "Name");
  EXPECT_EQ(name.Text(), "P1");
  EXPECT_EQ(name.Parent().Name(), "data");
  EXPECT_EQ(name.OwnerDocument().DocumentElement(), name.Parent());
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

TEST(XmlSelect, ReturnsNodesInDocumentOrder) {
  XmlDocument doc = Parse("<r><b id=\"1\"/><a><b id=\"2\"/></a><b id=\"3\"/><c/></r>");
  XmlNode root = doc.DocumentElement();
  std::string ids;
  for (const XmlNode& n : root.SelectNodes("//c | //b | //a")) {
    ids += n.Name() + n.GetAttribute("id").value_or("") + " ";
  }
  EXPECT_EQ(ids, "b1 a b2 b3 c ");
  EXPECT_EQ(root.SelectSingleNode("./b[@id=\"3\"]").GetAttribute("id"), "3");
  EXPECT_TRUE(root.SelectSingleNode("./z").IsNull());
  EXPECT_EQ(root.FirstChild().NextSibling().SelectNodes("./b").size(), 1u);
  // Attribute results have no node handle: left out of the list, counted.
  EXPECT_TRUE(root.SelectNodes("//b/@id").empty());
  EXPECT_EQ(XmlQuery("//b/@id").Count(root), 3u);
}

TEST(XmlSelect, InvalidQueriesRaiseInvalidArg) {
  XmlDocument doc = Parse("<r/>");
  XmlNode root = doc.DocumentElement();
  for (const char* query : {"///", "./a[", "a b", "count(a) +", "1 + 1"}) {
    SCOPED_TRACE(query);
    EXPECT_EQ(ErrorCodeOf([&] { root.SelectNodes(query); }), kXmlErrorInvalidArg);
    EXPECT_EQ(ErrorCodeOf([&] { root.SelectSingleNode(query); }), kXmlErrorInvalidArg);
  }
}

TEST(XmlQueryTest, CompilesOnceAndRunsRelativeToContext) {
  XmlDocument doc = Parse("<r><p><x/><x/></p><p><x/></p></r>");
  const XmlQuery query("./x");
  EXPECT_EQ(query.Text(), "./x");
  XmlNode first = doc.DocumentElement().FirstChild();
  EXPECT_EQ(query.Count(first), 2u);
  EXPECT_EQ(query.Count(first.NextSibling()), 1u);
  EXPECT_EQ(query.Select(first).size(), 2u);
  EXPECT_EQ(query.Select(first).front(), first.FirstChild());
  const XmlQuery broken("./x[");
  EXPECT_EQ(ErrorCodeOf([&] { broken.Count(first); }), kXmlErrorInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { broken.Select(first); }), kXmlErrorInvalidArg);
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
  for (XmlNode r = data.FirstChildElement("r"); r; r = data.FirstChildElement("r")) {
    if (found % 50000 == 0) {
      EXPECT_EQ(r.GetAttribute("n"), std::to_string(found));
    }
    data.RemoveChild(r);
    ++found;
  }
  EXPECT_EQ(found, kCount);
  EXPECT_LE(doc.DebugChildrenVisited(), static_cast<uint64_t>(3 * kCount));
  EXPECT_FALSE(data.FirstChildElement("info").IsNull());
}

// Returns the first child element named `name` by walking all children.
XmlNode ReferenceFind(const XmlNode& parent, const std::string& name) {
  for (XmlNode n = parent.FirstChild(); n; n = n.NextSibling()) {
    if (n.Type() == kXmlElement && n.Name() == name) return n;
  }
  return XmlNode();
}

TEST(XmlFirstChildElement, StaysCorrectUnderAppendsAndRemoves) {
  const std::string names[] = {"a", "b", "c"};
  std::mt19937 random(12345);
  XmlDocument doc = XmlDocument::Create();
  XmlNode root = doc.AsNode().AppendElement("root");
  std::vector<XmlNode> parents = {root};
  for (int step = 0; step < 20000; ++step) {
    SCOPED_TRACE(step);
    XmlNode parent = parents[random() % parents.size()];
    const std::string& name = names[random() % 3];
    switch (random() % 6) {
      case 0:
      case 1: {
        XmlNode added = parent.AppendElement(name);
        if (parents.size() < 8 && random() % 4 == 0) parents.push_back(added);
        break;
      }
      case 2:
        parent.AppendText("t");
        break;
      case 3: {
        // Remove a random child, possibly a whole parent with its cursors.
        std::vector<XmlNode> children;
        for (XmlNode n = parent.FirstChild(); n; n = n.NextSibling()) children.push_back(n);
        if (children.empty()) break;
        XmlNode victim = children[random() % children.size()];
        for (size_t i = 1; i < parents.size(); ++i) {
          for (XmlNode up = parents[i]; up; up = up.Parent()) {
            if (up == victim) {
              parents.erase(parents.begin() + static_cast<std::ptrdiff_t>(i--));
              break;
            }
          }
        }
        parent.RemoveChild(victim);
        break;
      }
      default: {
        XmlNode found = parent.FirstChildElement(name);
        ASSERT_EQ(found, ReferenceFind(parent, name));
        if (found && random() % 2 == 0) {
          bool isParent = false;
          for (const XmlNode& p : parents) {
            for (XmlNode up = p; up && !isParent; up = up.Parent()) isParent = up == found;
          }
          if (!isParent) parent.RemoveChild(found);
        }
        break;
      }
    }
  }
}

TEST(XmlFirstChildElement, RemovingTheCursorNodeKeepsLaterFindsRight) {
  XmlDocument doc = XmlDocument::Create();
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
}

TEST(XmlFirstChildElement, ClearAndLoadDropTheCursors) {
  XmlDocument doc = Parse("<r><t/><a/></r>");
  XmlNode root = doc.DocumentElement();
  EXPECT_EQ(root.FirstChildElement("a"), root.LastChild());
  EXPECT_TRUE(root.FirstChildElement("z").IsNull());
  const std::string text = "<r><a>1</a><a>2</a></r>";
  ASSERT_TRUE(doc.LoadBuffer(text.data(), text.size()));
  EXPECT_EQ(doc.DocumentElement().FirstChildElement("a").Text(), "1");
  doc.Clear();
  XmlNode fresh = doc.AsNode().AppendElement("r");
  fresh.AppendElement("z");
  EXPECT_EQ(fresh.FirstChildElement("z"), fresh.FirstChild());
  fresh.RemoveChildren();
  EXPECT_TRUE(fresh.FirstChildElement("z").IsNull());
  fresh.AppendElement("z");
  EXPECT_EQ(fresh.FirstChildElement("z"), fresh.FirstChild());
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
  XmlNode japanese = root.AppendText("x");
  SetCodePage("UTF-8");
  japanese.SetValue("\xE3\x81\x82");
  SetCodePage("CP1252");
  EXPECT_EQ(ErrorCodeOf([&] { japanese.Value(); }), kXmlErrorInvalidArg);
}

}  // namespace
}  // namespace compoundparser
