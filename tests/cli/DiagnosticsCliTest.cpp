// Runs of the tool that diagnose: a failing import names file:line:column,
// shows the line with a caret and the definition node; explain, trace and
// detect; import without a format; the --encoding option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::ReadFile;
using cli_test::RunTool;
using cli_test::RunToolBare;
using cli_test::ScratchFolder;
using cli_test::SourcePath;
using cli_test::ToolRun;
using cli_test::WriteFile;

std::string Diagnostics(const std::string& name) {
  return SourcePath("tests/data/diagnostics/" + name);
}

struct ImportFault {
  const char* format;
  const char* file;
  const char* where;      // ":LINE:COLUMN: expected ..."
  const char* caretLine;  // the line of the data file as shown
  int caretColumn;
  const char* definition;  // file and node of the definition
};

const ImportFault kImportFaults[] = {
    {"Comma Delimited Points", "letter-in-number.csv",
     ":2:6: expected a number for element[Northing], found \"51x0.000\"",
     "1002,51x0.000,1100.000,101.000,CP", 6,
     "points-comma.xml:55: substitute[Fields]/group[Point]/radio/terminated/element[Northing]"},
    {"Comma Delimited Points", "missing-delimiter.csv",
     ":2:24: expected \",\" within 9 bytes, found \"102.000CP\"",
     "1003,5200.000,1200.000,102.000CP", 24,
     "points-comma.xml:68: substitute[Fields]/group[Point]/radio/terminated"},
    {"Leica GSI-8", "wrong-record-marker.gsi",
     ":2:33: expected a number for element[WordIndex], found \"8A\"",
     "110002+00000102 81..00+00512000 8A..00+00623000 83..00-00000010 ", 33, "element[WordIndex]"},
};

