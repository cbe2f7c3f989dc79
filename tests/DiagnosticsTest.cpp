// The diagnosis of a failed run: data files with one fault each, imported
// through bundled definitions, must be diagnosed at the right line and column,
// with the right expectation and definition node; exports name the element
// path, counting the elements that the export removed before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "engine/ParseObserver.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

const std::string kFormats = std::string(CP_SOURCE_DIR) + "/Formats/";
const std::string kData = std::string(CP_TEST_DATA_DIR) + "/diagnostics/";

// An import of a data file through a definition, watched by a host's own
// observer when `observed`, else by the object's.
struct ObservedImport {
  ObservedImport(const std::string& definitionFile, const std::string& dataFile,
                 bool observed = false)
      : definition(definitionFile, &callBack), data(definition, &callBack) {
    EXPECT_TRUE(definition.Load());
    if (observed) data.observer = &observer;
    ok = data.ParseRead(dataFile, definition);
  }
  RecordingCallBack callBack;
  FormatDefinition definition;
  InstrumentData data;
  ParseObserver observer;
  bool ok = false;
};

// Returns line `line` (1-based) of a text file.
std::string LineOf(const std::string& fileName, int line) {
  std::ifstream in(fileName);
  std::string text;
  for (int i = 0; i < line && std::getline(in, text); ++i) {
  }
  return text;
}

// The faults that the tool's own tests do not show end to end.
// definition, data, place (line:column), kind, explanation (the start of Explain()), node
// (NodeName of the best failure), pathEnd (the end of its path in the definition), sourceText
// (text on its line of the definition file)
const std::tuple<const char*, const char*, const char*, FailureKind, const char*, const char*,
                 const char*, const char*>
    kFaults[] = {
        {"points-comma.xml", "missing-delimiter.csv", "2:24", FailureKind::kTerminatorNotFound,
         "expected \",\" within 9 bytes, found \"102.000CP\"", "terminated",
         "group[Point]/radio/terminated", "<terminated MaxWidth=\"20\">"},
        {"points-comma.xml", "short-line.csv", "2:15", FailureKind::kEndOfLine,
         "expected more on this line for element[Easting], found a line end after \"1100.000\"",
         "element[Easting]", "group[Point]/radio/terminated/element[Easting]", "id=\"Easting\""},
        {"LeicaGSI8.xml", "line-too-long.gsi", "2:16", FailureKind::kLiteralNotFound,
         "expected \" \", found \"2\"", "literal", "repeat/radio/multi/literal", "<literal"},
        // No line end within MaxWidth: the place is the first byte past the limit (of the
        // pass that began after the fields that a looser alternative read).
        {"points-comma.xml", "line-over-limit.csv", "2:1032", FailureKind::kLineTooLong,
         "line 2 is longer than the 1000 bytes that the format allows", "terminated",
         "parser/repeat/radio/terminated", "<terminated MaxWidth=\"1000\">"},
};

TEST(DiagnosticsImport, NamesLineColumnExpectationAndNodeWithoutChangingTheResult) {
  for (const auto& [definitionFile, dataFile, place, kind, explanation, node, pathEnd, sourceText] :
       kFaults) {
    SCOPED_TRACE(dataFile);
    ObservedImport run(kFormats + definitionFile, kData + dataFile);
    EXPECT_FALSE(run.ok);
    const TDiagnosis* diagnosis = run.data.GetDiagnosis();
    ASSERT_NE(diagnosis, nullptr);
    EXPECT_FALSE(diagnosis->exporting);
    const TTextPlace& at = diagnosis->place;
    EXPECT_EQ(std::to_string(at.line) + ":" + std::to_string(at.column), place);
    EXPECT_EQ(LocateInText(ReadFile(kData + dataFile), diagnosis->position).line, at.line);
    EXPECT_EQ(at.lineText, LineOf(kData + dataFile, at.line).substr(0, at.lineText.size()));
    const TDiagnosedFailure& failure = diagnosis->failure;
    EXPECT_EQ(failure.kind, kind);
    EXPECT_EQ(failure.explanation.rfind(explanation, 0), 0u) << failure.explanation;
    EXPECT_EQ(failure.nodeName, node);
    const std::string& path = failure.node.path;
    EXPECT_EQ(path.substr(path.size() - std::min(path.size(), std::strlen(pathEnd))), pathEnd);
    EXPECT_EQ(failure.node.file, kFormats + definitionFile);
    EXPECT_TRUE(Contains(LineOf(kFormats + definitionFile, failure.node.line), sourceText));
    // The failure shown is one of every failure at that place.
    const auto shown = std::find_if(diagnosis->all.begin(), diagnosis->all.end(),
                                    [&](const TDiagnosedFailure& other) {
                                      return other.node.path == path && other.kind == kind;
                                    });
    EXPECT_NE(shown, diagnosis->all.end());
    // An import without watching gives the same result and messages.
    RecordingCallBack quiet;
    FormatDefinition definition(kFormats + definitionFile, nullptr);
    ASSERT_TRUE(definition.Load());
    InstrumentData plain(definition, &quiet);
    plain.SetDiagnosis(false);
    EXPECT_EQ(plain.ParseRead(kData + dataFile, definition), run.ok);
    EXPECT_EQ(plain.GetDiagnosis(), nullptr);
    EXPECT_EQ(quiet.Joined(), run.callBack.Joined());
    EXPECT_EQ(plain.GetLastError(), run.data.GetLastError());
    // The streaming import gives the same diagnosis.
    InstrumentData streamed(run.definition, &quiet);
    EXPECT_FALSE(streamed.ParseReadToFile(kData + dataFile, run.definition,
                                          ::testing::TempDir() + "diagnostics-streamed.xml"));
    ASSERT_NE(streamed.GetDiagnosis(), nullptr);
    EXPECT_EQ(streamed.GetDiagnosis()->position, diagnosis->position);
    EXPECT_EQ(streamed.GetDiagnosis()->failure.explanation, failure.explanation);
  }
}

