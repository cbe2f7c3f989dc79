// The subcommands of the tool. Each Add function registers its subcommand and
// its options on the application and returns the function that runs it once
// the command line is parsed; the options live as long as that function.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

#include "cli/ToolSupport.h"

namespace compoundparser {
namespace cli {

struct Subcommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

Subcommand AddFormatsCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddImportCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddExportCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddConvertCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddCheckCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddGenerateCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddExplainCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddTraceCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddDetectCommand(CLI::App& app, const GlobalOptions& options);
Subcommand AddPointsCommand(CLI::App& app, const GlobalOptions& options);

}  // namespace cli
}  // namespace compoundparser
