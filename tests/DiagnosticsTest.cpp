// The diagnostics observer: data files with one fault each, imported through
// bundled definitions, must be diagnosed at the right line and column, with
// the right expectation and definition node; exports name the element path.
#include <gtest/gtest.h>

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

// An import of a data file through a definition, with an observer.
struct ObservedImport {
  ObservedImport(const std::string& definitionFile, const std::string& dataFile)
      : definition(definitionFile, &callBack), data(definition, &callBack) {
    EXPECT_TRUE(definition.Load());
    observer.Begin(*definition.RootParser());
    data.observer = &observer;
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
         "the line is longer than the 1000 bytes that the format allows", "terminated",
         "parser/repeat/radio/terminated", "<terminated MaxWidth=\"1000\">"},
};

TEST(DiagnosticsImport, NamesLineColumnExpectationAndNodeWithoutChangingTheResult) {
  for (const auto& [definitionFile, dataFile, place, kind, explanation, node, pathEnd, sourceText] :
       kFaults) {
    SCOPED_TRACE(dataFile);
    ObservedImport run(kFormats + definitionFile, kData + dataFile);
    EXPECT_FALSE(run.ok);
    const TParseFailure* best = run.observer.Best();
    ASSERT_NE(best, nullptr);
    const TTextPlace at = ParseObserver::Locate(ReadFile(kData + dataFile), best->position);
    EXPECT_EQ(std::to_string(at.line) + ":" + std::to_string(at.column), place);
    EXPECT_EQ(best->kind, kind);
    EXPECT_EQ(ParseObserver::Explain(*best).rfind(explanation, 0), 0u)
        << ParseObserver::Explain(*best);
    EXPECT_EQ(ParseObserver::NodeName(*best->node), node);
    const std::string path = ParseObserver::SourcePath(*best->node);
    EXPECT_EQ(path.substr(path.size() - std::min(path.size(), std::strlen(pathEnd))), pathEnd);
    ASSERT_NE(best->node->Source(), nullptr);
    EXPECT_TRUE(
        Contains(LineOf(kFormats + definitionFile, best->node->Source()->line), sourceText));
    // An import without observer gives the same result and messages.
    RecordingCallBack quiet;
    FormatDefinition definition(kFormats + definitionFile, nullptr);
    ASSERT_TRUE(definition.Load());
    InstrumentData plain(definition, &quiet);
    EXPECT_EQ(plain.ParseRead(kData + dataFile, definition), run.ok);
    EXPECT_EQ(quiet.Joined(), run.callBack.Joined());
    EXPECT_EQ(plain.GetLastError(), run.data.GetLastError());
  }
}

TEST(DiagnosticsImport, CleanFileLeavesOnlyFailuresBeforeItsEnd) {
  const std::string sample = std::string(CP_SOURCE_DIR) + "/examples/points-comma.csv";
  ObservedImport run(kFormats + "points-comma.xml", sample);
  ASSERT_TRUE(run.ok);
  // Alternatives that were tried and dropped are recorded, never past the end.
  EXPECT_LE(run.observer.FurthestPosition(), ReadFile(sample).size());
}

TEST(DiagnosticsImport, VerboseListKeepsEveryNodeOnceAndTheDeepestFirst) {
  ObservedImport run(kFormats + "points-comma.xml", kData + "letter-in-number.csv");
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
}

TEST(DiagnosticsExport, NamesElementPathAndNode) {
  RecordingCallBack callBack;
  FormatDefinition definition(kData + "fixed-points.xml", &callBack);
  ASSERT_TRUE(definition.Load());
  InstrumentData data(definition, &callBack);
  ASSERT_TRUE(data.LoadXml(kData + "missing-element.xml"));
  ParseObserver observer;
  observer.BeginExport(*definition.RootParser(), data.GetDocument().DocumentElement());
  data.observer = &observer;
  data.ParseWrite(::testing::TempDir() + "diagnostics-export.txt", definition);
  const TParseFailure* best = observer.Best();
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->kind, FailureKind::kElementMissing);
  EXPECT_EQ(best->elementPath, "/data/Point[3]");
  EXPECT_EQ(ParseObserver::Explain(*best),
            "expected element Northing in /data/Point[3], found none");
  EXPECT_EQ(ParseObserver::SourcePath(*best->node).rfind("parser/repeat/group[Point]/element[", 0),
            0u);
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
