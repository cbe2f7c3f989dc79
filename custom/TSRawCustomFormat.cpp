#include "custom/TSRawCustomFormat.h"

#include <set>

#include "custom/CustomSections.h"
#include "custom/DefinitionWriter.h"
#include "custom/Stylesheets.h"

namespace compoundparser {

namespace {

const std::set<std::string> kDoubleFields = {
    "InstrumentHeight", "PrismHeight",   "HorizontalDistance", "VerticalAngle",  "VerticalDistance",
    "ZenithAngle",      "SlopeDistance", "BacksightBearing",   "HorizontalAngle"};

// Writes the parser section, whose indentation is irregular.
void WriteParser(DefinitionWriter& writer) {
  writer.Open("parser");
  writer.Skew(-1);
  writer.Open("repeat");
  writer.Skew(1);
  writer.Open("radio");
  writer.Skew(-1);
  writer.HexLiteral("0D0A", true);
  writer.Skew(1);
  writer.Open("terminated");
  writer.Skew(1);
  writer.Empty("subst", {{"id", "IfSurveyFields"}});
  writer.Skew(1);
  writer.HexLiteral("0D0A");
  writer.Skew(1);
  writer.Close("terminated");
  writer.Skew(1);
  writer.Empty("subst", {{"id", "IfSurveyFields"}});
  writer.Close("radio");
  writer.Close("repeat");
  writer.Close("parser");
}

void WriteFieldContent(DefinitionWriter& writer, const std::string& field) {
  if (kDoubleFields.count(field) != 0) {
    writer.Empty("element", {{"id", field}, {"type", "double"}});
  } else if (field == "ControlCode" || field == "ControlCode2") {
    writer.Open("group", {{"id", "CTL"}});
    writer.Empty("element", {{"id", field}});
    writer.Close("group");
  } else {
    writer.Skew(2);
    writer.Empty("element", {{"id", field}});
  }
}

}  // namespace

TSRawCustomFormat::TSRawCustomFormat(const std::string& path, const std::string& name,
                                     const std::string& fileMask, const std::string& delimiter,
                                     const std::vector<std::string>& fields) {
  DefinitionWriter writer;
  WriteProlog(writer, "Veltra TSRaw Custom Format Definition", "Measure", name, fileMask);
  writer.Open("description");
  writer.Open("IncludeData");
  writer.Empty("TSMeasure");
  writer.Close("IncludeData");
  writer.Open("VARS");
  WriteVariable(writer, "CoordSystem", "Ground", {"Ground"});
  WriteVariable(writer, "VerticalAngle0", "Zenith", {"Zenith", "Horizont"});
  WriteBooleanVariable(writer, "StrictFormat");
  WriteVariable(writer, "ExportXSL", kTSRawExportStylesheet, {kTSRawExportStylesheet}, true);
  WriteVariable(writer, "ImportXSL", kTSRawImportStylesheet, {kTSRawImportStylesheet}, true);
  WriteBooleanVariable(writer, "MetricUnitPresent");
  WriteBooleanVariable(writer, "AngularUnitPresent");
  writer.Close("VARS");
  writer.Close("description");
  WriteParser(writer);

  writer.BlankLine();
  writer.Open("substitute", {{"id", "SurveyFields"}});
  writer.Open("group", {{"id", "Observation"}, {"RepeatedNode", "true"}, {"SkipWrong", "true"}});
  for (const std::string& field : fields) {
    WriteDelimitedBlock(writer, "50", delimiter, [&] { WriteFieldContent(writer, field); });
  }
  writer.Close("group");
  writer.Close("substitute");
  WriteIfFieldsSubstitute(writer, "IfSurveyFields", "SurveyFields");
  writer.Close("format");

  Write(path, writer.Text());
}

}  // namespace compoundparser
