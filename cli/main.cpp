// The command-line tool: lists the formats, imports, exports, converts,
// checks definitions and generates new ones. Exit codes: 0 success, 1 a
// conversion or load failed, 2 wrong usage.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "data/LibraryVersion.h"

#ifndef COMPOUNDPARSER_VERSION
#define COMPOUNDPARSER_VERSION "unknown"
#endif

namespace {

constexpr char kExamples[] = R"(Examples:
  compoundparser formats
  compoundparser import -f "Comma Delimited Points" examples/points-comma.csv -o points.xml
  compoundparser import -f leica-gsi16 jobs/*.gsi -O xml/ -j 2
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
  compoundparser convert --to pnezd-comma jobs/*.rw5 -O csv/

FORMAT is a display name or id from 'compoundparser formats' (either case), or the path of a
definition file. COMPOUNDPARSER_APP_FOLDER names the folder of the bundled Formats folder.
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
  app.set_version_flag("--version", std::string("compoundparser ") + COMPOUNDPARSER_VERSION +
                                        " (library " + compoundparser::LibraryVersion() + ")");
  AddGlobalOptions(app, options, kAllGlobalOptions);

  const std::vector<Subcommand> commands = {
      AddFormatsCommand(app, options), AddImportCommand(app, options),
      AddExportCommand(app, options),  AddConvertCommand(app, options),
      AddCheckCommand(app, options),   AddGenerateCommand(app, options),
      AddExplainCommand(app, options), AddTraceCommand(app, options),
      AddDetectCommand(app, options),  AddPointsCommand(app, options)};
  // Each command's help shows the global options that apply to it, in a group
  // of their own; they may stand before or after the command.
  for (const Subcommand& command : commands) {
    const std::string name = command.app->get_name();
    const bool readsData = name == "import" || name == "export" || name == "convert" ||
                           name == "trace" || name == "detect" || name == "points";
    AddGlobalOptions(*command.app, options, readsData ? kAllGlobalOptions : kCatalogueOptions);
  }

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
