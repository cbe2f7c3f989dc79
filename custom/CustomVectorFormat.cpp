#include "custom/CustomVectorFormat.h"

#include <set>

#include "custom/CustomSections.h"
#include "custom/DefinitionWriter.h"
#include "custom/Stylesheets.h"

namespace compoundparser {

namespace {

const std::set<std::string> kDoubleFields = {"DX",
                                             "DY",
                                             "DZ",
                                             "SX",
                                             "SY",
                                             "SZ",
                                             "CXY",
                                             "CXZ",
                                             "CYZ",
                                             "BaseAntennaHeight",
                                             "RoverAntennaHeight",
                                             "RoverElev",
                                             "RoverNorth",
                                             "RoverEast",
                                             "RoverEllht"};

// Joins tags on one line, separating them by runs of one to five spaces.
class TagLine {
 public:
  void Add(std::string tag) {
    if (!line_.empty()) {
      line_.append(static_cast<size_t>(gap_), ' ');
      gap_ = gap_ % 5 + 1;
    }
    line_ += tag;
  }
  const std::string& Text() const { return line_; }

 private:
  std::string line_;
  int gap_ = 1;
};

// Writes the project header substitute on a single line, followed by the end
// of `format`.
void WriteHeaderSubstituteAndEnd(DefinitionWriter& writer, const std::string& delimiter) {
  const std::string delimiterLiteral = LiteralTag({{"hex", "true"}}, delimiter);
  TagLine line;
  line.Add(StartTag("substitute", {{"id", "Header"}}));
  line.Add(LiteralTag({}, "//VeltraCustomGPSFormat:"));
  line.Add(LiteralTag({}, "v.1,"));
  line.Add(StartTag("optional"));
  line.Add(StartTag("group", {{"id", "Project"}}));
  line.Add(StartTag("terminated"));
  line.Add(EmptyTag("element", {{"id", "DistanceUnitIndicator"}, {"default", "Meters"}}, true));
  line.Add(delimiterLiteral);
  line.Add(EndTag("terminated"));
  line.Add(StartTag("optional"));
  line.Add(delimiterLiteral);
  line.Add(EmptyTag("element", {{"id", "Note"}}, true));
  line.Add(EndTag("optional"));
  line.Add(EndTag("group"));
  line.Add(EndTag("optional"));
  line.Add(delimiterLiteral);
  writer.Raw(line.Text());
  writer.Raw("\r\n" + EndTag("substitute") + EndTag("format") + "\r\n");
}

}  // namespace

CustomVectorFormat::CustomVectorFormat(const std::string& path, const std::string& name,
                                       const std::string& fileMask, const std::string& delimiter,
                                       bool controlCodes, bool attributes,
                                       const std::vector<std::string>& fields) {
  DefinitionWriter writer;
  WriteProlog(writer, "Veltra Custom Vector Format Definition", "GPS", name, fileMask);
  writer.Open("description");
  writer.Open("IncludeData");
  writer.Empty("RTKVector");
  writer.Empty("GPSVector");
  writer.Close("IncludeData");
  writer.Open("VARS");
  WriteVariable(writer, "CoordSystem", "BLH", {"BLH"});
  WriteVariable(writer, "LatLonFormat", "SpaceSep", kLatLonFormats);
  WriteBooleanVariable(writer, "StrictFormat");
  WriteBooleanVariable(writer, "MetricUnitPresent");
  WriteVariable(writer, "ExportXSL", kVectorExportStylesheet, {kVectorExportStylesheet}, true);
  WriteVariable(writer, "ImportXSL", kVectorImportStylesheet, {kVectorImportStylesheet}, true);
  WriteTypeVariable(writer);
  writer.Close("VARS");
  writer.Close("description");

  writer.Open("parser");
  writer.Open("optional");
  writer.Skew(-1);
  writer.Empty("subst", {{"id", "Header"}});
  writer.Skew(-1);
  writer.HexLiteral("0D0A");
  writer.Close("optional");
  writer.Open("repeat");
  writer.Open("radio");
  writer.HexLiteral("0D0A", true);
  writer.Open("terminated", {{"MaxWidth", "1000"}});
  writer.Empty("subst", {{"id", "IfFields"}});
  writer.HexLiteral("0D0A");
  writer.Close("terminated");
  writer.Empty("subst", {{"id", "IfFields"}});
  writer.Close("radio");
  writer.Close("repeat");
  writer.Close("parser");

  if (!fields.empty() && fields.back() == "FullCodes") {
    WriteCodeSubstitutes(writer, delimiter, controlCodes, attributes, "RoverFeature", false);
  }
  writer.BlankLine();
  writer.Open("substitute", {{"id", "Fields"}});
  writer.Open("group", {{"id", "Vector"}, {"RepeatedNode", "true"}, {"SkipWrong", "true"}});
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& field = fields[i];
    if (field == "FullCodes") {
      WriteFullCodesBlock(writer);
    } else if (i + 1 == fields.size()) {
      WriteLastFieldBlock(writer, field, "50", delimiter);
    } else {
      WriteFieldBlock(writer, field, kDoubleFields.count(field) != 0 ? "double" : "", "50",
                      delimiter);
    }
  }
  writer.Close("group");
  writer.Close("substitute");
  WriteIfFieldsSubstitute(writer, "IfFields", "Fields");
  WriteHeaderSubstituteAndEnd(writer, delimiter);

  Write(path, writer.Text());
}

}  // namespace compoundparser
