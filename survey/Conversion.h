// What a conversion does between its import and its export when the two
// formats hold different kinds of data: the points of a raw document are
// computed for a point format, and a raw document is rewritten into the
// records of another raw format.
#pragma once

#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "host/Xml.h"

namespace compoundparser {
namespace survey {

struct ConversionOptions {
  bool computePoints = true;  // false: a point format gets the document as it is
};

struct ConversionReport {
  enum class Step { kNone, kPoints, kRewrite };
  Step step = Step::kNone;
  // One line saying what was done ("computed 83 points from 84 observations
  // at 1 station"); empty for kNone.
  std::string summary;
  std::vector<std::string> warnings;
};

// Prepares `document`, imported through `source`, for export through `target`.
ConversionReport PrepareExport(const XmlDocument& document, const FormatDefinition& source,
                               const FormatDefinition& target, const ConversionOptions& options);

}  // namespace survey
}  // namespace compoundparser
