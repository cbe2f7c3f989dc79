// The export subcommand: instrument data documents written through a format
// into data files.
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DefinitionFacts.h"
#include "cli/FileArgs.h"
#include "cli/FilePool.h"
#include "data/InstrumentData.h"
#include "host/HostError.h"

namespace compoundparser {
namespace cli {
namespace {

struct ExportArgs {
  std::string format;
  FileArgs files;
};

int ExportFile(const ExportArgs& args, const GlobalOptions& options, const FileTask& task,
               ChosenFormat& chosen, MessageSink& sink) {
  ConsoleCallBack callBack(options, sink);
  if (chosen.catalogue == nullptr) chosen = ChooseFormat(args.format, callBack);
  FormatDefinition* usable = UsableFormat(callBack, chosen, args.format, task.shown, false);
  if (usable == nullptr) return kExitFailed;

  RefuseSameFile(task.input, task.output);
  OutputFile output(task.output);
  if (!OutputIsWritable(callBack, output)) return kExitFailed;
  // The data file stays open in the object until it is destroyed.
  InstrumentData data(*usable, &callBack);
  options.ApplySets(data.vars);
  if (!data.LoadXml(task.input)) {
    const XmlParseError& error = data.GetDocument().ParseError();
    std::string why =
        error.reason.empty() ? "not a readable instrument data document" : error.reason;
    if (error.line > 0 && error.code == kXmlErrorParse) {
      why = "line " + std::to_string(error.line) + ":" + std::to_string(error.linePosition) + ": " +
            why;
    }
    ReportFailure(callBack, task.shown, why + "; no output written");
    return kExitFailed;
  }
  WriteCount count;
  if (!ExportStep(callBack, options, chosen, data, task, output.File(), count)) {
    return kExitFailed;
  }
  const int code = CommitOutput(callBack, output, task.shown);
  if (code == kExitSuccess) ReportWritten(callBack, options, chosen, task, count);
  return code;
}

int RunExport(const ExportArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack console(options);
  ChosenFormat first = ChooseFormat(args.format, console);
  if (first.definition != nullptr) CheckSets(options.sets, {first.definition});
  StandardInputCopy standardInput;
  const std::string extension =
      first.definition != nullptr ? ExtensionOf(*first.definition) : ".txt";
  const std::vector<FileTask> tasks = PlanTasks(args.files, extension, false, standardInput);
  const unsigned threads = ThreadsFor(args.files, tasks.size());
  std::vector<ChosenFormat> perWorker(threads);
  perWorker[0] = first;
  return RunFiles(tasks.size(), threads, [&](size_t index, unsigned worker, MessageSink& sink) {
    return ExportFile(args, options, tasks[index], perWorker[worker], sink);
  });
}

}  // namespace

Subcommand AddExportCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ExportArgs>();
  CLI::App* sub = app.add_subcommand(
      "export", "Write instrument data documents (XML) into instruments' data files");
  sub->add_option("-f,--format", args->format,
                  "Display name or id of a format (see 'formats') or a definition file")
      ->required();
  AddFileOptions(*sub, args->files, "The instrument data documents to read ('-': standard input)",
                 "The data file to write; '-': standard output (one input only)");
  return {sub, [args, &options] { return RunExport(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
