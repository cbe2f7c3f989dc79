// The drivers of the fuzz targets, shared by the libFuzzer entry points and by
// the test that replays the saved findings. Each driver runs one input through
// the library and checks the invariants of its target; the files it writes go
// to a private folder of the process that it removes at exit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace compoundparser {
namespace fuzzing {

// Loads `input` as a format definition and, when it loads, imports a fixed
// small data file through it, saves, reloads and exports the document.
// Returns the broken invariant, or "" when every one held.
std::string RunDefinitionInput(std::string_view input);
// Imports `input` through each bundled definition, then saves the document,
// loads what was saved and exports it; also checks that the streaming import
// gives the same result and bytes.
std::string RunImportInput(std::string_view input);
// Loads `input` as an instrument data document and exports it through each
// bundled definition.
std::string RunExportInput(std::string_view input);
// Loads a simple definition (picked by the first byte), applies the edits that
// the rest of `input` spells, saves and reloads it.
std::string RunGroupsInput(std::string_view input);
// Imports `input` through each bundled definition; where the import succeeds,
// exports the document held in memory, and also saves it, loads what was saved
// and exports that: both exports must give the same bytes, and the bytes of
// the input for a format that promises a byte-for-byte round trip.
std::string RunRoundTripInput(std::string_view input);

// Tells whether the format of display name `name` promises that the export of
// an imported file gives back its bytes (kByteForByteFormats in the driver).
bool PromisesByteForByte(const std::string& name);

// Returns the bundled definitions: the repository's Formats/*.xml (sorted by
// file name), then the test points definition and a few generated ones.
std::vector<std::string> BundledDefinitionFiles();
// Returns the fixed data file that the definition target imports.
std::string DefinitionTargetDataFile();

}  // namespace fuzzing
}  // namespace compoundparser
