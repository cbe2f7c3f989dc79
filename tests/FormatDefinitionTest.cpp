#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "host/HostLib.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::Contains;

using testing::Message;
using testing::RecordingCallBack;

std::string DefinitionPath(const std::string& file) {
  return std::string(CP_TEST_DATA_DIR) + "/definitions/" + file;
}

struct HeaderCase {
  const char* file;
  const char* type;
  const char* name;
  const char* mask;
  bool simple;
  bool import;
  bool exportAllowed;
  bool tsImport;
  bool tsExport;
};

const HeaderCase kHeaders[] = {
    {"minimal.xml", "Points", "Minimal", "*.*", false, true, true, false, false},
    {"minimal_simple.xml", "Points", "Minimal simple", "*.*", true, true, true, false, false},
    {"header_flags.xml", "Measure", "Flags", "*.raw", false, false, false, true, true},
    {"header_capitals.xml", "GPS", "Capitals", "", false, true, true, false, false},
};

TEST(FormatDefinition, LoadReadsTheHeader) {
  for (const HeaderCase& c : kHeaders) {
    SCOPED_TRACE(c.file);
    RecordingCallBack callBack;
    FormatDefinition definition(DefinitionPath(c.file), &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(definition.Type(), c.type);
    EXPECT_EQ(definition.Name(), c.name);
    EXPECT_EQ(definition.FileMask(), c.mask);
    EXPECT_EQ(definition.IsSimple(), c.simple);
    EXPECT_EQ(definition.IsImport(), c.import);
    EXPECT_EQ(definition.IsExport(), c.exportAllowed);
    EXPECT_EQ(definition.IsTotalStationImport(), c.tsImport);
    EXPECT_EQ(definition.IsTotalStationExport(), c.tsExport);
    EXPECT_FALSE(definition.IsModified());
    EXPECT_EQ(definition.NumGroups(), 0);
    EXPECT_TRUE(callBack.messages.empty());
  }
}

TEST(FormatDefinition, DisplayNameIsTranslated) {
  RegisterTranslation("XMLFormats", ThreadLanguage(), "Minimal", "Minimal (translated)");
  FormatDefinition translated(DefinitionPath("minimal.xml"), nullptr);
  ASSERT_TRUE(translated.Load());
  EXPECT_EQ(translated.Name(), "Minimal (translated)");
  ClearTranslations();
  FormatDefinition plain(DefinitionPath("minimal.xml"), nullptr);
  ASSERT_TRUE(plain.Load());
  EXPECT_EQ(plain.Name(), "Minimal");
}

TEST(FormatDefinition, MalformedOrMissingFileReportsReasonLineAndPosition) {
  RecordingCallBack callBack;
  const std::string path = DefinitionPath("malformed.xml");
  FormatDefinition definition(path, &callBack);
  EXPECT_FALSE(definition.Load());
  ASSERT_EQ(callBack.messages.size(), 2u);
  EXPECT_EQ(callBack.messages[0].kind, kKindError);
  EXPECT_FALSE(callBack.messages[0].text.empty());
  EXPECT_EQ(callBack.messages[1].kind, kKindError);
  // The closing tag </literl> starts on line 5, in column 15.
  EXPECT_EQ(callBack.messages[1].text, "Error on line 5, position 15 in '" + path + "'.");
  EXPECT_EQ(definition.RootParser(), nullptr);

  RecordingCallBack missingMessages;
  FormatDefinition missing(DefinitionPath("does_not_exist.xml"), &missingMessages);
  EXPECT_FALSE(missing.Load());
  ASSERT_FALSE(missingMessages.messages.empty());
  EXPECT_FALSE(missingMessages.messages[0].text.empty());
}

TEST(FormatDefinition, NothingIsExpandedFromOutsideTheFile) {
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath("external_entity.xml"), &callBack);
  if (definition.Load()) {
    const std::string dump = definition.RootParser()->Dump();
    EXPECT_FALSE(Contains(dump, "P1,"));
  } else {
    EXPECT_FALSE(callBack.messages.empty());
  }
}

TEST(FormatDefinition, ReadsTheDescription) {
  FormatDefinition definition(DefinitionPath("description.xml"), nullptr);
  ASSERT_TRUE(definition.Load());
  const TFormatDescription& d = definition.Description();
  using List = std::vector<std::string>;
  EXPECT_EQ(d.metricUnits, (List{"Meters", "Feet", "USFeet"}));
  EXPECT_EQ(d.angularUnits, (List{"Gons", "Degrees", "Gons"}));
  EXPECT_EQ(d.temperatureUnits, (List{"Celsius"}));
  EXPECT_EQ(d.pressureUnits, (List{"mmHg"}));
  EXPECT_EQ(d.includeData, (List{"Point", "GPSVector"}));
  const std::map<std::string, std::string> vars{{"Blank", ""}, {"CoordSystem", "Grid"}};
  EXPECT_EQ(d.vars.entries(), vars);
  // A second load reads it again instead of adding to it.
  ASSERT_TRUE(definition.Load());
  EXPECT_EQ(d.includeData.size(), 2u);

  FormatDefinition without(DefinitionPath("minimal.xml"), nullptr);
  ASSERT_TRUE(without.Load());
  EXPECT_TRUE(without.Description().metricUnits.empty());
  EXPECT_TRUE(without.Description().includeData.empty());
  EXPECT_EQ(without.Description().vars.size(), 0u);
}

