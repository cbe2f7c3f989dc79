// The check subcommand: loads definition files one by one, shows every message
// of the load, why a definition was refused (the line and the rule it broke)
// and its warnings, and, for a definition that loads, what it declares.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace compoundparser {
namespace cli {
namespace {

struct CheckArgs {
  std::vector<std::string> files;
};

const char* YesNo(bool value) { return value ? "yes" : "no"; }

// Returns the items joined by ", ", or "(none)"; an empty item shows as "\"\"".
template <typename Items>
std::string Joined(const Items& items) {
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty()) text += ", ";
    text += item.empty() ? std::string("\"\"") : item;
  }
  return text.empty() ? std::string("(none)") : text;
}

void PrintDefinition(const FormatDefinition& format) {
  std::vector<std::string> variables;
  for (const auto& entry : format.Description().vars.entries()) {
    variables.push_back(entry.first + "=" + entry.second);
  }
  std::vector<std::string> substitutes;
  for (const auto& entry : format.Substitutes()) substitutes.push_back(entry.first);
  std::cout << "  name:             " << format.Name() << '\n'
            << "  type:             " << format.Type() << '\n'
            << "  file mask:        " << format.FileMask() << '\n'
            << "  import:           " << YesNo(format.IsImport()) << '\n'
            << "  export:           " << YesNo(format.IsExport()) << '\n'
            << "  TS import:        " << YesNo(format.IsTotalStationImport()) << '\n'
            << "  TS export:        " << YesNo(format.IsTotalStationExport()) << '\n'
            << "  simple:           " << YesNo(format.IsSimple()) << '\n'
            << "  variables:        " << Joined(variables) << '\n'
            << "  substitutes:      " << Joined(substitutes) << '\n'
            << "  element ids:      " << Joined(format.ElementIds()) << '\n'
            << "  repeated groups:  " << Joined(format.RepeatedGroupIds()) << '\n';
}

int RunCheck(const CheckArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  callBack.SetShowDetails(true);
  std::vector<std::string> failed;
  for (const std::string& file : args.files) {
    FormatDefinition format(file, &callBack);
    const bool loaded = format.Load();
    std::cout << file << ": " << (loaded ? "loaded" : "NOT loaded") << '\n';
    // Why the tree builder refused it, and what it holds to no effect.
    for (const TDefinitionProblem& problem : format.Problems()) {
      std::cout << "  " << (problem.warning ? "warning: " : "") << problem.Text() << '\n';
    }
    if (loaded) {
      PrintDefinition(format);
    } else {
      failed.push_back(file);
    }
    std::cout.flush();
  }
  if (!failed.empty()) {
    ReportFailure(Joined(failed), failed.size() == 1 ? "the definition did not load"
                                                     : "these definitions did not load");
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace

Subcommand AddCheckCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<CheckArgs>();
  CLI::App* sub = app.add_subcommand(
      "check", "Load definition files and report every message and what each one declares");
  sub->add_option("definitions", args->files, "Definition files (XML) to check")->required();
  return {sub, [args, &options] { return RunCheck(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
