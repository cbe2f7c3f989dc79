// LandXML 1.2 points and raw data through their bundled definitions: what export writes, checked
// with an XML parser against the names and values of the LandXML 1.2 schema; the round trip of
// the format's own files; and the shared raw samples through LandXML and back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/ExchangeTestSupport.h"

namespace compoundparser::testing {
namespace {

const char* const kPoints = "LandXMLPoints.xml";
const char* const kRaw = "LandXMLRaw.xml";

// The elements and attributes of LandXML 1.2 that the formats write, spelt as the schema spells
// them; an attribute with a list of values takes one of them (the schema's enumerations).
struct SchemaElement {
  std::set<std::string> parents;  // elements it may stand in ("" for the root)
  std::map<std::string, std::set<std::string>> attributes;  // empty set: any value
  std::set<std::string> required;
};

const std::set<std::string> kAngular = {"radians", "grads", "decimal degrees", "decimal dd.mm.ss"};

const std::map<std::string, SchemaElement> kLandXml12 = {
    {"LandXML",
     {{""},
      {{"xmlns", {"http://www.landxml.org/schema/LandXML-1.2"}},
       {"version", {"1.2"}},
       {"date", {}},
       {"time", {}}},
      {"date", "time", "version"}}},
    {"Units", {{"LandXML"}, {}, {}}},
    {"Metric",
     {{"Units"},
      {{"areaUnit", {"hectare", "squareMeter", "squareMillimeter", "squareCentimeter"}},
       {"linearUnit", {"millimeter", "centimeter", "meter", "kilometer"}},
       {"volumeUnit", {"cubicMeter", "liter", "hectareMeter"}},
       {"temperatureUnit", {"celsius", "kelvin"}},
       {"pressureUnit", {"HPA", "milliBars", "mmHG", "millimeterHG"}},
       {"angularUnit", kAngular},
       {"directionUnit", kAngular}},
      {"areaUnit", "linearUnit", "volumeUnit", "temperatureUnit", "pressureUnit"}}},
    {"Imperial",
     {{"Units"},
      {{"areaUnit", {"acre", "squareFoot", "squareInch", "squareMiles"}},
       {"linearUnit", {"foot", "USSurveyFoot", "inch", "mile"}},
       {"volumeUnit",
        {"US_gallon", "IMP_gallon", "cubicInch", "cubicFeet", "cubicYard", "acreFeet"}},
       {"temperatureUnit", {"fahrenheit", "kelvin"}},
       {"pressureUnit", {"inchHG", "inHG"}},
       {"angularUnit", kAngular},
       {"directionUnit", kAngular}},
      {"areaUnit", "linearUnit", "volumeUnit", "temperatureUnit", "pressureUnit"}}},
    {"CgPoints", {{"LandXML", "Survey"}, {}, {}}},
    {"CgPoint", {{"CgPoints", "Feature"}, {{"name", {}}, {"code", {}}}, {}}},
    {"Survey", {{"LandXML"}, {}, {}}},
    {"SurveyHeader", {{"Survey"}, {}, {}}},
    {"InstrumentSetup",
     {{"Survey"}, {{"id", {}}, {"stationName", {}}, {"instrumentHeight", {}}}, {"id"}}},
    {"InstrumentPoint", {{"InstrumentSetup"}, {{"name", {}}, {"pntRef", {}}}, {}}},
    {"Backsight",
     {{"InstrumentSetup"},
      {{"id", {}}, {"azimuth", {}}, {"targetHeight", {}}, {"circle", {}}},
      {}}},
    {"BacksightPoint", {{"Backsight"}, {{"pntRef", {}}}, {}}},
    {"RawObservation",
     {{"InstrumentSetup"},
      {{"purpose", {"normal", "check", "backsight", "foresight", "traverse", "sideshot"}},
       {"status", {"modified", "deleted"}},
       {"targetHeight", {}},
       {"horizAngle", {}},
       {"zenithAngle", {}},
       {"slopeDistance", {}},
       {"horizDistance", {}},
       {"vertDistance", {}},
       {"azimuth", {}}},
      {}}},
    {"TargetPoint", {{"RawObservation"}, {{"name", {}}, {"code", {}}, {"pntRef", {}}}, {}}},
    {"Feature", {{"InstrumentSetup"}, {{"name", {}}}, {}}},
    {"Property", {{"Feature"}, {{"label", {}}, {"value", {}}}, {"label", "value"}}},
};

// Attributes whose values are xs:double.
const std::set<std::string> kDoubles = {"instrumentHeight", "azimuth",       "targetHeight",
                                        "circle",           "horizAngle",    "zenithAngle",
                                        "slopeDistance",    "horizDistance", "vertDistance"};

// True when `text` is a decimal number as xs:double writes it (no exponent needed here).
bool IsDouble(const std::string& text) {
  if (text.empty()) return false;
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return *end == '\0' && text.find_first_of(" ,+") == std::string::npos;
}

// True when the text of a point holds two or three doubles separated by one blank.
bool IsCoordinateText(const std::string& text) {
  std::istringstream words(text);
  int count = 0;
  for (std::string word; words >> word;) {
    if (!IsDouble(word)) return false;
    ++count;
  }
  return (count == 2 || count == 3) && text.find("  ") == std::string::npos;
}

// Checks one element and its subtree against the schema's names; adds each problem to `faults`.
void CheckElement(const pugi::xml_node& node, const std::string& parent, std::set<std::string>& ids,
                  std::vector<std::string>& faults) {
  const std::string name = node.name();
  const auto schema = kLandXml12.find(name);
  if (schema == kLandXml12.end()) {
    faults.push_back("element " + name);
    return;
  }
  if (schema->second.parents.count(parent) == 0) faults.push_back(name + " in " + parent);
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    const std::string key = attribute.name();
    const std::string value = attribute.value();
    const auto known = schema->second.attributes.find(key);
    if (known == schema->second.attributes.end()) {
      faults.push_back(name + "@" + key);
    } else if (!known->second.empty() && known->second.count(value) == 0) {
      faults.push_back(name + "@" + key + "=" + value);
    }
    if (kDoubles.count(key) != 0 && !IsDouble(value))
      faults.push_back(name + "@" + key + " number");
    if (key == "id" && !ids.insert(value).second) faults.push_back("id " + value + " twice");
  }
  for (const std::string& required : schema->second.required) {
    if (!node.attribute(required.c_str())) faults.push_back(name + " without " + required);
  }
  if ((name == "CgPoint" || name == "InstrumentPoint" || name == "TargetPoint") &&
      *node.child_value() != '\0' && !IsCoordinateText(node.child_value())) {
    faults.push_back(name + " text " + node.child_value());
  }
  if (name == "RawObservation" &&
      std::distance(node.children().begin(), node.children().end()) != 1)
    faults.push_back("RawObservation without its one TargetPoint");
  if (name == "InstrumentSetup" && std::string(node.first_child().name()) != "InstrumentPoint")
    faults.push_back("InstrumentSetup not starting with InstrumentPoint");
  if (name == "Survey" && std::string(node.first_child().name()) != "SurveyHeader")
    faults.push_back("Survey not starting with SurveyHeader");
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_element) CheckElement(child, name, ids, faults);
  }
}