TEST(DiagnosticsImport, SuccessLeavesNoDiagnosisAndAFailureReplacesIt) {
  const std::string sample = std::string(CP_SOURCE_DIR) + "/examples/points-comma.csv";
  ObservedImport run(kFormats + "points-comma.xml", kData + "letter-in-number.csv");
  ASSERT_FALSE(run.ok);
  ASSERT_NE(run.data.GetDiagnosis(), nullptr);
  EXPECT_TRUE(run.data.ParseRead(sample, run.definition));
  EXPECT_EQ(run.data.GetDiagnosis(), nullptr);
  // A missing file fails before any node runs.
  EXPECT_FALSE(run.data.ParseRead(kData + "no-such-file.csv", run.definition));
  EXPECT_EQ(run.data.GetDiagnosis(), nullptr);
}

TEST(DiagnosticsImport, CleanFileLeavesOnlyFailuresBeforeItsEnd) {
  const std::string sample = std::string(CP_SOURCE_DIR) + "/examples/points-comma.csv";
  ObservedImport run(kFormats + "points-comma.xml", sample, true);
  ASSERT_TRUE(run.ok);
  // Alternatives that were tried and dropped are recorded, never past the end.
  EXPECT_LE(run.observer.FurthestPosition(), ReadFile(sample).size());
}

// What a failure expected and found is kept whole, short or long, whether the
// failures are read once at the end or between runs, and a later failure at
// the same place does not change an earlier one's texts.
TEST(DiagnosticsImport, ExpectedAndFoundTextsAreKeptWhole) {
  const std::string longLiteral = std::string(59, 'A') + "B";
  const std::string input = std::string(70, 'A');
  struct Case {
    const char* label;
    std::string first;   // the literal that fails first
    std::string second;  // one that fails at the same place after it
  };
  const Case cases[] = {
      {"short", ",", "XY"},
      {"at the buffer's size", std::string(47, 'A') + "B", ";"},
      {"longer than the buffer", longLiteral, std::string(49, 'A') + "C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (const bool readBetween : {false, true}) {
      Harness harness;
      ParseObserver observer;
      const ObserverScope scope(harness.param, &observer);
      auto first = Lit(c.first);
      auto second = Lit(c.second);
      observer.Begin(*first);
      harness.ReadRun(*first, input);
      if (readBetween) {
        ASSERT_EQ(observer.Furthest().size(), 1u);
        EXPECT_EQ(observer.Furthest()[0].expected, c.first);
      }
      harness.param.file.Seek(0);
      EXPECT_FALSE(second->Read(harness.param, input.size()));
      const auto failures = observer.Furthest();
      ASSERT_EQ(failures.size(), 2u);
      EXPECT_EQ(failures[0].expected, c.first);
      EXPECT_EQ(failures[0].found, input.substr(0, std::min<size_t>(c.first.size(), 48)));
      EXPECT_EQ(failures[1].expected, c.second);
      EXPECT_EQ(failures[1].found, input.substr(0, std::min<size_t>(c.second.size(), 48)));
      ASSERT_NE(observer.Best(), nullptr);
      EXPECT_EQ(observer.Best()->expected, c.first);
    }
  }
}