TEST(DiagnosticsCli, FailedImportShowsPlaceCaretAndDefinitionNode) {
  for (const ImportFault& c : kImportFaults) {
    SCOPED_TRACE(c.file);
    ScratchFolder folder;
    const ToolRun run =
        RunTool({"import", "-f", c.format, Diagnostics(c.file), "-o", folder.Path("out.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, Diagnostics(c.file) + c.where));
    const std::string caret = "\n  " + std::string(c.caretLine) + "\n  " +
                              std::string(static_cast<size_t>(c.caretColumn - 1), ' ') + "^\n";
    EXPECT_TRUE(Contains(run.err, caret));
    EXPECT_TRUE(Contains(run.err, "  definition: "));
    EXPECT_TRUE(Contains(run.err, c.definition));
    // The diagnosis comes after the library's messages, before the summary.
    EXPECT_LT(run.err.rfind("error: "), run.err.find(c.where));
    EXPECT_LT(run.err.find(c.where), run.err.find("compoundparser: "));
  }
}

TEST(DiagnosticsCli, PositionsInMessagesGetLineAndColumn) {
  ScratchFolder folder;
  const ToolRun run = RunTool({"-v", "import", "-f", "Comma Delimited Points",
                               Diagnostics("letter-in-number.csv"), "-o", folder.Path("o.xml")});
  EXPECT_TRUE(Contains(run.err, "Parsed only 35 bytes (line 2:1) of 105"));
  EXPECT_TRUE(Contains(run.err, "No radio elements found in pos 28h (line 2:6)"));
  // -v lists every failure at the furthest place, the literal alternative too.
  EXPECT_TRUE(Contains(run.err, "every failure there ("));
  EXPECT_TRUE(Contains(run.err, "expected \",\", found \"5\""));
}

TEST(DiagnosticsCli, FailedExportNamesElementPath) {
  ScratchFolder folder;
  const ToolRun run = RunTool({"export", "-f", Diagnostics("fixed-points.xml"),
                               Diagnostics("too-wide.xml"), "-o", folder.Path("out.txt")});
  EXPECT_TRUE(Contains(run.err,
                       "/data/Point[2]: expected at most 8 characters for "
                       "/data/Point[2]/Northing, found \"123456.789\""));
  EXPECT_TRUE(
      Contains(run.err, "fixed-points.xml:7: parser/repeat/group[Point]/element[Northing]"));
}

TEST(DiagnosticsCli, ExplainShowsTheTreeWithSubstitutesOnce) {
  const ToolRun run = RunTool({"explain", "Comma Delimited Points"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.out,
                       "\n  repeat  (line 30)\n    radio  (line 31)\n"
                       "      literal \"\\r\\n\" (CR LF) read-only  (line 32)\n"));
  EXPECT_TRUE(Contains(run.out, "element Northing double  (line 55)"));
  EXPECT_TRUE(Contains(run.out, "terminated max 20  (line 54)"));
  // IfFields is used three times: spelled out once, then referred to.
  size_t expanded = 0;
  for (size_t at = run.out.find("group Point repeated"); at != std::string::npos;
       at = run.out.find("group Point repeated", at + 1)) {
    ++expanded;
  }
  EXPECT_EQ(expanded, 1u);
  EXPECT_TRUE(Contains(run.out, "subst IfFields  (line 39)  (see above)"));

  const ToolRun dot = RunTool({"explain", "--dot", "Comma Delimited Points"});
  ASSERT_EQ(dot.exitCode, 0);
  EXPECT_EQ(dot.out.rfind("digraph \"Comma Delimited Points\" {", 0), 0u) << dot.out;
  EXPECT_TRUE(Contains(dot.out, "[style=dashed]"));
  EXPECT_EQ(dot.out.substr(dot.out.size() - 2), "}\n");
}

TEST(DiagnosticsCli, TraceShowsByteRangesAndValuesOfTheFirstRecords) {
  const ToolRun run = RunTool({"trace", "-f", "Comma Delimited Points",
                               SourcePath("examples/points-comma.csv"), "--records", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.out,
                       "record 1: Point  bytes 0-33 (line 1:1)\n"
                       "    PointNumber = \"1001\"  bytes 0-4 (line 1:1)\n"
                       "    (between elements) \",\"  bytes 4-5 (line 1:5)\n"
                       "    Northing = \"5000.000\"  bytes 5-13 (line 1:6)\n"));
  // The line end between two records stands between them.
  EXPECT_TRUE(Contains(run.out,
                       "    Code = \"CP\"  bytes 31-33 (line 1:32)\n"
                       "(between elements) \"\\r\\n\"  bytes 33-35 (line 1:34)\n"
                       "record 2: Point  bytes 35-70 (line 2:1)\n"));
  EXPECT_FALSE(Contains(run.out, "record 3"));
}

TEST(DiagnosticsCli, DetectRanksCompleteImportsFirst) {
  const ToolRun run = RunTool({"detect", Diagnostics("letter-in-number.csv")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const size_t stopped = run.out.find("stopped   Comma Delimited Points");
  ASSERT_NE(stopped, std::string::npos) << run.out;
  EXPECT_TRUE(Contains(run.out.substr(stopped), "at line 2:6")) << run.out;
  EXPECT_LT(run.out.rfind("complete  "), stopped) << run.out;
}

TEST(DiagnosticsCli, ImportWithoutFormatTakesTheOneCompleteMatch) {
  ScratchFolder app;
  ScratchFolder user;
  const std::string formats = app.Path("Formats");
  ASSERT_EQ(system(("mkdir -p '" + formats + "' '" + user.Path("Formats") + "'").c_str()), 0);
  WriteFile(formats + "/points-comma.xml", ReadFile(SourcePath("Formats/points-comma.xml")));
  WriteFile(formats + "/gsi8.xml", ReadFile(SourcePath("Formats/LeicaGSI8.xml")));
  const std::vector<std::string> folders = {"--app-folder", app.Path(""), "--user-folder",
                                            user.Path("")};
  std::vector<std::string> args = folders;
  for (const char* arg : {"import", "-o", "-"}) args.push_back(arg);
  args.push_back(SourcePath("examples/points-comma.csv"));
  const ToolRun one = RunToolBare(args);
  EXPECT_EQ(one.exitCode, 0) << one.err;
  EXPECT_TRUE(Contains(one.out, "<PointNumber>1001</PointNumber>"));

  args.back() = Diagnostics("letter-in-number.csv");
  const ToolRun none = RunToolBare(args);
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_TRUE(Contains(none.err, "no format reads all of"));
  EXPECT_TRUE(Contains(none.err, "\"Comma Delimited Points\" stops at line 2:6"));
}

TEST(DiagnosticsCli, EncodingOption) {
  const ToolRun unknown = RunTool({"--encoding", "NO-SUCH-CODEPAGE", "formats"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_TRUE(Contains(unknown.err, "unknown encoding \"NO-SUCH-CODEPAGE\""));

  // A Latin-1 byte is read as the character it stands for in that code page.
  ScratchFolder folder;
  WriteFile(folder.Path("latin1.csv"),
            "1001,5000.000,1000.000,100.000,Stra\xDF"
            "e\r\n");
  const ToolRun latin = RunTool({"--encoding", "ISO-8859-1", "import", "-f",
                                 "Comma Delimited Points", folder.Path("latin1.csv")});
  EXPECT_EQ(latin.exitCode, 0) << latin.err;
  EXPECT_TRUE(Contains(latin.out,
                       "<Code>Stra\xC3\x9F"
                       "e</Code>"));
}

}  // namespace