// Parses `text` as XML and checks it against the names of LandXML 1.2; returns the problems, one
// per line ("" when there are none).
std::string SchemaFaults(const std::string& text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) return std::string("not XML: ") + parsed.description();
  std::vector<std::string> faults;
  std::set<std::string> ids;
  CheckElement(document.document_element(), "", ids, faults);
  const pugi::xml_node units = document.document_element().child("Units");
  if (std::distance(units.children().begin(), units.children().end()) != 1)
    faults.push_back("Units without its one Metric or Imperial");
  std::string out;
  for (const std::string& fault : faults) out += fault + "\n";
  return out;
}

// The format's own files: points in metres (CR LF) and in feet (LF, a date kept), raw data.
const FormatCase kOwn[] = {
    {kPoints, "landxml/points.xml", nullptr, "",
     "Point#4|Units/LinearUnit=Meters|LandXML/FileDate=1970-01-01|Point[1]/PointNumber=1|"
     "Point[1]/Code=CTRL PT|Point[1]/Northing=5000.000|Point[1]/Easting=3000.000|"
     "Point[1]/OrthoHeight=100.000|Point[2]/EmptyCode=true|Point[2]/OrthoHeight#0|"
     "Point[3]/PointNumber#0|Point[4]/Code#0|DataFile/LineEnd=CRLF"},
    {kPoints, "landxml/points_feet.xml", nullptr, "",
     "Point#4|Units/LinearUnit=Feet|LandXML/FileDate=2024-05-17|LandXML/FileTime=14:30:05|"
     "DataFile/LineEnd=LF"},
    {kRaw, "landxml/raw.xml", nullptr, "",
     "Record#13|Record[1]/Units/AngularUnit=Gons|Record[1]/Units/LinearUnit=Meters|"
     "Record[Point]#3|Record[Station]#2|Record[Observation]#5|Record[Backsight]#1|"
     "Record[TargetHeight]/TargetHeight/PrismHeight=1.800|Record[2]/Point/Code=CTRL|"
     "Record[5]/Station/StationPoint=100|Record[5]/Station/InstrumentHeight=1.550|"
     "Record[5]/Station/StationHeight=100.000|Record[5]/Station/BacksightPoint=101|"
     "Record[5]/Station/BacksightCircle=0.0000|Record[6]/Backsight/PrismHeight=1.500|"
     "Record[6]/Backsight/SlopeDistance=100.002|Record[10]/Deleted=true|Record[Deleted]#1|"
     "Record[10]/Observation/VerticalDistance=-0.250|Record[11]/Observation/EmptyCode=true|"
     "Record[11]/Observation/Easting=2980.000|Record[13]/Observation/Azimuth=50.0000|"
     "Record[12]/Station/StationNorthing#0"},
};

