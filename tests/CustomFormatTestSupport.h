// Helpers shared by the tests of the custom format generators: the sample
// files, counting, the outcome of a generator as one text, and the load and
// import/export round trip of a generated definition.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::customtest {

using testing::ReadFile;
using testing::RecordingCallBack;
using testing::TempFolder;

inline std::string CustomTestFile(const std::string& name) {
  return testing::TestData("custom/" + name);
}

// Returns how often `needle` occurs in `text`.
inline size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// Returns the text of a generated definition when it was written without an
// error and holds no document; else the error and "<not written>" or "<document>".
template <class Generated>
std::string Outcome(const Generated& format) {
  return format.GetError() + (format.IsWritten() ? format.GetText() : "<not written>") +
         (format.GetDocument().IsNull() ? "" : "<document>");
}

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
                                 const TempFolder& dir) {
  RoundTrip result;
  RecordingCallBack callBack;
  FormatDefinition definition(definitionFile, &callBack);
  result.loaded = definition.Load();
  if (result.loaded) {
    const std::string input = dir.Write("input.dat", data);
    const std::string output = dir.Path("output.dat");
    {
      // The runs keep their files open until the object is gone.
      InstrumentData instrumentData(definition, &callBack);
      result.imported = instrumentData.ParseRead(input, definition);
      result.document = instrumentData.GetDocument().SaveToString();
      if (result.imported) result.exported = instrumentData.ParseWrite(output, definition);
    }
    result.output = ReadFile(output);
  }
  result.messages = callBack.Lines();
  return result;
}

}  // namespace compoundparser::customtest
