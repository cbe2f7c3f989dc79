// The points subcommand: the coordinates of a data file, computed from its
// observations where it holds them, as a comma point list with a header line.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/DefinitionFacts.h"
#include "cli/Detection.h"
#include "data/InstrumentData.h"
#include "survey/Coordinates.h"

namespace compoundparser {
namespace cli {
namespace {

// The bundled format that writes what this command prints.
constexpr char kPointListFormat[] = "PNEZD comma with header";

struct PointsArgs {
  std::string format;
  std::string input;
  std::string output = "-";
};

int RunPoints(const PointsArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  ChosenFormat chosen = args.format.empty() ? ChooseDetectedFormat(args.input, options, callBack)
                                            : ChooseFormat(args.format, callBack);
  FormatDefinition* usable = UsableFormat(chosen, args.format, args.input, true);
  if (usable == nullptr) return kExitFailed;
  FormatDefinition& format = *usable;

  CheckSets(options.sets, {usable});
  const std::shared_ptr<FormatList> writers = LoadCatalogue(callBack);
  FormatDefinition* writer = writers->FindFormat(kPointListFormat);
  if (writer == nullptr) {
    ReportFailure(args.input, std::string("the format \"") + kPointListFormat +
                                  "\" that writes the points is not in the catalogue; "
                                  "nothing was read");
    return kExitFailed;
  }

  RefuseSameFile(args.input, args.output);
  OutputFile output(args.output);
  if (!OutputIsWritable(output)) return kExitFailed;
  InstrumentData data(format, &callBack);
  options.ApplySets(data.vars);
  callBack.SetDataFile(args.input);
  callBack.BeginProgress("reading " + args.input, FileSize(args.input), false);
  callBack.HoldErrors();
  const bool imported = data.ParseRead(args.input, format);
  callBack.EndProgress();
  callBack.ReleaseErrors(!imported);
  if (!imported) {
    if (!data.GetHostError().empty()) callBack.OnMessage(kKindError, data.GetHostError());
    ReportFailure(args.input, "import with \"" + format.Name() + "\" failed; no output written");
    return kExitFailed;
  }
  const XmlDocument document = data.GetDocument();
  const survey::Survey survey =
      survey::ReadSurvey(document.DocumentElement(), survey::DefaultUnits(format.Description()));
  const survey::PointsResult points = survey::ComputePoints(survey);
  for (const std::string& note : survey.notes) {
    callBack.OnMessage(kKindWarning, args.input + ": " + note);
  }
  for (const std::string& warning : points.warnings) {
    callBack.OnMessage(kKindWarning, args.input + ": " + warning);
  }
  if (!options.quiet) {
    std::fprintf(stderr, "compoundparser: %s: %zu points: %s\n", args.input.c_str(),
                 points.points.size(), survey::PointsSummary(points).c_str());
    std::fflush(stderr);
  }
  survey::WritePoints(points, document.DocumentElement());
  data.vars = writer->Description().vars;
  const bool exported = data.ParseWrite(output.File(), *writer);
  if (!exported && data.HostErrorIsFileError()) {
    ReportFailure(args.input, data.GetHostError() + "; no output written");
    return kExitFailed;
  }
  if (!ExportIsWhole(callBack, args.input, *writer, exported, !data.dataFits, document)) {
    return kExitFailed;
  }
  return CommitOutput(output, args.input);
}

}  // namespace

Subcommand AddPointsCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<PointsArgs>();
  CLI::App* sub = app.add_subcommand(
      "points",
      "Print the coordinates of a data file, computed from its observations where it holds "
      "them, as a comma point list with a header line");
  sub->add_option("-f,--format", args->format,
                  "Display name of the file's format (see 'formats') or a definition file; "
                  "none: the one format of the catalogue that reads the whole file");
  sub->add_option("input", args->input, "The data file to read")->required();
  sub->add_option("-o,--output", args->output, "The file to write; '-' or none: standard output");
  return {sub, [args, &options] { return RunPoints(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
