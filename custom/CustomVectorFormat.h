// Generates the format definition of a user-made delimited format of GPS
// baseline vectors: one vector per line with the user's fields, optionally
// after a one-line project header. The constructor writes the file; the
// object keeps only the text and the outcome (see GeneratedDefinition).
#pragma once

#include <string>
#include <vector>

#include "custom/GeneratedDefinition.h"

namespace compoundparser {

class CustomVectorFormat : public GeneratedDefinition {
 public:
  // Writes the definition to `path` (created or replaced). `delimiter` is in
  // hex byte pairs; `controlCodes` and `attributes` extend the codes of a last
  // field "FullCodes". Name, mask and field names are written unchanged.
  CustomVectorFormat(const std::string& path, const std::string& name, const std::string& fileMask,
                     const std::string& delimiter, bool controlCodes, bool attributes,
                     const std::vector<std::string>& fields);
  CustomVectorFormat(const CustomVectorFormat& other) = default;
  CustomVectorFormat& operator=(const CustomVectorFormat& other) = default;
  ~CustomVectorFormat() = default;
};

}  // namespace compoundparser
