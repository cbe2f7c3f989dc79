// What the tool tells its user beside the library's own messages: which
// format it picked when none is named, which engine messages of an import are
// errors (the engine reports fields that an alternative could not read even
// when another alternative then reads them), repeated warnings, files it
// cannot read or write, and why an export found nothing to write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::RunTool;
using cli_test::SourcePath;
using cli_test::ToolRun;

struct ToolCase {
  const char* name;
  std::vector<std::string> args;  // file arguments relative to the source tree start with '@'
  int exitCode;
  std::vector<const char*> outHas;
  std::vector<const char*> errHas;
  std::vector<const char*> errLacks;
};

TEST(ToolMessagesCli, PicksTheFormatThatReadsTheMostValuesAndShowsOnlyRealErrors) {
  const ToolCase cases[] = {
      {"the vector format reads fields where the point lists read whole lines",
       {"import", "@examples/gps-vectors.csv"},
       0,
       {"<BaseID>BASE1</BaseID>"},
       {"read with \"GPS Vectors (CSV)\", the format that reads the most values (30)",
        "\"PNEZD comma\" reads all of it (4 records, 4 values)"},
       {"error:"}},
      {"formats that read as many values are a tie the user settles",
       {"import", "@examples/points-comma.csv"},
       2,
       {},
       {"several formats read all of", "into as many values",
        "\"PNEZD comma\" reads all of it (4 records, 20 values)",
        "\"Comma Delimited Points\" reads all of it (4 records, 20 values)"},
       {}},
      {"detect lists the best reading first",
       {"detect", "@examples/gps-vectors.csv"},
       0,
       {"complete  GPS Vectors (CSV)                3 records, 30 values\n"},
       {},
       {}},
      {"a complete import keeps the mismatches of abandoned alternatives quiet",
       {"import", "-f", "PNEZD comma", "@examples/gps-vectors.csv"},
       0,
       {"<HeaderText>BASE1,R101,"},
       {},
       {"error:", "Type of element mismatch"}},
      {"-v shows them as details",
       {"-v", "import", "-f", "PNEZD comma", "@examples/gps-vectors.csv"},
       0,
       {},
       {"detail: FormatParser: Type of element mismatch"},
       {"error:"}},
      {"a failed import shows them as errors, the reason for the stop last",
       {"import", "-f", "Comma Delimited Points", "@tests/data/diagnostics/letter-in-number.csv"},
       1,
       {},
       {"error: FormatParser: Type of element mismatch\nerror: File not parsed completely"},
       {"detail:"}},
  };
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args;
    for (const std::string& arg : c.args) {
      args.push_back(arg[0] == '@' ? SourcePath(arg.substr(1)) : arg);
    }
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    for (const char* part : c.outHas) EXPECT_TRUE(Contains(run.out, part));
    for (const char* part : c.errHas) EXPECT_TRUE(Contains(run.err, part));
    for (const char* part : c.errLacks) EXPECT_FALSE(Contains(run.err, part));
  }
}

TEST(ToolMessagesCli, FilesThatCannotBeReadOrWrittenAreNamedWithTheReason) {
  cli_test::ScratchFolder folder;
  const std::string folderPath = folder.Path("");
  const std::string missing = folder.Path("missing.xml");
  const std::string broken = folder.Path("broken.xml");
  cli_test::WriteFile(broken, "<data>\n  <Point>&x;</Point></data>");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"trace", "-f", "PNEZD comma", folderPath},
       folderPath + ": cannot read: it is a folder, not a file"},
      {{"detect", folderPath}, folderPath + ": cannot read: it is a folder, not a file"},
      {{"detect", missing}, missing + ": cannot read: No such file or directory"},
      {{"export", "-f", "PNEZD comma", "-o", folder.Path("out.csv"), missing},
       missing + ": Cannot read file '" + missing +
           "': No such file or directory; no output written"},
      {{"export", "-f", "PNEZD comma", "-o", folder.Path("out.csv"), broken},
       broken + ": line 2:10: Reference to undefined entity 'x'; no output written"},
      // Outputs that cannot be written are found before anything is read.
      {{"import", "-f", "PNEZD comma", "-o", folder.Path("no/out.xml"),
        SourcePath("examples/points-comma.csv")},
       "cannot write " + folder.Path("no/out.xml") +
           ": No such file or directory; nothing was read"},
      {{"export", "-f", "PNEZD comma", "-o", folderPath, broken},
       "cannot write " + folderPath + ": it is a folder; nothing was read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "compoundparser: " + c.message));
    EXPECT_FALSE(Contains(run.err, "unexpected failure"));
  }
  EXPECT_FALSE(cli_test::FileExists(folder.Path("out.csv")));
}

