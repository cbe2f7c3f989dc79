// The sections that the custom format generators (points, GPS vectors, raw
// total-station observations) write alike: the prolog, variables, the code
// substitutes, the strict-format switch and the delimited field blocks. Each
// function appends to a DefinitionWriter; nothing here owns anything.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "custom/DefinitionWriter.h"

namespace compoundparser {

// The values of the "LatLonFormat" variable, indexed by the generators'
// lat/lon format argument.
extern const std::vector<std::string_view> kLatLonFormats;

// Returns true when the process code page is Shift-JIS (code page 932).
bool IsShiftJisCodePage();

// Writes the XML declaration, the comment `comment` and the start tag of
// `format` with its `type`, `name` and `FileMask`.
void WriteProlog(DefinitionWriter& writer, std::string_view comment, std::string_view type,
                 std::string_view name, std::string_view fileMask);
// Writes a `variable` with its `value` children (`<value id=".." />` with
// `spaceBeforeSlash`).
void WriteVariable(DefinitionWriter& writer, std::string_view id, std::string_view defaultValue,
                   const std::vector<std::string_view>& values, bool spaceBeforeSlash = false);
// Writes a variable with default "false" and the values "false", "true".
void WriteBooleanVariable(DefinitionWriter& writer, std::string_view id);
// Writes the variable "Type" of the code attributes.
void WriteTypeVariable(DefinitionWriter& writer);

// Writes the substitutes "CodeStringControl", "Feature" (with `attributes`)
// and "FeatureCode", whose repeated group is `featureGroupId`; a space absorber
// ends that group with `spaceAbsorber`.
void WriteCodeSubstitutes(DefinitionWriter& writer, std::string_view delimiter, bool controlCodes,
                          bool attributes, std::string_view featureGroupId, bool spaceAbsorber);
// Writes the substitute `id` that runs the substitute `fieldsId` and, when
// the variable "StrictFormat" is "true", takes a line it cannot read as
// "ErrorLine".
void WriteIfFieldsSubstitute(DefinitionWriter& writer, std::string_view id,
                             std::string_view fieldsId);

// Writes the repetition that reads a run of spaces and writes none.
void WriteSpaceAbsorber(DefinitionWriter& writer);
// Writes the block of a field with codes: an optional "FeatureCode".
void WriteFullCodesBlock(DefinitionWriter& writer);
// Writes a `radio` of a `terminated` (`content`, then the delimiter) and the
// delimiter alone, which stands for an empty field.
void WriteDelimitedBlock(DefinitionWriter& writer, std::string_view maxWidth,
                         std::string_view delimiter, const std::function<void()>& content);
// Writes a delimited block whose content is the element `field`, with the
// attribute `type` unless `type` is empty.
void WriteFieldBlock(DefinitionWriter& writer, std::string_view field, std::string_view type,
                     std::string_view maxWidth, std::string_view delimiter);
// Writes the block of the field that ends a line: the field with a following
// delimiter (read only) or the field alone, both optional.
void WriteLastFieldBlock(DefinitionWriter& writer, std::string_view field,
                         std::string_view maxWidth, std::string_view delimiter);

}  // namespace compoundparser
