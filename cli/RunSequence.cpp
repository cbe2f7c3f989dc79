#include "cli/RunSequence.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include "cli/DefinitionFacts.h"
#include "cli/Diagnosis.h"
#include "engine/ParseObserver.h"
#include "engine/TParserCallBack.h"

namespace compoundparser {
namespace cli {
namespace {

// Runs `print` in its place among the messages of the callback.
void Later(ConsoleCallBack& callBack, std::function<void()> print) {
  if (callBack.Sink() != nullptr) {
    callBack.Sink()->Later(std::move(print));
  } else {
    print();
  }
}

std::string Plural(long count, const std::string& word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// Returns the first line of a file with its line end (at most 64 KiB).
std::string FirstLine(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::string line;
  char c = 0;
  while (line.size() < 65536 && in.get(c)) {
    line += c;
    if (c == '\n') break;
  }
  return line;
}

// Tells whether `line` (a header line that `format` took) would read as a
// record of its own: a file of that line twice, imported, holds a record
// other than the header.
bool HeaderReadsAsRecord(const GlobalOptions& options, FormatDefinition& format,
                         const std::string& line) {
  if (line.empty()) return false;
  const char* tmp = std::getenv("TMPDIR");
  std::string name =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/compoundparser-header-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  std::string twice = line;
  if (twice.back() != '\n') twice += "\r\n";
  twice += line;
  const bool written = write(fd, twice.data(), twice.size()) == static_cast<ssize_t>(twice.size());
  close(fd);
  bool record = false;
  if (written) {
    SilentCallBack silent;
    InstrumentData trial(format, &silent);
    try {
      options.ApplySets(trial.vars);
    } catch (const UsageError&) {
    }
    RecordTally tally;
    trial.tally = &tally;
    record = trial.ParseRead(name, format) && tally.catchAll == 0 &&
             tally.records - tally.Count("Header") > 0;
    trial.tally = nullptr;
  }
  unlink(name.c_str());
  return record;
}

}  // namespace

std::string KindList(const RecordTally& tally, size_t most) {
  std::string out;
  size_t shown = 0;
  for (const auto& [kind, count] : tally.kinds) {
    if (count <= 0) continue;
    if (shown == most) {
      out += ", ...";
      break;
    }
    out += (shown++ == 0 ? "" : ", ") + kind + " " + std::to_string(count);
  }
  return out;
}

long CountLines(const std::string& fileName) {
  const int fd = open(fileName.c_str(), O_RDONLY);
  if (fd < 0) return 0;
  long lines = 0;
  char last = '\n';
  char block[65536];
  ssize_t got = 0;
  while ((got = read(fd, block, sizeof block)) > 0) {
    lines += static_cast<long>(std::count(block, block + got, '\n'));
    last = block[got - 1];
  }
  close(fd);
  return last == '\n' ? lines : lines + 1;
}

bool ImportStep(ConsoleCallBack& callBack, const GlobalOptions& options, const ChosenFormat& chosen,
                InstrumentData& data, const FileTask& task, AtomicFile* toFile,
                RecordTally& tally) {
  FormatDefinition& format = *chosen.definition;
  data.SetDiagnosis(!options.noDiagnosis);
  data.tally = &tally;
  callBack.SetDataFile(task.input);
  callBack.BeginProgress("reading " + task.shown, FileSize(task.input), false);
  callBack.HoldErrors();
  const bool imported = toFile != nullptr ? data.ParseReadToFile(task.input, format, *toFile)
                                          : data.ParseRead(task.input, format);
  callBack.EndProgress();
  data.tally = nullptr;
  // A file that could not be written (a full disk) is the whole story: the
  // data is not to blame.
  std::string fileError;
  if (!imported && data.HostErrorIsFileError()) fileError = data.GetHostError();
  callBack.ReleaseErrors(!imported && fileError.empty());
  if (imported) return true;
  if (!fileError.empty()) {
    ReportFailure(callBack, task.shown, fileError + "; no output written");
    return false;
  }
  if (!data.GetHostError().empty()) callBack.OnMessage(kKindError, data.GetHostError());
  if (const TDiagnosis* found = data.GetDiagnosis()) {
    const auto diagnosis = std::make_shared<const TDiagnosis>(*found);
    const std::string input = task.input;
    const bool verbose = options.verbose;
    Later(callBack,
          [diagnosis, input, verbose] { PrintImportDiagnosis(input, *diagnosis, verbose); });
  }
  ReportFailure(callBack, task.shown,
                IsEmptyFile(task.input)
                    ? kEmptyFile
                    : "import with \"" + format.Name() + "\" failed; no output written");
  return false;
}

void ReportRead(ConsoleCallBack& callBack, const GlobalOptions& options,
                const FormatDefinition& format, const FileTask& task, const RecordTally& tally,
                std::string* summary) {
  if (options.quiet) return;
  std::string line = "read " + Plural(tally.records, "record");
  if (tally.records > 0) line += " (" + KindList(tally, options.verbose ? 1000 : 6) + ")";
  line += " with \"" + format.Name() + "\"";
  if (tally.hasHeader) line += "; header line \"" + tally.headerText + "\"";
  if (tally.catchAll > 0) line += "; " + std::to_string(tally.catchAll) + " not recognised";
  if (summary != nullptr) {
    *summary += line;
  } else {
    callBack.Print("compoundparser: " + task.shown + ": " + line);
  }
  if (tally.catchAll > 0) {
    std::string first;
    if (tally.catchAllPlaceKnown) {
      first = ", first at line " +
              std::to_string(LocateInFile(task.input, tally.firstCatchAllByte).line);
    }
    callBack.OnMessage(kKindWarning, task.shown + ": " + std::to_string(tally.catchAll) + " of " +
                                         Plural(CountLines(task.input), "line") +
                                         (tally.catchAll == 1 ? " was" : " were") +
                                         " not recognised" + first +
                                         " (kept verbatim; is this the right format?)");
  }
  if (tally.hasHeader) {
    FormatDefinition& definition = const_cast<FormatDefinition&>(format);
    const std::string line1 = FirstLine(task.input);
    if (HeaderReadsAsRecord(options, definition, line1)) {
      callBack.OnMessage(kKindWarning,
                         task.shown + ": the header line \"" + tally.headerText +
                             "\" would also read as a record; if it holds data, that record "
                             "is not in the output");
    }
  }
}

bool ExportStep(ConsoleCallBack& callBack, const GlobalOptions& options, const ChosenFormat& chosen,
                InstrumentData& data, const FileTask& task, AtomicFile& toFile, WriteCount& count) {
  FormatDefinition& format = *chosen.definition;
  const XmlDocument document = data.GetDocument();
  const XmlNode root = document ? document.DocumentElement() : XmlNode();
  count.before = TallyDocument(root);
  // The observer gives the diagnosis (through the library) and the elements
  // that records lacked.
  auto observer = std::make_shared<ParseObserver>();
  if (!options.noDiagnosis) data.observer = observer.get();
  const std::vector<std::string> records = RecordNames(document);
  const int errorsBefore = callBack.ErrorCount();
  callBack.BeginProgress("writing " + task.output, FileSize(task.input), true);
  const bool exported = data.ParseWrite(toFile, format);
  callBack.EndProgress();
  data.observer = nullptr;
  count.left = TallyDocument(root);
  count.written = exported ? data.writtenCount : 0;
  if (!exported && data.HostErrorIsFileError()) {
    ReportFailure(callBack, task.shown, data.GetHostError() + "; no output written");
    return false;
  }
  if (!exported && !data.GetHostError().empty()) {
    callBack.OnMessage(kKindError, data.GetHostError());
  }
  const bool errorReported = !data.dataFits || callBack.ErrorCount() != errorsBefore;
  if ((!exported || errorReported) && !options.noDiagnosis) {
    const std::shared_ptr<FormatList> keep = chosen.catalogue;
    const FormatDefinition* definition = &format;
    const std::string shown = task.shown;
    const bool verbose = options.verbose;
    const TDiagnosis* found = data.GetDiagnosis();
    const auto diagnosis = found != nullptr ? std::make_shared<const TDiagnosis>(*found) : nullptr;
    Later(callBack, [keep, definition, shown, diagnosis, verbose, records, document] {
      PrintExportDiagnosis(shown, *definition, diagnosis.get(), verbose, records);
    });
  }
  // Why records were passed over: the elements that the format looked for
  // and the document lacked.
  for (const TParseFailure& failure : observer->Furthest()) {
    if (failure.kind == FailureKind::kElementMissing && !failure.expected.empty() &&
        std::find(count.missing.begin(), count.missing.end(), failure.expected) ==
            count.missing.end()) {
      count.missing.push_back(failure.expected);
    }
  }
  return ExportIsWhole(callBack, task.shown, format, exported, errorReported, document);
}

void ReportWritten(ConsoleCallBack& callBack, const GlobalOptions& options,
                   const ChosenFormat& target, const FileTask& task, const WriteCount& count,
                   std::string* summary) {
  const FormatDefinition& format = *target.definition;
  const long given = count.before.records;
  const long left = count.left.records;
  const long passedOver = std::max(0L, given - left - count.written);
  if (!options.quiet) {
    RecordTally gone;  // the kinds that left the document (written or passed over)
    for (const auto& [kind, before] : count.before.kinds) {
      const long after = count.left.Count(kind);
      if (before > after) gone.kinds.emplace_back(kind, before - after);
    }
    std::string line = "wrote " + Plural(count.written, "record");
    if (count.written > 0 && passedOver == 0) {
      line += " (" + KindList(gone, options.verbose ? 1000 : 6) + ")";
    }
    line += " with \"" + format.Name() + "\" to " +
            (task.output == "-" ? std::string("standard output") : task.output);
    if (count.before.catchAll > 0) {
      line += "; " + std::to_string(count.before.catchAll) + " of them kept verbatim";
    }
    if (summary != nullptr) {
      *summary += (summary->empty() ? "" : "; ") + line;
      callBack.Print("compoundparser: " + task.shown + ": " + *summary);
    } else {
      callBack.Print("compoundparser: " + task.shown + ": " + line);
    }
  }
  if (left == 0 && passedOver == 0) return;
  // A group that the format writes once (a header) stays in the document.
  const DefinitionFacts facts = ReadDefinitionFacts(format.FileName());
  const std::set<std::string>& writes = format.RepeatedGroupIds();
  std::string why;
  long lost = passedOver;
  for (const auto& [kind, number] : count.left.kinds) {
    const std::string group = kind.substr(0, kind.find('/'));
    if (writes.count(group) == 0 && facts.groups.count(group) != 0) continue;
    lost += number;
    why += (why.empty() ? "" : ", ") + std::to_string(number) + " " + kind +
           (writes.count(group) == 0 ? " (\"" + format.Name() + "\" does not write " + group + ")"
                                     : std::string(" (left by the export)"));
  }
  if (lost == 0) return;
  if (passedOver > 0) {
    // The kinds that left the document; which of them were written is not
    // known, but a kind whose group the format does not know was not.
    RecordTally gone;
    std::set<std::string> unknown;
    for (const auto& [kind, before] : count.before.kinds) {
      const long after = count.left.Count(kind);
      if (before <= after) continue;
      gone.kinds.emplace_back(kind, before - after);
      const std::string group = kind.substr(0, kind.find('/'));
      if (writes.count(group) == 0 && facts.groups.count(group) == 0) unknown.insert(group);
    }
    std::string reason;
    if (!unknown.empty()) {
      for (const std::string& group : unknown) reason += (reason.empty() ? "" : ", ") + group;
      reason = "\"" + format.Name() + "\" does not write " + reason;
    } else {
      reason = "a value that the format needs is missing";
      for (size_t i = 0; i < count.missing.size() && i < 4; ++i) {
        reason += (i == 0 ? ": it looked for " : ", ") + count.missing[i];
      }
    }
    why += (why.empty() ? "" : ", ") + std::to_string(passedOver) + " passed over among " +
           KindList(gone, options.verbose ? 1000 : 4) + " (" + reason + ")";
  }
  callBack.OnMessage(kKindWarning, task.shown + ": " + std::to_string(lost) + " of " +
                                       Plural(given, "record") + " not written: " + why);
}

}  // namespace cli
}  // namespace compoundparser
