// The import subcommand: data files read through a format become instrument
// data documents, written to files, a folder or standard output.
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DefinitionFacts.h"
#include "cli/Detection.h"
#include "cli/FileArgs.h"
#include "cli/FilePool.h"
#include "data/InstrumentData.h"

namespace compoundparser {
namespace cli {
namespace {

struct ImportArgs {
  std::string format;
  FileArgs files;
};

// Imports one file. `named` is the format named on the command line for the
// calling worker (its own catalogue), or none: detect.
int ImportFile(const ImportArgs& args, const GlobalOptions& options, const FileTask& task,
               ChosenFormat& named, MessageSink& sink) {
  ConsoleCallBack callBack(options, sink);
  if (args.format.empty() && IsEmptyFile(task.input)) {
    ReportFailure(callBack, task.shown, kEmptyFile);
    return kExitFailed;
  }
  if (args.format.empty()) {
    named = ChooseDetectedFormat(task.input, options, callBack);
    CheckSets(options.sets, {named.definition});
  } else if (named.catalogue == nullptr) {
    named = ChooseFormat(args.format, callBack);
  }
  FormatDefinition* usable = UsableFormat(callBack, named, args.format, task.shown, true);
  if (usable == nullptr) return kExitFailed;

  RefuseSameFile(task.input, task.output);
  OutputFile output(task.output);
  if (!OutputIsWritable(callBack, output)) return kExitFailed;
  RecordTally tally;
  {
    InstrumentData data(*usable, &callBack);
    options.ApplySets(data.vars);
    if (!ImportStep(callBack, options, named, data, task, &output.File(), tally)) {
      return kExitFailed;
    }
  }
  const int code = CommitOutput(callBack, output, task.shown);
  if (code == kExitSuccess) ReportRead(callBack, options, *usable, task, tally);
  return code;
}

int RunImport(const ImportArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  StandardInputCopy standardInput;
  const std::vector<FileTask> tasks = PlanTasks(args.files, ".xml", true, standardInput);
  const unsigned threads = ThreadsFor(args.files, tasks.size());
  // The named format is checked once, before any file is read; each worker
  // then has a catalogue of its own.
  std::vector<ChosenFormat> perWorker(threads);
  if (!args.format.empty()) {
    ConsoleCallBack callBack(options);
    perWorker[0] = ChooseFormat(args.format, callBack);
    if (perWorker[0].definition != nullptr) CheckSets(options.sets, {perWorker[0].definition});
  }
  return RunFiles(tasks.size(), threads, [&](size_t index, unsigned worker, MessageSink& sink) {
    if (args.format.empty()) perWorker[worker] = ChosenFormat();
    return ImportFile(args, options, tasks[index], perWorker[worker], sink);
  });
}

}  // namespace

Subcommand AddImportCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ImportArgs>();
  CLI::App* sub = app.add_subcommand(
      "import", "Read instruments' data files into instrument data documents (XML)");
  sub->add_option("-f,--format", args->format,
                  "Display name or id of a format (see 'formats') or a definition file; none: "
                  "for each file the format of the catalogue that reads it best (see 'detect')");
  AddFileOptions(*sub, args->files, "The data files to read ('-': standard input)",
                 "The document to write; '-' or none: standard output (one input only)");
  return {sub, [args, &options] { return RunImport(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
