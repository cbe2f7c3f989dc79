// The convert subcommand: import through one format and export through
// another in one run, the document staying in memory between the two. Between
// them, a raw document gets its points computed for a point format, or is
// rewritten into the records of another raw format.
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DefinitionFacts.h"
#include "cli/Detection.h"
#include "cli/FileArgs.h"
#include "cli/FilePool.h"
#include "data/InstrumentData.h"
#include "survey/Conversion.h"

namespace compoundparser {
namespace cli {
namespace {

struct ConvertArgs {
  std::string from;
  std::string to;
  FileArgs files;
  bool noCompute = false;
};

// The formats of one worker: each has catalogues of its own.
struct ConvertFormats {
  ChosenFormat from;
  ChosenFormat to;
};

int ConvertFile(const ConvertArgs& args, const GlobalOptions& options, const FileTask& task,
                ConvertFormats& formats, MessageSink& sink) {
  ConsoleCallBack callBack(options, sink);
  if (formats.to.catalogue == nullptr) formats.to = ChooseFormat(args.to, callBack);
  if (args.from.empty()) {
    if (IsEmptyFile(task.input)) {
      ReportFailure(callBack, task.shown, kEmptyFile);
      return kExitFailed;
    }
    formats.from = ChooseDetectedFormat(task.input, options, callBack);
    CheckSets(options.sets, {formats.from.definition, formats.to.definition});
  } else if (formats.from.catalogue == nullptr) {
    formats.from = ChooseFormat(args.from, callBack);
  }
  FormatDefinition* const importer =
      UsableFormat(callBack, formats.from, args.from, task.shown, true);
  if (importer == nullptr) return kExitFailed;
  FormatDefinition* const exporter = UsableFormat(callBack, formats.to, args.to, task.shown, false);
  if (exporter == nullptr) return kExitFailed;

  RefuseSameFile(task.input, task.output);
  OutputFile output(task.output);
  if (!OutputIsWritable(callBack, output)) return kExitFailed;
  InstrumentData data(*importer, &callBack);
  options.ApplySets(data.vars);
  RecordTally tally;
  if (!ImportStep(callBack, options, formats.from, data, task, nullptr, tally)) {
    return kExitFailed;
  }
  std::string summary;
  ReportRead(callBack, options, *importer, task, tally, &summary);
  survey::ConversionOptions conversion;
  conversion.computePoints = !args.noCompute;
  const survey::ConversionReport prepared =
      survey::PrepareExport(data.GetDocument(), *importer, *exporter, conversion);
  for (const std::string& warning : prepared.warnings) {
    callBack.OnMessage(kKindWarning, task.shown + ": " + warning);
  }
  if (!prepared.summary.empty()) summary += "; " + prepared.summary;
  // The export runs with the variables of the target format.
  data.vars = exporter->Description().vars;
  options.ApplySets(data.vars);
  WriteCount count;
  if (!ExportStep(callBack, options, formats.to, data, task, output.File(), count)) {
    return kExitFailed;
  }
  const int code = CommitOutput(callBack, output, task.shown);
  if (code == kExitSuccess) ReportWritten(callBack, options, formats.to, task, count, &summary);
  return code;
}

int RunConvert(const ConvertArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack console(options);
  ConvertFormats first;
  first.to = ChooseFormat(args.to, console);
  if (!args.from.empty()) {
    first.from = ChooseFormat(args.from, console);
    CheckSets(options.sets, {first.from.definition, first.to.definition});
  }
  StandardInputCopy standardInput;
  const std::string extension =
      first.to.definition != nullptr ? ExtensionOf(*first.to.definition) : ".txt";
  const std::vector<FileTask> tasks = PlanTasks(args.files, extension, false, standardInput);
  const unsigned threads = ThreadsFor(args.files, tasks.size());
  std::vector<ConvertFormats> perWorker(threads);
  perWorker[0] = first;
  return RunFiles(tasks.size(), threads, [&](size_t index, unsigned worker, MessageSink& sink) {
    return ConvertFile(args, options, tasks[index], perWorker[worker], sink);
  });
}

}  // namespace

Subcommand AddConvertCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ConvertArgs>();
  CLI::App* sub =
      app.add_subcommand("convert", "Convert data files from one format to another in one run");
  sub->add_option("--from", args->from,
                  "Format of the inputs (display name, id or definition file); none: for each "
                  "file the format of the catalogue that reads it best (see 'detect')");
  sub->add_option("--to", args->to, "Format of the outputs (display name, id or definition file)")
      ->required();
  AddFileOptions(*sub, args->files, "The data files to read ('-': standard input)",
                 "The data file to write; '-': standard output (one input only)");
  sub->add_flag("--no-compute", args->noCompute,
                "Do not compute points from the observations of a raw file when the output "
                "format holds points");
  return {sub, [args, &options] { return RunConvert(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
