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

// Returns the definition and data files of the import manifest and of the generators' samples.
std::vector<std::pair<std::string, std::string>> ManifestPairs() {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::ifstream in(std::string(CP_TEST_DATA_DIR) + "/import-pairs.txt");
  const std::string root = std::string(CP_SOURCE_DIR) + "/";
  for (std::string line, definition, data; std::getline(in, line);) {
    std::istringstream fields(line);
    if (line.empty() || line[0] == '#' || !(fields >> definition >> data)) continue;
    pairs.emplace_back(root + definition, root + data);
  }
  // The generators' own sample files, through a generated definition and two
  // golden ones (the generator tests check that they are what is generated).
  const std::string dir = ::testing::TempDir();
  CustomFormat points(dir + "gen_points.xml", "Coded Points", "*.csv", "2C", -1, false, true, true,
                      {"PointNumber", "Northing", "Easting", "Elevation", "FullCodes"});
  pairs.emplace_back(dir + "gen_points.xml", TestData("custom/points_codes.csv"));
  pairs.emplace_back(TestData("custom/vector_plain.xml"), TestData("custom/vectors.vec"));
  pairs.emplace_back(TestData("custom/tsraw_observations.xml"),
                     TestData("custom/observations.raw"));
  return pairs;
}

enum Mode { kDom, kText, kStream };

// Imports `data` into `out` (the document saved, or streamed) and returns the
// result, the messages and the bytes written ("<none>" when no file was written).
std::string Import(FormatDefinition& definition, const std::string& data, const std::string& out,
                   Mode mode) {
  RecordingCallBack callBack;
  InstrumentData document(definition, &callBack);
  document.SetDomImport(mode == kDom);
  bool ok = false;
  if (mode == kStream) {
    ok = document.ParseReadToFile(data, definition, out);
  } else {
    ok = document.ParseRead(data, definition) && document.SaveXml(out);
  }
  const bool written = std::filesystem::exists(out) && (ok || mode == kStream);
  return std::string(ok ? "ok\n" : "failed\n") + callBack.Joined() + "\n" +
         (written ? ReadFile(out) : "<none>");
}

// Loads the definition in `path`.
std::unique_ptr<FormatDefinition> Load(const std::string& path) {
  RecordingCallBack messages;
  auto definition = std::make_unique<FormatDefinition>(path, &messages);
  EXPECT_TRUE(definition->Load()) << messages.Joined();
  return definition;
}

TEST(StreamingImport, SameBytesAsDocumentAndSave) {
  const auto pairs = ManifestPairs();
  ASSERT_GE(pairs.size(), 6u);
  for (const auto& [definitionFile, data] : pairs) {
    SCOPED_TRACE(definitionFile + " " + data);
    auto definition = Load(definitionFile);
    TempFolder folder;
    const std::string expected = Import(*definition, data, folder.Path("dom.xml"), kDom);
    EXPECT_EQ(expected.rfind("ok\n", 0), 0u) << expected;
    EXPECT_EQ(Import(*definition, data, folder.Path("direct.xml"), kStream), expected);
    EXPECT_EQ(Import(*definition, data, folder.Path("text.xml"), kText), expected);
  }
}

// A tree whose groups fail half way and whose values need escaping.
TEST(StreamingImport, DroppedGroupsEscapesAndEmptyValues) {
  TempFolder folder;
  auto definition = Load(folder.Write(
      "def.xml",
      DefinitionText(
          "<repeat><radio>"
          "<group id=\"Long\" RepeatedNode=\"true\"><terminated><element id=\"A\"/>"
          "<literal>;</literal></terminated><literal>!</literal>"
          "<terminated><element id=\"B\"/><literal hex=\"true\">0A</literal></terminated></group>"
          "<group id=\"Short\" RepeatedNode=\"true\"><terminated><optional><element id=\"A\"/>"
          "</optional><literal hex=\"true\">0A</literal></terminated></group>"
          "</radio></repeat>")));
  const std::string data = folder.Write("data.txt", "a&b;!<c>\n\nx;y\n\xC3\xA9t\xC3\xA9\n");
  const std::string actual = Import(*definition, data, folder.Path("s2.xml"), kStream);
  EXPECT_EQ(actual, Import(*definition, data, folder.Path("s1.xml"), kDom));
  EXPECT_EQ(actual.rfind("ok\n", 0), 0u) << actual;
  EXPECT_TRUE(Contains(actual, "<A>a&amp;b</A>"));
  // A group that holds nothing keeps its line end as a value would.
  EXPECT_TRUE(Contains(actual, "    <Short>&#13;\n    </Short>\r\n"));
}

// The document built from text holds what the DOM would: an empty value is an
// empty text node (export writes it), indentation text is kept, and a failed
// import keeps the records read before the failure.
TEST(TextImport, DocumentEqualsTheOneBuiltNodeByNode) {
  TempFolder folder;
  auto definition = Load(folder.Write(
      "def.xml",
      DefinitionText("<repeat><group id=\"P\" RepeatedNode=\"true\">"
                     "<element id=\"Name\" width=\"3\"/><literal hex=\"true\">0A</literal>"
                     "</group></repeat>")));
  const std::string data = "ab \n   \nxyz\n";
  for (const auto& [input, ok] : {std::pair{data, true}, std::pair{data + "toolong\n", false}}) {
    SCOPED_TRACE(input);
    const std::string dataFile = folder.Write("data.txt", input);
    RecordingCallBack callBack;
    InstrumentData byNodes(*definition, &callBack);
    byNodes.SetDomImport(true);
    InstrumentData byText(*definition, &callBack);
    EXPECT_EQ(byNodes.ParseRead(dataFile, *definition), ok);
    EXPECT_EQ(byText.ParseRead(dataFile, *definition), ok);
    EXPECT_EQ(byText.GetDocument().SaveToString(), byNodes.GetDocument().SaveToString());
    const XmlNode second = byText.GetDocument().DocumentElement().SelectSingleNode("P[2]/Name");
    ASSERT_TRUE(second && second.FirstChild());
    EXPECT_EQ(second.FirstChild().Value().value_or("<null>"), "");
    ASSERT_TRUE(byText.ParseWrite(folder.Path("out.txt"), *definition));
    EXPECT_EQ(ReadFile(folder.Path("out.txt")), data);
  }
}

TEST(StreamingImport, FailedImportWritesNoFile) {
  auto definition = Load(TestData("instrument/points.xml"));
  TempFolder folder;
  const std::string bad = folder.Write("bad.txt", "no commas here");
  const std::string target = folder.Write("existing.xml", "old content");
  const std::string expected = Import(*definition, bad, folder.Path("s3.xml"), kDom);
  EXPECT_EQ(expected.rfind("failed\n", 0), 0u);
  EXPECT_EQ(Import(*definition, bad, target, kStream),
            expected.substr(0, expected.size() - 6) + "old content");
  EXPECT_EQ(
      Import(*definition, folder.Path("absent.txt"), folder.Path("out.xml"), kStream).substr(0, 7),
      "failed\n");
  EXPECT_FALSE(std::filesystem::exists(folder.Path("out.xml")));
}

}  // namespace
}  // namespace compoundparser::testing