TEST(ToolMessagesCli, TheFailingLineIsShownSafelyWithTheCaretUnderItsColumn) {
  cli_test::ScratchFolder folder;
  const struct {
    const char* what;
    std::string data;
    std::string shown;  // the line and the caret line, as printed
  } cases[] = {
      {"control bytes become '?', one column each", "1001,5\x01x00\x7F,1,2,X\r\n",
       "  1001,5?x00?,1,2,X\n       ^\n"},
      {"a UTF-8 character takes one column", "1001\xC3\xA9,5x00,1,2,X\r\n",
       "  1001\xC3\xA9,5x00,1,2,X\n        ^\n"},
      {"a tab stays a tab in both lines", "1001\t,5x00,1,2,X\r\n",
       "  1001\t,5x00,1,2,X\n      \t ^\n"},
      {"a long line is cut to a window around the column",
       std::string(45, 'P') + ",5x00,1,2," + std::string(200, 'C') + "\r\n",
       "  ..." + std::string(39, 'P') + ",5x00,1,2," + std::string(51, 'C') + "...\n" +
           std::string(2 + 3 + 40, ' ') + "^\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = folder.Path("points.csv");
    cli_test::WriteFile(file, c.data);
    const ToolRun run = RunTool({"import", "-f", "Comma Delimited Points", "-o", "-", file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "expected a number for element[Northing]"));
    EXPECT_TRUE(Contains(run.err, c.shown));
  }
}

TEST(ToolMessagesCli, ExportsSayWhatTheyMissedAndRepeatWarningsOnlyAFewTimes) {
  cli_test::ScratchFolder folder;
  const std::string points = folder.Path("points.xml");
  ASSERT_EQ(RunTool({"import", "-f", "PNEZD comma", "-o", points,
                     SourcePath("examples/points-comma.csv")})
                .exitCode,
            0);
  std::string noCodes = "<?xml version=\"1.0\"?>\n<data>\n";
  for (int i = 1; i <= 6; ++i) {
    noCodes += "<Point><PointNumber>" + std::to_string(i) +
               "</PointNumber><Northing>1.0</Northing><Easting>2.0</Easting>"
               "<OrthoHeight>3.0</OrthoHeight></Point>\n";
  }
  cli_test::WriteFile(folder.Path("nocodes.xml"), noCodes + "</data>\n");

  const ToolRun gsi =
      RunTool({"export", "-f", "Leica GSI-16", "-o", folder.Path("out.gsi"), points});
  EXPECT_EQ(gsi.exitCode, 1);
  EXPECT_TRUE(Contains(gsi.err, points + ": the document holds records Point; \"Leica GSI-16\" "
                                         "writes records Record and Word\n"));

  // Six points without a code: the warning twice per point (the code is
  // looked for once per alternative of the record), shown three times.
  const ToolRun codes = RunTool({"export", "-f", "Comma Delimited Points", "-o",
                                 folder.Path("out.csv"), folder.Path("nocodes.xml")});
  EXPECT_EQ(codes.exitCode, 0) << codes.err;
  EXPECT_TRUE(Contains(codes.err,
                       "warning: Element with ID='Code' not found\n"
                       "warning: Element with ID='Code' not found\n"
                       "warning: Element with ID='Code' not found\n"
                       "warning: Element with ID='Code' not found (9 more times)\n"));
  EXPECT_EQ(cli_test::ReadFile(folder.Path("out.csv")).substr(0, 16), "1,1.0,2.0,3.0,\r\n");
}

}  // namespace
