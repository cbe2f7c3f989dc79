// The trace subcommand: imports the first records of a data file and shows,
// for each, the byte ranges that its elements were read from and the values
// stored, and the bytes read between them (literals, delimiters, line ends),
// for people writing definitions. It watches the import through a
// document builder of its own; nothing is written.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "data/InstrumentData.h"
#include "engine/DocumentBuilder.h"
#include "engine/DumpText.h"

namespace compoundparser {
namespace cli {
namespace {

struct TraceArgs {
  std::string format;
  std::string input;
  int records = 5;
};

// Ends the import once enough records were shown.
struct TraceDone {};

// Records what import adds, with the file positions where it happens, and
// prints each record (an element below `data`) once it is complete.
class TracingBuilder : public DocumentBuilder {
 public:
  TracingBuilder(const TParserParam& param, const std::string& data, int records)
      : param_(param), data_(data), recordsLeft_(records) {}

  void OpenElement(std::string_view name, int /*indent*/) override {
    const uint32_t position = param_.file.Position();
    stack_.push_back({std::string(name), position, lines_.size(), std::string(), false, lastEnd_});
    if (stack_.size() > 1) stack_[stack_.size() - 2].hasChildren = true;
    // The fields of a record are placed after what the record starts with.
    if (stack_.size() == 1) lastEnd_ = std::max(lastEnd_, position);
  }

  void AppendText(std::string_view text) override {
    if (!stack_.empty() && text != "\r\n") stack_.back().text += std::string(text);
  }

  void AppendValue(std::string_view text, const TByteRange& source) override {
    if (stack_.empty()) return;
    stack_.back().text += std::string(text);
    stack_.back().source = source;
  }

  void CloseElement() override {
    if (stack_.empty()) return;
    Open element = std::move(stack_.back());
    stack_.pop_back();
    const uint32_t end = param_.file.Position();
    const std::string indent(stack_.size() * 2 + 2, ' ');
    if (!element.hasChildren) {
      // A field's element is opened after its bytes were read; the value
      // says where it came from.
      uint32_t start = std::max(element.position, lastEnd_);
      if (element.source.end > element.source.begin && element.source.begin >= lastEnd_) {
        start = element.source.begin;
      }
      if (start > end) start = end;
      std::string value;
      AppendQuoted(value, element.text);
      std::vector<std::string> shown;
      if (start > lastEnd_) shown.push_back(indent + NotStored(lastEnd_, start));
      shown.push_back(indent + element.name + " = " + value + "  " + Range(start, end));
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(element.firstLine), shown.begin(),
                    shown.end());
      lastEnd_ = end;
    } else {
      if (stack_.empty() && end > lastEnd_) lines_.push_back(indent + NotStored(lastEnd_, end));
      std::vector<std::string> shown;
      if (stack_.empty() && element.position > element.lastEndAtOpen) {
        shown.push_back(NotStored(element.lastEndAtOpen, element.position));
      }
      shown.push_back(
          indent.substr(2) +
          (stack_.empty() ? "record " + std::to_string(++shown_) + ": " : std::string()) +
          element.name + "  " + Range(element.position, end));
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(element.firstLine), shown.begin(),
                    shown.end());
      if (stack_.empty()) lastEnd_ = std::max(lastEnd_, end);
    }
    if (stack_.empty()) Flush();
  }

  void DropElement() override {
    if (stack_.empty()) return;
    lines_.resize(stack_.back().firstLine);
    lastEnd_ = stack_.back().lastEndAtOpen;
    stack_.pop_back();
  }

 private:
  struct Open {
    std::string name;
    uint32_t position;
    size_t firstLine;
    std::string text;
    bool hasChildren;
    uint32_t lastEndAtOpen;  // where the bytes shown so far ended
    TByteRange source{};     // the bytes of the value, when it has one
  };

  // Describes bytes read between the elements' own bytes: literals,
  // delimiters, line ends, skipped widths, or the source of a value that the
  // definition converts.
  std::string NotStored(uint32_t start, uint32_t end) const {
    std::string bytes;
    AppendQuoted(bytes, std::string_view(data_).substr(start, end - start));
    return "(between elements) " + bytes + "  " + Range(start, end);
  }

  std::string Range(uint32_t start, uint32_t end) const {
    const TTextPlace from = ParseObserver::Locate(data_, start);
    return "bytes " + std::to_string(start) + "-" + std::to_string(end) + " (line " +
           std::to_string(from.line) + ":" + std::to_string(from.column) + ")";
  }

  void Flush() {
    for (const std::string& line : lines_) std::cout << line << '\n';
    lines_.clear();
    if (--recordsLeft_ <= 0) throw TraceDone();
  }

  const TParserParam& param_;
  const std::string& data_;
  int recordsLeft_;
  int shown_ = 0;
  uint32_t lastEnd_ = 0;
  std::vector<Open> stack_;
  std::vector<std::string> lines_;
};

int RunTrace(const TraceArgs& args, const GlobalOptions& options) {
  options.ApplyFolders();
  ConsoleCallBack callBack(options);
  ChosenFormat chosen = ChooseFormat(args.format, callBack);
  if (chosen.definition == nullptr) {
    ReportFailure(args.format, "the format definition did not load");
    return kExitFailed;
  }
  if (args.records <= 0) throw UsageError("--records needs a number above 0");
  FormatDefinition& format = *chosen.definition;
  const std::string unreadable = UnreadableReason(args.input);
  if (!unreadable.empty()) {
    ReportFailure(args.input, "cannot read: " + unreadable);
    return kExitFailed;
  }
  const std::string data = ReadWholeFile(args.input);
  InstrumentData param(format, &callBack);
  options.ApplySets(param.vars);
  param.callBack = &callBack;
  TracingBuilder tracer(param, data, args.records);
  param.SetBuilder(&tracer);
  ParseObserver observer;
  if (format.RootParser() != nullptr) observer.Begin(*format.RootParser());
  param.observer = &observer;
  callBack.SetDataFile(args.input);
  bool complete = false;
  try {
    complete = format.ParseFile(args.input, param);
  } catch (const TraceDone&) {
    complete = true;
  }
  param.SetBuilder(nullptr);
  param.observer = nullptr;
  if (!complete) {
    if (observer.HasFailure()) {
      PrintImportDiagnosis(args.input, observer.Diagnose(data, format.FileName()), options.verbose);
    }
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace

Subcommand AddTraceCommand(CLI::App& app, const GlobalOptions& options) {
  auto args = std::make_shared<TraceArgs>();
  CLI::App* sub = app.add_subcommand(
      "trace", "Show which bytes of the first records each element was read from");
  sub->add_option("-f,--format", args->format,
                  "Display name of a format (see 'formats') or a definition file")
      ->required();
  sub->add_option("input", args->input, "The data file to read")->required();
  sub->add_option("--records", args->records, "How many records to show (default 5)");
  return {sub, [args, &options] { return RunTrace(*args, options); }};
}

}  // namespace cli
}  // namespace compoundparser