TEST(LandXmlFormat, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(LandXmlFormat, OwnFilesHoldToTheSchema) {
  for (const char* file : {"landxml/points.xml", "landxml/points_feet.xml", "landxml/raw.xml"}) {
    EXPECT_EQ(SchemaFaults(ReadFile(kOwnFormatsDir + file)), "") << file;
  }
}

// A raw document of every kind of record gives the setups, backsights, observations, target
// setups and points of raw.xml; its job and comments write nothing.
TEST(LandXmlFormat, RawRecordsBecomeSetupsAndObservations) {
  EXPECT_EQ(ExportedFrom(kRaw, ReadFile(kOwnFormatsDir + "landxml/raw_document.xml")),
            ReadFile(kOwnFormatsDir + "landxml/raw.xml"));
}

// Points: those of a point list and of raw data, names and codes escaped, in the unit of the
// document, of the variable LinearUnit, or in metres with the warning that no unit was found.
TEST(LandXmlFormat, PointsInTheUnitOfTheDocument) {
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\" "
      "date=\"1970-01-01\" time=\"00:00:00\">\r\n  <Units>\r\n";
  const std::string metres =
      "    <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\" "
      "temperatureUnit=\"celsius\" pressureUnit=\"milliBars\"/>\r\n";
  const std::string usFeet =
      "    <Imperial areaUnit=\"squareFoot\" linearUnit=\"USSurveyFoot\" volumeUnit=\"cubicFeet\" "
      "temperatureUnit=\"fahrenheit\" pressureUnit=\"inHG\"/>\r\n";
  const std::string points =
      "  </Units>\r\n  <CgPoints>\r\n"
      "    <CgPoint name=\"1\" code=\"A&amp;B &lt;C&gt; 18&quot;\">2 1 3</CgPoint>\r\n"
      "  </CgPoints>\r\n</LandXML>\r\n";
  const std::string point =
      "<Point><PointNumber>1</PointNumber><Easting>1</Easting><Northing>2</Northing>"
      "<OrthoHeight>3</OrthoHeight><Code>A&amp;B &lt;C&gt; 18\"</Code></Point>";
  EXPECT_EQ(ExportedFrom(kPoints, "<data>" + point + "</data>", {{"LinearUnit", "USFeet"}}),
            head + usFeet + points);
  // Raw data: the unit of the Units records before the first point wins over the variable.
  EXPECT_EQ(ExportedFrom(kPoints,
                         "<data><Record><Comment><Text>x</Text></Comment></Record>"
                         "<Record><Units><LinearUnit>USFeet</LinearUnit></Units></Record><Record>" +
                             point + "</Record></data>",
                         {{"LinearUnit", "Meters"}}),
            head + usFeet + points);

  RecordingCallBack recorder;
  auto format = Bundled(kPoints, recorder);
  TempFolder folder;
  InstrumentData data(*format, &recorder);
  ASSERT_TRUE(data.LoadXml(folder.Write("d.xml", "<data>" + point + "</data>")));
  ASSERT_TRUE(data.ParseWrite(folder.Path("out.xml"), *format));
  data.file.Close();
  EXPECT_EQ(ReadFile(folder.Path("out.xml")), head + metres + points);
  EXPECT_TRUE(recorder.Has("Element with ID='LinearUnit' not found")) << recorder.Lines();
  EXPECT_EQ(SchemaFaults(ReadFile(folder.Path("out.xml"))), "");
}

// What LandXML cannot hold stops the raw export, with the message of the check that saw it.
TEST(LandXmlFormat, RawRecordsThatLandXmlCannotHoldStopTheExport) {
  const std::string gons =
      "<Record><Units><AngularUnit>Gons</AngularUnit>"
      "<LinearUnit>Meters</LinearUnit></Units></Record>";
  const std::string shot =
      "<Record><Observation><PointNumber>1</PointNumber><HorizontalAngle>1.0</HorizontalAngle>"
      "</Observation></Record>";
  const char* const kRefused = "<fail> Data does not fit in element\n";
  const std::tuple<std::string, std::vector<VarSet>, const char*> documents[] = {
      {shot, {}, "no units"},
      {shot, {{"AngularUnit", "Gons"}}, "no linear unit"},
      {"<Record><Units><AngularUnit>Mils</AngularUnit><LinearUnit>Meters</LinearUnit></Units>"
       "</Record>" +
           shot,
       {},
       "mils"},
      {gons + shot + "<Record><Units><AngularUnit>Degrees</AngularUnit></Units></Record>" + shot,
       {},
       "other units later"},
      {gons + "<Record><Observation><VerticalAngle>1.0</VerticalAngle></Observation></Record>",
       {},
       "a vertical angle"},
      {gons + "<Record><Observation><AngleLeft>1.0</AngleLeft></Observation></Record>",
       {},
       "an angle to the left"},
      {gons + "<Record><Observation><SlopeDistance>1,5</SlopeDistance></Observation></Record>",
       {},
       "a decimal comma"},
      {gons + "<Record><Station><InstrumentHeight>+1.5</InstrumentHeight></Station></Record>",
       {},
       "a plus sign"},
      {gons + "<Record><Deleted>true</Deleted><Station><StationPoint>1</StationPoint></Station>"
              "</Record>",
       {},
       "a deleted station"},
      {"<Record><Observation><HorizontalAngle>1.0</HorizontalAngle><HorizontalAngleUnit>Gons"
       "</HorizontalAngleUnit><SlopeDistance>2</SlopeDistance><SlopeDistanceUnit>Meters"
       "</SlopeDistanceUnit></Observation></Record><Record><Observation><HorizontalAngle>1.0"
       "</HorizontalAngle><HorizontalAngleUnit>DMS</HorizontalAngleUnit></Observation></Record>",
       {},
       "words in other units"},
  };
  for (const auto& [records, sets, what] : documents) {
    EXPECT_EQ(ExportedFrom(kRaw, "<data>" + records + "</data>", sets), kRefused) << what;
  }
  // The units given by the variables, and words in one unit (GSI), are written.
  EXPECT_TRUE(
      Contains(ExportedFrom(kRaw, "<data>" + shot + "</data>",
                            {{"AngularUnit", "DMS"}, {"LinearUnit", "Feet"}}),
               "linearUnit=\"foot\" volumeUnit=\"cubicFeet\" temperatureUnit=\"fahrenheit\" "
               "pressureUnit=\"inHG\" angularUnit=\"decimal dd.mm.ss\""));
  EXPECT_TRUE(Contains(
      ExportedFrom(
          kRaw,
          "<data><Record><Observation><SlopeDistance>2.0000</SlopeDistance>"
          "<SlopeDistanceUnit>Meters0.1mm</SlopeDistanceUnit><ZenithAngle>100</ZenithAngle>"
          "<ZenithAngleUnit>Gons</ZenithAngleUnit></Observation></Record></data>"),
      "linearUnit=\"meter\" volumeUnit=\"cubicMeter\" temperatureUnit=\"celsius\" "
      "pressureUnit=\"milliBars\" angularUnit=\"grads\""));
}

// LandXML written by other programs does not read: the diagnosis names the first difference.
TEST(LandXmlFormat, OtherLayoutsFail) {
  TempFolder folder;
  const std::string otherOrder = folder.Write(
      "other.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" date=\"2024-01-01\" "
      "time=\"10:00:00\" version=\"1.2\">\r\n");
  EXPECT_EQ(ImportFailure(kPoints, otherOrder),
            "2:1: expected \"<LandXML xmlns=\\\"http://www.landxml.org/schema/LandXML-1.2\\\" "
            "version=\\\"1.2\\\"\", found \"<LandXML xmlns=\\\"http://www.landxml.org/schema/La\"");
  EXPECT_NE(ImportFailure(kRaw, kOwnFormatsDir + "landxml/points.xml"), "<imported>");
  EXPECT_NE(ImportFailure(kPoints, kOwnFormatsDir + "landxml/raw.xml"), "<imported>");
}

// The value of `name` in `group` as a number where it reads as one, else as it is ("" absent).
std::string ValueOf(const XmlNode& group, const char* name) {
  const XmlNode element = group.FirstChildElement(name);
  if (!element) return "";
  const std::string text = element.Text();
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end != text.c_str() && *end == '\0') {
    std::ostringstream out;
    out.precision(12);
    out << number;
    return out.str();
  }
  return text;
}

