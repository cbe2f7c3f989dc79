// Data files read through the bundled definitions: one helper imports a file, checks values
// of the document, and proves the round trip both ways an export can start (from the document
// held in memory, and from the document saved and loaded again).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "engine/ParseObserver.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {

inline const std::string kFormatsDir = std::string(CP_SOURCE_DIR) + "/Formats/";
inline const std::string kOwnFormatsDir = std::string(CP_TEST_DATA_DIR) + "/formats/";
inline const std::string kSamplesDir = std::string(CP_SHARED_DIR) + "/samples/";

// Skips the running test when the shared samples folder (beside the source tree) is absent.
#define CP_REQUIRE_SHARED_SAMPLES()                                                            \
  do {                                                                                         \
    if (!std::filesystem::is_directory(::compoundparser::testing::kSamplesDir))                \
      GTEST_SKIP() << "shared samples not found at " << ::compoundparser::testing::kSamplesDir \
                   << " (they sit beside the source tree in CI)";                              \
  } while (0)

// A bundled definition, loaded.
inline std::unique_ptr<FormatDefinition> Bundled(const std::string& file,
                                                 RecordingCallBack& recorder) {
  auto definition = std::make_unique<FormatDefinition>(kFormatsDir + file, &recorder);
  EXPECT_TRUE(definition->Load()) << file << "\n" << recorder.Lines();
  return definition;
}

// Checks one "query#count" (nodes selected) or "query=text" (text of the first node) below
// /data of the document; the later of '#' and '=' splits.
inline void CheckDocument(const XmlDocument& document, const std::string& check) {
  const size_t hash = check.rfind('#');
  const size_t equals = check.rfind('=');
  const bool counts = hash != std::string::npos && (equals == std::string::npos || hash > equals);
  const size_t split = counts ? hash : equals;
  const std::string query = "/data/" + check.substr(0, split);
  const std::string expected = check.substr(split + 1);
  const XmlNode root = document.AsNode();
  if (counts) {
    EXPECT_EQ(std::to_string(root.SelectNodes(query).size()), expected) << query;
  } else {
    const XmlNode node = root.SelectSingleNode(query);
    EXPECT_EQ(node ? node.Text() : "<none>", expected) << query;
  }
}

// Checks every '|'-separated check of `checks` (see CheckDocument).
inline void CheckAll(const XmlDocument& document, const std::string& checks) {
  for (size_t at = 0; at <= checks.size();) {
    const size_t end = std::min(checks.find('|', at), checks.size());
    if (end > at) CheckDocument(document, checks.substr(at, end - at));
    at = end + 1;
  }
}

// Returns "" when the trees below `a` and `b` hold the same nodes in the same
// order (type, name, value and attributes of each), else the path of the first
// node where they differ.
inline std::string FirstDifference(const XmlNode& a, const XmlNode& b, const std::string& at = "") {
  XmlNode x = a.FirstChild();
  XmlNode y = b.FirstChild();
  for (int i = 1; x || y; ++i, x = x.NextSibling(), y = y.NextSibling()) {
    const std::string here = at + "/" + (x ? x.Name() : y.Name()) + "[" + std::to_string(i) + "]";
    if (!x || !y) return here + (x ? " only in the first" : " only in the second");
    if (x.Type() != y.Type() || x.Name() != y.Name() || x.Value() != y.Value()) {
      return here + ": \"" + x.Value().value_or(x.Name()) + "\" against \"" +
             y.Value().value_or(y.Name()) + "\"";
    }
    if (x.Type() == kXmlElement) {
      const std::vector<std::string> names = x.AttributeNames();
      if (names != y.AttributeNames()) return here + ": other attributes";
      for (const std::string& name : names) {
        if (x.GetAttribute(name) != y.GetAttribute(name)) return here + "/@" + name;
      }
      const std::string inner = FirstDifference(x, y, here);
      if (!inner.empty()) return inner;
    }
  }
  return std::string();
}

// The error a field reports when a line tried as one kind of record holds text where the
// record has a number (a header line tried as a point), once or twice.
inline const char* const kMismatch = "FormatParser: Type of element mismatch\n";
inline const char* const kMismatchTwice =
    "FormatParser: Type of element mismatch\nFormatParser: Type of element mismatch\n";

// One data file read through one bundled definition.
struct FormatCase {
  const char* definition;
  const char* file;  // below tests/data/formats/ where it is there, else below ../shared/samples/
  const char* exported;  // expected export: nullptr for the file itself, else a file beside it
  const char* errors;    // the error messages (kind 4) that the import gives, one per line
  const char* checks;    // as CheckAll() takes them
};

// Returns the full name of the file of `c`: a file of our own (tests/data/formats/, where format
// folders hold theirs), else a shared sample.
inline std::string CaseInput(const FormatCase& c) {
  const std::string own = kOwnFormatsDir + c.file;
  return std::filesystem::is_regular_file(own) ? own : kSamplesDir + c.file;
}

