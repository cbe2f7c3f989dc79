#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"

#include <unistd.h>

namespace compoundparser {
namespace {

namespace fs = std::filesystem;

const std::string kFormatsDir = std::string(CP_SOURCE_DIR) + "/Formats/";
const std::string kOwnDir = std::string(CP_TEST_DATA_DIR) + "/formats/";
const std::string kSamplesDir = std::string(CP_SHARED_DIR) + "/samples/";

struct Recorder : TParserCallBack {
  std::vector<std::pair<int, std::string>> messages;
  void OnMessage(int kind, std::string text) override { messages.emplace_back(kind, text); }
  void OnProgress(unsigned long, unsigned long) override {}
  // Returns the messages of kind 4 (errors), one per line.
  std::string Errors() const {
    std::string out;
    for (const auto& [kind, text] : messages)
      if (kind == 4) out += text + "\n";
    return out;
  }
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

// Describes where two texts first differ, with a little of each; empty when equal.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  if (actual == expected) return "";
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const size_t from = at < 40 ? 0 : at - 40;
  return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
         ", first difference at " + std::to_string(at) + ": got [" + actual.substr(from, 80) +
         "] expected [" + expected.substr(from, 80) + "]";
}

// A bundled definition, loaded.
std::unique_ptr<FormatDefinition> Bundled(const std::string& file, Recorder& recorder) {
  auto definition = std::make_unique<FormatDefinition>(kFormatsDir + file, &recorder);
  EXPECT_TRUE(definition->Load()) << file;
  return definition;
}

// Returns the number of nodes that an XPath query selects in the imported document.
size_t Count(const InstrumentData& data, const std::string& query) {
  return data.GetDocument().AsNode().SelectNodes(query).size();
}

// Returns the text of the first node that an XPath query selects ("<none>" if none).
std::string Text(const InstrumentData& data, const std::string& query) {
  const XmlNode node = data.GetDocument().AsNode().SelectSingleNode(query);
  return node ? node.Text() : "<none>";
}

struct ValueCheck {
  const char* query;
  const char* text;
};

struct CountCheck {
  const char* query;
  size_t count;
};

// One data file read through one bundled definition.
struct FormatCase {
  const char* definition;
  const char* file;       // below tests/data/formats/ or, when shared, below ../shared/samples/
  bool shared;
  std::vector<CountCheck> counts;
  std::vector<ValueCheck> values;
  const char* exported;   // expected export: nullptr for the file itself, else a file beside it
};

class RealFormatsTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("cp-formats-" + std::to_string(::getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

std::string CaseName(const ::testing::TestParamInfo<FormatCase>& info) {
  std::string name = fs::path(info.param.file).filename().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = 'X';
  return name;
}

TEST_P(RealFormatsTest, ImportsCompletelyAndExportsBack) {
  const FormatCase& c = GetParam();
  const std::string dir = c.shared ? kSamplesDir : kOwnDir;
  const std::string input = dir + c.file;
  if (c.shared && !fs::exists(input)) GTEST_SKIP() << "shared samples not found: " << input;

  Recorder recorder;
  auto definition = Bundled(c.definition, recorder);
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(input, *definition)) << recorder.Errors();
  EXPECT_EQ(recorder.Errors(), "");
  if (std::getenv("CP_DUMP_FORMATS")) data.SaveXml((folder.parent_path() / "formats-dump.xml").string());
  for (const CountCheck& check : c.counts) EXPECT_EQ(Count(data, check.query), check.count) << check.query;
  for (const ValueCheck& check : c.values) EXPECT_EQ(Text(data, check.query), check.text) << check.query;

  const std::string output = (folder / "export.out").string();
  ASSERT_TRUE(data.ParseWrite(output, *definition)) << recorder.Errors();
  data.file.Close();
  const std::string expected = c.exported ? ReadAll(dir + c.exported) : ReadAll(input);
  EXPECT_EQ(FirstDifference(ReadAll(output), expected), "");
}

const FormatCase kCases[] = {
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi", true,
     {{"/data/Record[not(Blank)]", 343}, {"/data/Record/Observation", 343}},
     {{"/data/Record[1]/Observation/PointNumber", "GDEM5415"},
      {"/data/Record[1]/Observation/HorizontalAngle", "35.45100"}},
     nullptr},
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", true,
     {{"/data/Record[not(Blank)]", 699}, {"/data/Record/Station", 4}, {"/data/Record/Observation", 6}, {"/data/Record/Point", 689}},
     {{"/data/Record[1]/Point/Easting", "515.836"}},
     nullptr},
    {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", true,
     {{"/data/Record[not(Blank)]", 78}, {"/data/Record/Observation", 34}, {"/data/Record/Point", 33},
      {"/data/Record/Station", 1}, {"/data/Record/TargetHeight", 4}, {"/data/Record/Other", 2}},
     {{"/data/Record/Job/AngularUnit", "Gons"},
      {"/data/Record/Station/InstrumentHeight", "1.475"},
      {"/data/Record/Observation[PointNumber='6']/HorizontalAngle", "314.8086"},
      {"/data/Record/Point[PointNumber='6']/Easting", "-13.489"},
      {"/data/Record/Point[PointNumber='6']/Code", "CHIODO"}},
     nullptr},
    {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw", true,
     {{"/data/Record[not(Blank)]", 108}, {"/data/Record/Observation", 83}, {"/data/Record/Comment", 21},
      {"/data/Record/Point", 1}, {"/data/Record/Station", 1}, {"/data/EndOfFile", 1}},
     {{"/data/Record/Units/AngularUnit", "Gons"},
      {"/data/Record/Station/InstrumentHeight", "1.430"},
      {"/data/Record/Observation[PointNumber='802']/PrismHeight", "2.550"},
      {"/data/Record/Observation[PointNumber='802']/ZenithAngle", "92.2336"}},
     nullptr},
    {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5", true,
     {{"/data/Record[not(Blank)]", 32}, {"/data/Record/Observation", 10}, {"/data/Record/Comment", 8},
      {"/data/Record/Heights", 10}},
     {{"/data/Record/Mode/LinearUnit", "Feet"},
      {"/data/Record/Station/StationNorthing", "16556174.237"},
      {"/data/Record/Observation[PointNumber='109']/Note", "FENCE"}},
     nullptr},
    {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", true,
     {{"/data/Record[not(Blank)]", 19}, {"/data/Record/Observation", 4}, {"/data/Record/Target", 3}},
     {{"/data/Record/Units/LinearUnit", "M"},
      {"/data/Record/Station/StationPoint", "1001"},
      {"/data/Record[Observation][last()]/Observation/SlopeDistance", "3.2020"}},
     nullptr},
    {"PNEZDComma.xml", "pnezd/topo0.asc", true,
     {{"/data/Point", 1311}, {"/data/Header", 0}},
     {{"/data/Point[PointNumber='1312']/Easting", "1454763.18098"},
      {"/data/Point[PointNumber='1311']/Code", "BLDG CORN"}},
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Bundled, RealFormatsTest, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace compoundparser
