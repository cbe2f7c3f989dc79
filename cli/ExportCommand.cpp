// The export subcommand: an instrument data document written through a format
// into a data file.
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "data/InstrumentData.h"
#include "host/HostError.h"

namespace compoundparser {
namespace cli {
namespace {

struct ExportArgs {
  std::string format;
  std::string input;
  std::string output;
};

int RunExport(const ExportArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  ChosenFormat chosen = ChooseFormat(args.format, callBack);
  FormatDefinition* usable = UsableFormat(chosen, args.format, args.input, false);
  if (usable == nullptr) return kExitFailed;
  FormatDefinition& format = *usable;

  RefuseSameFile(args.input, args.output);
  OutputFile output(args.output);
  if (!OutputIsWritable(output)) return kExitFailed;
  {
    // The data file stays open in the object until it is destroyed.
    InstrumentData data(format, &callBack);
    options.ApplySets(data.vars);
    if (!data.LoadXml(args.input)) {
      const XmlParseError& error = data.GetDocument().ParseError();
      std::string why =
          error.reason.empty() ? "not a readable instrument data document" : error.reason;
      if (error.line > 0 && error.code == kXmlErrorParse) {
        why = "line " + std::to_string(error.line) + ":" + std::to_string(error.linePosition) +
              ": " + why;
      }
      ReportFailure(args.input, why + "; no output written");
      return kExitFailed;
    }
    ParseObserver observer;
    if (format.RootParser() != nullptr && !options.noDiagnosis) {
      observer.BeginExport(*format.RootParser(), data.GetDocument().DocumentElement());
    }
    if (!options.noDiagnosis) data.observer = &observer;
    const std::vector<std::string> records = RecordNames(data.GetDocument());
    const int errorsBefore = callBack.ErrorCount();
    callBack.BeginProgress("writing " + args.output, FileSize(args.input), true);
    const bool exported = data.ParseWrite(output.File(), format);
    callBack.EndProgress();
    data.observer = nullptr;
    if (!exported && data.HostErrorIsFileError()) {
      ReportFailure(args.input, data.GetHostError() + "; no output written");
      return kExitFailed;
    }
    if (!exported && !data.GetHostError().empty()) {
      callBack.OnMessage(kKindError, data.GetHostError());
    }
    const bool errorReported = !data.dataFits || callBack.ErrorCount() != errorsBefore;
    if (!exported || errorReported) {
      PrintExportDiagnosis(args.input, format, observer, options.verbose, records);
    }
    if (!ExportIsWhole(args.input, format, exported, errorReported, data.GetDocument(), callBack)) {
      return kExitFailed;
    }
  }
  return CommitOutput(output, args.input);
}

}  // namespace

Subcommand AddExportCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ExportArgs>();
  CLI::App* sub = app.add_subcommand(
      "export", "Write an instrument data document (XML) into an instrument's data file");
  sub->add_option("-f,--format", args->format,
                  "Display name of a format (see 'formats') or a definition file")
      ->required();
  sub->add_option("input", args->input, "The instrument data document to read")->required();
  sub->add_option("-o,--output", args->output, "The data file to write; '-': standard output")
      ->required();
  return {sub, [args, &options] { return RunExport(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
