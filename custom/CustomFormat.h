// Generates the format definition of a user-made point format: the user's
// fields in file order, a delimiter and a few options become a complete
// definition file that the catalogue loads like any other. The constructor
// writes the file; the object keeps only the text and the outcome (see
// GeneratedDefinition: IsWritten, GetError, Save).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "custom/GeneratedDefinition.h"

namespace compoundparser {

class CustomFormat : public GeneratedDefinition {
 public:
  // Writes the definition to `path` (created or replaced). `delimiter` is in
  // hex byte pairs ("2C"); `latLonFormat` selects the default "LatLonFormat"
  // (0 "Strict", 1 "DecDegree", 2 "SpaceSep", 3 "NoSep"; negative: no such
  // variable; above 3: nothing is written and GetError says so). `header`
  // allows one header line; `controlCodes` and `attributes` extend the codes
  // of a last field "FullCodes". Name, mask and field names are written
  // unchanged, without XML escaping.
  CustomFormat(const std::string& path, const std::string& name, const std::string& fileMask,
               const std::string& delimiter, int32_t latLonFormat, bool header, bool controlCodes,
               bool attributes, const std::vector<std::string>& fields);
  CustomFormat(const CustomFormat& other) = default;
  CustomFormat& operator=(const CustomFormat& other) = default;
  ~CustomFormat() = default;
};

}  // namespace compoundparser
