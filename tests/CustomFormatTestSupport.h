// Helpers shared by the tests of the custom format generators: a scratch
// folder, file reading and writing, a callback that records messages, and
// the load and import/export round trip of a generated definition.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "engine/TParserCallBack.h"

namespace compoundparser {
namespace customtest {

// A fresh folder below the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("cp_custom_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Returns the full name of `name` inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Returns the names of the files in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string CustomTestFile(const std::string& name) {
  return std::string(CP_TEST_DATA_DIR) + "/custom/" + name;
}

// Returns how often `needle` occurs in `text`.
inline size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// Records every message; progress reports are ignored.
class RecordingCallBack : public TParserCallBack {
 public:
  void OnMessage(int kind, std::string text) override {
    messages.emplace_back(kind, std::move(text));
  }
  void OnProgress(unsigned long, unsigned long) override {}

  bool Has(const std::string& text) const {
    for (const auto& message : messages) {
      if (message.second == text) return true;
    }
    return false;
  }
  std::string All() const {
    std::string all;
    for (const auto& message : messages) {
      all += std::to_string(message.first) + ": " + message.second + "\n";
    }
    return all;
  }

  std::vector<std::pair<int, std::string>> messages;
};

// Loads the definition in `fileName`; messages go to `callBack`.
inline bool LoadsAsDefinition(const std::string& fileName, RecordingCallBack& callBack) {
  FormatDefinition definition(fileName, &callBack);
  return definition.Load();
}

// The outcome of importing a data file and exporting the result again.
struct RoundTrip {
  bool loaded = false;
  bool imported = false;
  bool exported = false;
  std::string document;  // the imported document as XML text
  std::string output;
  std::string messages;
};

// Imports `data` through the definition in `definitionFile` and exports the
// imported document into a second file of `dir`.
inline RoundTrip ImportAndExport(const std::string& definitionFile, const std::string& data,
                                 const ScratchDir& dir) {
  RoundTrip result;
  RecordingCallBack callBack;
  FormatDefinition definition(definitionFile, &callBack);
  result.loaded = definition.Load();
  if (result.loaded) {
    const std::string input = dir.File("input.dat");
    const std::string output = dir.File("output.dat");
    WriteBytes(input, data);
    {
      // The runs keep their files open until the object is gone.
      InstrumentData instrumentData(definition, &callBack);
      result.imported = instrumentData.ParseRead(input, definition);
      result.document = instrumentData.GetDocument().SaveToString();
      if (result.imported) result.exported = instrumentData.ParseWrite(output, definition);
    }
    result.output = ReadBytes(output);
  }
  result.messages = callBack.All();
  return result;
}

}  // namespace customtest
}  // namespace compoundparser
