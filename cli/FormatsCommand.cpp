// The formats subcommand: the catalogue of both Formats folders as a table or
// as JSON.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "host/HostLib.h"

namespace compoundparser {
namespace cli {
namespace {

struct FormatsArgs {
  bool json = false;
};

const char* YesNo(bool value) { return value ? "yes" : "no"; }

// Prints rows as columns separated by two spaces, the first row as the header.
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    std::cout << line << '\n';
  }
}

int RunFormats(const FormatsArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  const std::shared_ptr<FormatList> loaded = LoadCatalogue(callBack);
  const FormatList& catalogue = *loaded;

  if (args.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < catalogue.NumFormats(); ++i) {
      const FormatDefinition& format = *catalogue.GetFormat(i);
      list.push_back({{"position", i},
                      {"name", format.Name()},
                      {"id", FormatList::IdOf(format.FileName())},
                      {"type", format.Type()},
                      {"import", format.IsImport()},
                      {"export", format.IsExport()},
                      {"totalStationImport", format.IsTotalStationImport()},
                      {"totalStationExport", format.IsTotalStationExport()},
                      {"fileMask", format.FileMask()},
                      {"file", format.FileName()}});
    }
    // Names come from definition files: bytes that are not UTF-8 are replaced.
    std::cout << list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return kExitSuccess;
  }

  if (catalogue.NumFormats() == 0) {
    std::cout << "No formats found in " << AppFolder() << "Formats/ or " << UserFolder("")
              << "Formats/ (set COMPOUNDPARSER_APP_FOLDER or --app-folder to the folder that "
                 "holds the bundled Formats folder)\n";
    return kExitSuccess;
  }
  std::vector<std::vector<std::string>> rows;
  rows.push_back(
      {"#", "Name", "Id", "Type", "Import", "Export", "TS import", "TS export", "Mask", "File"});
  for (int i = 0; i < catalogue.NumFormats(); ++i) {
    const FormatDefinition& format = *catalogue.GetFormat(i);
    rows.push_back({std::to_string(i), format.Name(), FormatList::IdOf(format.FileName()),
                    format.Type(), YesNo(format.IsImport()), YesNo(format.IsExport()),
                    YesNo(format.IsTotalStationImport()), YesNo(format.IsTotalStationExport()),
                    format.FileMask(), format.FileName()});
  }
  PrintTable(rows);
  return kExitSuccess;
}

}  // namespace

Subcommand AddFormatsCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<FormatsArgs>();
  CLI::App* sub = app.add_subcommand(
      "formats", "List the formats of the application's and the user's Formats folders");
  sub->add_flag("--json", args->json, "Print a JSON array instead of a table");
  return {sub, [args, &options] { return RunFormats(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