TEST(FormatDefinition, SecondLoadBuildsTheSameDefinitionAgain) {
  RecordingCallBack callBack;
  FormatDefinition definition(DefinitionPath("subst_earlier.xml"), &callBack);
  ASSERT_TRUE(definition.Load());
  const std::string first = definition.RootParser()->Dump();
  ASSERT_TRUE(definition.Load());
  EXPECT_EQ(definition.RootParser()->Dump(), first);
  EXPECT_EQ(definition.Substitutes().size(), 2u);
  EXPECT_TRUE(callBack.messages.empty());
}

// Imports points.txt through `definition` and returns the number of Point records.
int ImportPoints(FormatDefinition& definition) {
  RecordingCallBack callBack;
  TParserParam param(&callBack);
  XmlDocument document = XmlDocument::Create();
  param.currentNode = document.AsNode().AppendElement("data");
  if (!definition.ParseFile(DefinitionPath("points.txt"), param)) return -1;
  return static_cast<int>(document.AsNode().SelectNodes("/data/Point").size());
}

TEST(FormatDefinition, CopyStaysUsableAfterTheOriginalIsDestroyed) {
  RecordingCallBack callBack;
  auto original = std::make_unique<FormatDefinition>(DefinitionPath("points_delimited.xml"),
                                                     &callBack);
  ASSERT_TRUE(original->Load());
  const std::string dump = original->RootParser()->Dump();

  FormatDefinition copy(*original);
  EXPECT_EQ(copy.RootParser(), original->RootParser());
  EXPECT_TRUE(copy.Document() == original->Document());
  FormatDefinition assigned(DefinitionPath("minimal.xml"), nullptr);
  ASSERT_TRUE(assigned.Load());
  assigned = *original;
  original.reset();

  for (FormatDefinition* d : {&copy, &assigned}) {
    EXPECT_EQ(d->Name(), "Delimited points");
    EXPECT_EQ(d->FileMask(), "*.txt");
    EXPECT_EQ(d->ElementIds(), (std::set<std::string>{"East", "Name", "North"}));
    ASSERT_NE(d->RootParser(), nullptr);
    EXPECT_EQ(d->RootParser()->Dump(), dump);
    EXPECT_EQ(ImportPoints(*d), 3);
    EXPECT_EQ(d->Document().DocumentElement().Name(), "format");
  }
}

TEST(FormatDefinition, CopiedSubstitutesOutliveTheOriginalAndSelfAssignmentKeepsAll) {
  FormatDefinition copy("none.xml", nullptr);
  {
    FormatDefinition original(DefinitionPath("subst_earlier.xml"), nullptr);
    ASSERT_TRUE(original.Load());
    copy = original;
  }
  ASSERT_EQ(copy.Substitutes().size(), 2u);
  EXPECT_EQ(copy.Substitutes().at("Fields")->tree->Dump(),
            "seq{field[Name@0] subst[Sep] field[Code@0]}");
  // A reload of the copy replaces its tree without touching what it shared.
  ASSERT_TRUE(copy.Load());
  EXPECT_EQ(copy.Substitutes().size(), 2u);

  const CompoundParser* root = copy.RootParser();
  FormatDefinition& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.RootParser(), root);
  EXPECT_EQ(copy.Substitutes().size(), 2u);
  EXPECT_EQ(copy.Name(), "Substitute earlier");
}

TEST(FormatDefinition, CountRepeatedGroupCountsAtAnyDepth) {
  RecordingCallBack callBack;
  XmlDocument document = XmlDocument::Create();
  XmlNode data = document.AsNode().AppendElement("data");
  data.AppendElement("Point");
  data.AppendElement("Vector");
  XmlNode nested = data.AppendElement("Job");
  nested.AppendElement("Point");
  nested.AppendElement("Point").AppendElement("Vector");
  data.AppendElement("Other");
  data.AppendElement("Header");  // a group of ids.xml that is not repeated

  FormatDefinition counted(DefinitionPath("repeated_groups.xml"), &callBack);
  ASSERT_TRUE(counted.Load());
  EXPECT_EQ(counted.CountRepeatedGroup(data, callBack), 5);
  EXPECT_EQ(counted.CountRepeatedGroup(nested, callBack), 5);

  FormatDefinition none(DefinitionPath("minimal.xml"), &callBack);
  ASSERT_TRUE(none.Load());
  EXPECT_EQ(none.CountRepeatedGroup(data, callBack), 0);
  EXPECT_EQ(none.CountRepeatedGroup(nested, callBack), 0);

  // The empty id of a repeated group without name counts nothing.
  FormatDefinition ids(DefinitionPath("ids.xml"), &callBack);
  ASSERT_TRUE(ids.Load());
  EXPECT_EQ(ids.CountRepeatedGroup(data, callBack), 5);
  EXPECT_TRUE(callBack.messages.empty());
}

}  // namespace
}  // namespace compoundparser
