#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "definitions/FormatDefinition.h"
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

TEST(FormatDefinition, ReadsTheDescription) {
  using List = std::vector<std::string>;
  FormatDefinition definition(DefinitionPath("description.xml"), nullptr);
  // A second load reads it again instead of adding to it.
  ASSERT_TRUE(definition.Load() && definition.Load());
  const TFormatDescription& d = definition.Description();
  EXPECT_EQ(d.metricUnits, (List{"Meters", "Feet", "USFeet"}));
  EXPECT_EQ(d.angularUnits, (List{"Gons", "Degrees", "Gons"}));
  EXPECT_EQ(d.temperatureUnits, (List{"Celsius"}));
  EXPECT_EQ(d.pressureUnits, (List{"mmHg"}));
  EXPECT_EQ(d.includeData, (List{"Point", "GPSVector"}));
  EXPECT_EQ(d.vars.entries(),
            (std::map<std::string, std::string>{{"Blank", ""}, {"CoordSystem", "Grid"}}));
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

}  // namespace
}  // namespace compoundparser::testing
