#include "cli/ConsoleCallBack.h"

#include <unistd.h>

#include <cstdio>

#include "cli/Diagnosis.h"
#include "cli/ToolSupport.h"

namespace compoundparser {
namespace cli {
namespace {

constexpr uint64_t kProgressMinBytes = 1024 * 1024;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr unsigned long kImportStride = 4096;  // one call per composite node
constexpr unsigned long kExportStride = 256;   // one call per record written

// The start of the catalogue's warning about a definition that did not load.
constexpr char kCannotLoad[] = "Could not load format definition from: ";

// Removes the line ends that some messages carry.
std::string TrimLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
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

void MessageSink::Write(std::string text) {
  if (hold_) {
    held_.emplace_back(std::move(text), nullptr);
    return;
  }
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

void MessageSink::Later(std::function<void()> print) {
  if (hold_) {
    held_.emplace_back(std::string(), std::move(print));
    return;
  }
  print();
  std::fflush(stderr);
}

void MessageSink::Flush() {
  for (auto& [text, print] : held_) {
    if (print) {
      print();
    } else {
      std::fputs(text.c_str(), stderr);
    }
  }
  if (!held_.empty()) std::fflush(stderr);
  held_.clear();
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
  const auto show = [&](Held& message) {
    if (!runFailed) message.kind = kKindDetail;
    Show(std::move(message));
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
  Show(Held{kind, std::move(text), false, TMessagePlace{}});
}

void ConsoleCallBack::OnMessageAt(int kind, std::string text, const TMessagePlace& place) {
  Show(Held{kind, std::move(text), true, place});
}

void ConsoleCallBack::Show(Held message) {
  const int kind = message.kind;
  std::string& text = message.text;
  if (holding_ && !catalogueScan_ && (kind == kKindError || kind == kKindFileError)) {
    if (held_.size() < kHeldEach) {
      held_.push_back(std::move(message));
      return;
    }
    heldLast_.push_back(std::move(message));
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
      // A definition that did not load: the first reason its load gave.
      if (catalogueScan_ && !scanReason_.empty() && text.rfind(kCannotLoad, 0) == 0) {
        text = TrimLineEnd(std::move(text)) + " (" + TrimLineEnd(scanReason_) + ")";
      }
      scanReason_.clear();
      break;
    case kKindError:
    case kKindFileError:
      if (catalogueScan_) {
        if (scanReason_.empty()) scanReason_ = text;
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
  if (message.placed && !dataFile_.empty()) text = WithLinePlace(text, message.place, dataFile_);
  ClearLine();
  if (kind == kKindWarning) ++warnings_;
  Emit(prefix + TrimLineEnd(std::move(text)) + "\n");
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
                isatty(STDERR_FILENO) == 1 && (sink_ == nullptr || !sink_->Holds());
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
    Emit(TrimLineEnd(key) + " (" + std::to_string(more) + " more time" + (more == 1 ? "" : "s") +
         ")\n");
  }
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

void ConsoleCallBack::Emit(const std::string& text) {
  ClearLine();
  if (sink_ != nullptr) {
    sink_->Write(text);
  } else {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
  }
}

void ConsoleCallBack::Print(std::string line) {
  if (line.empty() || line.back() != '\n') line += '\n';
  Emit(line);
}

}  // namespace cli
}  // namespace compoundparser
