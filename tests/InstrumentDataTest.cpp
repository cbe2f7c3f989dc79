#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/HostError.h"

namespace compoundparser {
namespace {

namespace fs = std::filesystem;

const std::string kDataDir = std::string(CP_TEST_DATA_DIR) + "/instrument/";
const std::string kNoData = "There are not data for exporting";

struct Recorder : TParserCallBack {
  std::vector<std::pair<int, std::string>> messages;
  std::vector<unsigned long> totals;
  void OnMessage(int kind, std::string text) override { messages.emplace_back(kind, text); }
  void OnProgress(unsigned long total, unsigned long) override { totals.push_back(total); }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder for the files of one test, removed at its end.
class InstrumentDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder =
        fs::temp_directory_path() /
        ("cp-data-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string Path(const std::string& name) const { return (folder / name).string(); }

  // Returns a loaded definition from a file of this test's folder.
  std::unique_ptr<FormatDefinition> Definition(const std::string& parser,
                                               const std::string& name = "def.xml") {
    WriteAll(Path(name),
             R"(<format type="T" name="Test"><parser>)" + parser + "</parser></format>");
    auto definition = std::make_unique<FormatDefinition>(Path(name), &recorder);
    EXPECT_TRUE(definition->Load()) << parser;
    return definition;
  }

  std::unique_ptr<FormatDefinition> Points() {
    auto definition = std::make_unique<FormatDefinition>(kDataDir + "points.xml", &recorder);
    EXPECT_TRUE(definition->Load());
    return definition;
  }

  fs::path folder;
  Recorder recorder;
};

TEST_F(InstrumentDataTest, NewObjectHasNoDocument) {
  auto definition = Points();
  InstrumentData data(*definition, &recorder);
  EXPECT_TRUE(data.GetDocument().IsNull());
  EXPECT_FALSE(data.IsEmpty());
  EXPECT_EQ(data.GetError(), 0u);
  EXPECT_TRUE(data.vars.isValue("CoordSystem", "Local"));
  EXPECT_FALSE(data.SaveXml(Path("out.xml")));
  EXPECT_EQ(data.GetError(), kXmlErrorPointer);
  EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_FALSE(fs::exists(Path("out.txt")));
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(InstrumentDataTest, SavedImportMatchesLayout) {
  auto definition = Points();
  const std::string source = Path("points.txt");
  fs::copy_file(kDataDir + "points.txt", source);
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(source, *definition));
  ASSERT_TRUE(data.SaveXml(Path("saved.xml")));

  std::string expected = ReadAll(kDataDir + "points-import.xml");
  expected.replace(expected.find("@SOURCE@"), 8, source);
  EXPECT_EQ(ReadAll(Path("saved.xml")), expected);
  // Only the data file and the saved document: the temporary file is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(InstrumentDataTest, ImportDropsOldDocumentAlsoOnFailure) {
  auto definition = Points();
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(kDataDir + "points.txt", *definition));
  const XmlDocument first = data.GetDocument();

  const std::string missing = R"(C:\data\job1.txt)";
  EXPECT_FALSE(data.ParseRead(missing, *definition));
  const XmlDocument second = data.GetDocument();
  ASSERT_FALSE(second.IsNull());
  EXPECT_FALSE(second == first);
  const XmlNode top = second.AsNode().FirstChild();
  EXPECT_EQ(top.Type(), kXmlProcessingInstruction);
  EXPECT_EQ(top.NextSibling().Value(), "OXEL Instrument Data");
  const XmlNode root = second.DocumentElement();
  EXPECT_EQ(root.FirstChild().Value(), "\r\n");
  const XmlNode info = root.FirstChild().NextSibling();
  EXPECT_EQ(info.Name(), "info");
  EXPECT_TRUE(info.NextSibling().IsNull());
  EXPECT_EQ(info.FirstChildElement("Source_File").GetAttribute("name"), missing);
  EXPECT_TRUE(root.SelectNodes("//Point").empty());
}

TEST_F(InstrumentDataTest, AvailableFieldsSortedDistinctWithoutEmptyId) {
  auto definition = Definition(
      R"(<element id="North"/><element id="East"/><element id="Name"/><element id="North"/>)"
      R"(<element id="a"/><element id="Z"/><element/>)");
  InstrumentData data(*definition, &recorder);
  EXPECT_FALSE(data.ParseRead(Path("missing.txt"), *definition));
  const XmlNode fields =
      data.GetDocument().DocumentElement().SelectSingleNode("info/AvailableFields");
  std::vector<std::string> names;
  for (XmlNode node = fields.FirstChild(); node; node = node.NextSibling()) {
    if (node.Type() == kXmlElement) {
      names.push_back(node.Name());
      EXPECT_EQ(node.NextSibling().Value(), "\r\n");
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"East", "Name", "North", "Z", "a"}));
}

TEST_F(InstrumentDataTest, ExportRefusesOtherRoots) {
  struct Case {
    const char* document;
    bool nothingToExport;
  };
  const Case cases[] = {
      {"<Data><Point><Name>P</Name><North>1</North></Point></Data>", false},
      {"<data><Other/></data>", true},
  };
  auto definition = Points();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.document);
    recorder.messages.clear();
    WriteAll(Path("in.xml"), c.document);
    InstrumentData data(*definition, &recorder);
    ASSERT_TRUE(data.LoadXml(Path("in.xml")));
    EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
    EXPECT_FALSE(fs::exists(Path("out.txt")));
    EXPECT_EQ(data.IsEmpty(), c.nothingToExport);
    const auto expected = c.nothingToExport ? std::vector<std::pair<int, std::string>>{{3, kNoData}}
                                            : std::vector<std::pair<int, std::string>>{};
    EXPECT_EQ(recorder.messages, expected);
  }
}

