#include "cli/ToolSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/Diagnosis.h"
#include "host/CodePage.h"
#include "host/DataFile.h"
#include "host/HostError.h"
#include "host/HostLib.h"

namespace compoundparser {
namespace cli {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Reads a size: digits, then optionally K, M or G (binary units, either case).
bool ParseSize(const std::string& text, uint64_t& bytes) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 15) return false;
  bytes = std::stoull(text.substr(0, digits));
  const std::string unit = text.substr(digits);
  int shift = 0;
  if (unit == "k" || unit == "K") {
    shift = 10;
  } else if (unit == "m" || unit == "M") {
    shift = 20;
  } else if (unit == "g" || unit == "G") {
    shift = 30;
  } else if (!unit.empty()) {
    return false;
  }
  bytes <<= shift;
  return true;
}

}  // namespace

void AddGlobalOptions(CLI::App& app, GlobalOptions& options, GlobalOptionSet which) {
  const std::string group = "Global options";
  app.add_option("--app-folder", options.appFolder,
                 "Folder whose Formats folder holds the bundled formats (default: "
                 "$COMPOUNDPARSER_APP_FOLDER, else the installed share/compoundparser)")
      ->group(group);
  app.add_option("--user-folder", options.userFolder,
                 "Folder whose Formats folder holds your own formats (default: "
                 "$XDG_DATA_HOME/compoundparser)")
      ->group(group);
  app.add_flag("-v,--verbose", options.verbose,
               "Show details of failed fields and alternatives, every failure at the place "
               "where an import stopped, and every record kind in the summary")
      ->group(group);
  app.add_flag("-q,--quiet", options.quiet, "Show errors only (no summary line, no warnings)")
      ->group(group);
  if (which == kCatalogueOptions) return;
  app.add_option("--set", options.sets,
                 "Set a variable of the run, NAME=VALUE, after the format's defaults "
                 "(repeatable; the name must be one the format declares)")
      ->allow_extra_args(false)
      ->group(group);
  app.add_option("--encoding", options.encoding,
                 "Code page of the data files, such as CP1252 or ISO-8859-1 (default: UTF-8, "
                 "else the format's single-byte code page)")
      ->group(group);
  app.add_option("--max-input", options.maxInput,
                 "Most bytes read from an input that is no regular file (a pipe, a device), "
                 "such as 500M or 2G (default: 4G, the largest file that can be read)")
      ->group(group);
  app.add_flag("--no-diagnosis", options.noDiagnosis,
               "Run imports and exports without watching for the place of a failure (no "
               "diagnosis when one fails)")
      ->group(group);
  app.add_flag("--no-progress", options.noProgress, "Never draw a progress bar")->group(group);
}

void GlobalOptions::ApplyFolders() const {
  if (!encoding.empty() && !SetCodePage(encoding)) {
    throw UsageError("unknown encoding \"" + encoding +
                     "\" (give a code page that iconv knows, such as CP1252 or ISO-8859-1)");
  }
  if (!maxInput.empty()) {
    uint64_t bytes = 0;
    if (!ParseSize(maxInput, bytes)) {
      throw UsageError("--max-input needs a size such as 500M or 2G, got \"" + maxInput + "\"");
    }
    SetInputLimit(bytes);
  }
  if (!appFolder.empty()) SetAppFolder(appFolder);
  if (!userFolder.empty()) SetUserFolder(userFolder);
}

void GlobalOptions::ApplySets(TVars& vars) const {
  for (const std::string& assignment : sets) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw UsageError("--set needs NAME=VALUE, got \"" + assignment + "\"");
    }
    vars.Assign(assignment.substr(0, equals), assignment.substr(equals + 1));
  }
}

OutputFile::OutputFile(const std::string& target) : target_(target) {
  int code = 0;
  if (IsStandardOutput()) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (!file_.OpenScratch(folder, code)) {
      problem_ = "cannot make a temporary file in " + folder + ": " + std::strerror(code);
    }
  } else if (!file_.Open(target, code)) {
    problem_ = "cannot write " + target +
               (code == EISDIR ? std::string(": it is a folder")
                               : ": " + std::string(std::strerror(code)));
  }
}

bool OutputFile::Commit(std::string& error) {
  try {
    if (IsStandardOutput()) {
      std::fflush(stdout);
      file_.CopyTo(STDOUT_FILENO);
    } else {
      file_.Commit();
    }
    return true;
  } catch (const FileError& e) {
    error = IsStandardOutput()
                ? std::string("cannot write to standard output: ") + std::strerror(e.SystemCode())
                : e.what();
    return false;
  }
}

NamedOutputFile::NamedOutputFile(const std::string& target) : target_(target) {
  // The name is unpredictable and made with O_EXCL, so that no one can place
  // a link there for the generator to write through.
  const size_t slash = target.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + ".~" + base + "-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd >= 0) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temporary_ = pattern;
  } else {
    createError_ = errno;
    temporary_ = folder + ".~" + base + "-unwritable";
  }
}

