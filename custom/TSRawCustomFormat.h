// Generates the format definition of a user-made delimited format of raw
// total-station observations: one observation per line with the user's
// fields. The constructor writes the file; the object keeps only the text and
// the outcome (see GeneratedDefinition).
#pragma once

#include <string>
#include <vector>

#include "custom/GeneratedDefinition.h"

namespace compoundparser {

class TSRawCustomFormat : public GeneratedDefinition {
 public:
  // Writes the definition to `path` (created or replaced). `delimiter` is in
  // hex byte pairs. Name, mask and field names are written unchanged.
  TSRawCustomFormat(const std::string& path, const std::string& name, const std::string& fileMask,
                    const std::string& delimiter, const std::vector<std::string>& fields);
  TSRawCustomFormat(const TSRawCustomFormat& other) = default;
  TSRawCustomFormat& operator=(const TSRawCustomFormat& other) = default;
  ~TSRawCustomFormat() = default;
};

}  // namespace compoundparser
