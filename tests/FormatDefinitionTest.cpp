// Definitions: the header and description they read, the parser tree they
// build or refuse, and copies that share document, tree and groups.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "host/HostLib.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::string DefinitionPath(const std::string& file) {
  return std::string(CP_TEST_DATA_DIR) + "/definitions/" + file;
}

TEST(FormatDefinition, LoadReadsTheHeader) {
  // file, header (type|name|mask|simple import export tsImport tsExport)
  const std::tuple<const char*, const char*> cases[] = {
      {"minimal.xml", "Points|Minimal|*.*|01100"},
      {"minimal_simple.xml", "Points|Minimal simple|*.*|11100"},
      {"header_flags.xml", "Measure|Flags|*.raw|00011"},
      {"header_capitals.xml", "GPS|Capitals||01100"},
  };
  for (const auto& [file, header] : cases) {
    SCOPED_TRACE(file);
    RecordingCallBack callBack;
    FormatDefinition d(DefinitionPath(file), &callBack);
    ASSERT_TRUE(d.Load());
    std::string flags;
    for (bool flag : {d.IsSimple(), d.IsImport(), d.IsExport(), d.IsTotalStationImport(),
                      d.IsTotalStationExport()}) {
      flags += flag ? '1' : '0';
    }
    EXPECT_EQ(d.Type() + "|" + d.Name() + "|" + d.FileMask() + "|" + flags, header);
    EXPECT_TRUE(callBack.messages.empty());
  }
  // The display name is translated.
  RegisterTranslation("XMLFormats", ThreadLanguage(), "Minimal", "Minimal (translated)");
  FormatDefinition translated(DefinitionPath("minimal.xml"), nullptr);
  ASSERT_TRUE(translated.Load());
  ClearTranslations();
  EXPECT_EQ(translated.Name(), "Minimal (translated)");
}

TEST(FormatDefinition, MalformedOrMissingFileReportsReasonLineAndPosition) {
  RecordingCallBack callBack;
  const std::string path = DefinitionPath("malformed.xml");
  FormatDefinition definition(path, &callBack);
  EXPECT_FALSE(definition.Load());
  ASSERT_EQ(callBack.messages.size(), 2u);
  EXPECT_EQ(callBack.messages[0].kind, kKindError);
  EXPECT_FALSE(callBack.messages[0].text.empty());
  // The closing tag </literl> starts on line 5, in column 15.
  EXPECT_EQ(callBack.messages[1],
            (Message{kKindError, "Error on line 5, position 15 in '" + path + "'."}));
  EXPECT_EQ(definition.RootParser(), nullptr);

  RecordingCallBack missingMessages;
  FormatDefinition missing(DefinitionPath("does_not_exist.xml"), &missingMessages);
  EXPECT_FALSE(missing.Load());
  ASSERT_FALSE(missingMessages.messages.empty());
  EXPECT_FALSE(missingMessages.messages[0].text.empty());
}

