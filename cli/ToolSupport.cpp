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

constexpr uint64_t kProgressMinBytes = 1024 * 1024;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr unsigned long kImportStride = 4096;  // one call per composite node
constexpr unsigned long kExportStride = 256;   // one call per record written

// Removes the line ends that some messages carry.
std::string TrimLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

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

// Returns "m:ss" (or "h:mm:ss") for a number of seconds.
std::string Duration(double seconds) {
  if (seconds < 0 || seconds > 360000) return "--:--";
  const long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

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

ConsoleCallBack::~ConsoleCallBack() { EndProgress(); }

void ConsoleCallBack::HoldErrors() {
  holding_ = true;
  held_.clear();
  heldLast_.clear();
  heldOver_ = 0;
}

void ConsoleCallBack::ReleaseErrors(bool runFailed) {
  holding_ = false;
  const auto show = [&](std::pair<int, std::string>& message) {
    OnMessage(runFailed ? message.first : kKindDetail, std::move(message.second));
  };
  for (auto& message : held_) show(message);
  if (heldOver_ > 0) {
    OnMessage(runFailed ? kKindError : kKindDetail,
              "... " + std::to_string(heldOver_) + " more messages like these ...");
  }
  for (auto& message : heldLast_) show(message);
  held_.clear();
  heldLast_.clear();
  heldOver_ = 0;
}

void ConsoleCallBack::OnMessage(int kind, std::string text) {
  if (holding_ && !catalogueScan_ && (kind == kKindError || kind == kKindFileError)) {
    if (held_.size() < kHeldEach) {
      held_.emplace_back(kind, std::move(text));
      return;
    }
    heldLast_.emplace_back(kind, std::move(text));
    if (heldLast_.size() > kHeldEach) {
      heldLast_.pop_front();
      ++heldOver_;
    }
    return;
  }
  const char* prefix = nullptr;
  switch (kind) {
    case kKindWarning:
      if (!options_.quiet) prefix = "warning: ";
      break;
    case kKindError:
    case kKindFileError:
      if (catalogueScan_) {
        if (options_.verbose) prefix = "warning: ";
      } else {
        prefix = "error: ";
        ++errors_;
      }
      break;
    case kKindDetail:
      if (options_.verbose || showDetails_) prefix = "detail: ";
      break;
    default:
      if (options_.verbose || showDetails_) prefix = "note: ";
      break;
  }
  if (prefix == nullptr) return;
  if (kind != kKindError && kind != kKindFileError) {
    // The same warning for every record says nothing new after the first few.
    // Texts that differ each time (byte positions) are not tracked beyond a
    // bound, so that the table stays small on a long run.
    std::string key = std::string(prefix) + text;
    auto found = repeats_.find(key);
    if (found == repeats_.end() && repeats_.size() < kMaxTrackedTexts) {
      found = repeats_.emplace(key, Repeat{}).first;
    }
    if (found != repeats_.end() && ++found->second.count > kShownRepeats) {
      if (found->second.count == kShownRepeats + 1) repeatOrder_.push_back(std::move(key));
      return;
    }
  }
  if (!dataFile_.empty() &&
      (text.find("pos") != std::string::npos || text.find("Parsed only") != std::string::npos)) {
    text = WithLinePlaces(text, dataFile_);
  }
  ClearLine();
  std::fprintf(stderr, "%s%s\n", prefix, TrimLineEnd(std::move(text)).c_str());
  std::fflush(stderr);
}

void ConsoleCallBack::SetDataFile(const std::string& fileName) { dataFile_ = fileName; }

void ConsoleCallBack::OnProgress(unsigned long total, unsigned long current) {
  if (!progressOn_ || ++calls_ < nextCheck_) return;
  nextCheck_ = calls_ + stride_;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  Draw(total, current);
}

void ConsoleCallBack::BeginProgress(const std::string& label, uint64_t bytes, bool countsRecords) {
  EndProgress();
  progressOn_ = bytes > kProgressMinBytes && !options_.noProgress && !options_.quiet &&
                isatty(STDERR_FILENO) == 1;
  label_ = label;
  bytes_ = bytes;
  calls_ = 0;
  stride_ = countsRecords ? kExportStride : kImportStride;
  nextCheck_ = stride_;
  started_ = std::chrono::steady_clock::now();
  lastDraw_ = started_;
}

void ConsoleCallBack::EndProgress() {
  ClearLine();
  progressOn_ = false;
  for (const std::string& key : repeatOrder_) {
    const unsigned long more = repeats_[key].count - kShownRepeats;
    std::fprintf(stderr, "%s (%lu more time%s)\n", TrimLineEnd(key).c_str(), more,
                 more == 1 ? "" : "s");
  }
  if (!repeatOrder_.empty()) std::fflush(stderr);
  repeatOrder_.clear();
  repeats_.clear();
}

void ConsoleCallBack::Draw(unsigned long total, unsigned long current) {
  double fraction = total > 0 ? static_cast<double>(current) / static_cast<double>(total) : 0.0;
  if (fraction > 1.0) fraction = 1.0;
  const double done = fraction * static_cast<double>(bytes_);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const double rate = elapsed > 0 ? done / elapsed : 0.0;
  const double left = rate > 0 ? (static_cast<double>(bytes_) - done) / rate : -1.0;
  std::fprintf(stderr, "\r%s %3d%% %7.1f MB/s %s left\033[K", label_.c_str(),
               static_cast<int>(fraction * 100.0), rate / 1e6, Duration(left).c_str());
  std::fflush(stderr);
  lineDrawn_ = true;
}

void ConsoleCallBack::ClearLine() {
  if (!lineDrawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  lineDrawn_ = false;
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
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  temporary_ = folder + ".~" + base + "-" + std::to_string(static_cast<long>(getpid())) + "-" +
               std::to_string(counter.fetch_add(1)) + ".tmp";
}

std::string NamedOutputFile::Problem() const {
  struct stat info {};
  if (stat(target_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return "cannot write " + target_ + ": it is a folder";
  }
  const size_t slash = temporary_.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : temporary_.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    return "cannot write " + target_ + ": " + std::strerror(errno);
  }
  return std::string();
}

NamedOutputFile::~NamedOutputFile() {
  if (!committed_) std::remove(temporary_.c_str());
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

ChosenFormat ChooseFormat(const std::string& format, ConsoleCallBack& callBack) {
  ChosenFormat chosen;
  chosen.catalogue = std::make_shared<FormatList>(&callBack);
  if (IsRegularFile(format)) {
    chosen.definition = chosen.catalogue->AddFormat(format);
    return chosen;
  }
  callBack.SetCatalogueScan(true);
  chosen.catalogue->LoadFormats();
  callBack.SetCatalogueScan(false);
  chosen.definition = chosen.catalogue->FindFormat(format);
  if (chosen.definition == nullptr) {
    throw UsageError("no format named \"" + format +
                     "\" and no such definition file (list the formats with: compoundparser "
                     "formats)");
  }
  return chosen;
}

ChosenFormat ChooseDetectedFormat(const std::string& input, const GlobalOptions& options,
                                  ConsoleCallBack& callBack) {
  ChosenFormat chosen;
  chosen.catalogue = std::make_shared<FormatList>(&callBack);
  callBack.SetCatalogueScan(true);
  chosen.catalogue->LoadFormats();
  callBack.SetCatalogueScan(false);
  const std::vector<TDetectResult> results = DetectFormats(*chosen.catalogue, input, options.sets);
  const auto describe = [](const TDetectResult& result) {
    return "\"" + result.definition->Name() + "\"" +
           (result.complete ? " reads all of it (" + std::to_string(result.records) + " records, " +
                                  std::to_string(result.values) + " values)"
                            : " stops at line " + std::to_string(result.stop.line) + ":" +
                                  std::to_string(result.stop.column));
  };
  std::string candidates;
  std::string others;
  int complete = 0;
  for (const TDetectResult& result : results) {
    if (result.complete) ++complete;
    if (candidates.size() < 2000 && (result.complete || complete == 0)) {
      candidates += "\n  " + describe(result);
      if (result.complete && &result != &results.front()) others += "\n  " + describe(result);
    }
  }
  if (const TDetectResult* best = BestCompleteMatch(results)) {
    chosen.definition = best->definition;
    if (complete > 1 && !options.quiet) {
      std::fprintf(stderr,
                   "compoundparser: %s: read with \"%s\", the format that reads the most values "
                   "(%d); these read it too, with fewer:%s\n",
                   input.c_str(), best->definition->Name().c_str(), best->values, others.c_str());
      std::fflush(stderr);
    }
    return chosen;
  }
  throw UsageError(
      std::string(complete == 0 ? "no format reads all of " : "several formats read all of ") +
      input + (complete == 0 ? "" : " into as many values") +
      "; name one with -f. Candidates:" + candidates);
}

FormatDefinition* UsableFormat(const ChosenFormat& chosen, const std::string& formatArgument,
                               const std::string& input, bool forImport) {
  if (chosen.definition == nullptr) {
    ReportFailure(formatArgument, "the format definition did not load; no output written");
    return nullptr;
  }
  if (forImport ? !chosen.definition->IsImport() : !chosen.definition->IsExport()) {
    ReportFailure(input, "the format \"" + chosen.definition->Name() + "\" does not allow " +
                             (forImport ? "import" : "export"));
    return nullptr;
  }
  return chosen.definition;
}

void ReportFailure(const std::string& input, const std::string& what) {
  std::fprintf(stderr, "compoundparser: %s: %s\n", input.c_str(), what.c_str());
  std::fflush(stderr);
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

bool ExportIsWhole(const std::string& input, FormatDefinition& format, bool exported,
                   bool errorReported, const XmlDocument& document, TParserCallBack& callBack) {
  // A complete export removes every record it writes or passes over; records
  // left after an error were cut off by it. Without an error they are left on
  // purpose (a write limit), and the output is whole.
  int left = 0;
  if (exported && errorReported && document && document.DocumentElement()) {
    left = format.CountRepeatedGroup(document.DocumentElement(), callBack);
  }
  if (exported && left == 0) return true;
  ReportFailure(input,
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

}  // namespace cli
}  // namespace compoundparser
