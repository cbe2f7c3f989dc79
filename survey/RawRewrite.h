// The raw-to-raw step of a conversion: a document read from one raw format is
// rewritten into the records, element names and units that another bundled
// raw format writes, so that its export holds every observation the target
// can express. What the target cannot hold is dropped with one warning per
// element naming it and the count.
#pragma once

#include <string>
#include <vector>

#include "host/Xml.h"
#include "survey/Survey.h"

namespace compoundparser {
namespace survey {

// The bundled raw formats that a document can be rewritten for.
enum class RawLayout { kNone, kGsi16, kGsi8, kSdr33, kNikon, kRw5, kGts7 };

// Returns the layout of a bundled raw format by its display name ("Leica
// GSI-16"...), kNone for any other format.
RawLayout RawLayoutOf(const std::string& formatName);

struct RewriteReport {
  size_t shots = 0;    // shots written
  size_t records = 0;  // records written
  std::vector<std::string> warnings;
};

// Replaces the records below `data` (an imported document; `info` stays) by
// those that `layout` writes for the same survey. `units` are the source
// format's default units.
RewriteReport RewriteForLayout(const XmlNode& data, RawLayout layout, const ReadOptions& units);

}  // namespace survey
}  // namespace compoundparser
