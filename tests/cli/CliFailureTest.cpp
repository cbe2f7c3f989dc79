// Runs of the tool that must fail: a failing conversion exits with 1 and
// leaves no output (an existing file untouched), wrong usage exits with 2,
// and messages carry what they mean to a user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::FileExists;
using cli_test::ReadFile;
using cli_test::RunTool;
using cli_test::ScratchFolder;
using cli_test::SourcePath;
using cli_test::ToolRun;
using cli_test::WriteFile;

constexpr char kBadPoints[] = "1001,5000.000,1000.000,100.000,CP\r\nnot a point line\r\n";

// Returns the lines of `text` that start with `prefix`.
int LinesStartingWith(const std::string& text, const std::string& prefix) {
  int count = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (text.compare(start, prefix.size(), prefix) == 0) ++count;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return count;
}

TEST(CliFailure, FailedImportWritesNothingAndKeepsAnExistingFile) {
  ScratchFolder folder;
  WriteFile(folder.Path("bad.csv"), kBadPoints);
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "existing output" : "no output yet");
    if (existing) WriteFile(folder.Path("out.xml"), "precious");
    const ToolRun run = RunTool({"import", "-f", "Comma Delimited Points", folder.Path("bad.csv"),
                                 "-o", folder.Path("out.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    if (existing) {
      EXPECT_EQ(ReadFile(folder.Path("out.xml")), "precious");
    } else {
      EXPECT_FALSE(FileExists(folder.Path("out.xml")));
    }
    EXPECT_EQ(folder.Names().size(), existing ? 2u : 1u) << "a temporary file was left";
    EXPECT_GE(LinesStartingWith(run.err, "error: "), 1) << run.err;
    // The last line is the one summary line, naming the input.
    EXPECT_EQ(LinesStartingWith(run.err, "compoundparser: "), 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "compoundparser: " + folder.Path("bad.csv") + ": import"));
  }
}

TEST(CliFailure, FailedConvertAndExportLeaveNoOutput) {
  ScratchFolder folder;
  WriteFile(folder.Path("bad.csv"), kBadPoints);
  WriteFile(folder.Path("empty.xml"), "<?xml version=\"1.0\"?><data><info/></data>");
  WriteFile(folder.Path("broken.xml"), "<data><info>");
  WriteFile(folder.Path("out.txt"), "precious");
  const std::vector<std::vector<std::string>> kRuns = {
      {"convert", "--from", "Comma Delimited Points", "--to", "Tab Delimited Points",
       folder.Path("bad.csv"), "-o", folder.Path("out.txt")},
      {"export", "-f", "Tab Delimited Points", folder.Path("empty.xml"), "-o",
       folder.Path("out.txt")},
      {"export", "-f", "Tab Delimited Points", folder.Path("broken.xml"), "-o",
       folder.Path("out.txt")},
      {"export", "-f", "Tab Delimited Points", folder.Path("missing.xml"), "-o",
       folder.Path("out.txt")},
      {"import", "-f", "Tab Delimited Points", folder.Path("missing.txt"), "-o",
       folder.Path("out.txt")},
  };
  for (const auto& args : kRuns) {
    SCOPED_TRACE(args[0] + " " + args[args.size() - 3]);
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(ReadFile(folder.Path("out.txt")), "precious");
    EXPECT_EQ(folder.Names().size(), 4u) << "a temporary file was left";
    EXPECT_EQ(LinesStartingWith(run.err, "compoundparser: "), 1) << run.err;
  }
}

TEST(CliUsage, WrongUsageExitsWithTwo) {
  const std::string sample = SourcePath("examples/points-comma.csv");
  const std::vector<std::vector<std::string>> kRuns = {
      {},
      {"nosuchcommand"},
      {"import", sample},
      {"import", "-f", "No Such Format", sample},
      {"import", "-f", "Comma Delimited Points", "--set", "NoEquals", sample},
      {"import", "-f", "Comma Delimited Points", "--set", "=value", sample},
      {"export", "-f", "Comma Delimited Points", sample},
      {"convert", "--from", "Comma Delimited Points", sample, "-o", "x"},
      {"formats", "--no-such-option"},
      {"check"},
      {"generate"},
      {"generate", "points", "-n", "X", "--fields", "A,B", "-d", "xyz"},
      {"generate", "points", "-n", "X", "--fields", "A,B", "--latlon", "degrees"},
      {"generate", "vectors", "-n", "X"},
  };
  for (const auto& args : kRuns) {
    std::string line;
    for (const auto& arg : args) line += arg + " ";
    SCOPED_TRACE(line);
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_FALSE(run.err.empty());
  }
}

