// The instrument data object: import into a document, export of it, loading
// and saving the document, and what each leaves behind when it fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;

const std::string kPointsData = TestData("instrument/points.txt");
const std::string kNoData = "3:There are not data for exporting";

class InstrumentDataTest : public ::testing::Test {
 protected:
  // Returns a loaded definition: instrument/points.xml, or one of type "T"
  // with the parser section `parser`.
  std::unique_ptr<FormatDefinition> Definition(const std::string& parser = "") {
    const std::string path = parser.empty() ? TestData("instrument/points.xml")
                                            : folder.Write("def.xml", DefinitionText(parser));
    auto definition = std::make_unique<FormatDefinition>(path, &recorder);
    EXPECT_TRUE(definition->Load()) << parser;
    return definition;
  }
  std::string Path(const std::string& name) const { return folder.Path(name); }

  TempFolder folder;
  RecordingCallBack recorder;
};

// Imports, saves into a file that is a folder and into one that exists, loads
// the saved file again and exports both objects.
TEST_F(InstrumentDataTest, ImportSaveLoadAndExport) {
  auto definition = Definition();
  const std::string source = folder.Copy(kPointsData, "points.txt");
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(source, *definition));
  fs::create_directory(Path("taken.xml"));
  EXPECT_FALSE(data.SaveXml(Path("taken.xml")));
  EXPECT_NE(data.GetError(), 0u);
  EXPECT_TRUE(fs::is_directory(Path("taken.xml")));
  folder.Write("saved.xml", std::string(5000, 'x'));
  ASSERT_TRUE(data.SaveXml(Path("saved.xml")));
  std::string expected = ReadFile(TestData("instrument/points-import.xml"));
  expected.replace(expected.find("@SOURCE@"), 8, source);
  EXPECT_EQ(ReadFile(Path("saved.xml")), expected);
  // Only the data file and the saved document: the temporary file is gone.
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"points.txt", "saved.xml", "taken.xml"}));

  InstrumentData loaded(*definition, &recorder);
  ASSERT_TRUE(loaded.LoadXml(Path("saved.xml")));
  ASSERT_TRUE(loaded.ParseWrite(Path("loaded.txt"), *definition));
  EXPECT_EQ(ReadFile(Path("loaded.txt")), ReadFile(kPointsData));
  recorder.progress.clear();
  ASSERT_TRUE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_EQ(ReadFile(Path("out.txt")), ReadFile(kPointsData));
  ASSERT_EQ(recorder.progress.size(), 3u);
  for (const auto& report : recorder.progress) EXPECT_EQ(report.first, 3u);
  // The export consumes the groups it wrote: a second one has nothing to write.
  EXPECT_TRUE(data.GetDocument().AsNode().SelectNodes("//Point").empty());
  EXPECT_FALSE(data.IsEmpty());
  recorder.messages.clear();
  EXPECT_FALSE(data.ParseWrite(Path("again.txt"), *definition));
  EXPECT_EQ(recorder.Joined(), kNoData);
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_FALSE(fs::exists(Path("again.txt")));
}

TEST_F(InstrumentDataTest, NewObjectHasNoDocumentAndImportDropsOldOneAlsoOnFailure) {
  auto definition = Definition();
  InstrumentData data(*definition, &recorder);
  EXPECT_TRUE(data.GetDocument().IsNull());
  EXPECT_FALSE(data.IsEmpty());
  EXPECT_EQ(data.GetError(), 0u);
  EXPECT_TRUE(data.vars.isValue("CoordSystem", "Local"));
  EXPECT_FALSE(data.SaveXml(Path("out.xml")));
  EXPECT_EQ(data.GetError(), kXmlErrorPointer);
  EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
  EXPECT_TRUE(folder.Names().empty());
  EXPECT_TRUE(recorder.messages.empty());

  ASSERT_TRUE(data.ParseRead(kPointsData, *definition));
  const XmlDocument first = data.GetDocument();

  const std::string missing = R"(C:\data\job1.txt)";
  EXPECT_FALSE(data.ParseRead(missing, *definition));
  const XmlDocument second = data.GetDocument();
  ASSERT_FALSE(second.IsNull());
  EXPECT_FALSE(second == first);
  EXPECT_EQ(second.SaveToString(),
            "<?xml version=\"1.0\"?><!--OXEL Instrument Data--><data>\r\n<info>"
            "<format name=\"Test points\" type=\"TestPoints\"/><Source_File name=\"" +
                missing +
                "\"/><AvailableFields><Name/>\r\n<North/>\r\n</AvailableFields></info></data>");
}

