// The detect subcommand: tries every import format of the catalogue on a data
// file and ranks them: complete imports first (those that recognised every
// record, then those that read the file into more values, before others), then
// by how far each got.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Detection.h"
#include "cli/Diagnosis.h"

namespace compoundparser {
namespace cli {
namespace {

struct DetectArgs {
  std::string input;
};

int RunDetect(const DetectArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  const std::shared_ptr<FormatList> loaded = LoadCatalogue(callBack);
  const FormatList& catalogue = *loaded;
  const std::string unreadable = UnreadableReason(args.input);
  if (!unreadable.empty() || FileSize(args.input) == 0) {
    ReportFailure(args.input,
                  unreadable.empty() ? "the file is empty" : "cannot read: " + unreadable);
    return kExitFailed;
  }
  const std::vector<TDetectResult> results = DetectFormats(catalogue, args.input, options.sets);
  int complete = 0;
  for (const TDetectResult& result : results) {
    if (result.complete) {
      ++complete;
      std::printf("complete  %-32s %d records, %d values%s\n", result.definition->Name().c_str(),
                  result.records, result.values,
                  result.catchAll > 0
                      ? (", " + std::to_string(result.catchAll) + " not recognised").c_str()
                      : "");
    } else {
      std::printf("stopped   %-32s at line %d:%d (byte %u)\n", result.definition->Name().c_str(),
                  result.stop.line, result.stop.column, result.parsed);
    }
  }
  std::fflush(stdout);
  if (complete == 0) {
    ReportFailure(args.input, "no format reads all of it; the list shows where each one stopped");
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace

Subcommand AddDetectCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<DetectArgs>();
  CLI::App* sub = app.add_subcommand(
      "detect", "Try every import format on a data file and rank them by how well they read it");
  sub->add_option("input", args->input, "The data file to read")->required();
  return {sub, [args, &options] { return RunDetect(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
