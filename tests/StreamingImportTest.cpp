// The streaming import writes the same bytes, messages and result as an import
// into a document followed by SaveXml, for every pair of the import manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "custom/CustomFormat.h"
#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

struct Pair {
  std::string definition;
  std::string data;
};

std::vector<Pair> ManifestPairs() {
  std::vector<Pair> pairs;
  std::ifstream in(std::string(CP_TEST_DATA_DIR) + "/import-pairs.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Pair pair;
    if (fields >> pair.definition >> pair.data) {
      pairs.push_back({std::string(CP_SOURCE_DIR) + "/" + pair.definition,
                       std::string(CP_SOURCE_DIR) + "/" + pair.data});
    }
  }
  // The generators' own sample files, through a generated definition and two
  // golden ones (the generator tests check that they are what is generated).
  const std::string dir = ::testing::TempDir();
  CustomFormat points(dir + "gen_points.xml", "Coded Points", "*.csv", "2C", -1, false, true, true,
                      {"PointNumber", "Northing", "Easting", "Elevation", "FullCodes"});
  pairs.push_back({dir + "gen_points.xml", TestData("custom/points_codes.csv")});
  pairs.push_back({TestData("custom/vector_plain.xml"), TestData("custom/vectors.vec")});
  pairs.push_back({TestData("custom/tsraw_observations.xml"), TestData("custom/observations.raw")});
  return pairs;
}

struct Outcome {
  bool ok;
  std::string messages;
  std::string bytes;  // the saved document, "<none>" when no file was written
};

Outcome ThroughDocument(FormatDefinition& definition, const std::string& data,
                        const std::string& out, bool domImport = true) {
  RecordingCallBack callBack;
  InstrumentData document(definition, &callBack);
  document.SetDomImport(domImport);
  Outcome outcome{document.ParseRead(data, definition), "", "<none>"};
  if (outcome.ok && document.SaveXml(out)) outcome.bytes = ReadFile(out);
  outcome.messages = callBack.Joined();
  return outcome;
}

Outcome Streaming(FormatDefinition& definition, const std::string& data, const std::string& out) {
  RecordingCallBack callBack;
  InstrumentData document(definition, &callBack);
  Outcome outcome{document.ParseReadToFile(data, definition, out), "", "<none>"};
  if (std::filesystem::exists(out)) outcome.bytes = ReadFile(out);
  outcome.messages = callBack.Joined();
  return outcome;
}

TEST(StreamingImport, SameBytesAsDocumentAndSave) {
  const auto pairs = ManifestPairs();
  ASSERT_GE(pairs.size(), 6u);
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.definition + " " + pair.data);
    RecordingCallBack loadMessages;
    FormatDefinition definition(pair.definition, &loadMessages);
    ASSERT_TRUE(definition.Load()) << loadMessages.Joined();
    TempFolder folder;
    const std::string viaDocument = folder.Path("dom.xml");
    const std::string viaStream = folder.Path("direct.xml");
    const Outcome expected = ThroughDocument(definition, pair.data, viaDocument);
    const Outcome actual = Streaming(definition, pair.data, viaStream);
    EXPECT_TRUE(expected.ok) << expected.messages;
    EXPECT_EQ(actual.ok, expected.ok);
    EXPECT_EQ(actual.messages, expected.messages);
    EXPECT_EQ(actual.bytes, expected.bytes);
    const Outcome parsed = ThroughDocument(definition, pair.data, viaDocument, false);
    EXPECT_EQ(parsed.ok, expected.ok);
    EXPECT_EQ(parsed.messages, expected.messages);
    EXPECT_EQ(parsed.bytes, expected.bytes);
  }
}