// A host may build its context without a callback: messages and progress
// reports then go nowhere, through a successful and a failing run alike.
TEST(FormatDefinition, DriversRunWithAContextWithoutCallback) {
  FormatDefinition definition(DefinitionPath("points_delimited.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
  TempFolder folder;
  const std::string bad = folder.Write("bad.txt", "P1,1\r\nP2\r\n");
  const std::string out = folder.Path("out.txt");
  for (const std::string& input : {DefinitionPath("points.txt"), bad}) {
    SCOPED_TRACE(input);
    const bool good = input != bad;
    XmlDocument document = XmlDocument::Create();
    TParserParam param;
    param.currentNode = document.AsNode().AppendElement("data");
    EXPECT_EQ(definition.ParseFile(input, param), good);
    // Whatever the import kept is exported again, with progress reports.
    TParserParam writer;
    writer.currentNode = document.DocumentElement();
    writer.totalCount = 3;
    const bool exported = definition.ParseXml(out, writer);
    if (good) {
      EXPECT_TRUE(exported);
      EXPECT_EQ(ReadFile(out), ReadFile(input));
    }
  }
}

TEST(FormatDefinition, ReadsTheDescription) {
  FormatDefinition definition(DefinitionPath("description.xml"), nullptr);
  // A second load reads it again instead of adding to it.
  ASSERT_TRUE(definition.Load() && definition.Load());
  const TFormatDescription& d = definition.Description();
  std::string lists;
  for (const auto* list :
       {&d.metricUnits, &d.angularUnits, &d.temperatureUnits, &d.pressureUnits, &d.includeData}) {
    for (const std::string& item : *list) lists += item + " ";
    lists += "|";
  }
  EXPECT_EQ(lists, "Meters Feet USFeet |Gons Degrees Gons |Celsius |mmHg |Point GPSVector |");
  EXPECT_EQ(d.vars.entries(),
            (std::map<std::string, std::string>{{"Blank", ""}, {"CoordSystem", "Grid"}}));
}

TEST(FormatDefinition, CountRepeatedGroupCountsAtAnyDepth) {
  RecordingCallBack callBack;
  // Header is a group of ids.xml that is not repeated.
  const std::string xml =
      "<data><Point/><Vector/><Job><Point/><Point><Vector/></Point></Job><Other/><Header/></data>";
  XmlDocument document = XmlDocument::Create();
  ASSERT_TRUE(document.LoadBuffer(xml.data(), xml.size()));
  const XmlNode data = document.DocumentElement();
  const XmlNode nested = data.FirstChildElement("Job");
  // The empty id of a repeated group without name counts nothing.
  // file, count
  const std::tuple<const char*, int> cases[] = {
      {"repeated_groups.xml", 5}, {"minimal.xml", 0}, {"ids.xml", 5}};
  for (const auto& [file, count] : cases) {
    SCOPED_TRACE(file);
    FormatDefinition definition(DefinitionPath(file), &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(definition.CountRepeatedGroup(data, callBack), count);
    EXPECT_EQ(definition.CountRepeatedGroup(nested, callBack), count);
  }
  EXPECT_TRUE(callBack.messages.empty());
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
      // Field attributes are read as the C library reads numbers and characters.
      {"field_attributes.xml",
       R"(seq{field[Plain@0] field[Eight@0 w=8 max=12 right fill="0" sign fbs off=1000.000000 )"
       R"(fac=0.001000 prec=3 double ex=",\""] field[Odd@0 w=8 fill="a" fac=-0.250000 prec=0] )"
       R"(field[Blank@0 w=-3 degree def="Meters"] count[./Point w=4 right fill="0" prec=2 degree]}|)"},
      {"points_delimited.xml",
       R"(seq{repeat{group[Point@1 rep]{term{field[Name@3] lit","} term{field[East@3] lit","} )"
       R"(term{field[North@3] lit"\r\n"}}}}|)"},
      {"subst_not_found.xml", "<refused>|Substitute with id='Missing' not found\n"},
      {"subst_no_id.xml", "<refused>|Substitute with id='' not found\n"},
      {"subst_self.xml", "<refused>|" + std::string(notFound) + notFound},
      {"subst_duplicate.xml", "<refused>|Substitute with id='Sep' already exists\n"},
  };
  for (const auto& [file, result] : cases) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Built(file), result);
  }
  // Refused without a message of their own.
  for (const char* file :
       {"root_not_format.xml", "no_type.xml", "no_name.xml", "no_parser_description.xml",
        "unknown_capital.xml", "unknown_deep_parser.xml", "count_no_id.xml",
        "assign_no_variable.xml", "if_undeclared_variable.xml", "if_undeclared_value.xml",
        "if_no_value.xml", "if_no_variable.xml", "if_quote_in_value.xml"}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Built(file), "<refused>|");
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
  // References point at the substitute's own tree (the outlines above show the node types).
  FormatDefinition d(DefinitionPath("subst_earlier.xml"), nullptr);
  ASSERT_TRUE(d.Load());
  const CompoundParser* fields = d.Substitutes().at("Fields")->tree.get();
  EXPECT_EQ(static_cast<const SubstParser*>(fields->Child(1))->Target(),
            d.Substitutes().at("Sep")->tree.get());
  const auto* group = static_cast<const GroupParser*>(d.RootParser()->Child(0));
  EXPECT_EQ(static_cast<const SubstParser*>(group->Child(0))->Target(), fields);
}

