// Data files read through the bundled definitions: counts and values of the
// imported document, the bytes an export writes back, and conversions from
// one format to another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;

const std::string kFormatsDir = std::string(CP_SOURCE_DIR) + "/Formats/";
const std::string kOwnDir = std::string(CP_TEST_DATA_DIR) + "/formats/";
const std::string kSamplesDir = std::string(CP_SHARED_DIR) + "/samples/";

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
std::unique_ptr<FormatDefinition> Bundled(const std::string& file, RecordingCallBack& recorder) {
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
  const char* errors;     // the error messages (kind 4) that the import gives, one per line
  // Optionally the same data exported through a second definition: what the
  // file starts with and how many line ends it holds.
  const char* convertTo = nullptr;
  const char* head = nullptr;
  long lines = 0;
};

// Names a case by its files in test listings instead of dumping its bytes.
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.definition << " " << c.file; }

class RealFormatsTest : public ::testing::TestWithParam<FormatCase> {};

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

  RecordingCallBack recorder;
  auto definition = Bundled(c.definition, recorder);
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(input, *definition)) << recorder.Lines(kKindError);
  EXPECT_EQ(recorder.Lines(kKindError), c.errors);
  if (std::getenv("CP_DUMP_FORMATS")) data.SaveXml(::testing::TempDir() + "formats-dump.xml");
  for (const CountCheck& check : c.counts) EXPECT_EQ(Count(data, check.query), check.count) << check.query;
  for (const ValueCheck& check : c.values) EXPECT_EQ(Text(data, check.query), check.text) << check.query;

  TempFolder folder;
  ASSERT_TRUE(data.ParseWrite(folder.Path("export.out"), *definition))
      << recorder.Lines(kKindError);
  data.file.Close();
  const std::string expected = c.exported ? ReadFile(dir + c.exported) : ReadFile(input);
  EXPECT_EQ(FirstDifference(ReadFile(folder.Path("export.out")), expected), "");
  if (c.convertTo == nullptr) return;

  auto to = Bundled(c.convertTo, recorder);
  InstrumentData again(*definition, &recorder);
  ASSERT_TRUE(again.ParseRead(input, *definition)) << recorder.Lines(kKindError);
  ASSERT_TRUE(again.ParseWrite(folder.Path("convert.out"), *to)) << recorder.Lines(kKindError);
  again.file.Close();
  const std::string text = ReadFile(folder.Path("convert.out"));
  EXPECT_EQ(text.substr(0, std::string(c.head).size()), c.head);
  EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char e) { return e == '\n' || e == '\r'; }),
            c.lines);
}