TEST(CliCheck, BrokenDefinitionIsReportedWithItsMessages) {
  ScratchFolder folder;
  WriteFile(folder.Path("broken.xml"),
            "<?xml version=\"1.0\"?><format name=\"Broken\" type=\"Points\">"
            "<parser><subst id=\"Nowhere\"/></parser></format>");
  WriteFile(folder.Path("notxml.xml"), "<format name=\"x\"");
  const ToolRun run = RunTool({"check", folder.Path("broken.xml"),
                               SourcePath("Formats/points-comma.xml"), folder.Path("notxml.xml")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.out, folder.Path("broken.xml") + ": NOT loaded"));
  EXPECT_TRUE(Contains(run.out, folder.Path("notxml.xml") + ": NOT loaded"));
  EXPECT_TRUE(Contains(run.out, "points-comma.xml: loaded"));
  EXPECT_GE(LinesStartingWith(run.err, "error: "), 2) << run.err;
  EXPECT_TRUE(Contains(run.err, "Nowhere"));
  EXPECT_EQ(LinesStartingWith(run.err, "compoundparser: "), 1);
}

TEST(CliFailure, GeneratedDefinitionThatDoesNotLoadIsNotWritten) {
  ScratchFolder folder;
  // FullCodes that is not the last field refers to substitutes never written.
  const ToolRun run = RunTool({"generate", "points", "-n", "X", "--fields",
                               "PointNumber,FullCodes,Northing", "-o", folder.Path("x.xml")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(folder.Names().empty());
}

TEST(CliMessages, VerboseShowsDetailsAndQuietHidesWarnings) {
  ScratchFolder folder;
  WriteFile(folder.Path("bad.csv"), kBadPoints);
  WriteFile(folder.Path("empty.xml"), "<?xml version=\"1.0\"?><data><info/></data>");
  const std::string bad = folder.Path("bad.csv");
  const ToolRun normal = RunTool({"import", "-f", "Comma Delimited Points", bad});
  const ToolRun verbose = RunTool({"-v", "import", "-f", "Comma Delimited Points", bad});
  EXPECT_EQ(LinesStartingWith(normal.err, "detail: "), 0);
  EXPECT_GE(LinesStartingWith(verbose.err, "detail: "), 1) << verbose.err;
  EXPECT_EQ(LinesStartingWith(verbose.err, "error: "), LinesStartingWith(normal.err, "error: "));

  // An empty export is a warning, which -q hides.
  const std::vector<std::string> exportEmpty = {"export",
                                                "-f",
                                                "Comma Delimited Points",
                                                folder.Path("empty.xml"),
                                                "-o",
                                                folder.Path("o.csv")};
  const ToolRun warned = RunTool(exportEmpty);
  EXPECT_EQ(warned.exitCode, 1);
  EXPECT_EQ(LinesStartingWith(warned.err, "warning: There are not data for exporting"), 1)
      << warned.err;
  EXPECT_FALSE(FileExists(folder.Path("o.csv")));
  std::vector<std::string> quiet = {"-q"};
  quiet.insert(quiet.end(), exportEmpty.begin(), exportEmpty.end());
  const ToolRun quietRun = RunTool(quiet);
  EXPECT_EQ(quietRun.exitCode, 1);
  EXPECT_EQ(LinesStartingWith(quietRun.err, "warning: "), 0);
  EXPECT_EQ(LinesStartingWith(quietRun.err, "compoundparser: "), 1);
}

TEST(CliProgress, NoProgressBarWhenStandardErrorIsNotATerminal) {
  ScratchFolder folder;
  std::string big;
  for (int i = 0; big.size() < 1536 * 1024; ++i) {
    big += std::to_string(100000 + i) + ",5000.000,1000.000,100.000,CP\r\n";
  }
  WriteFile(folder.Path("big.csv"), big);
  const ToolRun run =
      RunTool({"convert", "--from", "Comma Delimited Points", "--to", "Comma Delimited Points",
               folder.Path("big.csv"), "-o", folder.Path("copy.csv")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(folder.Path("copy.csv")), big);
}

}  // namespace