// Imports the file of `c`, checks the document, then exports it twice: from the document in
// memory and from the document saved and loaded again. Both must give the expected bytes.
inline void ImportAndExport(const FormatCase& c) {
  SCOPED_TRACE(std::string(c.definition) + " " + c.file);
  const std::string input = CaseInput(c);
  RecordingCallBack recorder;
  auto definition = Bundled(c.definition, recorder);
  TempFolder folder;
  const std::string saved = folder.Path("saved.xml");
  std::string inMemory;
  {
    InstrumentData data(*definition, &recorder);
    ASSERT_TRUE(data.ParseRead(input, *definition)) << recorder.Lines(kKindError);
    EXPECT_EQ(recorder.Lines(kKindError), c.errors);
    // The document built as text equals, node by node, the one built node by node.
    RecordingCallBack quiet;
    InstrumentData byNode(*definition, &quiet);
    byNode.SetDomImport(true);
    ASSERT_TRUE(byNode.ParseRead(input, *definition));
    EXPECT_EQ(FirstDifference(data.GetDocument().AsNode(), byNode.GetDocument().AsNode()), "");
    CheckAll(data.GetDocument(), c.checks);
    ASSERT_TRUE(data.SaveXml(saved));
    ASSERT_TRUE(data.ParseWrite(folder.Path("memory.out"), *definition))
        << recorder.Lines(kKindError);
  }
  inMemory = ReadFile(folder.Path("memory.out"));
  const std::string expected =
      c.exported ? ReadFile(std::filesystem::path(input).parent_path() / c.exported)
                 : ReadFile(input);
  EXPECT_EQ(inMemory, expected) << "export of the imported document";

  RecordingCallBack again;
  auto fresh = Bundled(c.definition, again);
  InstrumentData reloaded(*fresh, &again);
  ASSERT_TRUE(reloaded.LoadXml(saved));
  ASSERT_TRUE(reloaded.ParseWrite(folder.Path("reloaded.out"), *fresh)) << again.Lines(kKindError);
  reloaded.file.Close();
  EXPECT_EQ(ReadFile(folder.Path("reloaded.out")), inMemory)
      << "export of the saved and reloaded document";
}

// Imports `input` through `from` and exports it through `to`; returns the bytes written, or
// "<fail>" and the error messages.
inline std::string Converted(const std::string& from, const std::string& input,
                             const std::string& to) {
  RecordingCallBack recorder;
  auto source = Bundled(from, recorder);
  auto target = Bundled(to, recorder);
  TempFolder folder;
  InstrumentData data(*source, &recorder);
  if (!data.ParseRead(input, *source)) return "<fail> " + recorder.Lines(kKindError);
  if (!data.ParseWrite(folder.Path("convert.out"), *target))
    return "<fail> " + recorder.Lines(kKindError);
  data.file.Close();
  return ReadFile(folder.Path("convert.out"));
}

// Returns the error messages of an import of `input` through `definition` that must fail,
// or "imported" when it succeeds.
inline std::string ImportErrors(const std::string& definition, const std::string& input) {
  RecordingCallBack recorder;
  auto format = Bundled(definition, recorder);
  InstrumentData data(*format, &recorder);
  if (data.ParseRead(input, *format)) return "imported";
  return recorder.Lines(kKindError);
}

// A file (as in FormatCase) that a definition must refuse, with the error messages it gives.
struct RefusedCase {
  const char* file;
  const char* errors;
};

inline void ExpectRefused(const char* definition, const RefusedCase& c) {
  EXPECT_EQ(ImportErrors(definition, CaseInput({definition, c.file, nullptr, "", ""})), c.errors)
      << definition << " " << c.file;
}

// Imports `input` through the bundled `definition` with a diagnostics observer. Returns
// "line:column: explanation" of the place where the import stopped (as the tool shows it), or
// "<imported>" when the import succeeds.
inline std::string ImportFailure(const std::string& definition, const std::string& input) {
  RecordingCallBack recorder;
  auto loaded = Bundled(definition, recorder);
  InstrumentData data(*loaded, &recorder);
  ParseObserver observer;
  observer.Begin(*loaded->RootParser());
  data.observer = &observer;
  if (data.ParseRead(input, *loaded)) return "<imported>";
  const TParseFailure* best = observer.Best();
  if (best == nullptr) return "<no diagnosis> " + recorder.Lines(kKindError);
  const TTextPlace at = ParseObserver::Locate(ReadFile(input), best->position);
  return std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
         ParseObserver::Explain(*best);
}

// True when a value made of blanks alone (a Blank record's RecordText, as `input` gives one)
// is still there after the document was saved and loaded again.
inline bool SavedDocumentKeepsBlankValues(const std::string& definition, const std::string& input) {
  RecordingCallBack recorder;
  auto loaded = Bundled(definition, recorder);
  TempFolder folder;
  {
    InstrumentData data(*loaded, &recorder);
    if (!data.ParseRead(input, *loaded) || !data.SaveXml(folder.Path("saved.xml"))) return false;
  }
  InstrumentData reloaded(*loaded, &recorder);
  if (!reloaded.LoadXml(folder.Path("saved.xml"))) return false;
  const XmlNode text =
      reloaded.GetDocument().AsNode().SelectSingleNode("/data/Record[Blank]/RecordText");
  return text && !text.Text().empty();
}

// Returns the lines of `text` without their line ends and without the control bytes other than
// tab (the STX, ETX and 0x1A that a point list writes where the raw file had them) and without a
// leading byte order mark, each ended by '\n'.
inline std::string PlainLines(const std::string& text) {
  std::string out;
  const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  for (const char c : text.substr(bom ? 3 : 0)) {
    if (c == '\r' || c == '\n') {
      if (!out.empty() && out.back() != '\n') out += '\n';
    } else if (c == '\t' || static_cast<unsigned char>(c) >= 0x20) {
      out += c;
    }
  }
  return out;
}

}  // namespace compoundparser::testing
