// What the tool shows when a run fails: the one diagnosis of the observer's
// best failure (file:line:column, the offending line with a caret, the
// definition node) and byte positions of messages as line:column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "definitions/FormatList.h"
#include "engine/ParseObserver.h"

namespace compoundparser {
namespace cli {

// Returns the whole content of a file ("" when it cannot be read).
std::string ReadWholeFile(const std::string& fileName);
// Returns why `fileName` cannot be read as a data file (missing, a folder, no
// permission), or "" when it can.
std::string UnreadableReason(const std::string& fileName);

// Returns the definition node of a failure as "FILE:LINE: PATH".
std::string DefinitionPlace(const FormatDefinition& definition, const Parser& node);

// Prints the diagnosis of a failed import of `input` on standard error; with
// `all`, every failure at the furthest position as well.
void PrintImportDiagnosis(const std::string& input, const FormatDefinition& definition,
                          const ParseObserver& observer, bool all);
// Returns the names of the records of an instrument data document: the
// elements below its root other than info, each once, in document order.
std::vector<std::string> RecordNames(const XmlDocument& document);
// Prints the diagnosis of a failed export: the element path and the node; or,
// when no node failed, which `records` the document held (taken before the
// export, which removes what it writes) and which the format writes.
void PrintExportDiagnosis(const std::string& input, const FormatDefinition& definition,
                          const ParseObserver& observer, bool all,
                          const std::vector<std::string>& records);

// Returns the place of byte `position` of the file `fileName`, found by reading
// the file in blocks (a window of a long line, as ParseObserver::Locate gives).
TTextPlace LocateInFile(const std::string& fileName, uint64_t position);

// Returns `message` with " (line L:C)" after each byte position it gives
// ("In 12 pos.", "in pos 1ah", "Parsed only 12 bytes"), counted in the file
// `dataFile`.
std::string WithLinePlaces(const std::string& message, const std::string& dataFile);

}  // namespace cli
}  // namespace compoundparser
