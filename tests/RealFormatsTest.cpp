// Data files read through the bundled definitions: counts and values of the
// imported document, the bytes an export writes back, and conversions from
// one format to another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

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

// A bundled definition, loaded.
std::unique_ptr<FormatDefinition> Bundled(const std::string& file, RecordingCallBack& recorder) {
  auto definition = std::make_unique<FormatDefinition>(kFormatsDir + file, &recorder);
  EXPECT_TRUE(definition->Load()) << file;
  return definition;
}

// Checks one "query#count" (nodes selected) or "query=text" (text of the first
// node) below /data of the imported document; the later of '#' and '=' splits.
void Check(const InstrumentData& data, const std::string& check) {
  const size_t hash = check.rfind('#');
  const size_t equals = check.rfind('=');
  const bool counts = hash != std::string::npos && (equals == std::string::npos || hash > equals);
  const size_t split = counts ? hash : equals;
  const std::string query = "/data/" + check.substr(0, split);
  const std::string expected = check.substr(split + 1);
  const XmlNode root = data.GetDocument().AsNode();
  if (counts) {
    EXPECT_EQ(std::to_string(root.SelectNodes(query).size()), expected) << query;
  } else {
    const XmlNode node = root.SelectSingleNode(query);
    EXPECT_EQ(node ? node.Text() : "<none>", expected) << query;
  }
}

// One data file read through one bundled definition.
struct FormatCase {
  const char* definition;
  const char* file;      // with a folder: below ../shared/samples/, else below tests/data/formats/
  const char* exported;  // expected export: nullptr for the file itself, else a file beside it
  const char* errors;    // the error messages (kind 4) that the import gives, one per line
  const char* checks;    // as Check() takes them, '|' between them
  // Optionally the same data exported through a second definition: what the
  // file starts with and how many line ends it holds.
  const char* convertTo = nullptr;
  const char* head = nullptr;
  long lines = 0;
};

// Imports the file of `c`, checks the document, the export and the conversion.
void ImportAndExport(const FormatCase& c) {
  SCOPED_TRACE(std::string(c.definition) + " " + c.file);
  const bool shared = std::string(c.file).find('/') != std::string::npos;
  const std::string dir = shared ? kSamplesDir : kOwnDir;
  const std::string input = dir + c.file;
  if (shared && !fs::exists(input)) {
    std::cout << "shared samples not found: " << input << "\n";
    return;
  }

  RecordingCallBack recorder;
  auto definition = Bundled(c.definition, recorder);
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(input, *definition)) << recorder.Lines(kKindError);
  EXPECT_EQ(recorder.Lines(kKindError), c.errors);
  if (std::getenv("CP_DUMP_FORMATS")) data.SaveXml(::testing::TempDir() + "formats-dump.xml");
  const std::string checks = c.checks;
  for (size_t at = 0; at <= checks.size();) {
    const size_t end = std::min(checks.find('|', at), checks.size());
    Check(data, checks.substr(at, end - at));
    at = end + 1;
  }

  TempFolder folder;
  ASSERT_TRUE(data.ParseWrite(folder.Path("export.out"), *definition))
      << recorder.Lines(kKindError);
  data.file.Close();
  const std::string expected = c.exported ? ReadFile(dir + c.exported) : ReadFile(input);
  EXPECT_EQ(ReadFile(folder.Path("export.out")), expected);
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

const char* const kMismatch = "FormatParser: Type of element mismatch\n";

