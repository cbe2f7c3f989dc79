// Format detection: every import format of the catalogue tried on a data file,
// ranked by how well it read it (the detect command, and import, convert and
// points without a named format).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/ConsoleCallBack.h"
#include "cli/ToolSupport.h"
#include "definitions/FormatList.h"
#include "engine/ParseObserver.h"

namespace compoundparser {
namespace cli {

// How far one format got on a file.
struct TDetectResult {
  FormatDefinition* definition = nullptr;
  bool complete = false;
  uint32_t parsed = 0;  // bytes read (the furthest failure when incomplete)
  int records = 0;      // repeated groups in the document
  int values = 0;       // elements without child elements that hold text
  long catchAll = 0;    // records that fell into catch-all groups (complete only)
  TTextPlace stop;      // where the import stopped (incomplete only)
};

// Tries every import format of `catalogue` on `input`; returns them ranked:
// complete imports first, those that recognised every record before those
// that left records to catch-all groups, the one that splits the file into
// more values (a format that knows the layout reads fields where a loose one
// reads whole lines) before others, then by records; then the others by how
// far each got.
std::vector<TDetectResult> DetectFormats(const FormatList& catalogue, const std::string& input,
                                         const std::vector<std::string>& sets);
// Returns the first of the ranked results when it is complete and no other
// complete one ranks equal to it (as many catch-all records, as many values),
// or null.
const TDetectResult* BestCompleteMatch(const std::vector<TDetectResult>& ranked);

// Returns the one import format of the catalogue that reads all of `input`
// best; throws UsageError listing the candidates when there is none or a tie.
ChosenFormat ChooseDetectedFormat(const std::string& input, const GlobalOptions& options,
                                  ConsoleCallBack& callBack);

}  // namespace cli
}  // namespace compoundparser
