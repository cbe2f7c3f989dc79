#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "engine/CountParser.h"
#include "engine/ElementParser.h"
#include "engine/FormatParser.h"
#include "engine/GroupParser.h"
#include "engine/SubstParser.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::Message;
using testing::RecordingCallBack;

// Returns the texts of the recorded messages.
std::vector<std::string> Texts(const RecordingCallBack& callBack) {
  std::vector<std::string> texts;
  for (const Message& m : callBack.messages) texts.push_back(m.text);
  return texts;
}

std::string DefinitionPath(const std::string& file) {
  return std::string(CP_TEST_DATA_DIR) + "/definitions/" + file;
}

// Returns the outline of the tree that `definition` built.
std::string RootDump(const FormatDefinition& definition) {
  return definition.RootParser() ? definition.RootParser()->Dump() : "<no root>";
}

std::string SubstituteDump(const FormatDefinition& definition, const std::string& id) {
  const auto found = definition.Substitutes().find(id);
  return found == definition.Substitutes().end() ? "<missing>" : found->second->tree->Dump();
}

struct TreeCase {
  const char* file;
  const char* dump;
};

const TreeCase kTrees[] = {
    {"minimal.xml", "seq{}"},
    {"no_parser.xml", R"(seq{lit";" group[Point@0]{field[Name@1]}})"},
    {"all_nodes.xml",
     R"(seq{rolit"H" field[Name@0 def="none"] count[Point] subst[Sep] assign[Type=TEXT] )"
     R"(assign[Empty=] seq{lit"m"} opt{lit"o"} radio{lit"a" lit"b"} repeat[1]{lit"r"} )"
     R"(term[50]{field[Code@1] lit";"} group[Point@0 rep skip]{} if[Mode==on]{lit"i"}})"},
    {"literals.xml",
     R"(seq{lit"," lit"DATE" lit"" lit"" lit"" rolit"\r\n" lit"A" lit"A" )"
     R"(lit"DATE"[Type=DATE] lit"TIME"[Type] lit"41"})"},
    {"repeat_terminated.xml",
     "seq{repeat{} repeat[0]{} repeat[5]{} term{} term[-7]{} term[40]{}}"},
    {"if_declared.xml",
     R"(seq{if[StrictFormat==true]{lit"S"} if[StrictFormat!=true]{lit"L"} )"
     R"(if[StrictFormat!=false]{}})"},
    {"depth.xml",
     R"(seq{field[Top@0] group[Point@0]{term{repeat{field[Name@3]} lit","} )"
     R"(if[V!=a]{group[InIf@2]{field[X@3]}} subst[Nested]}})"},
    {"subst_earlier.xml", "seq{group[Point@0 rep]{subst[Fields]}}"},
    {"subst_later.xml", "seq{subst[Second] subst[Third]}"},
    {"subst_duplicate_dropped.xml", "seq{subst[Sep]}"},
    {"points_delimited.xml",
     R"(seq{repeat{group[Point@1 rep]{term{field[Name@3] lit","} term{field[East@3] lit","} )"
     R"(term{field[North@3] lit"\r\n"}}}})"},
};

TEST(TreeBuilder, BuildsTheTreeOfEachDefinition) {
  for (const TreeCase& c : kTrees) {
    SCOPED_TRACE(c.file);
    RecordingCallBack callBack;
    FormatDefinition definition(DefinitionPath(c.file), &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(RootDump(definition), c.dump);
  }
}

struct RejectCase {
  const char* file;
  std::vector<std::string> messages;
};

const RejectCase kRejected[] = {
    {"root_not_format.xml", {}},
    {"no_type.xml", {}},
    {"no_name.xml", {}},
    {"no_parser_description.xml", {}},
    {"unknown_capital.xml", {}},
    {"unknown_deep_parser.xml", {}},
    {"count_no_id.xml", {}},
    {"assign_no_variable.xml", {}},
    {"if_undeclared_variable.xml", {}},
    {"if_undeclared_value.xml", {}},
    {"if_no_value.xml", {}},
    {"if_no_variable.xml", {}},
    {"if_quote_in_value.xml", {}},
    {"subst_not_found.xml", {"Substitute with id='Missing' not found"}},
    {"subst_no_id.xml", {"Substitute with id='' not found"}},
    {"subst_self.xml",
     {"Substitute with id='Loop' not found", "Substitute with id='Loop' not found"}},
    {"subst_duplicate.xml", {"Substitute with id='Sep' already exists"}},
};

TEST(TreeBuilder, RejectsInvalidDefinitionsWithTheirMessages) {
  for (const RejectCase& c : kRejected) {
    SCOPED_TRACE(c.file);
    RecordingCallBack callBack;
    FormatDefinition definition(DefinitionPath(c.file), &callBack);
    EXPECT_FALSE(definition.Load());
    EXPECT_EQ(Texts(callBack), c.messages);
    for (const Message& m : callBack.messages) EXPECT_EQ(m.kind, kKindError);
    FormatDefinition silent(DefinitionPath(c.file), nullptr);
    EXPECT_FALSE(silent.Load());
  }
}

TEST(TreeBuilder, SubstitutesReferEarlierAndShareTheirTree) {
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath("subst_earlier.xml"), &callBack);
  ASSERT_TRUE(definition.Load());
  EXPECT_TRUE(callBack.messages.empty());
  EXPECT_EQ(SubstituteDump(definition, "Sep"), R"(seq{lit","})");
  EXPECT_EQ(SubstituteDump(definition, "Fields"), "seq{field[Name@0] subst[Sep] field[Code@0]}");

  const CompoundParser* fields = definition.Substitutes().at("Fields")->tree.get();
  const auto* sepRef = dynamic_cast<const SubstParser*>(fields->Child(1));
  ASSERT_NE(sepRef, nullptr);
  EXPECT_EQ(sepRef->Target(), definition.Substitutes().at("Sep")->tree.get());

  const auto* group = dynamic_cast<const GroupParser*>(definition.RootParser()->Child(0));
  ASSERT_NE(group, nullptr);
  const auto* fieldsRef = dynamic_cast<const SubstParser*>(group->Child(0));
  ASSERT_NE(fieldsRef, nullptr);
  EXPECT_EQ(fieldsRef->Target(), fields);
}

