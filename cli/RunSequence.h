// The run sequence of import, export and convert, written once: each step
// attaches the observer, draws the progress, holds the engine's errors until
// the outcome is known, prints the diagnosis of a failure and the one summary
// line of what was read or written. Everything a step prints goes through the
// callback's sink, so that a file run on a worker thread reports in order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/ConsoleCallBack.h"
#include "cli/ToolSupport.h"
#include "data/InstrumentData.h"
#include "data/RecordTally.h"

namespace compoundparser {
namespace cli {

// One file of a command and where its result goes.
struct FileTask {
  std::string input;   // the file read ("-": standard input, already copied)
  std::string shown;   // the name that messages give it
  std::string output;  // the file written ("-": standard output)
};

// What an export wrote and what it left, by record kind.
struct WriteCount {
  RecordTally before;  // the records of the document before the export
  RecordTally left;    // the records left after it (neither written nor passed over)
  long written = 0;    // the records written
  // The elements that records passed over lacked (as far as known).
  std::vector<std::string> missing;
};

// Imports `task.input` through `chosen` into `data`: into `toFile` as an
// instrument data document when given, else into the document in memory.
// Counts what it read into `tally`. On failure reports why (the engine's
// errors, the diagnosis, the one failure line) and returns false.
bool ImportStep(ConsoleCallBack& callBack, const GlobalOptions& options, const ChosenFormat& chosen,
                InstrumentData& data, const FileTask& task, AtomicFile* toFile, RecordTally& tally);
// Prints the summary of an import: the records read per kind, the header
// line taken, the records that no rule recognised (also as a warning, with
// the first line's number), unless -q.
// With `summary`, the line is appended there instead of printed (a conversion
// prints what it read and wrote in one line).
void ReportRead(ConsoleCallBack& callBack, const GlobalOptions& options,
                const FormatDefinition& format, const FileTask& task, const RecordTally& tally,
                std::string* summary = nullptr);

// Exports the document of `data` through `chosen` into `toFile`. Counts what it
// wrote into `count`. On failure (also an export cut short by an error)
// reports why and returns false.
bool ExportStep(ConsoleCallBack& callBack, const GlobalOptions& options, const ChosenFormat& chosen,
                InstrumentData& data, const FileTask& task, AtomicFile& toFile, WriteCount& count);
// Prints the summary of an export: the records written per kind, and for
// records left unwritten how many and why (the group that the target does not
// write, the element that they lack), unless -q; records left unwritten are
// also a warning.
// With `summary`, prints it followed by what was written, in one line.
void ReportWritten(ConsoleCallBack& callBack, const GlobalOptions& options,
                   const ChosenFormat& target, const FileTask& task, const WriteCount& count,
                   std::string* summary = nullptr);

// Returns the records of `tally` as "Record/Observation 200, Record/Station 3";
// at most `most` kinds, then how many more.
std::string KindList(const RecordTally& tally, size_t most);
// Returns the number of lines of a file (a last line without line end counted).
long CountLines(const std::string& fileName);

}  // namespace cli
}  // namespace compoundparser