TEST_F(InstrumentDataTest, LoadOfNonXmlLeavesEmptyDocument) {
  auto definition = Points();
  WriteAll(Path("bad.xml"), "not xml at all");
  InstrumentData data(*definition, &recorder);
  EXPECT_FALSE(data.LoadXml(Path("bad.xml")));
  ASSERT_FALSE(data.GetDocument().IsNull());
  EXPECT_TRUE(data.GetDocument().DocumentElement().IsNull());
  EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(InstrumentDataTest, ExportWritesAndConsumesGroups) {
  auto definition = Points();
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(kDataDir + "points.txt", *definition));
  recorder.totals.clear();
  ASSERT_TRUE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_EQ(ReadAll(Path("out.txt")), ReadAll(kDataDir + "points.txt"));
  EXPECT_EQ(recorder.totals, (std::vector<unsigned long>{3, 3, 3}));
  EXPECT_TRUE(data.GetDocument().AsNode().SelectNodes("//Point").empty());
  EXPECT_FALSE(data.IsEmpty());

  recorder.messages.clear();
  EXPECT_FALSE(data.ParseWrite(Path("again.txt"), *definition));
  EXPECT_EQ(recorder.messages, (std::vector<std::pair<int, std::string>>{{3, kNoData}}));
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_FALSE(fs::exists(Path("again.txt")));
}

TEST_F(InstrumentDataTest, ExportOfOnlySkippedGroupsIsEmpty) {
  auto definition = Definition(R"(<repeat><group id="Point" RepeatedNode="true" SkipWrong="true">)"
                               R"(<element id="North"/></group></repeat>)");
  WriteAll(Path("in.xml"), "<data><Point><Name>P</Name></Point></data>");
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.LoadXml(Path("in.xml")));
  EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_TRUE(data.IsEmpty());
  ASSERT_FALSE(recorder.messages.empty());
  EXPECT_EQ(recorder.messages.back(), std::make_pair(3, kNoData));
  EXPECT_TRUE(data.GetDocument().AsNode().SelectNodes("//Point").empty());
}

TEST_F(InstrumentDataTest, SavedAndLoadedDocumentExportsTheSame) {
  auto definition = Points();
  InstrumentData imported(*definition, &recorder);
  ASSERT_TRUE(imported.ParseRead(kDataDir + "points.txt", *definition));
  ASSERT_TRUE(imported.SaveXml(Path("saved.xml")));
  InstrumentData loaded(*definition, &recorder);
  ASSERT_TRUE(loaded.LoadXml(Path("saved.xml")));
  ASSERT_TRUE(imported.ParseWrite(Path("memory.txt"), *definition));
  ASSERT_TRUE(loaded.ParseWrite(Path("loaded.txt"), *definition));
  EXPECT_EQ(ReadAll(Path("loaded.txt")), ReadAll(Path("memory.txt")));
}

TEST_F(InstrumentDataTest, FailedSaveKeepsTarget) {
  auto definition = Points();
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(kDataDir + "points.txt", *definition));
  fs::create_directory(Path("taken.xml"));
  EXPECT_FALSE(data.SaveXml(Path("taken.xml")));
  EXPECT_NE(data.GetError(), 0u);
  EXPECT_TRUE(fs::is_directory(Path("taken.xml")));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  WriteAll(Path("old.xml"), std::string(5000, 'x'));
  ASSERT_TRUE(data.SaveXml(Path("old.xml")));
  EXPECT_EQ(ReadAll(Path("old.xml")), data.GetDocument().SaveToString());
}

// Returns the processor seconds (not disturbed by other processes on a busy
// machine) that an import of `records` points followed directly by
// an export of the same object takes; checks the round trip on the way.
double ImportExportSeconds(FormatDefinition& definition, const std::string& folder, int records) {
  std::string text;
  for (int i = 0; i < records; ++i) text += "P" + std::to_string(i) + ",  12.500\r\n";
  WriteAll(folder + "/big.txt", text);
  struct Quiet : TParserCallBack {
    void OnMessage(int, std::string) override {}
    void OnProgress(unsigned long, unsigned long) override {}
  } quiet;
  InstrumentData data(definition, &quiet);
  const std::clock_t start = std::clock();
  EXPECT_TRUE(data.ParseRead(folder + "/big.txt", definition));
  EXPECT_TRUE(data.ParseWrite(folder + "/big.out", definition));
  const double spent = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  EXPECT_EQ(ReadAll(folder + "/big.out"), text);
  return spent;
}

TEST_F(InstrumentDataTest, ExportAfterImportIsLinear) {
  auto definition = Points();
  const double small = ImportExportSeconds(*definition, folder.string(), 25000);
  const double large = ImportExportSeconds(*definition, folder.string(), 100000);
  // Four times the records: about four times the time when linear, sixteen
  // times (minutes in all) when every record scans the indentation text
  // before it. The bound leaves room for a busy machine.
  EXPECT_LT(large, 12 * small + 1.0) << "25k: " << small << " s, 100k: " << large << " s";
}

}  // namespace
}  // namespace compoundparser