std::string NamedOutputFile::Problem() const {
  struct stat info {};
  if (stat(target_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return "cannot write " + target_ + ": it is a folder";
  }
  if (createError_ != 0) return "cannot write " + target_ + ": " + std::strerror(createError_);
  return std::string();
}

NamedOutputFile::~NamedOutputFile() {
  if (!committed_ && createError_ == 0) std::remove(temporary_.c_str());
}

bool NamedOutputFile::Commit(std::string& error) {
  struct stat info {};
  if (lstat(target_.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    chmod(temporary_.c_str(), info.st_mode & 07777);
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error = "cannot replace " + target_ + ": " + std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

void RefuseSameFile(const std::string& input, const std::string& output) {
  struct stat in {};
  struct stat out {};
  if (output == "-" || stat(input.c_str(), &in) != 0 || stat(output.c_str(), &out) != 0) return;
  if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
    throw UsageError("the output " + output + " is the input file " + input +
                     " (the run would replace it); name another output");
  }
}

std::shared_ptr<FormatList> LoadCatalogue(ConsoleCallBack& callBack) {
  static std::atomic<bool> reported{false};
  auto catalogue = std::make_shared<FormatList>();
  if (!reported.exchange(true)) {
    catalogue->SetParserCallBack(&callBack);
    callBack.SetCatalogueScan(true);
    catalogue->LoadFormats();
    callBack.SetCatalogueScan(false);
  } else {
    SilentCallBack silent;
    catalogue->SetParserCallBack(&silent);
    catalogue->LoadFormats();
  }
  catalogue->SetParserCallBack(nullptr);
  return catalogue;
}

ChosenFormat ChooseFormat(const std::string& format, ConsoleCallBack& callBack) {
  ChosenFormat chosen;
  if (IsRegularFile(format)) {
    chosen.catalogue = std::make_shared<FormatList>(&callBack);
    chosen.definition = chosen.catalogue->AddFormat(format);
    chosen.catalogue->SetParserCallBack(nullptr);
    return chosen;
  }
  chosen.catalogue = LoadCatalogue(callBack);
  chosen.definition = chosen.catalogue->FindFormatByNameOrId(format);
  if (chosen.definition == nullptr) {
    std::string hint;
    for (const std::string& name : chosen.catalogue->ClosestNames(format)) {
      hint += (hint.empty() ? "; did you mean \"" : ", \"") + name + "\"";
    }
    throw UsageError("no format named \"" + format + "\" and no such definition file" +
                     (hint.empty() ? std::string() : hint + "?") +
                     " (list the formats with: compoundparser formats)");
  }
  return chosen;
}

FormatDefinition* UsableFormat(ConsoleCallBack& callBack, const ChosenFormat& chosen,
                               const std::string& formatArgument, const std::string& input,
                               bool forImport) {
  if (chosen.definition == nullptr) {
    ReportFailure(callBack, formatArgument,
                  "the format definition did not load; no output written");
    return nullptr;
  }
  if (forImport ? !chosen.definition->IsImport() : !chosen.definition->IsExport()) {
    ReportFailure(callBack, input,
                  "the format \"" + chosen.definition->Name() + "\" does not allow " +
                      (forImport ? "import" : "export"));
    return nullptr;
  }
  return chosen.definition;
}

FormatDefinition* UsableFormat(const ChosenFormat& chosen, const std::string& formatArgument,
                               const std::string& input, bool forImport) {
  GlobalOptions options;
  ConsoleCallBack callBack(options);
  return UsableFormat(callBack, chosen, formatArgument, input, forImport);
}

void ReportFailure(const std::string& input, const std::string& what) {
  std::fprintf(stderr, "compoundparser: %s: %s\n", input.c_str(), what.c_str());
  std::fflush(stderr);
}

void ReportFailure(ConsoleCallBack& callBack, const std::string& input, const std::string& what) {
  callBack.Print("compoundparser: " + input + ": " + what);
}

bool IsEmptyFile(const std::string& fileName) {
  struct stat info {};
  return stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

uint64_t FileSize(const std::string& fileName) {
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

bool ExportIsWhole(ConsoleCallBack& callBack, const std::string& input, FormatDefinition& format,
                   bool exported, bool errorReported, const XmlDocument& document) {
  // A complete export removes every record it writes or passes over; records
  // left after an error were cut off by it. Without an error they are left on
  // purpose (a write limit), and the output is whole.
  int left = 0;
  if (exported && errorReported && document && document.DocumentElement()) {
    left = format.CountRepeatedGroup(document.DocumentElement(), callBack);
  }
  if (exported && left == 0) return true;
  ReportFailure(callBack, input,
                "export with \"" + format.Name() + "\" " +
                    (left > 0 ? "stopped with " + std::to_string(left) + " records not written"
                              : std::string("failed")) +
                    "; no output written");
  return false;
}

bool OutputIsWritable(const PendingOutput& output) {
  const std::string problem = output.Problem();
  if (problem.empty()) return true;
  std::fprintf(stderr, "compoundparser: %s; nothing was read\n", problem.c_str());
  std::fflush(stderr);
  return false;
}

int CommitOutput(PendingOutput& output, const std::string& input) {
  std::string error;
  if (output.Commit(error)) return kExitSuccess;
  ReportFailure(input, error);
  return kExitFailed;
}

bool OutputIsWritable(ConsoleCallBack& callBack, const PendingOutput& output) {
  const std::string problem = output.Problem();
  if (problem.empty()) return true;
  callBack.Print("compoundparser: " + problem + "; nothing was read");
  return false;
}

int CommitOutput(ConsoleCallBack& callBack, PendingOutput& output, const std::string& input) {
  std::string error;
  if (output.Commit(error)) return kExitSuccess;
  ReportFailure(callBack, input, error);
  return kExitFailed;
}

}  // namespace cli
}  // namespace compoundparser