TEST(DiagnosticsImport, VerboseListKeepsEveryNodeOnceAndTheDeepestFirst) {
  ObservedImport run(kFormats + "points-comma.xml", kData + "letter-in-number.csv", true);
  EXPECT_FALSE(run.ok);
  const auto& all = run.observer.Furthest();
  ASSERT_GE(all.size(), 2u);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].position, run.observer.FurthestPosition());
    EXPECT_LE(all[i].depth, run.observer.Best()->depth);
    for (size_t j = i + 1; j < all.size(); ++j) {
      EXPECT_FALSE(all[i].node == all[j].node && all[i].kind == all[j].kind) << i << "," << j;
    }
  }
  // The host's observer gave the diagnosis too.
  ASSERT_NE(run.data.GetDiagnosis(), nullptr);
  EXPECT_EQ(run.data.GetDiagnosis()->all.size(), all.size());
}

// Export names the element in hand as the document had it: the elements that
// export wrote (and removed) before it are counted. A missing element only
// ends the records with a warning; the export succeeds and leaves no diagnosis.
TEST(DiagnosticsExport, NamesElementPathAndNode) {
  RecordingCallBack callBack;
  FormatDefinition definition(kData + "fixed-points.xml", &callBack);
  ASSERT_TRUE(definition.Load());
  const std::string kWide = "<Northing>123456.789</Northing>";
  const struct {
    std::string document;
    const char* path;  // "" for an export that succeeds
  } kCases[] = {
      {"<data><Point><PointNumber>1</PointNumber><Northing>5000.0</Northing></Point>"
       "<Point><PointNumber>2</PointNumber><Northing>5100.0</Northing></Point>"
       "<Point><PointNumber>3</PointNumber>" +
           kWide + "</Point></data>",
       "/data/Point[3]"},
      {"<data><Point><PointNumber>3</PointNumber>" + kWide + "</Point></data>", "/data/Point"},
      {"<data><Point><PointNumber>3</PointNumber>" + kWide + "</Point><Point/></data>",
       "/data/Point[1]"},
      {"<data><Point><PointNumber>1</PointNumber><Northing>5000.0</Northing></Point>"
       "<Point><PointNumber>3</PointNumber></Point></data>",
       ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.document);
    TempFolder folder;
    InstrumentData data(definition, &callBack);
    ASSERT_TRUE(data.LoadXml(folder.Write("in.xml", c.document)));
    const bool exported = data.ParseWrite(folder.Path("out.txt"), definition);
    const TDiagnosis* diagnosis = data.GetDiagnosis();
    if (*c.path == '\0') {
      EXPECT_TRUE(exported);
      EXPECT_EQ(diagnosis, nullptr);
      continue;
    }
    EXPECT_FALSE(exported && data.dataFits);
    ASSERT_NE(diagnosis, nullptr);
    EXPECT_TRUE(diagnosis->exporting);
    EXPECT_EQ(diagnosis->failure.kind, FailureKind::kDataDoesNotFit);
    EXPECT_EQ(diagnosis->elementPath, c.path);
    EXPECT_EQ(diagnosis->failure.explanation, std::string("expected at most 8 characters for ") +
                                                  c.path + "/Northing, found \"123456.789\"");
    EXPECT_EQ(diagnosis->failure.node.path, "parser/repeat/group[Point]/element[Northing]");
    EXPECT_EQ(diagnosis->failure.node.line, 7);
  }
}

TEST(DiagnosticsSource, XmlNodesKnowTheirLines) {
  const std::string xml = "<a>\n  <b/>\n\n  <c id=\"x\">t</c>\n</a>\n";
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.LoadBuffer(xml.data(), xml.size()));
  const XmlNode a = doc.DocumentElement();
  std::string lines;
  for (const XmlNode& node : {a, a.FirstChild(), a.FirstChild().NextSibling()}) {
    lines += std::to_string(doc.LineOfOffset(node.SourceOffset())) + " ";
  }
  EXPECT_EQ(lines, "1 2 4 ");
  EXPECT_EQ(doc.LineOfOffset(-1), 0);
  EXPECT_EQ(XmlNode().SourceOffset(), -1);
  XmlDocument built = XmlDocument::Create();
  EXPECT_EQ(built.LineOfOffset(built.AsNode().AppendElement("made").SourceOffset()), 0);
}

}  // namespace
}  // namespace compoundparser::testing
