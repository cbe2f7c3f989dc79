// The convert subcommand: import through one format and export through
// another in one run, the document staying in memory between the two. Between
// them, a raw document gets its points computed for a point format, or is
// rewritten into the records of another raw format.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "data/InstrumentData.h"
#include "survey/Conversion.h"

namespace compoundparser {
namespace cli {
namespace {

struct ConvertArgs {
  std::string from;
  std::string to;
  std::string input;
  std::string output;
  bool noCompute = false;
};

int RunConvert(const ConvertArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  ChosenFormat from = ChooseFormat(args.from, callBack);
  ChosenFormat to = ChooseFormat(args.to, callBack);
  FormatDefinition* const importer = UsableFormat(from, args.from, args.input, true);
  if (importer == nullptr) return kExitFailed;
  FormatDefinition* const exporter = UsableFormat(to, args.to, args.input, false);
  if (exporter == nullptr) return kExitFailed;
  FormatDefinition& source = *importer;
  FormatDefinition& target = *exporter;

  RefuseSameFile(args.input, args.output);
  OutputFile output(args.output);
  if (!OutputIsWritable(output)) return kExitFailed;
  const uint64_t size = FileSize(args.input);
  {
    InstrumentData data(source, &callBack);
    options.ApplySets(data.vars);
    callBack.BeginProgress("reading " + args.input, size, false);
    callBack.HoldErrors();
    const bool imported = data.ParseRead(args.input, source);
    callBack.EndProgress();
    if (!imported && data.HostErrorIsFileError()) {
      callBack.ReleaseErrors(false);
      ReportFailure(args.input, data.GetHostError() + "; no output written");
      return kExitFailed;
    }
    callBack.ReleaseErrors(!imported);
    if (!imported) {
      if (!data.GetHostError().empty()) callBack.OnMessage(kKindError, data.GetHostError());
      ReportFailure(args.input, IsEmptyFile(args.input) ? kEmptyFile
                                                        : "import with \"" + source.Name() +
                                                              "\" failed; no output written");
      return kExitFailed;
    }
    survey::ConversionOptions conversion;
    conversion.computePoints = !args.noCompute;
    const survey::ConversionReport prepared =
        survey::PrepareExport(data.GetDocument(), source, target, conversion);
    for (const std::string& warning : prepared.warnings) {
      callBack.OnMessage(kKindWarning, args.input + ": " + warning);
    }
    if (!prepared.summary.empty() && !options.quiet) {
      std::fprintf(stderr, "compoundparser: %s: %s\n", args.input.c_str(),
                   prepared.summary.c_str());
      std::fflush(stderr);
    }
    // The export runs with the variables of the target format.
    data.vars = target.Description().vars;
    options.ApplySets(data.vars);
    const int errorsBefore = callBack.ErrorCount();
    callBack.BeginProgress("writing " + args.output, size, true);
    const bool exported = data.ParseWrite(output.File(), target);
    callBack.EndProgress();
    if (!exported && data.HostErrorIsFileError()) {
      ReportFailure(args.input, data.GetHostError() + "; no output written");
      return kExitFailed;
    }
    if (!ExportIsWhole(args.input, target, exported,
                       !data.dataFits || callBack.ErrorCount() != errorsBefore, data.GetDocument(),
                       callBack)) {
      return kExitFailed;
    }
  }
  return CommitOutput(output, args.input);
}

}  // namespace

Subcommand AddConvertCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<ConvertArgs>();
  CLI::App* sub =
      app.add_subcommand("convert", "Convert a data file from one format to another in one run");
  sub->add_option("--from", args->from, "Format of the input (display name or definition file)")
      ->required();
  sub->add_option("--to", args->to, "Format of the output (display name or definition file)")
      ->required();
  sub->add_option("input", args->input, "The data file to read")->required();
  sub->add_option("-o,--output", args->output, "The data file to write; '-': standard output")
      ->required();
  sub->add_flag("--no-compute", args->noCompute,
                "Do not compute points from the observations of a raw file when the output "
                "format holds points");
  return {sub, [args, &options] { return RunConvert(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
