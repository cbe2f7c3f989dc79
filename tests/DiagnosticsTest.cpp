// The diagnostics observer: data files with one fault each, imported through
// bundled definitions, must be diagnosed at the right line and column, with
// the right expectation and definition node; exports name the element path.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

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

struct FaultCase {
  const char* definition;
  const char* data;
  int line;
  int column;
  FailureKind kind;
  const char* explanation;  // the start of Explain()
  const char* node;         // NodeName of the best failure
  const char* pathEnd;      // the end of its path in the definition
  const char* sourceText;   // text on its line of the definition file
};

const FaultCase kFaults[] = {
    {"points-comma.xml", "letter-in-number.csv", 2, 6, FailureKind::kTypeMismatch,
     "expected a number for element[Northing], found \"51x0.000\"", "element[Northing]",
     "group[Point]/radio/terminated/element[Northing]", "id=\"Northing\""},
    {"points-comma.xml", "missing-delimiter.csv", 2, 24, FailureKind::kTerminatorNotFound,
     "expected \",\" within 9 bytes, found \"102.000CP\"", "terminated",
     "group[Point]/radio/terminated", "<terminated MaxWidth=\"20\">"},
    {"points-comma.xml", "short-line.csv", 2, 15, FailureKind::kEndOfLine,
     "expected more on this line for element[Easting], found a line end after \"1100.000\"",
     "element[Easting]", "group[Point]/radio/terminated/element[Easting]", "id=\"Easting\""},
    {"LeicaGSI8.xml", "wrong-record-marker.gsi", 2, 33, FailureKind::kTypeMismatch,
     "expected a number for element[WordIndex], found \"8A\"", "element[WordIndex]",
     "group[Word]/element[WordIndex]", "id=\"WordIndex\""},
    {"LeicaGSI8.xml", "line-too-long.gsi", 2, 16, FailureKind::kLiteralNotFound,
     "expected \" \", found \"2\"", "literal", "group[Word]/literal", "<literal"},
};

TEST(DiagnosticsImport, NamesLineColumnExpectationAndNode) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(c.data);
    ObservedImport run(kFormats + c.definition, kData + c.data);
    EXPECT_FALSE(run.ok);
    const TParseFailure* best = run.observer.Best();
    ASSERT_NE(best, nullptr);
    const TTextPlace place = ParseObserver::Locate(ReadFile(kData + c.data), best->position);
    EXPECT_EQ(place.line, c.line);
    EXPECT_EQ(place.column, c.column);
    EXPECT_EQ(best->kind, c.kind);
    EXPECT_EQ(ParseObserver::Explain(*best).rfind(c.explanation, 0), 0u)
        << ParseObserver::Explain(*best);
    EXPECT_EQ(ParseObserver::NodeName(*best->node), c.node);
    const std::string path = ParseObserver::SourcePath(*best->node);
    EXPECT_EQ(
        path.compare(path.size() - std::string(c.pathEnd).size(), std::string::npos, c.pathEnd), 0)
        << path;
    ASSERT_NE(best->node->Source(), nullptr);
    EXPECT_TRUE(Contains(LineOf(kFormats + c.definition, best->node->Source()->line), c.sourceText))
        << "line " << best->node->Source()->line;
  }
}

TEST(DiagnosticsImport, ObserverChangesNeitherResultNorMessages) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(c.data);
    RecordingCallBack quiet;
    FormatDefinition definition(kFormats + c.definition, nullptr);
    ASSERT_TRUE(definition.Load());
    InstrumentData plain(definition, &quiet);
    ObservedImport observed(kFormats + c.definition, kData + c.data);
    EXPECT_EQ(plain.ParseRead(kData + c.data, definition), observed.ok);
    EXPECT_EQ(quiet.Joined(), observed.callBack.Joined());
    EXPECT_EQ(plain.GetLastError(), observed.data.GetLastError());
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

struct ExportCase {
  const char* document;
  FailureKind kind;
  const char* elementPath;
  const char* explanation;
};

const ExportCase kExportFaults[] = {
    {"too-wide.xml", FailureKind::kDataDoesNotFit, "/data/Point[2]",
     "expected at most 8 characters for /data/Point[2]/Northing, found \"123456.789\""},
    {"missing-element.xml", FailureKind::kElementMissing, "/data/Point[3]",
     "expected element Northing in /data/Point[3], found none"},
};

TEST(DiagnosticsExport, NamesElementPathAndNode) {
  for (const ExportCase& c : kExportFaults) {
    SCOPED_TRACE(c.document);
    RecordingCallBack callBack;
    FormatDefinition definition(kData + "fixed-points.xml", &callBack);
    ASSERT_TRUE(definition.Load());
    InstrumentData data(definition, &callBack);
    ASSERT_TRUE(data.LoadXml(kData + c.document));
    ParseObserver observer;
    observer.BeginExport(*definition.RootParser(), data.GetDocument().DocumentElement());
    data.observer = &observer;
    data.ParseWrite(::testing::TempDir() + "diagnostics-export.txt", definition);
    const TParseFailure* best = observer.Best();
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best->kind, c.kind);
    EXPECT_EQ(best->elementPath, c.elementPath);
    EXPECT_EQ(ParseObserver::Explain(*best), c.explanation);
    EXPECT_EQ(
        ParseObserver::SourcePath(*best->node).rfind("parser/repeat/group[Point]/element[", 0), 0u);
  }
}

TEST(DiagnosticsLocate, CountsLinesAndColumnsInBytes) {
  const std::string text = "ab\r\ncd\nxyz";
  struct Case {
    size_t position;
    int line;
    int column;
    const char* lineText;
  };
  const Case kCases[] = {{0, 1, 1, "ab"}, {2, 1, 3, "ab"},  {4, 2, 1, "cd"},
                         {6, 2, 3, "cd"}, {9, 3, 3, "xyz"}, {99, 3, 4, "xyz"}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.position);
    const TTextPlace place = ParseObserver::Locate(text, c.position);
    EXPECT_EQ(place.line, c.line);
    EXPECT_EQ(place.column, c.column);
    EXPECT_EQ(place.lineText, c.lineText);
  }
}

TEST(DiagnosticsSource, XmlNodesKnowTheirLines) {
  const std::string xml = "<a>\n  <b/>\n\n  <c id=\"x\">t</c>\n</a>\n";
  XmlDocument doc = XmlDocument::Create();
  ASSERT_TRUE(doc.LoadBuffer(xml.data(), xml.size()));
  const XmlNode a = doc.DocumentElement();
  XmlNode b = a.FirstChild();
  XmlNode c = b.NextSibling();
  EXPECT_EQ(doc.LineOfOffset(a.SourceOffset()), 1);
  EXPECT_EQ(doc.LineOfOffset(b.SourceOffset()), 2);
  EXPECT_EQ(doc.LineOfOffset(c.SourceOffset()), 4);
  EXPECT_EQ(doc.LineOfOffset(-1), 0);
  EXPECT_EQ(XmlNode().SourceOffset(), -1);
  XmlDocument built = XmlDocument::Create();
  const XmlNode made = built.AsNode().AppendElement("made");
  EXPECT_EQ(built.LineOfOffset(made.SourceOffset()), 0);
}

}  // namespace
}  // namespace compoundparser::testing
