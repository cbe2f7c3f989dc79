#include "cli/FileArgs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "cli/FilePool.h"
#include "host/DataFile.h"

namespace compoundparser {
namespace cli {

void AddFileOptions(CLI::App& sub, FileArgs& files, const std::string& inputHelp,
                    const std::string& outputHelp) {
  sub.add_option("inputs", files.inputs, inputHelp)->required();
  auto* output = sub.add_option("-o,--output", files.output, outputHelp);
  auto* folder =
      sub.add_option("-O,--output-folder", files.outputFolder,
                     "Write each output into this folder, named after its input with the "
                     "extension of the output format");
  output->excludes(folder);
  sub.add_option("-j,--jobs", files.jobs,
                 "Files converted at the same time, one per thread (default: the number of "
                 "cores); output and messages are the same for any number")
      ->check(CLI::Range(1u, 1024u));
}

StandardInputCopy::~StandardInputCopy() {
  if (!name_.empty()) unlink(name_.c_str());
}

const std::string& StandardInputCopy::Take(uint64_t limit) {
  if (!name_.empty()) return name_;
  const char* tmp = std::getenv("TMPDIR");
  std::string name =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/compoundparser-stdin-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    throw UsageError("cannot copy standard input to a temporary file: " +
                     std::string(std::strerror(errno)));
  }
  name_ = name;
  char block[65536];
  uint64_t total = 0;
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, block, sizeof block);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      close(fd);
      throw UsageError("cannot read standard input: " + std::string(std::strerror(errno)));
    }
    total += static_cast<uint64_t>(got);
    if (total > limit) {
      close(fd);
      throw UsageError("standard input holds more than " + std::to_string(limit) +
                       " bytes (raise the limit with --max-input)");
    }
    if (write(fd, block, static_cast<size_t>(got)) != got) {
      const int code = errno;
      close(fd);
      throw UsageError("cannot copy standard input to a temporary file: " +
                       std::string(std::strerror(code)));
    }
  }
  close(fd);
  return name_;
}

std::string ExtensionOf(const FormatDefinition& format) {
  const std::string mask = format.FileMask();
  const size_t end = mask.find_first_of(";, ");
  const std::string first = mask.substr(0, end);
  const size_t dot = first.rfind('.');
  if (dot == std::string::npos) return ".txt";
  const std::string extension = first.substr(dot);
  if (extension.size() < 2 || extension.find_first_of("*?[") != std::string::npos) return ".txt";
  std::string lower = extension;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

std::vector<FileTask> PlanTasks(const FileArgs& files, const std::string& extension,
                                bool standardOutputByDefault, StandardInputCopy& standardInput) {
  const size_t count = files.inputs.size();
  if (count > 1 && !files.output.empty() && files.output != "-") {
    throw UsageError("several inputs need an output folder (-O DIR), not one output file (-o)");
  }
  if (count > 1 && files.outputFolder.empty()) {
    throw UsageError("several inputs need an output folder: add -O DIR");
  }
  if (files.output.empty() && files.outputFolder.empty() && !standardOutputByDefault) {
    throw UsageError("name the output with -o FILE ('-' for standard output) or -O DIR");
  }
  if (!files.outputFolder.empty()) {
    struct stat info {};
    if (stat(files.outputFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      throw UsageError("the output folder " + files.outputFolder + " is not a folder");
    }
  }
  std::vector<FileTask> tasks;
  std::set<std::string> outputs;
  bool standardInputUsed = false;
  for (const std::string& input : files.inputs) {
    FileTask task;
    task.shown = input;
    task.input = input;
    if (input == "-") {
      if (standardInputUsed) throw UsageError("standard input ('-') can be read only once");
      standardInputUsed = true;
      task.shown = "standard input";
      task.input = standardInput.Take(InputLimit());
    }
    if (!files.outputFolder.empty()) {
      std::string base = input == "-" ? std::string("stdin") : input;
      base = base.substr(base.find_last_of('/') + 1);
      const size_t dot = base.rfind('.');
      if (dot != std::string::npos && dot > 0) base.resize(dot);
      std::string folder = files.outputFolder;
      if (folder.back() != '/') folder += '/';
      task.output = folder + base + extension;
      if (!outputs.insert(task.output).second) {
        throw UsageError("two inputs would both be written to " + task.output +
                         "; convert them in separate runs");
      }
    } else {
      task.output = files.output.empty() ? "-" : files.output;
    }
    tasks.push_back(std::move(task));
  }
  return tasks;
}

unsigned ThreadsFor(const FileArgs& files, size_t tasks) {
  const unsigned wanted = files.jobs == 0 ? DefaultThreads() : files.jobs;
  return tasks < wanted ? static_cast<unsigned>(tasks == 0 ? 1 : tasks) : wanted;
}

}  // namespace cli
}  // namespace compoundparser
