#include "custom/CustomSections.h"

#include <algorithm>
#include <cctype>

#include "host/CodePage.h"

namespace compoundparser {

const std::vector<std::string_view> kLatLonFormats = {"Strict", "DecDegree", "SpaceSep", "NoSep"};

namespace {

const std::vector<std::string_view> kBooleanValues = {"false", "true"};
const std::vector<std::string_view> kAttributeTypes = {"TEXT", "INT", "REAL", "LIST", "DATE"};

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Writes `<element id="id"/>`.
void WriteElement(DefinitionWriter& writer, std::string_view id) {
  writer.Empty("element", {{"id", id}});
}

// Writes a `terminated` with `MaxWidth` holding `content` and the hex literal
// `terminator`.
void WriteTerminated(DefinitionWriter& writer, std::string_view maxWidth,
                     std::string_view terminator, const std::function<void()>& content) {
  writer.Open("terminated", {{"MaxWidth", maxWidth}});
  content();
  writer.HexLiteral(terminator);
  writer.Close("terminated");
}

// Writes the code alternatives with string and control codes.
void WriteCodeStringControlAlternatives(DefinitionWriter& writer) {
  writer.Open("radio");
  writer.Open("group", {}, "<!-- code&[string]@[ControlCode@ControlCode2] -->");
  WriteTerminated(writer, "50", "26", [&] { WriteElement(writer, "Code"); });
  WriteTerminated(writer, "50", "40", [&] {
    writer.Open("optional");
    WriteElement(writer, "String");
    writer.Close("optional");
  });
  writer.Open("optional");
  writer.Open("radio");
  writer.Open("group");
  WriteTerminated(writer, "50", "40", [&] { WriteElement(writer, "ControlCode"); });
  WriteElement(writer, "ControlCode2");
  writer.Close("group");
  WriteElement(writer, "ControlCode");
  writer.Close("radio");
  writer.Close("optional");
  writer.Close("group");
  writer.Open("group", {}, " <!-- code&[string] -->");
  WriteTerminated(writer, "50", "26", [&] { WriteElement(writer, "Code"); });
  writer.Open("optional");
  WriteElement(writer, "String");
  writer.Close("optional");
  writer.Close("group");
  WriteElement(writer, "Code");
  writer.Close("radio");
}

// Writes the value part of a quoted attribute (TEXT and DATE): the quotes, the
// value without quotes, and an optional "$".
void WriteQuotedValue(DefinitionWriter& writer) {
  writer.HexLiteral("22");
  WriteTerminated(writer, "50", "22", [&] {
    writer.Open("optional");
    writer.Empty("element", {{"id", "Value"}, {"ExcludeLiteralHex", "22"}});
    writer.Close("optional");
  });
  writer.Open("optional");
  writer.Skew(-1);
  writer.HexLiteral("24");
  writer.Close("optional");
}

// Writes the group of one attribute type: the type's literal, its assignment
// and, for "LIST", the list of values in parentheses.
void WriteAttributeType(DefinitionWriter& writer, std::string_view type) {
  writer.Open("group");
  writer.Line(LiteralTag({{"id", "Type"}, {"value", type}}, type));
  writer.Empty("assign", {{"variable", "Type"}, {"value", type}});
  if (type == "LIST") {
    writer.HexLiteral("28");
    writer.Open("repeat");
    writer.Open("group", {{"id", "ListValue"}, {"RepeatedNode", "true"}, {"SkipWrong", "true"}});
    writer.Open("terminated", {{"MaxWidth", "50"}});
    WriteElement(writer, "Value");
    writer.Open("radio");
    writer.HexLiteral("23");
    writer.HexLiteral("29");
    writer.Close("radio");
    writer.Close("terminated");
    writer.Close("group");
    writer.Close("repeat");
    writer.Open("optional");
    writer.HexLiteral("29");
    writer.Close("optional");
  }
  writer.Close("group");
}

// Writes the repeated group of one code attribute: name, optional type, "="
// and the value as its type wants it.
void WriteAttributeGroup(DefinitionWriter& writer) {
  writer.Open("group", {{"id", "Attribute"}, {"RepeatedNode", "true"}, {"SkipWrong", "true"}});
  WriteTerminated(writer, "200", "3D", [&] {
    writer.Open("radio");
    writer.Open("group");
    WriteTerminated(writer, "50", "2E", [&] { WriteElement(writer, "Name"); });
    writer.Open("radio");
    for (std::string_view type : kAttributeTypes) WriteAttributeType(writer, type);
    writer.Close("radio");
    writer.Close("group");
    writer.Open("group");
    WriteElement(writer, "Name");
    writer.Empty("assign", {{"variable", "Type"}, {"value", "TEXT"}});
    writer.Close("group");
    writer.Close("radio");
  });
  writer.Open("group");
  writer.Open("if", {{"variable", "Type"}, {"value", "TEXT"}, {"compare", "true"}});
  WriteQuotedValue(writer);
  writer.Close("if");
  writer.Open("if", {{"variable", "Type"}, {"value", "TEXT"}, {"compare", "false"}});
  writer.Open("if", {{"variable", "Type"}, {"value", "DATE"}, {"compare", "true"}});
  WriteQuotedValue(writer);
  writer.Close("if");
  writer.Open("if", {{"variable", "Type"}, {"value", "DATE"}, {"compare", "false"}});
  writer.Open("radio");
  WriteTerminated(writer, "50", "24", [&] {
    writer.Open("optional");
    WriteElement(writer, "Value");
    writer.Close("optional");
  });
  WriteElement(writer, "Value");
  writer.Close("radio");
  writer.Close("if");
  writer.Close("if");
  writer.Close("group");
  writer.Close("group");
}

}  // namespace

bool IsShiftJisCodePage() {
  const std::string name = UpperCase(CodePageName());
  for (const char* alias : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J"}) {
    if (name == alias) return true;
  }
  return false;
}

void WriteProlog(DefinitionWriter& writer, std::string_view comment, std::string_view type,
                 std::string_view name, std::string_view fileMask) {
  writer.Line(IsShiftJisCodePage() ? "<?xml version=\"1.0\" encoding=\"Shift-JIS\"?>"
                                   : "<?xml version=\"1.0\"?>");
  std::string commentLine = "<!--";
  commentLine += comment;
  commentLine += "-->";
  writer.Line(commentLine);
  writer.Line(StartTag("format", {{"type", type}, {"name", name}, {"FileMask", fileMask}}));
}

void WriteVariable(DefinitionWriter& writer, std::string_view id, std::string_view defaultValue,
                   const std::vector<std::string_view>& values, bool spaceBeforeSlash) {
  writer.Open("variable", {{"id", id}, {"default", defaultValue}});
  for (std::string_view value : values) {
    writer.Empty("value", {{"id", value}}, spaceBeforeSlash);
  }
  writer.Close("variable");
}

void WriteBooleanVariable(DefinitionWriter& writer, std::string_view id) {
  WriteVariable(writer, id, "false", kBooleanValues);
}

void WriteTypeVariable(DefinitionWriter& writer) {
  WriteVariable(writer, "Type", "TEXT", kAttributeTypes);
}

void WriteCodeSubstitutes(DefinitionWriter& writer, std::string_view delimiter, bool controlCodes,
                          bool attributes, std::string_view featureGroupId, bool spaceAbsorber) {
  writer.Open("substitute", {{"id", "CodeStringControl"}});
  if (controlCodes) {
    WriteCodeStringControlAlternatives(writer);
  } else {
    WriteElement(writer, "Code");
  }
  writer.Close("substitute");

  if (attributes) {
    writer.Open("substitute", {{"id", "Feature"}});
    writer.Open("radio");
    writer.Open("group");
    WriteTerminated(writer, "100", "3A", [&] {
      writer.Empty("subst", {{"id", "CodeStringControl"}});
    });
    writer.Open("repeat");
    WriteAttributeGroup(writer);
    writer.Close("repeat");
    writer.Close("group");
    writer.Empty("subst", {{"id", "CodeStringControl"}});
    writer.Close("radio");
    writer.Close("substitute");
  }

  const std::string_view codes = attributes ? "Feature" : "CodeStringControl";
  writer.Open("substitute", {{"id", "FeatureCode"}});
  writer.Open("repeat");
  writer.Open("group", {{"id", featureGroupId}, {"RepeatedNode", "true"}, {"SkipWrong", "true"}});
  writer.Open("radio");
  WriteTerminated(writer, "500", delimiter, [&] { writer.Empty("subst", {{"id", codes}}); });
  writer.Empty("subst", {{"id", codes}});
  writer.Close("radio");
  if (spaceAbsorber) WriteSpaceAbsorber(writer);
  writer.Close("group");
  writer.Close("repeat");
  writer.Close("substitute");
}

void WriteIfFieldsSubstitute(DefinitionWriter& writer, std::string_view id,
                             std::string_view fieldsId) {
  writer.Open("substitute", {{"id", id}});
  writer.Open("if", {{"compare", "true"}, {"variable", "StrictFormat"}, {"value", "true"}});
  writer.Open("radio");
  writer.Empty("subst", {{"id", fieldsId}});
  WriteElement(writer, "ErrorLine");
  writer.Close("radio");
  writer.Close("if");
  writer.Open("if", {{"compare", "false"}, {"variable", "StrictFormat"}, {"value", "true"}});
  writer.Empty("subst", {{"id", fieldsId}});
  writer.Close("if");
  writer.Close("substitute");
}

void WriteSpaceAbsorber(DefinitionWriter& writer) {
  writer.Open("repeat", {{"writecount", "1"}});
  writer.HexLiteral("20", true);
  writer.Close("repeat");
}

void WriteFullCodesBlock(DefinitionWriter& writer) {
  writer.Open("optional");
  writer.Empty("subst", {{"id", "FeatureCode"}});
  writer.Close("optional");
}

void WriteDelimitedBlock(DefinitionWriter& writer, std::string_view maxWidth,
                         std::string_view delimiter, const std::function<void()>& content) {
  writer.Open("radio");
  WriteTerminated(writer, maxWidth, delimiter, content);
  writer.HexLiteral(delimiter);
  writer.Close("radio");
}

void WriteFieldBlock(DefinitionWriter& writer, std::string_view field, std::string_view type,
                     std::string_view maxWidth, std::string_view delimiter) {
  WriteDelimitedBlock(writer, maxWidth, delimiter, [&] {
    TagAttributes attributes{{"id", field}};
    if (!type.empty()) attributes.emplace_back("type", type);
    writer.Empty("element", attributes);
  });
}

void WriteLastFieldBlock(DefinitionWriter& writer, std::string_view field,
                         std::string_view maxWidth, std::string_view delimiter) {
  writer.Open("radio");
  writer.Open("terminated", {{"MaxWidth", maxWidth}});
  writer.Open("optional");
  WriteElement(writer, field);
  writer.Close("optional");
  writer.HexLiteral(delimiter, true);
  writer.Close("terminated");
  writer.Open("optional");
  WriteElement(writer, field);
  writer.Close("optional");
  writer.Close("radio");
}

}  // namespace compoundparser