const FormatCase kCases[] = {
    {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi", nullptr, "",
     "Record[not(Blank)]#343|Record/Observation#343|Record[1]/Observation/PointNumber=GDEM5415|"
     "Record[1]/Observation/HorizontalAngle=35.45100"},
    {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", nullptr, "",
     "Record[not(Blank)]#699|Record/Station#4|Record/Observation#6|Record/Point#689|"
     "Record[1]/Point/Easting=515.836",
     "PNEZDComma.xml", "1,525.871,515.836,3.079,1\r\n2,528.710,510.231,2.716,1\r\n", 689 * 2},
    {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", nullptr, "",
     "Record[not(Blank)]#78|Record/Observation#34|Record/Point#33|Record/Station#1|"
     "Record/TargetHeight#4|Record/Other#2|Record/Job/AngularUnit=Gons|"
     "Record/Station/InstrumentHeight=1.475|"
     "Record/Observation[PointNumber='6']/HorizontalAngle=314.8086|"
     "Record/Point[PointNumber='6']/Easting=-13.489|Record/Point[PointNumber='6']/Code=CHIODO",
     "PNEZDComma.xml",
     "1,19.914,9.217,0.975,SOGLIA NORD\n2,-2.161,1.421,0.946,SOGLIA SUD\n"
     "3,11.870,18.789,1.659,CP12\n",
     33},
    {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw", nullptr, "",
     "Record[not(Blank)]#108|Record/Observation#83|Record/Comment#21|Record/Point#1|"
     "Record/Station#1|EndOfFile#1|Record/Units/AngularUnit=Gons|"
     "Record/Station/InstrumentHeight=1.430|"
     "Record/Observation[PointNumber='802']/PrismHeight=2.550|"
     "Record/Observation[PointNumber='802']/ZenithAngle=92.2336"},
    {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5", nullptr, "",
     "Record[not(Blank)]#32|Record/Observation#10|Record/Comment#8|Record/Heights#10|"
     "Record/Mode/LinearUnit=Feet|Record/Station/StationNorthing=16556174.237|"
     "Record/Observation[PointNumber='109']/Note=FENCE"},
    {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", nullptr, "",
     "Record[not(Blank)]#19|Record/Observation#4|Record/Target#3|Record/Units/LinearUnit=M|"
     "Record/Station/StationPoint=1001|"
     "Record[Observation][last()]/Observation/SlopeDistance=3.2020"},
    {"PNEZDComma.xml", "pnezd/topo0.asc", nullptr, "",
     "Point#1311|Header#0|Point[PointNumber='1312']/Easting=1454763.18098|"
     "Point[PointNumber='1311']/Code=BLDG CORN"},
};