const FormatCase kCases[] = {
    {"LeicaGSI16.xml",
     "leica_gsi/leica_gsi16_gurob.gsi",
     true,
     {{"/data/Record[not(Blank)]", 343}, {"/data/Record/Observation", 343}},
     {{"/data/Record[1]/Observation/PointNumber", "GDEM5415"},
      {"/data/Record[1]/Observation/HorizontalAngle", "35.45100"}},
     nullptr,
     ""},
    {"LeicaGSI8.xml",
     "leica_gsi/leica_gsi8_ertola.gsi",
     true,
     {{"/data/Record[not(Blank)]", 699},
      {"/data/Record/Station", 4},
      {"/data/Record/Observation", 6},
      {"/data/Record/Point", 689}},
     {{"/data/Record[1]/Point/Easting", "515.836"}},
     nullptr,
     "",
     "PNEZDComma.xml",
     "1,525.871,515.836,3.079,1\r\n2,528.710,510.231,2.716,1\r\n",
     689 * 2},
    {"SokkiaSDR33.xml",
     "sokkia_sdr33/sokkia_sdr33_polar.sdr",
     true,
     {{"/data/Record[not(Blank)]", 78},
      {"/data/Record/Observation", 34},
      {"/data/Record/Point", 33},
      {"/data/Record/Station", 1},
      {"/data/Record/TargetHeight", 4},
      {"/data/Record/Other", 2}},
     {{"/data/Record/Job/AngularUnit", "Gons"},
      {"/data/Record/Station/InstrumentHeight", "1.475"},
      {"/data/Record/Observation[PointNumber='6']/HorizontalAngle", "314.8086"},
      {"/data/Record/Point[PointNumber='6']/Easting", "-13.489"},
      {"/data/Record/Point[PointNumber='6']/Code", "CHIODO"}},
     nullptr,
     "",
     "PNEZDComma.xml",
     "1,19.914,9.217,0.975,SOGLIA NORD\n2,-2.161,1.421,0.946,SOGLIA "
     "SUD\n3,11.870,18.789,1.659,CP12\n",
     33},
    {"NikonRAW.xml",
     "nikon_raw/nikon_raw_v200.raw",
     true,
     {{"/data/Record[not(Blank)]", 108},
      {"/data/Record/Observation", 83},
      {"/data/Record/Comment", 21},
      {"/data/Record/Point", 1},
      {"/data/Record/Station", 1},
      {"/data/EndOfFile", 1}},
     {{"/data/Record/Units/AngularUnit", "Gons"},
      {"/data/Record/Station/InstrumentHeight", "1.430"},
      {"/data/Record/Observation[PointNumber='802']/PrismHeight", "2.550"},
      {"/data/Record/Observation[PointNumber='802']/ZenithAngle", "92.2336"}},
     nullptr,
     ""},
    {"CarlsonRW5.xml",
     "carlson_rw5/Leica1200.rw5",
     true,
     {{"/data/Record[not(Blank)]", 32},
      {"/data/Record/Observation", 10},
      {"/data/Record/Comment", 8},
      {"/data/Record/Heights", 10}},
     {{"/data/Record/Mode/LinearUnit", "Feet"},
      {"/data/Record/Station/StationNorthing", "16556174.237"},
      {"/data/Record/Observation[PointNumber='109']/Note", "FENCE"}},
     nullptr,
     ""},
    {"TopconGTS7.xml",
     "topcon_gts7/jkv.gts7",
     true,
     {{"/data/Record[not(Blank)]", 19},
      {"/data/Record/Observation", 4},
      {"/data/Record/Target", 3}},
     {{"/data/Record/Units/LinearUnit", "M"},
      {"/data/Record/Station/StationPoint", "1001"},
      {"/data/Record[Observation][last()]/Observation/SlopeDistance", "3.2020"}},
     nullptr,
     ""},
    {"PNEZDComma.xml",
     "pnezd/topo0.asc",
     true,
     {{"/data/Point", 1311}, {"/data/Header", 0}},
     {{"/data/Point[PointNumber='1312']/Easting", "1454763.18098"},
      {"/data/Point[PointNumber='1311']/Code", "BLDG CORN"}},
     nullptr,
     ""},
};