TEST(TreeBuilder, KeepsTheSubstitutesThatBuild) {
  const struct {
    const char* file;
    std::vector<std::string> messages;
    std::vector<std::string> ids;
    const char* id;  // a substitute and its tree
    const char* dump;
  } cases[] = {
      // A substitute referring to a later one is dropped, but the rest loads.
      {"subst_later.xml", {"Substitute with id='Second' not found"}, {"Second", "Third"}, nullptr,
       nullptr},
      // The second of two substitutes with one id is kept.
      {"subst_duplicate_dropped.xml", {}, {"Sep"}, "Sep", R"(seq{lit";"})"},
      // Depth starts at zero inside a substitute.
      {"depth.xml", {}, {"Nested"}, "Nested",
       "seq{group[Outer@0]{seq{group[Inner@2]{field[Deep@3]}}}}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RecordingCallBack callBack;
    FormatDefinition definition(DefinitionPath(c.file), &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(Texts(callBack), c.messages);
    std::vector<std::string> ids;
    for (const auto& entry : definition.Substitutes()) ids.push_back(entry.first);
    EXPECT_EQ(ids, c.ids);
    if (c.id != nullptr) {
      EXPECT_EQ(SubstituteDump(definition, c.id), c.dump);
    }
  }
}

TEST(TreeBuilder, RecordsElementAndRepeatedGroupIds) {
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath("ids.xml"), &callBack);
  ASSERT_TRUE(definition.Load());
  EXPECT_EQ(definition.ElementIds(), (std::set<std::string>{"", "FromDropped", "Name"}));
  EXPECT_EQ(definition.RepeatedGroupIds(),
            (std::set<std::string>{"", "DroppedGroup", "Point", "Vector"}));
  EXPECT_TRUE(definition.Substitutes().empty());
}

// Describes the settings of a field that differ from a new field's, in the
// words that the field formatting tests use.
std::string DescribeField(const FormatParser& f) {
  std::ostringstream out;
  if (f.Width() != 0) out << " width=" << f.Width();
  if (f.GetMaxWidth() != 0) out << " max=" << f.GetMaxWidth();
  if (f.Fill() != ' ') out << " fill=" << f.Fill();
  if (f.IsAlignRight()) out << " right";
  if (f.IsSign()) out << " sign";
  if (f.IsFillBeforeSign()) out << " fbs";
  if (f.Offset() != 0) out << " offset=" << f.Offset();
  if (f.Factor() != 0) out << " factor=" << f.Factor();
  if (f.Precision() != -1) out << " precision=" << f.Precision();
  if (f.Type() != FormatParser::kTypeNone) {
    out << (f.Type() == FormatParser::kTypeDouble ? " double" : " degree");
  }
  if (!f.GetExcludeLiteralHex().empty()) out << " exclude=" << f.GetExcludeLiteralHex();
  return out.str();
}

TEST(TreeBuilder, ReadsFieldAttributesAsTheCLibraryDoes) {
  // The children of field_attributes.xml, in order.
  const char* kFields[] = {
      "",
      " width=8 max=12 fill=0 right sign fbs offset=1000 factor=0.001 precision=3 double"
      " exclude=,\"",
      " width=8 fill=a factor=-0.25 precision=0",
      " width=-3 degree",
      " width=4 fill=0 right precision=2 degree",
  };
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath("field_attributes.xml"), &callBack);
  ASSERT_TRUE(definition.Load());
  const CompoundParser& root = *definition.RootParser();
  ASSERT_EQ(root.NumChildren(), std::size(kFields));
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const auto* field = dynamic_cast<const FormatParser*>(root.Child(i));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(DescribeField(*field), kFields[i]) << i;
  }
  const auto* blank = dynamic_cast<const ElementParser*>(root.Child(3));
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->Default(), "Meters");
  const auto* count = dynamic_cast<const CountParser*>(root.Child(4));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->Id(), "./Point");
}

TEST(TreeBuilder, BuildsThousandsOfNodesQuickly) {
  const int records = 3000;
  std::string groups;
  for (int i = 0; i < records; ++i) {
    groups += "<group id=\"R" + std::to_string(i) + "\" RepeatedNode=\"true\"><element id=\"F" +
              std::to_string(i) +
              "\" width=\"4\"/><literal>;</literal><if variable=\"V\" value=\"a\"/></group>";
  }
  testing::TempFolder folder;
  const std::string path = folder.Write(
      "many.xml", testing::DefinitionText("<repeat><radio>" + groups + "</radio></repeat>",
                                          "<description><VARS><variable id=\"V\" default=\"a\">"
                                          "<value id=\"a\"/></variable></VARS></description>"));
  RecordingCallBack callBack;
  FormatDefinition definition(path, &callBack);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(definition.Load());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(definition.ElementIds().size(), static_cast<size_t>(records));
  EXPECT_EQ(definition.RepeatedGroupIds().size(), static_cast<size_t>(records));
  // A generous bound that only a builder doing work per node per sibling misses.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 10);
}

}  // namespace
}  // namespace compoundparser