// Small files of our own, one or more per definition, with the untidy parts of real files.
const FormatCase kOwnCases[] = {
    // Converted, only the Point lines (P4 and P5) become points; the framing stays.
    {"LeicaGSI16.xml", "gsi16_messy.gsi", "gsi16_messy.expected", "",
     "Record[not(Blank)]#7|Record[Blank]#1|Record/Station#1|Record/Observation#3|Record/Point#2|"
     "Record/Line/Word#2|StartOfText#1|EndOfText#1|EndOfFile#1|"
     "Record[1]/Station/StationEasting=1234.5678|Record[1]/Station/LinearUnit=Meters0.1mm|"
     "Record[1]/Station/HorizontalOrientation=45.30000|Record[1]/Station/AngularUnit=DMS|"
     "Record[2]/Observation/HorizontalAngle=123.45670|Record[2]/Observation/AngularUnit=Gons|"
     "Record[2]/Observation/SlopeDistance=12.345|"
     "Record[2]/Observation/PpmConstant=+000000000017+000|"
     "Record[3]/Observation/AngularUnit=Degrees|Record[3]/Observation/SlopeDistance=12.34567|"
     "Record[3]/Observation/HorizontalDistance=12.3456|"
     "Record[3]/Observation/VerticalDistance=-0.123|Record[3]/Observation/LinearUnit[3]=Feet|"
     "Record[5]/Observation/ZenithAngle=1600.0000|Record[5]/Observation/AngularUnit=Mils|"
     "Record[6]/Point/PointNumber=P4|Record[6]/Point/OrthoHeight=-1.234|"
     "Record[6]/Point/Code=TREE|Record[6]/Point/Remark2=OAK|Record[7]/Point/Northing=700.000|"
     "Record[8]/Line/Word[2]/WordValue=+000000000000HEDG",
     "PNEZDComma.xml",
     "\x02P4,623.456,512.345,-1.234,TREE\rP5,700.000,800.000,0.100,WALL\r\x03\x1A", 2},
    {"LeicaGSI8.xml", "gsi8_points.gsi", "gsi8_points.expected", "",
     "Record/Point#3|Record[3]/Point/LinearUnit=Feet|Record[3]/Point/Easting=1000.000|"
     "Record[2]/Point/OrthoHeight=-0.010",
     "PENZDSpace.xml",
     "101 512.345 623.456 1.234 7\r\n102 512.000 623.000 -0.010\r\n"
     "103 1000.000 2000.000 3.000\r\n",
     6},
    {"SokkiaSDR33.xml", "sdr33_small.sdr", "sdr33_small.expected", "",
     "Record#10|Record/Observation#2|Record/Point#2|Record/Other#1|Record/Job/LinearUnit=Feet|"
     "Record/Job/AngularUnit=Degrees|Record/Station/StationPoint=S1|"
     "Record/Backsight/BacksightBearing=45.0000|Record/TargetHeight/PrismHeight=1.800|"
     "Record[8]/Observation/Code=TREE|Record/Other/RecordText=SOME NOTE",
     "PNEZDComma.xml", "P1,987.500,2021.650,99.950,FENCE\nP2,988.250,1995.720,100.730,TREE\n", 2},
    {"NikonRAW.xml", "nikon_small.raw", nullptr, "",
     "Record#12|Record/Observation#4|Record/Point#2|Record/Units#2|Record/Other#1|"
     "Record/Units/LinearUnit=Feet|Record/Units/AngularUnit=DDDMMSS|"
     "Record[5]/Point/RecordType=CC|Record[5]/Point/EmptyCode=true|"
     "Record/Station/BacksightBearing=45.3000|Record[8]/Observation/Code=TREE 12IN|"
     "Record[10]/Observation/Time=09:03:00|Record[11]/Other/RecordText=something else|"
     "EndOfFile=SUB"},
    {"CarlsonRW5.xml", "rw5_small.rw5", nullptr, "",
     "Record[not(Blank)]#11|Record/Comment#2|Record/Other#1|Record/Mode/LinearUnit=Meters|"
     "Record/Mode/AngularUnit=Gons|Record/Point/Note=CONTROL|Record/Point/Easting=3000.000|"
     "Record/Backsight/BacksightPoint=2|Record/Observation[PointNumber='3']/Note=TREE OAK|"
     "Record/Observation[PointNumber='4']/SlopeDistance=12.345|Record[last()]/Comment/Note=END "},
    {"TopconGTS7.xml", "gts7_small.gts7", nullptr, "",
     "Record#12|Record/Observation#3|Record/Other#2|Record/Units/AngularUnit=G|"
     "Record/Station/Code=BASE|Record/Point/Northing=5000.000|Record[11]/Target/EmptyCode=true|"
     "Record[12]/Observation/VerticalDistance=-1.250"},
    {"PNEZDComma.xml", "pnezd_comma.csv", nullptr, kMismatch,
     "Point#3|Header#1|Header/HeaderText=P,N,E,Z,D|Point[1]/Code=CTRL PT|"
     "Point[2]/EmptyCode=true|Point[3]/OrthoHeight=99.500",
     "PENZDTab.xml",
     "P,N,E,Z,D\r\n1\t3000.000\t5000.000\t100.000\tCTRL PT\r\n"
     "2\t3020.250\t5010.500\t101.125\t\r\n3\t2990.000\t4990.000\t99.500\r\n",
     8},
    {"PNEZDSpace.xml", "pnezd_space.txt", nullptr, "",
     "Point#3|Header#0|Point[1]/Code=CTRL PT|Point[1]/Easting=3000.000"},
    {"PNEZDTab.xml", "pnezd_tab.txt", nullptr, kMismatch,
     "Point#3|Header#1|Point[2]/Northing=5010.500"},
    {"PENZDComma.xml", "penzd_comma.csv", nullptr, "",
     "Point#3|Point[1]/Easting=3000.000|Point[1]/Northing=5000.000"},
    {"PENZDSpace.xml", "penzd_space.txt", nullptr, kMismatch,
     "Point#3|Header#1|Point[2]/Easting=3020.250"},
    {"PENZDTab.xml", "penzd_tab.txt", "penzd_tab.expected", "",
     "Point#3|Point[3]/Easting=2990.000"},
};

TEST(RealFormats, BundledDefinitionsReadSharedSamples) {
  for (const FormatCase& c : kCases) ImportAndExport(c);
}

TEST(RealFormats, BundledDefinitionsReadOwnFiles) {
  for (const FormatCase& c : kOwnCases) ImportAndExport(c);
}

}  // namespace
}  // namespace compoundparser::testing