TEST_F(InstrumentDataTest, AvailableFieldsSortedDistinctWithoutEmptyId) {
  auto definition = Definition(
      R"(<element id="North"/><element id="East"/><element id="Name"/><element id="North"/>)"
      R"(<element id="a"/><element id="Z"/><element/>)");
  InstrumentData data(*definition, &recorder);
  EXPECT_FALSE(data.ParseRead(Path("missing.txt"), *definition));
  EXPECT_TRUE(Contains(data.GetDocument().SaveToString(),
                       "<AvailableFields><East/>\r\n<Name/>\r\n<North/>\r\n<Z/>\r\n<a/>\r\n"
                       "</AvailableFields>"));
}

TEST_F(InstrumentDataTest, ExportOfDocumentsWithNothingToWriteFails) {
  const struct {
    const char* parser;  // "" for instrument/points.xml
    const char* document;
    bool loads;
    bool empty;  // IsEmpty() after the export
    const char* lastMessage;
    size_t pointsLeft;
  } cases[] = {
      {"", "<Data><Point><Name>P</Name><North>1</North></Point></Data>", true, false, "", 1},
      {"", "<data><Other/></data>", true, true, kNoData.c_str(), 0},
      // A file that is no XML leaves an empty document.
      {"", "not xml at all", false, false, "", 0},
      // Every group skipped: nothing was written.
      {R"(<repeat><group id="Point" RepeatedNode="true" SkipWrong="true">)"
       R"(<element id="North"/></group></repeat>)",
       "<data><Point><Name>P</Name></Point></data>", true, true, kNoData.c_str(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    auto definition = Definition(c.parser);
    recorder.messages.clear();
    InstrumentData data(*definition, &recorder);
    EXPECT_EQ(data.LoadXml(folder.Write("in.xml", c.document)), c.loads);
    ASSERT_FALSE(data.GetDocument().IsNull());
    EXPECT_EQ(data.GetDocument().DocumentElement().IsNull(), !c.loads);
    EXPECT_FALSE(data.ParseWrite(Path("out.txt"), *definition));
    if (*c.parser == '\0') {
      EXPECT_FALSE(fs::exists(Path("out.txt")));
    }
    EXPECT_EQ(data.IsEmpty(), c.empty);
    const auto& m = recorder.messages;
    EXPECT_EQ(m.empty() ? "" : std::to_string(m.back().kind) + ":" + m.back().text, c.lastMessage);
    EXPECT_EQ(data.GetDocument().AsNode().SelectNodes("//Point").size(), c.pointsLeft);
  }
}

// Returns a line of /proc/self/status ("VmHWM", "VmRSS") in bytes, or -1.
[[maybe_unused]] long long StatusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, key.size() + 1, key + ":") == 0) {
      return std::stoll(line.substr(key.size() + 1)) * 1024;
    }
  }
  return -1;
}

// An export writes its output through to the file in blocks: the memory it
// needs does not grow with the output (100 MB here, from a document of a few
// lines that a write count repeats).
TEST_F(InstrumentDataTest, ExportMemoryStaysBoundedWhateverTheOutputSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine: resident memory "
                  "says nothing about what the export holds";
#else
  // Writing 5 to clear_refs starts the peak of resident memory afresh.
  if (!(std::ofstream("/proc/self/clear_refs") << "5") || StatusBytes("VmHWM") < 0) {
    GTEST_SKIP() << "the peak resident memory cannot be reset or read here";
  }
  auto definition = Definition(R"(<group id="Job" RepeatedNode="true"><repeat writecount="1000000">
      <group id="Line"><element id="Text" width="98"/><literal hex="true">0D0A</literal></group>
      </repeat></group>)");
  const std::string document =
      folder.Write("doc.xml", "<data><info/><Job><Line><Text>" + std::string(98, 'x') +
                                  "</Text></Line></Job></data>");
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.LoadXml(document));
  std::ofstream("/proc/self/clear_refs") << "5";
  const long long before = StatusBytes("VmRSS");
  ASSERT_TRUE(data.ParseWrite(Path("big.out"), *definition)) << recorder.Lines();
  const long long peak = StatusBytes("VmHWM");
  data.file.Close();
  EXPECT_EQ(fs::file_size(Path("big.out")), 100000000u);
  EXPECT_LT(peak - before, 24ll << 20) << "resident memory grew by " << (peak - before) << " bytes";
#endif
}

}  // namespace
}  // namespace compoundparser::testing