// Small files of our own, one or more per definition, with the untidy parts of real files.
const FormatCase kOwnCases[] = {
    // Converted, only the Point lines (P4 and P5) become points; the framing stays.
    {"LeicaGSI16.xml",
     "gsi16_messy.gsi",
     false,
     {{"/data/Record[not(Blank)]", 7},
      {"/data/Record[Blank]", 1},
      {"/data/Record/Station", 1},
      {"/data/Record/Observation", 3},
      {"/data/Record/Point", 2},
      {"/data/Record/Line/Word", 2},
      {"/data/StartOfText", 1},
      {"/data/EndOfText", 1},
      {"/data/EndOfFile", 1}},
     {{"/data/Record[1]/Station/StationEasting", "1234.5678"},
      {"/data/Record[1]/Station/LinearUnit", "Meters0.1mm"},
      {"/data/Record[1]/Station/HorizontalOrientation", "45.30000"},
      {"/data/Record[1]/Station/AngularUnit", "DMS"},
      {"/data/Record[2]/Observation/HorizontalAngle", "123.45670"},
      {"/data/Record[2]/Observation/AngularUnit", "Gons"},
      {"/data/Record[2]/Observation/SlopeDistance", "12.345"},
      {"/data/Record[2]/Observation/PpmConstant", "+000000000017+000"},
      {"/data/Record[3]/Observation/AngularUnit", "Degrees"},
      {"/data/Record[3]/Observation/SlopeDistance", "12.34567"},
      {"/data/Record[3]/Observation/HorizontalDistance", "12.3456"},
      {"/data/Record[3]/Observation/VerticalDistance", "-0.123"},
      {"/data/Record[3]/Observation/LinearUnit[3]", "Feet"},
      {"/data/Record[5]/Observation/ZenithAngle", "1600.0000"},
      {"/data/Record[5]/Observation/AngularUnit", "Mils"},
      {"/data/Record[6]/Point/PointNumber", "P4"},
      {"/data/Record[6]/Point/OrthoHeight", "-1.234"},
      {"/data/Record[6]/Point/Code", "TREE"},
      {"/data/Record[6]/Point/Remark2", "OAK"},
      {"/data/Record[7]/Point/Northing", "700.000"},
      {"/data/Record[8]/Line/Word[2]/WordValue", "+000000000000HEDG"}},
     "gsi16_messy.expected",
     "",
     "PNEZDComma.xml",
     "\x02P4,623.456,512.345,-1.234,TREE\rP5,700.000,800.000,0.100,WALL\r\x03\x1A",
     2},
    {"LeicaGSI8.xml",
     "gsi8_points.gsi",
     false,
     {{"/data/Record/Point", 3}},
     {{"/data/Record[3]/Point/LinearUnit", "Feet"},
      {"/data/Record[3]/Point/Easting", "1000.000"},
      {"/data/Record[2]/Point/OrthoHeight", "-0.010"}},
     "gsi8_points.expected",
     "",
     "PENZDSpace.xml",
     "101 512.345 623.456 1.234 7\r\n102 512.000 623.000 -0.010\r\n103 1000.000 2000.000 3.000\r\n",
     6},
    {"SokkiaSDR33.xml",
     "sdr33_small.sdr",
     false,
     {{"/data/Record", 10},
      {"/data/Record/Observation", 2},
      {"/data/Record/Point", 2},
      {"/data/Record/Other", 1}},
     {{"/data/Record/Job/LinearUnit", "Feet"},
      {"/data/Record/Job/AngularUnit", "Degrees"},
      {"/data/Record/Station/StationPoint", "S1"},
      {"/data/Record/Backsight/BacksightBearing", "45.0000"},
      {"/data/Record/TargetHeight/PrismHeight", "1.800"},
      {"/data/Record[8]/Observation/Code", "TREE"},
      {"/data/Record/Other/RecordText", "SOME NOTE"}},
     "sdr33_small.expected",
     "",
     "PNEZDComma.xml",
     "P1,987.500,2021.650,99.950,FENCE\nP2,988.250,1995.720,100.730,TREE\n",
     2},
    {"NikonRAW.xml",
     "nikon_small.raw",
     false,
     {{"/data/Record", 12},
      {"/data/Record/Observation", 4},
      {"/data/Record/Point", 2},
      {"/data/Record/Units", 2},
      {"/data/Record/Other", 1}},
     {{"/data/Record/Units/LinearUnit", "Feet"},
      {"/data/Record/Units/AngularUnit", "DDDMMSS"},
      {"/data/Record[5]/Point/RecordType", "CC"},
      {"/data/Record[5]/Point/EmptyCode", "true"},
      {"/data/Record/Station/BacksightBearing", "45.3000"},
      {"/data/Record[8]/Observation/Code", "TREE 12IN"},
      {"/data/Record[10]/Observation/Time", "09:03:00"},
      {"/data/Record[11]/Other/RecordText", "something else"},
      {"/data/EndOfFile", "SUB"}},
     nullptr,
     ""},
    {"CarlsonRW5.xml",
     "rw5_small.rw5",
     false,
     {{"/data/Record[not(Blank)]", 11}, {"/data/Record/Comment", 2}, {"/data/Record/Other", 1}},
     {{"/data/Record/Mode/LinearUnit", "Meters"},
      {"/data/Record/Mode/AngularUnit", "Gons"},
      {"/data/Record/Point/Note", "CONTROL"},
      {"/data/Record/Point/Easting", "3000.000"},
      {"/data/Record/Backsight/BacksightPoint", "2"},
      {"/data/Record/Observation[PointNumber='3']/Note", "TREE OAK"},
      {"/data/Record/Observation[PointNumber='4']/SlopeDistance", "12.345"},
      {"/data/Record[last()]/Comment/Note", "END "}},
     nullptr,
     ""},
    {"TopconGTS7.xml",
     "gts7_small.gts7",
     false,
     {{"/data/Record", 12}, {"/data/Record/Observation", 3}, {"/data/Record/Other", 2}},
     {{"/data/Record/Units/AngularUnit", "G"},
      {"/data/Record/Station/Code", "BASE"},
      {"/data/Record/Point/Northing", "5000.000"},
      {"/data/Record[11]/Target/EmptyCode", "true"},
      {"/data/Record[12]/Observation/VerticalDistance", "-1.250"}},
     nullptr,
     ""},
    {"PNEZDComma.xml",
     "pnezd_comma.csv",
     false,
     {{"/data/Point", 3}, {"/data/Header", 1}},
     {{"/data/Header/HeaderText", "P,N,E,Z,D"},
      {"/data/Point[1]/Code", "CTRL PT"},
      {"/data/Point[2]/EmptyCode", "true"},
      {"/data/Point[3]/OrthoHeight", "99.500"}},
     nullptr,
     "FormatParser: Type of element mismatch\n",
     "PENZDTab.xml",
     "P,N,E,Z,D\r\n1\t3000.000\t5000.000\t100.000\tCTRL PT\r\n2\t3020.250\t5010.500\t101.125\t\r\n"
     "3\t2990.000\t4990.000\t99.500\r\n",
     8},
    {"PNEZDSpace.xml",
     "pnezd_space.txt",
     false,
     {{"/data/Point", 3}, {"/data/Header", 0}},
     {{"/data/Point[1]/Code", "CTRL PT"}, {"/data/Point[1]/Easting", "3000.000"}},
     nullptr,
     ""},
    {"PNEZDTab.xml",
     "pnezd_tab.txt",
     false,
     {{"/data/Point", 3}, {"/data/Header", 1}},
     {{"/data/Point[2]/Northing", "5010.500"}},
     nullptr,
     "FormatParser: Type of element mismatch\n"},
    {"PENZDComma.xml",
     "penzd_comma.csv",
     false,
     {{"/data/Point", 3}},
     {{"/data/Point[1]/Easting", "3000.000"}, {"/data/Point[1]/Northing", "5000.000"}},
     nullptr,
     ""},
    {"PENZDSpace.xml",
     "penzd_space.txt",
     false,
     {{"/data/Point", 3}, {"/data/Header", 1}},
     {{"/data/Point[2]/Easting", "3020.250"}},
     nullptr,
     "FormatParser: Type of element mismatch\n"},
    {"PENZDTab.xml",
     "penzd_tab.txt",
     false,
     {{"/data/Point", 3}},
     {{"/data/Point[3]/Easting", "2990.000"}},
     "penzd_tab.expected",
     ""},
};

INSTANTIATE_TEST_SUITE_P(Bundled, RealFormatsTest, ::testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Own, RealFormatsTest, ::testing::ValuesIn(kOwnCases), CaseName);

}  // namespace
}  // namespace compoundparser::testing
