// The generate subcommand: writes the definition of a user-made point, GPS
// vector or raw observation format from a list of fields, checks that it
// loads, and only then puts it in place.
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "custom/CustomFormat.h"
#include "custom/CustomVectorFormat.h"
#include "custom/TSRawCustomFormat.h"
#include "host/HostLib.h"

namespace compoundparser {
namespace cli {
namespace {

enum class Kind { kPoints, kVectors, kRaw };

struct GenerateArgs {
  std::string output;
  std::string name;
  std::string mask = "*.txt";
  std::string delimiter = ",";
  std::vector<std::string> fields;
  bool header = false;
  bool controlCodes = false;
  bool attributes = false;
  std::string latLon;
};

// Returns the delimiter as hex byte pairs: a word, one character, "\t", or
// hex pairs as they are; throws UsageError for anything else.
std::string DelimiterHex(const std::string& text) {
  static const std::map<std::string, std::string> kWords = {{"comma", "2C"},     {"tab", "09"},
                                                            {"\\t", "09"},       {"space", "20"},
                                                            {"semicolon", "3B"}, {"pipe", "7C"}};
  const auto word = kWords.find(text);
  if (word != kWords.end()) return word->second;
  char hex[3];
  if (text.size() == 1) {
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(text[0]));
    return hex;
  }
  bool pairs = !text.empty() && text.size() % 2 == 0;
  for (char c : text) pairs = pairs && std::isxdigit(static_cast<unsigned char>(c)) != 0;
  if (!pairs) {
    throw UsageError(
        "--delimiter takes one character, hex byte pairs (\"2C\") or a word "
        "(comma, tab, space, semicolon, pipe), got \"" +
        text + "\"");
  }
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Returns the index of a --latlon value, -1 when none was given.
int32_t LatLonIndex(const std::string& text) {
  static const char* const kNames[] = {"strict", "decdegree", "spacesep", "nosep"};
  if (text.empty()) return -1;
  for (int32_t i = 0; i < 4; ++i) {
    if (text == kNames[i]) return i;
  }
  throw UsageError("--latlon takes strict, decdegree, spacesep or nosep, got \"" + text + "\"");
}

// Returns the default place of a generated definition: the user's Formats folder.
std::string DefaultOutput(const std::string& name) {
  std::string base;
  for (char c : name) {
    base += (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_') ? c : '_';
  }
  const std::string folder = UserFolder("Formats");
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0777);
  }
  return folder + (base.empty() ? std::string("custom") : base) + ".xml";
}

int RunGenerate(Kind kind, const GenerateArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  const std::string delimiter = DelimiterHex(args.delimiter);
  const int32_t latLon = LatLonIndex(args.latLon);
  const std::string target = args.output.empty() ? DefaultOutput(args.name) : args.output;
  if (target == "-") throw UsageError("generate writes a definition file, not standard output");

  NamedOutputFile output(target);
  const std::string& path = output.TemporaryName();
  std::string error;
  bool written = false;
  switch (kind) {
    case Kind::kPoints: {
      CustomFormat format(path, args.name, args.mask, delimiter, latLon, args.header,
                          args.controlCodes, args.attributes, args.fields);
      written = format.IsWritten();
      error = format.GetError();
      break;
    }
    case Kind::kVectors: {
      CustomVectorFormat format(path, args.name, args.mask, delimiter, args.controlCodes,
                                args.attributes, args.fields);
      written = format.IsWritten();
      error = format.GetError();
      break;
    }
    case Kind::kRaw: {
      TSRawCustomFormat format(path, args.name, args.mask, delimiter, args.fields);
      written = format.IsWritten();
      error = format.GetError();
      break;
    }
  }
  if (!written) {
    ReportFailure(target, "the definition could not be written: " + error);
    return kExitFailed;
  }
  FormatDefinition check(path, &callBack);
  if (!check.Load()) {
    ReportFailure(target,
                  "the generated definition does not load (see the messages above); "
                  "nothing written");
    return kExitFailed;
  }
  if (!output.Commit(error)) {
    ReportFailure(target, error);
    return kExitFailed;
  }
  if (!options.quiet) {
    std::cout << "Wrote format \"" << args.name << "\" to " << target << '\n';
  }
  return kExitSuccess;
}

// Adds the options that all three generators share.
CLI::App* AddGenerator(CLI::App& parent, const char* name, const char* description,
                       GenerateArgs& args) {
  CLI::App* sub = parent.add_subcommand(name, description);
  sub->add_option("-n,--name", args.name, "Display name of the new format")->required();
  sub->add_option("--fields", args.fields, "Field names in file order, comma-separated")
      ->required()
      ->delimiter(',')
      ->allow_extra_args(false);
  sub->add_option("-d,--delimiter", args.delimiter,
                  "Field delimiter: one character, hex byte pairs (2C) or comma, tab, space, "
                  "semicolon, pipe")
      ->capture_default_str();
  sub->add_option("-m,--mask", args.mask, "File mask of the data files")->capture_default_str();
  sub->add_option("-o,--output", args.output,
                  "Definition file to write (default: <user folder>/Formats/<name>.xml)");
  return sub;
}

}  // namespace

Subcommand AddGenerateCommand(CLI::App& app, const GlobalOptions& options) {
  CLI::App* generate = app.add_subcommand(
      "generate", "Write the definition of a delimited format made from a list of fields");
  generate->require_subcommand(1);

  auto points = std::make_shared<GenerateArgs>();
  CLI::App* pointsApp =
      AddGenerator(*generate, "points", "A point format (PointNumber, Northing, ...)", *points);
  pointsApp->add_flag("--header", points->header, "The data file may start with a header line");
  pointsApp->add_flag("--control-codes", points->controlCodes,
                      "Codes of a last FullCodes field may carry control codes");
  pointsApp->add_flag("--attributes", points->attributes,
                      "Codes of a last FullCodes field may carry attributes");
  pointsApp->add_option("--latlon", points->latLon,
                        "Default form of latitudes and longitudes: strict, decdegree, spacesep, "
                        "nosep");

  auto vectors = std::make_shared<GenerateArgs>();
  CLI::App* vectorsApp =
      AddGenerator(*generate, "vectors", "A GPS vector format (DX, DY, DZ, ...)", *vectors);
  vectorsApp->add_flag("--control-codes", vectors->controlCodes,
                       "Codes of a last FullCodes field may carry control codes");
  vectorsApp->add_flag("--attributes", vectors->attributes,
                       "Codes of a last FullCodes field may carry attributes");

  auto raw = std::make_shared<GenerateArgs>();
  CLI::App* rawApp = AddGenerator(
      *generate, "raw", "A raw total-station observation format (HorizontalAngle, ...)", *raw);

  return {generate, [=, &options]() {
            if (pointsApp->parsed()) return RunGenerate(Kind::kPoints, *points, options);
            if (vectorsApp->parsed()) return RunGenerate(Kind::kVectors, *vectors, options);
            (void)rawApp;
            return RunGenerate(Kind::kRaw, *raw, options);
          }};
}

}  // namespace cli
}  // namespace compoundparser
