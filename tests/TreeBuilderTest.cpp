#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

std::string DefinitionPath(const std::string& file) {
  return std::string(CP_TEST_DATA_DIR) + "/definitions/" + file;
}

// Loads `file`; returns the outline of its tree (or "<refused>"), then "|" and
// the messages, all of which must be errors.
std::string Built(const std::string& file) {
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath(file), &callBack);
  const bool ok = definition.Load();
  for (const Message& m : callBack.messages) EXPECT_EQ(m.kind, kKindError);
  FormatDefinition silent(DefinitionPath(file), nullptr);
  EXPECT_EQ(silent.Load(), ok);
  return (ok ? definition.RootParser()->Dump() : "<refused>") + "|" + callBack.Lines();
}

TEST(TreeBuilder, BuildsOrRefusesEachDefinition) {
  const char* notFound = "Substitute with id='Loop' not found\n";
  // file, result
  const std::tuple<const char*, std::string> cases[] = {
      {"minimal.xml", "seq{}|"},
      {"no_parser.xml", R"(seq{lit";" group[Point@0]{field[Name@1]}}|)"},
      {"all_nodes.xml",
       R"(seq{rolit"H" field[Name@0 def="none"] count[Point] subst[Sep] assign[Type=TEXT] )"
       R"(assign[Empty=] seq{lit"m"} opt{lit"o"} radio{lit"a" lit"b"} repeat[1]{lit"r"} )"
       R"(term[50]{field[Code@1] lit";"} group[Point@0 rep skip]{} if[Mode==on]{lit"i"}}|)"},
      {"literals.xml", R"(seq{lit"," lit"DATE" lit"" lit"" lit"" rolit"\r\n" lit"A" lit"A" )"
                       R"(lit"DATE"[Type=DATE] lit"TIME"[Type] lit"41"}|)"},
      {"repeat_terminated.xml",
       "seq{repeat{} repeat[0]{} repeat[5]{} term{} term[-7]{} term[40]{}}|"},
      {"if_declared.xml", R"(seq{if[StrictFormat==true]{lit"S"} if[StrictFormat!=true]{lit"L"} )"
                          R"(if[StrictFormat!=false]{}}|)"},
      {"depth.xml", R"(seq{field[Top@0] group[Point@0]{term{repeat{field[Name@3]} lit","} )"
                    R"(if[V!=a]{group[InIf@2]{field[X@3]}} subst[Nested]}}|)"},
      {"subst_earlier.xml", "seq{group[Point@0 rep]{subst[Fields]}}|"},
      // A substitute referring to a later one is dropped, but the rest loads.
      {"subst_later.xml",
       "seq{subst[Second] subst[Third]}|Substitute with id='Second' not found\n"},
      {"subst_duplicate_dropped.xml", "seq{subst[Sep]}|"},
      {"points_delimited.xml",
       R"(seq{repeat{group[Point@1 rep]{term{field[Name@3] lit","} term{field[East@3] lit","} )"
       R"(term{field[North@3] lit"\r\n"}}}}|)"},
      {"root_not_format.xml", "<refused>|"},
      {"no_type.xml", "<refused>|"},
      {"no_name.xml", "<refused>|"},
      {"no_parser_description.xml", "<refused>|"},
      {"unknown_capital.xml", "<refused>|"},
      {"unknown_deep_parser.xml", "<refused>|"},
      {"count_no_id.xml", "<refused>|"},
      {"assign_no_variable.xml", "<refused>|"},
      {"if_undeclared_variable.xml", "<refused>|"},
      {"if_undeclared_value.xml", "<refused>|"},
      {"if_no_value.xml", "<refused>|"},
      {"if_no_variable.xml", "<refused>|"},
      {"if_quote_in_value.xml", "<refused>|"},
      {"subst_not_found.xml", "<refused>|Substitute with id='Missing' not found\n"},
      {"subst_no_id.xml", "<refused>|Substitute with id='' not found\n"},
      {"subst_self.xml", "<refused>|" + std::string(notFound) + notFound},
      {"subst_duplicate.xml", "<refused>|Substitute with id='Sep' already exists\n"},
  };
  for (const auto& [file, result] : cases) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Built(file), result);
  }
}

TEST(TreeBuilder, KeepsSubstitutesAndSharesTheirTree) {
  // file, substitutes (id=tree of each, by id)
  const std::tuple<const char*, const char*> cases[] = {
      {"subst_later.xml", R"(Second=seq{lit";"} Third=seq{lit":"} )"},  // First is dropped
      {"subst_duplicate_dropped.xml", R"(Sep=seq{lit";"} )"},  // the second of one id is kept
      // Depth starts at zero inside a substitute.
      {"depth.xml", "Nested=seq{group[Outer@0]{seq{group[Inner@2]{field[Deep@3]}}}} "},
      {"subst_earlier.xml",
       R"(Fields=seq{field[Name@0] subst[Sep] field[Code@0]} Sep=seq{lit","} )"},
      {"ids.xml", ""},
  };
  for (const auto& [file, expected] : cases) {
    SCOPED_TRACE(file);
    FormatDefinition definition(DefinitionPath(file), nullptr);
    ASSERT_TRUE(definition.Load());
    std::string substitutes;
    for (const auto& entry : definition.Substitutes()) {
      substitutes += entry.first + "=" + entry.second->tree->Dump() + " ";
    }
    EXPECT_EQ(substitutes, expected);
  }
  FormatDefinition definition(DefinitionPath("subst_earlier.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
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

TEST(TreeBuilder, RecordsElementAndRepeatedGroupIds) {
  FormatDefinition definition(DefinitionPath("ids.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
  EXPECT_EQ(definition.ElementIds(), (std::set<std::string>{"", "FromDropped", "Name"}));
  EXPECT_EQ(definition.RepeatedGroupIds(),
            (std::set<std::string>{"", "DroppedGroup", "Point", "Vector"}));
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
  if (f.Type() != FormatParser::kTypeNone)
    out << (f.Type() == FormatParser::kTypeDouble ? " double" : " degree");
  if (!f.GetExcludeLiteralHex().empty()) out << " exclude=" << f.GetExcludeLiteralHex();
  if (auto* element = dynamic_cast<const ElementParser*>(&f))
    out << " default=" << element->Default();
  if (auto* count = dynamic_cast<const CountParser*>(&f)) out << " count=" << count->Id();
  return out.str();
}

TEST(TreeBuilder, ReadsFieldAttributesAsTheCLibraryDoes) {
  const char* kFields[] = {
      " default=",
      " width=8 max=12 fill=0 right sign fbs offset=1000 factor=0.001 precision=3 double "
      "exclude=,\" default=",
      " width=8 fill=a factor=-0.25 precision=0 default=",
      " width=-3 degree default=Meters",
      " width=4 fill=0 right precision=2 degree count=./Point",
  };
  FormatDefinition definition(DefinitionPath("field_attributes.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
  const CompoundParser& root = *definition.RootParser();
  ASSERT_EQ(root.NumChildren(), std::size(kFields));
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const auto* field = dynamic_cast<const FormatParser*>(root.Child(i));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(DescribeField(*field), kFields[i]) << i;
  }
}

}  // namespace
}  // namespace compoundparser::testing