TEST(TreeBuilder, RecordsElementAndRepeatedGroupIds) {
  FormatDefinition definition(DefinitionPath("ids.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
  EXPECT_EQ(definition.ElementIds(), (std::set<std::string>{"", "FromDropped", "Name"}));
  EXPECT_EQ(definition.RepeatedGroupIds(),
            (std::set<std::string>{"", "DroppedGroup", "Point", "Vector"}));
}

// Returns the groups held, then the group elements in the shared document.
std::string Groups(const FormatDefinition& d) {
  return std::to_string(d.NumGroups()) + " " +
         std::to_string(d.Document().AsNode().SelectNodes("/format/repeat/radio/group").size());
}

// Returns name, mask, tree, substitutes and element ids of a loaded definition.
std::string Outline(const FormatDefinition& d) {
  std::string text = d.Name() + "|" + d.FileMask() + "|" + d.RootParser()->Dump() + "|";
  for (const auto& entry : d.Substitutes())
    text += entry.first + "=" + entry.second->tree->Dump() + " ";
  for (const std::string& id : d.ElementIds()) text += id + ",";
  return text;
}

// Imports points.txt through `definition`; returns the number of Point records or -1.
int ImportPoints(FormatDefinition& definition) {
  Harness h;
  if (!definition.ParseFile(TestData("definitions/points.txt"), h.param)) return -1;
  return static_cast<int>(h.doc.AsNode().SelectNodes("/data/Point").size());
}

TEST(DefinitionCopy, CopiesShareTheTreeOutliveTheOriginalAndReloadTheSame) {
  // file, points (imported from points.txt)
  const std::tuple<const char*, int> cases[] = {{"points_delimited.xml", 3},
                                                {"subst_earlier.xml", -1}};
  for (const auto& [file, points] : cases) {
    SCOPED_TRACE(file);
    auto original = std::make_unique<FormatDefinition>(DefinitionPath(file), nullptr);
    ASSERT_TRUE(original->Load());
    const std::string outline = Outline(*original);
    FormatDefinition copy(*original);
    EXPECT_EQ(copy.RootParser(), original->RootParser());
    EXPECT_TRUE(copy.Document() == original->Document());
    FormatDefinition assigned(DefinitionPath("minimal.xml"), nullptr);
    ASSERT_TRUE(assigned.Load());
    assigned = *original;
    original.reset();
    for (FormatDefinition* d : {&copy, &assigned}) {
      EXPECT_EQ(Outline(*d), outline);
      EXPECT_EQ(ImportPoints(*d), points);
    }
    const CompoundParser* root = copy.RootParser();
    FormatDefinition& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.RootParser(), root);
    // A reload of the copy replaces its tree without touching what it shared.
    ASSERT_TRUE(copy.Load());
    EXPECT_EQ(Outline(copy), outline);
    EXPECT_EQ(Outline(assigned), outline);
  }
}

TEST(DefinitionCopy, GroupEditsThroughOneCopyAreSeenByTheOther) {
  for (const int change : {-1, +1}) {
    SCOPED_TRACE(change);
    auto original = std::make_unique<FormatDefinition>(TestData("groups/mixed.xml"), nullptr);
    ASSERT_TRUE(original->Load());
    const int before = original->NumGroups();
    ASSERT_GT(before, 0);
    FormatDefinition copy(*original);
    FormatDefinition assigned(TestData("groups/points.xml"), nullptr);
    ASSERT_TRUE(assigned.Load());
    assigned = copy;
    change < 0 ? copy.RemoveGroup(copy.GetGroup(0)) : (void)copy.AddGroup();
    const std::string after =
        std::to_string(before + change) + " " + std::to_string(before + change);
    for (FormatDefinition* d : {original.get(), &copy, &assigned}) {
      EXPECT_EQ(Groups(*d), after);
      for (int i = 0; i < d->NumGroups(); ++i) EXPECT_TRUE(d->GetGroup(i).Element().Parent());
    }
    // The copies keep the list when the definition they came from is gone.
    original.reset();
    EXPECT_EQ(Groups(copy) + " " + Groups(assigned), after + " " + after);
  }
  // A reload reads the file into a document of its own.
  FormatDefinition original(TestData("groups/mixed.xml"), nullptr);
  ASSERT_TRUE(original.Load());
  const int before = original.NumGroups();
  FormatDefinition copy(original);
  copy.RemoveGroup(copy.GetGroup(0));
  ASSERT_TRUE(copy.Load());
  EXPECT_EQ(copy.NumGroups(), before);
  EXPECT_EQ(Groups(original), std::to_string(before - 1) + " " + std::to_string(before - 1));
}

}  // namespace
}  // namespace compoundparser::testing
