// The command-line tool: lists the formats, imports, exports, converts,
// checks definitions and generates new ones. Exit codes: 0 success, 1 a
// conversion or load failed, 2 wrong usage.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"

#ifndef COMPOUNDPARSER_VERSION
#define COMPOUNDPARSER_VERSION "unknown"
#endif

namespace {

constexpr char kExamples[] = R"(Examples:
  compoundparser formats
  compoundparser import -f "Comma Delimited Points" examples/points-comma.csv -o points.xml
  compoundparser export -f "Tab Delimited Points" points.xml -o points.txt
  compoundparser convert --from "Comma Delimited Points" --to "Space Delimited Points" \
      examples/points-comma.csv -o points.txt
  compoundparser generate points -n "My Points" -d ";" \
      --fields PointNumber,Easting,Northing,OrthoHeight -o my-points.xml
  compoundparser import -f my-points.xml data.txt --set StrictFormat=true -v
  compoundparser check my-points.xml
  compoundparser explain "Comma Delimited Points"
  compoundparser trace -f "Comma Delimited Points" examples/points-comma.csv --records 2
  compoundparser detect examples/points-comma.csv
  compoundparser points -f "Leica GSI-16" job.gsi
  compoundparser convert --from "Carlson RW5" --to "PNEZD comma" job.rw5 -o points.csv

FORMAT is a display name from 'compoundparser formats' or the path of a definition file.
Exit codes: 0 success, 1 conversion or load failed, 2 wrong usage.)";

}  // namespace

int main(int argc, char** argv) {
  using namespace compoundparser::cli;
  GlobalOptions options;
  CLI::App app{
      "compoundparser: converts surveying instruments' data files to and from "
      "instrument data documents (XML), driven by format definitions"};
  app.name("compoundparser");
  app.require_subcommand(1);
  app.fallthrough();
  app.footer(kExamples);
  app.set_version_flag("--version", std::string("compoundparser ") + COMPOUNDPARSER_VERSION);
  app.add_option("--app-folder", options.appFolder,
                 "Folder whose Formats folder holds the bundled formats (default: the "
                 "installed share/compoundparser)");
  app.add_option("--user-folder", options.userFolder,
                 "Folder whose Formats folder holds your own formats (default: "
                 "$XDG_DATA_HOME/compoundparser)");
  app.add_option("--set", options.sets,
                 "Set a variable of the run, NAME=VALUE, after the format's defaults "
                 "(repeatable)")
      ->allow_extra_args(false);
  app.add_option("--encoding", options.encoding,
                 "Code page of the data files, such as CP1252 or ISO-8859-1 (default: the "
                 "locale's)");
  app.add_option("--max-input", options.maxInput,
                 "Most bytes read from an input that is no regular file (a pipe, a device), "
                 "such as 500M or 2G (default: 4G, the largest file that can be read)");
  app.add_flag("-v,--verbose", options.verbose,
               "Show details of failed fields and alternatives, and every failure at the "
               "place where an import stopped");
  app.add_flag("-q,--quiet", options.quiet, "Show errors only");
  app.add_flag("--no-diagnosis", options.noDiagnosis,
               "Run imports and exports without watching for the place of a failure (no "
               "diagnosis when one fails)");
  app.add_flag("--no-progress", options.noProgress, "Never draw a progress bar");

  const std::vector<Subcommand> commands = {
      AddFormatsCommand(app, options), AddImportCommand(app, options),
      AddExportCommand(app, options),  AddConvertCommand(app, options),
      AddCheckCommand(app, options),   AddGenerateCommand(app, options),
      AddExplainCommand(app, options), AddTraceCommand(app, options),
      AddDetectCommand(app, options),  AddPointsCommand(app, options)};

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  try {
    for (const Subcommand& command : commands) {
      if (command.app->parsed()) return command.run();
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "compoundparser: %s\n", e.what());
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "compoundparser: unexpected failure: %s\n", e.what());
    return kExitFailed;
  }
  return kExitUsage;
}
