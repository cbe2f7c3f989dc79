// Tests of the group editing model: reading groups and their items from a
// document, the literal forms, editing the item list and writing a group back.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "definitions/GroupDefinition.h"
#include "tests/GroupTestSupport.h"
#include "host/Xml.h"

namespace compoundparser {
namespace {

// Loads `text` as a document and returns it; fails the test when it is not XML.
XmlDocument Parse(const std::string& text) {
  XmlDocument document = XmlDocument::Create();
  EXPECT_TRUE(document.LoadBuffer(text.data(), text.size(), "test")) << text;
  return document;
}

// Returns the root element's first child element named "group".
XmlNode FirstGroup(const XmlDocument& document) {
  return document.DocumentElement().FirstChildElement("group");
}

// Describes the children of `node`: element names with `id` and literal text,
// wrappers with their content in braces, text nodes as #text.
std::string DescribeChildren(const XmlNode& node) {
  std::string out;
  for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
    if (!out.empty()) out += ' ';
    if (child.Type() != kXmlElement) {
      out += child.Name();
      continue;
    }
    const std::string name = child.Name();
    out += name;
    if (name == "element") {
      out += "[" + child.GetAttribute("id").value_or("?") + "]";
    } else if (name == "literal") {
      out += child.GetAttribute("hex").value_or("") == "true" ? "#" : "";
      XmlNode text = child.FirstChild();
      out += "\"" + (text ? text.Value().value_or("") : std::string()) + "\"";
    } else {
      out += "{" + DescribeChildren(child) + "}";
    }
  }
  return out;
}

std::unique_ptr<ElementDefinition> Field(const std::string& id, int width) {
  auto field = std::make_unique<ElementDefinition>();
  field->SetId(id);
  field->SetWidth(width);
  return field;
}

std::unique_ptr<LiteralDefinition> Literal(const std::string& text, bool hex = false) {
  auto literal = std::make_unique<LiteralDefinition>();
  literal->SetHex(hex);
  literal->SetText(text);
  return literal;
}

struct HexCase {
  const char* text;
  bool toHex;
  const char* expected;
};

const HexCase kHexConversions[] = {
    {"\r\n", true, "0D0A"},
    {"A b", true, "412062"},
    {"\xff\x80", true, "FF80"},
    {"", true, ""},
    {"0D0A", false, "\r\n"},
    {"4142", false, "AB"},
    {"414", false, "A"},
    {"zz41", false, "A"},
    {"ff", false, "\xff"},
    {"", false, ""},
};

TEST(LiteralDefinitionSetHex, ConvertsBetweenForms) {
  for (const auto& c : kHexConversions) {
    SCOPED_TRACE(std::string(c.text) + (c.toHex ? " to hex" : " to plain"));
    LiteralDefinition literal;
    literal.SetHex(!c.toHex);
    literal.SetText(c.text);
    literal.SetModified(false);
    literal.SetHex(c.toHex);
    EXPECT_EQ(literal.Text(), c.expected);
    EXPECT_EQ(literal.IsHex(), c.toHex);
    EXPECT_TRUE(literal.IsModified());
  }
}

TEST(LiteralDefinitionSetHex, SameFormChangesNothing) {
  LiteralDefinition literal;
  literal.SetText("4142");
  literal.SetModified(false);
  literal.SetHex(false);
  EXPECT_EQ(literal.Text(), "4142");
  EXPECT_FALSE(literal.IsModified());
  literal.SetHex(true);
  literal.SetModified(false);
  literal.SetHex(true);
  EXPECT_EQ(literal.Text(), "34313432");
  EXPECT_FALSE(literal.IsModified());
}

struct LiteralReadCase {
  const char* xml;
  bool hex;
  const char* text;
};

const LiteralReadCase kLiteralReads[] = {
    {R"(<literal hex="true">0D0A</literal>)", true, "0D0A"},
    {R"(<literal hex="true">4142</literal>)", false, "AB"},
    {R"(<literal>AB</literal>)", false, "AB"},
    {R"(<literal hex="true">414</literal>)", false, "A"},
    {R"(<literal hex="true">FF</literal>)", true, "FF"},
    {R"(<literal hex="true">0d0a</literal>)", true, "0D0A"},
    {R"(<literal hex="true"/>)", false, ""},
    {R"(<literal hex="TRUE">4142</literal>)", false, "4142"},
    {R"(<literal readonly="true"><!--c-->x<b/>y</literal>)", false, "x"},
};

TEST(GroupDefinitionRead, LiteralForms) {
  for (const auto& c : kLiteralReads) {
    SCOPED_TRACE(c.xml);
    XmlDocument document = Parse(std::string("<r><group>") + c.xml + "</group></r>");
    GroupDefinition group(FirstGroup(document));
    ASSERT_EQ(group.NumItems(), 1);
    auto* literal = dynamic_cast<LiteralDefinition*>(&group.GetItem(0));
    ASSERT_NE(literal, nullptr);
    EXPECT_EQ(literal->IsHex(), c.hex);
    EXPECT_EQ(literal->Text(), c.text);
  }
}

TEST(GroupDefinitionRead, ElementAttributes) {
  XmlDocument document = Parse(
      R"(<r><group><element id="A" width="12x" fill="0" align="right" sign="true" offset="1.5e1kg"/>)"
      R"(<element id="" width="wide" fill="" align="Right" sign="True" offset="x"/>)"
      R"(<element align="left"/></group></r>)");
  GroupDefinition group(FirstGroup(document));
  ASSERT_EQ(group.NumItems(), 3);
  auto& full = dynamic_cast<ElementDefinition&>(group.GetItem(0));
  EXPECT_EQ(full.Id(), "A");
  EXPECT_EQ(full.Width(), 12);
  EXPECT_EQ(full.Fill(), '0');
  EXPECT_TRUE(full.IsAlignRight());
  EXPECT_TRUE(full.IsSign());
  EXPECT_DOUBLE_EQ(full.Offset(), 15.0);
  for (int i = 1; i < 3; ++i) {
    SCOPED_TRACE(i);
    auto& plain = dynamic_cast<ElementDefinition&>(group.GetItem(i));
    EXPECT_EQ(plain.Id(), "");
    EXPECT_EQ(plain.Width(), 0);
    EXPECT_EQ(plain.Fill(), ' ');
    EXPECT_FALSE(plain.IsAlignRight());
    EXPECT_FALSE(plain.IsSign());
    EXPECT_EQ(plain.Offset(), 0.0);
  }
}

struct ShapeReadCase {
  const char* body;
  const char* items;
};

const ShapeReadCase kShapeReads[] = {
    {R"(<element id="A"/><terminated MaxWidth="9"><element id="B"/><literal>;</literal></terminated>)",
     "E(A,0) E(B,0) L(;)"},
    {R"(<terminated><terminated><element id="A"/></terminated><literal>,</literal></terminated>)",
     "E(A,0) L(,)"},
    {R"(<!--x--><optional><element id="Hidden"/></optional><element id="Seen" width="3"/>)",
     "E(Seen,3)"},
    {R"(<group id="Inner"><element id="Deep"/></group><count id="n"/><subst id="s"/>)", ""},
    {R"(text<literal>a</literal>more<Element id="X"/>)", "L(a)"},
};

TEST(GroupDefinitionRead, FlattensTerminatedAndSkipsOthers) {
  for (const auto& c : kShapeReads) {
    SCOPED_TRACE(c.body);
    XmlDocument document = Parse(std::string("<r><group>") + c.body + "</group></r>");
    GroupDefinition group(FirstGroup(document));
    EXPECT_EQ(DescribeItems(group), c.items);
    EXPECT_FALSE(group.IsModified());
  }
}

TEST(GroupDefinitionEdit, InsertRemoveMoveMarkTheGroup) {
  XmlDocument document = Parse(R"(<r><group><element id="A"/><element id="B"/></group></r>)");
  GroupDefinition group(FirstGroup(document));
  ASSERT_FALSE(group.IsModified());

  EXPECT_NE(group.InsertItem(1, Literal(",")), nullptr);
  EXPECT_EQ(DescribeItems(group), "E(A,0) L(,) E(B,0)");
  EXPECT_TRUE(group.IsModified());

  ASSERT_NE(group.AppendItem(Field("C", 4)), nullptr);
  EXPECT_EQ(DescribeItems(group), "E(A,0) L(,) E(B,0) E(C,4)");
  EXPECT_TRUE(group.MoveItem(3, 0));
  EXPECT_EQ(DescribeItems(group), "E(C,4) E(A,0) L(,) E(B,0)");
  EXPECT_TRUE(group.MoveItem(0, 3));
  EXPECT_EQ(DescribeItems(group), "E(A,0) L(,) E(B,0) E(C,4)");
  EXPECT_TRUE(group.RemoveItem(0));
  EXPECT_EQ(DescribeItems(group), "L(,) E(B,0) E(C,4)");
}

TEST(GroupDefinitionEdit, BadPositionsChangeNothing) {
  XmlDocument document = Parse(R"(<r><group><element id="A"/></group></r>)");
  GroupDefinition group(FirstGroup(document));
  EXPECT_EQ(group.InsertItem(2, Field("X", 1)), nullptr);
  EXPECT_EQ(group.InsertItem(-1, Field("X", 1)), nullptr);
  EXPECT_EQ(group.InsertItem(0, nullptr), nullptr);
  EXPECT_FALSE(group.RemoveItem(1));
  EXPECT_FALSE(group.RemoveItem(-1));
  EXPECT_FALSE(group.MoveItem(0, 1));
  EXPECT_FALSE(group.MoveItem(1, 0));
  EXPECT_THROW(group.GetItem(1), std::out_of_range);
  EXPECT_EQ(DescribeItems(group), "E(A,0)");
  EXPECT_FALSE(group.IsModified());
}

struct WriteCase {
  const char* name;
  void (*fill)(GroupDefinition&);
  const char* written;
  const char* reread;  // the items read back from the written element
};

const WriteCase kWrites[] = {
    {"element, terminated, element",
     [](GroupDefinition& g) {
       g.AppendItem(Field("A", 8));
       g.AppendItem(Field("B", 0));
       g.AppendItem(Literal(","));
       g.AppendItem(Field("C", 0));
     },
     R"(element[A] terminated{element[B] literal","} element[C])",
     "E(A,8) E(B,0) L(,) E(C,0)"},
    {"element followed by element",
     [](GroupDefinition& g) {
       g.AppendItem(Field("A", 0));
       g.AppendItem(Field("B", 0));
     },
     "element[A] element[B]", "E(A,0) E(B,0)"},
    {"negative width terminates",
     [](GroupDefinition& g) {
       g.AppendItem(Field("A", -3));
       g.AppendItem(Literal("0D0A", true));
     },
     R"(terminated{element[A] literal#"0D0A"})", "E(A,0) H(0D0A)"},
    {"literals alone",
     [](GroupDefinition& g) {
       g.AppendItem(Literal("P,"));
       g.AppendItem(Literal("x y"));
       g.AppendItem(Field("A", 2));
       g.AppendItem(Literal(""));
     },
     R"(literal"P," literal#"782079" element[A] literal"")", "L(P,) L(x y) E(A,2) L()"},
    {"no items", [](GroupDefinition&) {}, "", ""},
};

TEST(GroupDefinitionWriteBack, Shapes) {
  for (const auto& c : kWrites) {
    SCOPED_TRACE(c.name);
    XmlDocument document = Parse(R"(<r><group id="G"><optional/>text<!--c--></group></r>)");
    GroupDefinition group(FirstGroup(document));
    c.fill(group);
    group.WriteBack();
    EXPECT_EQ(DescribeChildren(group.Element()), c.written);
    EXPECT_EQ(group.Element().GetAttribute("id").value_or(""), "G");
    GroupDefinition reread(group.Element());
    EXPECT_EQ(DescribeItems(reread), c.reread);
  }
}

TEST(GroupDefinitionWriteBack, SpaceTurnsLiteralToHex) {
  XmlDocument document = Parse(R"(<r><group/></r>)");
  GroupDefinition group(FirstGroup(document));
  auto* literal = dynamic_cast<LiteralDefinition*>(group.AppendItem(Literal("a b")));
  ASSERT_NE(literal, nullptr);
  group.WriteBack();
  EXPECT_TRUE(literal->IsHex());
  EXPECT_EQ(literal->Text(), "612062");
  EXPECT_EQ(DescribeChildren(group.Element()), R"(literal#"612062")");
}

struct AttributeCase {
  void (*set)(ElementDefinition&);
  const char* text;
};

const AttributeCase kAttributeTexts[] = {
    {[](ElementDefinition&) {}, R"(<element id="")"},
    {[](ElementDefinition& e) { e.SetWidth(-4); }, R"(<element id="")"},
    {[](ElementDefinition& e) {
       e.SetId("N");
       e.SetWidth(8);
       e.SetFill('0');
       e.SetAlignRight(true);
       e.SetSign(true);
       e.SetOffset(1.5);
     },
     R"(<element id="N" width="8" fill="0" align="right" sign="true" offset="1.500000")"},
    {[](ElementDefinition& e) {
       e.SetId("O");
       e.SetOffset(-0.0000004);
     },
     R"(<element id="O" offset="-0.000000")"},
    {[](ElementDefinition& e) {
       e.SetId("S");
       e.SetSign(true);
       e.SetFill('*');
     },
     R"(<element id="S" fill="*" sign="true")"},
};

TEST(GroupDefinitionWriteBack, AttributeOrderAndNumberTexts) {
  for (const auto& c : kAttributeTexts) {
    SCOPED_TRACE(c.text);
    XmlDocument document = Parse(R"(<r><group/></r>)");
    GroupDefinition group(FirstGroup(document));
    auto field = std::make_unique<ElementDefinition>();
    c.set(*field);
    group.AppendItem(std::move(field));
    group.WriteBack();
    const std::string saved = document.SaveToString();
    const size_t at = saved.find("<element");
    ASSERT_NE(at, std::string::npos) << saved;
    // The element's attributes end where the tag closes.
    const size_t end = saved.find_first_of("/>", at);
    std::string tag = saved.substr(at, end - at);
    while (!tag.empty() && tag.back() == ' ') tag.pop_back();
    EXPECT_EQ(tag, c.text);
  }
}

TEST(GroupDefinitionWriteBack, ClearsGroupMarkOnly) {
  XmlDocument document = Parse(R"(<r><group><literal>x</literal></group></r>)");
  GroupDefinition group(FirstGroup(document));
  group.GetItem(0).SetModified();
  group.AppendItem(Field("A", 1));
  group.WriteBack();
  EXPECT_TRUE(group.GetItem(0).IsModified());
  EXPECT_TRUE(group.IsModified());
  group.GetItem(0).SetModified(false);
  EXPECT_FALSE(group.IsModified());
}

}  // namespace
}  // namespace compoundparser
