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
std::string DefinitionPlace(const TDefinitionPlace& node);

// Prints the diagnosis of a failed import of `input` on standard error; with
// `all`, every failure at the furthest position as well.
void PrintImportDiagnosis(const std::string& input, const TDiagnosis& diagnosis, bool all);
// Returns the names of the records of an instrument data document: the
// elements below its root other than info, each once, in document order.
std::vector<std::string> RecordNames(const XmlDocument& document);
// Prints the diagnosis of a failed export: the element path and the node; or,
// when no node failed, which `records` the document held (taken before the
// export, which removes what it writes) and which the format writes.
void PrintExportDiagnosis(const std::string& input, const FormatDefinition& definition,
                          const TDiagnosis* diagnosis, bool all,
                          const std::vector<std::string>& records);

// Returns `message` with " (line L:C)" of the byte it names in the file
// `dataFile` after the words that name it; `message` itself when the byte
// lies past the end of the file.
std::string WithLinePlace(const std::string& message, const TMessagePlace& place,
                          const std::string& dataFile);

}  // namespace cli
}  // namespace compoundparser
