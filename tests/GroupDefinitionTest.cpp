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

// A document "<r><group id="G">body</group></r>" and the model of its group.
struct ParsedGroup {
  explicit ParsedGroup(const std::string& body)
      : document(Load("<r><group id=\"G\">" + body + "</group></r>")),
        group(document.DocumentElement().FirstChildElement("group")) {}
  static XmlDocument Load(const std::string& text) {
    XmlDocument loaded = XmlDocument::Create();
    EXPECT_TRUE(loaded.LoadBuffer(text.data(), text.size(), "test")) << text;
    return loaded;
  }
  XmlDocument document;
  GroupDefinition group;
};

// Returns the document text of a group "G" holding `items`.
std::string GroupText(const std::string& items) {
  return items.empty() ? R"(<r><group id="G"/></r>)"
                       : R"(<r><group id="G">)" + items + "</group></r>";
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

TEST(GroupDefinitionRead, LiteralsFlattenedTerminatedAndSkippedItems) {
  const struct {
    const char* body;
    const char* items;
  } cases[] = {
      {R"(<literal hex="true">0D0A</literal>)", "H(0D0A)"},
      {R"(<literal hex="true">4142</literal>)", "L(AB)"},
      {R"(<literal>AB</literal>)", "L(AB)"},
      {R"(<literal hex="true">414</literal>)", "L(A)"},
      {R"(<literal hex="true">FF</literal>)", "H(FF)"},
      {R"(<literal hex="true">0d0a</literal>)", "H(0D0A)"},
      {R"(<literal hex="true"/>)", "L()"},
      {R"(<literal hex="TRUE">4142</literal>)", "L(4142)"},
      {R"(<literal readonly="true"><!--c-->x<b/>y</literal>)", "L(x)"},
      {R"(<element id="A"/><terminated MaxWidth="9"><element id="B"/><literal>;</literal></terminated>)",
       "E(A,0) E(B,0) L(;)"},
      {R"(<terminated><terminated><element id="A"/></terminated><literal>,</literal></terminated>)",
       "E(A,0) L(,)"},
      {R"(<!--x--><optional><element id="Hidden"/></optional><element id="Seen" width="3"/>)",
       "E(Seen,3)"},
      {R"(<group id="Inner"><element id="Deep"/></group><count id="n"/><subst id="s"/>)", ""},
      {R"(text<literal>a</literal>more<Element id="X"/>)", "L(a)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    ParsedGroup parsed(c.body);
    EXPECT_EQ(DescribeItems(parsed.group), c.items);
    EXPECT_FALSE(parsed.group.IsModified());
  }
}

// Reads one element, writes it back and reads the written attributes.
TEST(GroupDefinitionElement, AttributesReadAndWrittenInOrder) {
  const struct {
    const char* attributes;
    const char* described;  // as DescribeElement() gives it
    const char* written;    // the attributes written
  } cases[] = {
      {R"(id="A" width="12x" fill="0" align="right" sign="true" offset="1.5e1kg")",
       "A/12/0/right/sign/15.000000",
       R"(id="A" width="12" fill="0" align="right" sign="true" offset="15.000000")"},
      {R"(id="" width="wide" fill="" align="Right" sign="True" offset="x")", "/0/ /left/-/0.000000",
       R"(id="")"},
      {R"(align="left")", "/0/ /left/-/0.000000", R"(id="")"},
      {R"(id="W" width="-4")", "W/-4/ /left/-/0.000000", R"(id="W")"},
      {R"(id="O" offset="-0.0000004")", "O/0/ /left/-/-0.000000", R"(id="O" offset="-0.000000")"},
      {R"(sign="true" fill="*" id="S")", "S/0/*/left/sign/0.000000",
       R"(id="S" fill="*" sign="true")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    ParsedGroup parsed(std::string("<element ") + c.attributes + "/>");
    ASSERT_EQ(parsed.group.NumItems(), 1);
    EXPECT_EQ(DescribeElement(parsed.group.GetItem(0)), c.described);
    parsed.group.GetItem(0).SetModified();
    parsed.group.WriteBack();
    EXPECT_EQ(parsed.document.SaveToString(),
              GroupText(std::string("<element ") + c.written + "/>"));
  }
}

TEST(GroupDefinitionEdit, InsertRemoveMoveMarkTheGroupAndBadPositionsChangeNothing) {
  ParsedGroup parsed(R"(<element id="A"/><element id="B"/>)");
  GroupDefinition& group = parsed.group;
  EXPECT_EQ(group.InsertItem(3, Field("X", 1)), nullptr);
  EXPECT_EQ(group.InsertItem(-1, Field("X", 1)), nullptr);
  EXPECT_EQ(group.InsertItem(0, nullptr), nullptr);
  EXPECT_FALSE(group.RemoveItem(2));
  EXPECT_FALSE(group.RemoveItem(-1));
  EXPECT_FALSE(group.MoveItem(0, 2));
  EXPECT_FALSE(group.MoveItem(2, 0));
  EXPECT_THROW(group.GetItem(2), std::out_of_range);
  EXPECT_FALSE(group.IsModified());

  EXPECT_NE(group.InsertItem(1, Literal(",")), nullptr);
  EXPECT_EQ(DescribeItems(group), "E(A,0) L(,) E(B,0)");
  EXPECT_TRUE(group.IsModified());
  ASSERT_NE(group.AppendItem(Field("C", 4)), nullptr);
  EXPECT_TRUE(group.MoveItem(3, 0));
  EXPECT_EQ(DescribeItems(group), "E(C,4) E(A,0) L(,) E(B,0)");
  EXPECT_TRUE(group.MoveItem(0, 3));
  EXPECT_EQ(DescribeItems(group), "E(A,0) L(,) E(B,0) E(C,4)");
  EXPECT_TRUE(group.RemoveItem(0));
  EXPECT_EQ(DescribeItems(group), "L(,) E(B,0) E(C,4)");
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

TEST(GroupDefinitionWriteBack, Shapes) {
  const struct {
    const char* items;    // as Fill() takes them
    const char* written;  // the items of the group element
    const char* reread;   // the items read back from the written element
  } cases[] = {
      // A field followed by a literal is terminated by it; so is one of negative width.
      {"E(A,8)|E(B,0)|L(,)|E(C,0)",
       R"(<element id="A" width="8"/><terminated><element id="B"/><literal>,</literal></terminated>)"
       R"(<element id="C"/>)",
       "E(A,8) E(B,0) L(,) E(C,0)"},
      {"E(A,0)|E(B,0)", R"(<element id="A"/><element id="B"/>)", "E(A,0) E(B,0)"},
      {"E(A,-3)|H(0D0A)",
       R"(<terminated><element id="A"/><literal hex="true">0D0A</literal></terminated>)",
       "E(A,0) H(0D0A)"},
      {"L(P,)|L(x y)|E(A,2)|L()",
       R"(<literal>P,</literal><literal hex="true">782079</literal><element id="A" width="2"/>)"
       R"(<literal></literal>)",
       "L(P,) L(x y) E(A,2) L()"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.items);
    ParsedGroup parsed("<optional/>text<!--c-->");
    Fill(parsed.group, c.items);
    parsed.group.WriteBack();
    EXPECT_EQ(parsed.document.SaveToString(), GroupText(c.written));
    EXPECT_EQ(DescribeItems(GroupDefinition(parsed.group.Element())), c.reread);
  }
}

TEST(GroupDefinitionWriteBack, SpaceTurnsLiteralToHexAndOnlyTheGroupMarkIsCleared) {
  ParsedGroup parsed("<literal>x</literal>");
  parsed.group.GetItem(0).SetModified();
  auto* literal = dynamic_cast<LiteralDefinition*>(parsed.group.AppendItem(Literal("a b")));
  ASSERT_NE(literal, nullptr);
  parsed.group.WriteBack();
  EXPECT_TRUE(literal->IsHex());
  EXPECT_EQ(literal->Text(), "612062");
  EXPECT_TRUE(parsed.group.GetItem(0).IsModified());
  EXPECT_TRUE(parsed.group.IsModified());
  parsed.group.GetItem(0).SetModified(false);
  literal->SetModified(false);
  EXPECT_FALSE(parsed.group.IsModified());
}

}  // namespace
}  // namespace compoundparser
