// The import subcommand: a data file read through a format becomes an
// instrument data document, written to a file or to standard output.
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "data/InstrumentData.h"

namespace compoundparser {
namespace cli {
namespace {

struct ImportArgs {
  std::string format;
  std::string input;
  std::string output = "-";
};

int RunImport(const ImportArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  if (args.format.empty() && IsEmptyFile(args.input)) {
    ReportFailure(args.input, kEmptyFile);
    return kExitFailed;
  }
  ChosenFormat chosen = args.format.empty() ? ChooseDetectedFormat(args.input, options, callBack)
                                            : ChooseFormat(args.format, callBack);
  FormatDefinition* usable = UsableFormat(chosen, args.format, args.input, true);
  if (usable == nullptr) return kExitFailed;
  FormatDefinition& format = *usable;

  RefuseSameFile(args.input, args.output);
  OutputFile output(args.output);
  if (!OutputIsWritable(output)) return kExitFailed;
  bool imported = false;
  std::string fileError;
  {
    InstrumentData data(format, &callBack);
    options.ApplySets(data.vars);
    ParseObserver observer;
    if (format.RootParser() != nullptr) observer.Begin(*format.RootParser());
    if (!options.noDiagnosis) data.observer = &observer;
    callBack.SetDataFile(args.input);
    callBack.BeginProgress("reading " + args.input, FileSize(args.input), false);
    callBack.HoldErrors();
    imported = data.ParseReadToFile(args.input, format, output.File());
    callBack.EndProgress();
    // A file that could not be written (a full disk) is the whole story: the
    // data is not to blame.
    if (!imported && data.HostErrorIsFileError()) fileError = data.GetHostError();
    callBack.ReleaseErrors(!imported && fileError.empty());
    data.observer = nullptr;
    if (!imported && fileError.empty()) {
      if (!data.GetHostError().empty()) callBack.OnMessage(kKindError, data.GetHostError());
      PrintImportDiagnosis(args.input, format, observer, options.verbose);
    }
  }
  if (!fileError.empty()) {
    ReportFailure(args.input, fileError + "; no output written");
    return kExitFailed;
  }
  if (!imported) {
    ReportFailure(args.input, IsEmptyFile(args.input) ? kEmptyFile
                                                      : "import with \"" + format.Name() +
                                                            "\" failed; no output written");
    return kExitFailed;
  }
  return CommitOutput(output, args.input);
}

}  // namespace

Subcommand AddImportCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ImportArgs>();
  CLI::App* sub = app.add_subcommand(
      "import", "Read an instrument's data file into an instrument data document (XML)");
  sub->add_option("-f,--format", args->format,
                  "Display name of a format (see 'formats') or a definition file; none: the "
                  "one format of the catalogue that reads the whole file (see 'detect')");
  sub->add_option("input", args->input, "The data file to read")->required();
  sub->add_option("-o,--output", args->output,
                  "The document to write; '-' or none: standard output");
  return {sub, [args, &options] { return RunImport(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