// A tree whose groups fail half way and whose values need escaping.
TEST(StreamingImport, DroppedGroupsEscapesAndEmptyValues) {
  TempFolder folder;
  const std::string definitionFile = folder.Write(
      "def.xml",
      DefinitionText(
          "<repeat><radio>"
          "<group id=\"Long\" RepeatedNode=\"true\"><terminated><element id=\"A\"/>"
          "<literal>;</literal></terminated><literal>!</literal>"
          "<terminated><element id=\"B\"/><literal hex=\"true\">0A</literal></terminated></group>"
          "<group id=\"Short\" RepeatedNode=\"true\"><terminated><optional><element id=\"A\"/>"
          "</optional><literal hex=\"true\">0A</literal></terminated></group>"
          "</radio></repeat>"));
  const std::string dataFile = folder.Write("data.txt", "a&b;!<c>\n\nx;y\n\xC3\xA9t\xC3\xA9\n");
  RecordingCallBack loadMessages;
  FormatDefinition definition(definitionFile, &loadMessages);
  ASSERT_TRUE(definition.Load()) << loadMessages.Joined();
  const Outcome expected = ThroughDocument(definition, dataFile, folder.Path("s1.xml"));
  const Outcome actual = Streaming(definition, dataFile, folder.Path("s2.xml"));
  ASSERT_TRUE(expected.ok) << expected.messages;
  EXPECT_EQ(actual.bytes, expected.bytes);
  EXPECT_TRUE(Contains(actual.bytes, "<A>a&amp;b</A>"));
  EXPECT_TRUE(Contains(actual.bytes, "    <Short>\r\n    </Short>\r\n"));
  EXPECT_EQ(actual.messages, expected.messages);
}

// The document built from text holds what the DOM would: an empty value is an
// empty text node (export writes it), indentation text is kept, and a failed
// import keeps the records read before the failure.
TEST(TextImport, DocumentEqualsTheOneBuiltNodeByNode) {
  TempFolder folder;
  const std::string definitionFile = folder.Write(
      "def.xml",
      DefinitionText("<repeat><group id=\"P\" RepeatedNode=\"true\">"
                     "<element id=\"Name\" width=\"3\"/><literal hex=\"true\">0A</literal>"
                     "</group></repeat>"));
  const std::string dataFile = folder.Path("data.txt");
  const std::string data = "ab \n   \nxyz\n";
  struct Case {
    std::string input;
    bool ok;
  };
  const Case cases[] = {{data, true}, {data + "toolong\n", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    WriteFile(dataFile, c.input);
    RecordingCallBack callBack;
    FormatDefinition definition(definitionFile, &callBack);
    ASSERT_TRUE(definition.Load());
    InstrumentData byNodes(definition, &callBack);
    byNodes.SetDomImport(true);
    InstrumentData byText(definition, &callBack);
    EXPECT_EQ(byNodes.ParseRead(dataFile, definition), c.ok);
    EXPECT_EQ(byText.ParseRead(dataFile, definition), c.ok);
    EXPECT_EQ(byText.GetDocument().SaveToString(), byNodes.GetDocument().SaveToString());
    const XmlNode second = byText.GetDocument().DocumentElement().SelectSingleNode("P[2]/Name");
    ASSERT_TRUE(second);
    ASSERT_TRUE(second.FirstChild());
    EXPECT_EQ(second.FirstChild().Value().value_or("<null>"), "");
    ASSERT_TRUE(byText.ParseWrite(folder.Path("out.txt"), definition));
    EXPECT_EQ(ReadFile(folder.Path("out.txt")), data);
  }
}

TEST(StreamingImport, FailedImportWritesNoFile) {
  const std::string definitionFile = std::string(CP_TEST_DATA_DIR) + "/instrument/points.xml";
  RecordingCallBack loadMessages;
  FormatDefinition definition(definitionFile, &loadMessages);
  ASSERT_TRUE(definition.Load());
  TempFolder folder;
  const std::string bad = folder.Write("bad.txt", "no commas here");
  const std::string target = folder.Write("existing.xml", "old content");
  const Outcome expected = ThroughDocument(definition, bad, folder.Path("s3.xml"));
  const Outcome actual = Streaming(definition, bad, target);
  EXPECT_FALSE(expected.ok);
  EXPECT_FALSE(actual.ok);
  EXPECT_EQ(actual.messages, expected.messages);
  EXPECT_EQ(ReadFile(target), "old content");
  const Outcome missing = Streaming(definition, folder.Path("absent.txt"), folder.Path("out.xml"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.bytes, "<none>");
}

}  // namespace
}  // namespace compoundparser::testing
