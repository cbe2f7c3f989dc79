// Why a definition was refused, as the tree builder records it: the line, the
// element and the rule it broke; attributes that no field knows are warnings
// and are never read as the attribute whose name they start with.
#include <gtest/gtest.h>

#include <string>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "engine/CompoundParser.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// A definition whose parser section is `parser`: its first node stands on line 4 (on line 5
// after `vars`, one line).
std::string Definition(const std::string& parser, const std::string& vars = "") {
  return "<?xml version=\"1.0\"?>\n<format type=\"Points\" name=\"Problems\">\n" + vars +
         "<parser>\n" + parser + "</parser>\n</format>\n";
}

// Returns the problems of a load as "E:text" (E: error) or "W:text" lines joined by '|'.
std::string Problems(const FormatDefinition& definition) {
  std::string out;
  for (const TDefinitionProblem& problem : definition.Problems()) {
    if (!out.empty()) out += '|';
    out += (problem.warning ? "W:" : "E:") + problem.Text() + " <" + problem.element + ">";
  }
  return out;
}

TEST(DefinitionProblems, NameTheLineTheElementAndTheRule) {
  const std::string vars =
      "<description><VARS><variable id=\"Unit\" default=\"m\"><value id=\"m\"/></variable>"
      "</VARS></description>\n";
  const struct {
    std::string text;
    bool loads;
    const char* problems;
  } kCases[] = {
      {Definition("<repeat>\n<radi/>\n</repeat>\n"), false, "E:line 5: unknown node `radi` <radi>"},
      {Definition("<element id=\"N\" widht=\"3\"/>\n"), true,
       "W:line 4: attribute `widht` is not a field attribute <element>"},
      {Definition("<count/>\n"), false, "E:line 4: count needs an `id` <count>"},
      {Definition("<subst id=\"Nowhere\"/>\n"), false,
       "E:line 4: no substitute `Nowhere` is defined before it <subst>"},
      {Definition("<assign value=\"1\"/>\n"), false,
       "E:line 4: assign needs a `variable` <assign>"},
      {Definition("<if variable=\"Nope\" value=\"m\"/>\n", vars), false,
       "E:line 5: variable `Nope` is not declared in the description <if>"},
      {Definition("<if variable=\"Unit\" value=\"ft\"/>\n", vars), false,
       "E:line 5: value `ft` is not declared for variable `Unit` <if>"},
      {"<?xml version=\"1.0\"?>\n<format name=\"x\">\n<parser/>\n</format>\n", false,
       "E:line 2: missing attribute type <format>"},
      {"<?xml version=\"1.0\"?>\n<formats/>\n", false,
       "E:line 2: the root element is not <format> <formats>"},
      {"<?xml version=\"1.0\"?>\n<format name=\"x\"\n", false, "E:"},
      {Definition("<element id=\"N\" width=\"3\"/>\n"), true, ""},
  };
  TempFolder folder;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    RecordingCallBack callBack;
    FormatDefinition definition(folder.Write("problem.xml", c.text), &callBack);
    EXPECT_EQ(definition.Load(), c.loads);
    const std::string problems = Problems(definition);
    // A broken XML file names the parser's reason, whatever its words.
    if (std::string(c.problems) == "E:") {
      EXPECT_EQ(problems.rfind("E:line 2: ", 0), 0u) << problems;
    } else {
      EXPECT_EQ(problems, c.problems);
    }
  }
}

// Attributes are matched by their whole name, in the tree and in the group model.
TEST(DefinitionProblems, AnAttributeIsReadByItsWholeName) {
  const struct {
    const char* attributes;
    const char* dump;
    int groupWidth;
  } kCases[] = {
      {"width=\"3\"", "field[N@3 w=3]", 3},
      {"widthX=\"3\"", "field[N@3]", 0},
      {"xwidth=\"3\" alignment=\"right\"", "field[N@3]", 0},
      {"width=\"3\" align=\"right\"", "field[N@3 w=3 right]", 3},
  };
  TempFolder folder;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.attributes);
    const std::string text =
        "<?xml version=\"1.0\"?>\n<format type=\"Points\" name=\"W\" simple=\"true\">\n"
        "<repeat><radio><group id=\"P\"><element id=\"N\" " +
        std::string(c.attributes) + "/></group></radio></repeat>\n</format>\n";
    FormatDefinition definition(folder.Write("width.xml", text), nullptr);
    ASSERT_TRUE(definition.Load());
    const std::string dump = definition.RootParser()->Dump();
    EXPECT_NE(dump.find(c.dump), std::string::npos) << dump;
    ASSERT_EQ(definition.NumGroups(), 1);
    ASSERT_EQ(definition.GetGroup(0).NumItems(), 1);
    const auto* field = dynamic_cast<const ElementDefinition*>(&definition.GetGroup(0).GetItem(0));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->Width(), c.groupWidth);
  }
}

}  // namespace
}  // namespace compoundparser::testing
