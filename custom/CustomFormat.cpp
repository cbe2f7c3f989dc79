#include "custom/CustomFormat.h"

#include <set>

#include "custom/CustomSections.h"
#include "custom/DefinitionWriter.h"

namespace compoundparser {

namespace {

const std::set<std::string> kDoubleFields = {
    "Northing", "Easting", "OrthoHeight",     "EllHeight",          "X",
    "Y",        "Z",       "GeoidSeparation", "CombinedScaleFactor"};

// Returns "XYZ", "BLH" or "Grid": grid coordinates win over geographic ones,
// geographic over Cartesian ones, and no coordinates count as grid.
std::string CoordSystemOf(const std::vector<std::string>& fields) {
  int level = 0;
  for (const std::string& field : fields) {
    if (field == "Northing" || field == "Easting") {
      level = 3;
    } else if (field == "X" || field == "Y" || field == "Z") {
      if (level < 2) level = 1;
    } else if (field == "Latitude" || field == "Longitude") {
      if (level < 3) level = 2;
    }
  }
  if (level == 1) return "XYZ";
  if (level == 2) return "BLH";
  return "Grid";
}

// Returns the `type` of a middle field's element ("" for plain text).
std::string_view FieldType(const std::string& field, int32_t latLonFormat) {
  if (kDoubleFields.count(field) != 0) return "double";
  if (field == "Latitude" || field == "Longitude") {
    return latLonFormat == 1 ? "double" : "degree";
  }
  return {};
}

void WriteHeaderLine(DefinitionWriter& writer) {
  writer.Open("optional");
  writer.Open("radio");
  for (std::string_view lineEnd : {"0D0A", "0A"}) {
    writer.Open("terminated", {{"MaxWidth", "1000"}});
    writer.Empty("element", {{"id", "Header"}});
    writer.HexLiteral(lineEnd);
    writer.Close("terminated");
  }
  writer.Close("radio");
  writer.Close("optional");
}

void WriteLines(DefinitionWriter& writer) {
  writer.Open("repeat");
  writer.Open("radio");
  writer.HexLiteral("0D0A", true);
  writer.HexLiteral("0A", true);
  for (std::string_view lineEnd : {"0D0A", "0A"}) {
    writer.Open("terminated", {{"MaxWidth", "1000"}});
    writer.Empty("subst", {{"id", "IfFields"}});
    writer.HexLiteral(lineEnd);
    writer.Close("terminated");
  }
  writer.Empty("subst", {{"id", "IfFields"}});
  writer.Close("radio");
  writer.Close("repeat");
}

void WriteFieldBlocks(DefinitionWriter& writer, const std::vector<std::string>& fields,
                      const std::string& delimiter, int32_t latLonFormat) {
  const bool spaceDelimited = delimiter == "20";
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& field = fields[i];
    const bool last = i + 1 == fields.size();
    if (field == "FullCodes") {
      WriteFullCodesBlock(writer);
      continue;
    }
    if (field == "PointNumber") {
      writer.Open("terminated", {{"MaxWidth", "50"}});
      writer.Empty("element", {{"id", field}});
      writer.HexLiteral(delimiter);
      writer.Close("terminated");
    } else if (last) {
      WriteLastFieldBlock(writer, field, "500", delimiter);
      continue;
    } else {
      WriteFieldBlock(writer, field, FieldType(field, latLonFormat), "20", delimiter);
    }
    if (spaceDelimited) WriteSpaceAbsorber(writer);
  }
}

}  // namespace

CustomFormat::CustomFormat(const std::string& path, const std::string& name,
                           const std::string& fileMask, const std::string& delimiter,
                           int32_t latLonFormat, bool header, bool controlCodes, bool attributes,
                           const std::vector<std::string>& fields) {
  if (latLonFormat >= static_cast<int32_t>(kLatLonFormats.size())) {
    Fail("Lat/lon format " + std::to_string(latLonFormat) + " is out of range (0 to 3)");
    return;
  }
  const std::string coordSystem = CoordSystemOf(fields);

  DefinitionWriter writer;
  WriteProlog(writer, "Veltra Custom Format Definition", "Points", name, fileMask);
  writer.Open("description");
  writer.Open("IncludeData");
  writer.Empty("Point");
  writer.Close("IncludeData");
  writer.Open("VARS");
  WriteVariable(writer, "CoordSystem", coordSystem, {coordSystem});
  WriteBooleanVariable(writer, "StrictFormat");
  WriteTypeVariable(writer);
  if (latLonFormat >= 0) {
    WriteVariable(writer, "LatLonFormat", kLatLonFormats[static_cast<size_t>(latLonFormat)],
                  kLatLonFormats);
  }
  WriteBooleanVariable(writer, "MetricUnitPresent");
  writer.Close("VARS");
  writer.Close("description");

  writer.Open("parser");
  if (header) WriteHeaderLine(writer);
  WriteLines(writer);
  writer.Close("parser");

  if (!fields.empty() && fields.back() == "FullCodes") {
    WriteCodeSubstitutes(writer, delimiter, controlCodes, attributes, "Feature", delimiter == "20");
  }
  writer.BlankLine();
  writer.Open("substitute", {{"id", "Fields"}});
  writer.Open("group", {{"id", "Point"}, {"RepeatedNode", "true"}});
  WriteFieldBlocks(writer, fields, delimiter, latLonFormat);
  writer.Close("group");
  writer.Close("substitute");
  WriteIfFieldsSubstitute(writer, "IfFields", "Fields");
  writer.Close("format");

  Write(path, writer.Text());
}

}  // namespace compoundparser