// One line per observation, backsight, station and point of a document: what LandXML holds of it.
std::string Records(const XmlDocument& document) {
  static const std::map<std::string, std::vector<const char*>> kKept = {
      {"Observation",
       {"PointNumber", "Code", "HorizontalAngle", "ZenithAngle", "SlopeDistance",
        "HorizontalDistance", "VerticalDistance", "PrismHeight", "Azimuth", "Northing", "Easting",
        "OrthoHeight"}},
      {"Backsight",
       {"BacksightPoint", "BacksightBearing", "BacksightCircle", "PrismHeight", "HorizontalAngle",
        "ZenithAngle", "SlopeDistance", "HorizontalDistance", "VerticalDistance"}},
      {"Station",
       {"StationPoint", "InstrumentHeight", "StationNorthing", "StationEasting", "StationHeight",
        "BacksightPoint", "BacksightBearing", "BacksightCircle"}},
      {"Point", {"PointNumber", "Code", "Northing", "Easting", "OrthoHeight"}},
  };
  std::string out;
  for (const XmlNode& record : document.AsNode().SelectNodes("/data/Record/*")) {
    const auto kept = kKept.find(record.Name());
    if (kept == kKept.end()) continue;
    out += record.Name();
    if (record.Parent().FirstChildElement("Deleted")) out += " deleted";
    for (const char* name : kept->second) {
      const std::string value = ValueOf(record, name);
      if (!value.empty()) out += std::string(" ") + name + "=" + value;
    }
    out += "\n";
  }
  return out;
}

