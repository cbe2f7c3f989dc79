// Helpers shared by the tests that work with files and texts: whole-file
// reads and writes, a fresh folder per test that is removed with everything in
// it, and a check that a text holds a part.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace compoundparser::testing {

// Returns the whole content of a file ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes `bytes` to a file, replacing it.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Checks that `text` holds `part`; either way the message shows both.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  const bool found = text.find(part) != std::string::npos;
  return (found ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
         << "\"" << part << "\"" << (found ? " in:\n" : " not in:\n") << text;
}

#ifdef CP_TEST_DATA_DIR
// Returns the path of a file below tests/data.
inline std::string TestData(const std::string& relative) {
  return std::string(CP_TEST_DATA_DIR) + "/" + relative;
}
#endif

// A fresh folder below the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    root = std::filesystem::temp_directory_path() /
           ("cp-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Returns the full name of `name` inside the folder.
  std::string Path(const std::string& name) const { return (root / name).string(); }
  // Writes `bytes` to `name` inside the folder and returns its full name.
  std::string Write(const std::string& name, const std::string& bytes) const {
    WriteFile(Path(name), bytes);
    return Path(name);
  }
  // Copies a file into the folder and returns its new full name.
  std::string Copy(const std::string& source, const std::string& name) const {
    std::filesystem::copy_file(source, root / name);
    return Path(name);
  }
  // Returns the names of the entries of the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path root;
};

// Returns a definition of type "T" named "Test" whose parser section is
// `parser`, with `substitutes` before it.
inline std::string DefinitionText(const std::string& parser, const std::string& substitutes = "") {
  return "<?xml version=\"1.0\"?>\n<format type=\"T\" name=\"Test\">\n" + substitutes + "<parser>" +
         parser + "</parser>\n</format>\n";
}

}  // namespace compoundparser::testing
