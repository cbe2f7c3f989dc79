// Tests of the group editing model: reading groups and their items from a
// document, the literal forms, editing the item list and writing a group back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

#include "definitions/GroupDefinition.h"
#include "host/Xml.h"
#include "tests/GroupTestSupport.h"

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

TEST(LiteralDefinitionSetHex, ConvertsBetweenFormsAndMarksOnlyAChange) {
  const struct {
    const char* text;
    bool fromHex;
    bool toHex;
    const char* expected;
  } cases[] = {
      {"\r\n", false, true, "0D0A"},     {"A b", false, true, "412062"},
      {"\xff\x80", false, true, "FF80"}, {"", false, true, ""},
      {"0D0A", true, false, "\r\n"},     {"4142", true, false, "AB"},
      {"414", true, false, "A"},         {"zz41", true, false, "A"},
      {"ff", true, false, "\xff"},       {"", true, false, ""},
      {"4142", false, false, "4142"},    {"34313432", true, true, "34313432"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.toHex ? " to hex" : " to plain"));
    LiteralDefinition literal;
    literal.SetHex(c.fromHex);
    literal.SetText(c.text);
    literal.SetModified(false);
    literal.SetHex(c.toHex);
    EXPECT_EQ(literal.Text(), c.expected);
    EXPECT_EQ(literal.IsHex(), c.toHex);
    EXPECT_EQ(literal.IsModified(), c.fromHex != c.toHex);
  }
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

// Appends items to `group`, '|' between them: E(id,width), L(text) or H(digits).
void Fill(GroupDefinition& group, const std::string& items) {
  for (size_t at = 0; at < items.size();) {
    const size_t end = std::min(items.find('|', at), items.size());
    const std::string inner = items.substr(at + 2, end - at - 3);
    if (items[at] == 'E') {
      const size_t comma = inner.rfind(',');
      group.AppendItem(Field(inner.substr(0, comma), std::stoi(inner.substr(comma + 1))));
    } else {
      group.AppendItem(Literal(inner, items[at] == 'H'));
    }
    at = end + 1;
  }
}

const struct {
  const char* items;  // as Fill() takes them
  const char* written;
  const char* reread;  // the items read back from the written element
} kWrites[] = {
    // A field followed by a literal is terminated by it.
    {"E(A,8)|E(B,0)|L(,)|E(C,0)", R"(element[A] terminated{element[B] literal","} element[C])",
     "E(A,8) E(B,0) L(,) E(C,0)"},
    {"E(A,0)|E(B,0)", "element[A] element[B]", "E(A,0) E(B,0)"},
    // A negative width terminates too.
    {"E(A,-3)|H(0D0A)", R"(terminated{element[A] literal#"0D0A"})", "E(A,0) H(0D0A)"},
    {"L(P,)|L(x y)|E(A,2)|L()", R"(literal"P," literal#"782079" element[A] literal"")",
     "L(P,) L(x y) E(A,2) L()"},
    {"", "", ""},
};

TEST(GroupDefinitionWriteBack, Shapes) {
  for (const auto& c : kWrites) {
    SCOPED_TRACE(c.items);
    XmlDocument document = Parse(R"(<r><group id="G"><optional/>text<!--c--></group></r>)");
    GroupDefinition group(FirstGroup(document));
    Fill(group, c.items);
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