// Each shared raw sample through LandXML raw and back holds the same observations, stations and
// points; the LandXML holds to the schema, has a RawObservation per observation and per measured
// backsight, and exports again to the same bytes.
TEST(LandXmlFormat, SharedRawSamplesGoThroughLandXmlAndBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  const std::tuple<const char*, const char*, std::vector<VarSet>, int> samples[] = {
      {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", {}, 35},
      {"SokkiaSDR33.xml", "sokkia_sdr33/focus6_1.sdr", {}, 17},
      {"TopconGTS7.xml", "topcon_gts7/jkv.gts7", {}, 7},
      {"LeicaGSI16.xml", "leica_gsi/leica_gsi16_gurob.gsi", {}, 343},
      {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", {}, 6},
      {"NikonRAW.xml", "nikon_raw/nikon_raw_v200.raw", {}, 83},
      {"NikonRAW.xml", "nikon_raw/ruide_group_1_obs.sdr", {}, 71},
      {"NikonRAW.xml", "nikon_raw/nikon_dtm.raw", {}, 7},  // with records marked deleted
      {"CarlsonRW5.xml", "carlson_rw5/Leica1200.rw5", {}, 10},
      {"CarlsonRW5.xml", "carlson_rw5/pygez_test.rw5", {}, 109},
  };
  for (const auto& [definition, sample, sets, observations] : samples) {
    SCOPED_TRACE(sample);
    RecordingCallBack recorder;
    auto source = Bundled(definition, recorder);
    auto raw = Bundled(kRaw, recorder);
    TempFolder folder;
    std::string before;
    {
      InstrumentData data(*source, &recorder);
      ASSERT_TRUE(data.ParseRead(kSamplesDir + sample, *source)) << recorder.Lines(kKindError);
      before = Records(data.GetDocument());
      data.vars = raw->Description().vars;
      for (const auto& [name, value] : sets) data.vars.Assign(name, value);
      ASSERT_TRUE(data.ParseWrite(folder.Path("raw.xml"), *raw)) << recorder.Lines(kKindError);
    }
    const std::string landXml = ReadFile(folder.Path("raw.xml"));
    EXPECT_EQ(SchemaFaults(landXml), "");
    size_t shots = 0;
    for (size_t at = landXml.find("<RawObservation "); at != std::string::npos;
         at = landXml.find("<RawObservation ", at + 1))
      ++shots;
    EXPECT_EQ(shots, static_cast<size_t>(observations));

    InstrumentData back(*raw, &recorder);
    ASSERT_TRUE(back.ParseRead(folder.Path("raw.xml"), *raw)) << recorder.Lines(kKindError);
    EXPECT_EQ(Records(back.GetDocument()), before);
    ASSERT_TRUE(back.ParseWrite(folder.Path("again.xml"), *raw)) << recorder.Lines(kKindError);
    back.file.Close();
    EXPECT_EQ(ReadFile(folder.Path("again.xml")), landXml);
  }
}

// The points of the shared samples through LandXML points and back: the same points (those with
// both plane coordinates), in a file that holds to the schema.
TEST(LandXmlFormat, PointsOfTheSharedSamplesGoThroughLandXmlAndBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  const std::tuple<const char*, const char*, int> samples[] = {
      {"PNEZDComma.xml", "pnezd/topo0.asc", 1311},
      {"SokkiaSDR33.xml", "sokkia_sdr33/sokkia_sdr33_polar.sdr", 33},
      {"LeicaGSI8.xml", "leica_gsi/leica_gsi8_ertola.gsi", 689},
  };
  for (const auto& [definition, sample, points] : samples) {
    SCOPED_TRACE(sample);
    RecordingCallBack recorder;
    auto source = Bundled(definition, recorder);
    auto landXml = Bundled(kPoints, recorder);
    TempFolder folder;
    std::string before;
    {
      InstrumentData data(*source, &recorder);
      ASSERT_TRUE(data.ParseRead(kSamplesDir + sample, *source)) << recorder.Lines(kKindError);
      before = Records(data.GetDocument());
      for (const XmlNode& point : data.GetDocument().AsNode().SelectNodes("/data/Point")) {
        before += "Point";
        for (const char* name : {"PointNumber", "Code", "Northing", "Easting", "OrthoHeight"}) {
          const std::string value = ValueOf(point, name);
          if (!value.empty()) before += std::string(" ") + name + "=" + value;
        }
        before += "\n";
      }
      data.vars = landXml->Description().vars;
      ASSERT_TRUE(data.ParseWrite(folder.Path("points.xml"), *landXml))
          << recorder.Lines(kKindError);
    }
    const std::string text = ReadFile(folder.Path("points.xml"));
    EXPECT_EQ(SchemaFaults(text), "");
    InstrumentData back(*landXml, &recorder);
    ASSERT_TRUE(back.ParseRead(folder.Path("points.xml"), *landXml)) << recorder.Lines(kKindError);
    const std::vector<XmlNode> read = back.GetDocument().AsNode().SelectNodes("/data/Point");
    EXPECT_EQ(read.size(), static_cast<size_t>(points));
    std::string after;
    for (const XmlNode& point : read) {
      after += "Point";
      for (const char* name : {"PointNumber", "Code", "Northing", "Easting", "OrthoHeight"}) {
        const std::string value = ValueOf(point, name);
        if (!value.empty()) after += std::string(" ") + name + "=" + value;
      }
      after += "\n";
    }
    // The raw samples hold their points in records, among observations and stations.
    std::string pointsBefore;
    for (size_t at = 0; at < before.size();) {
      const size_t end = before.find('\n', at);
      const std::string line = before.substr(at, end - at + 1);
      if (line.compare(0, 6, "Point ") == 0 || line == "Point\n") pointsBefore += line;
      at = end + 1;
    }
    EXPECT_EQ(after, pointsBefore);
  }
}

}  // namespace
}  // namespace compoundparser::testing
