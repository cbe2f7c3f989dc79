// Every record a user gave is in the output or reported: the summary line of
// import, export and convert with its counts, catch-all records, header lines
// taken, records a conversion could not write; names matched in either case
// and by id with "did you mean"; several inputs with one failing among them,
// on one thread and on several; --set checked against the format.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::ExpectRuns;
using cli_test::ReadFile;
using cli_test::RunTool;
using cli_test::ScratchFolder;
using cli_test::ToolRun;

const std::string kPoint1 = "1,5000.000,1000.000,100.000,CP\r\n";
const std::string kPoint3 = "3,5002.000,1002.000,102.000,CP\r\n";

// Writes the files that the tables below read, and two generated definitions.
void WriteFiles(const ScratchFolder& folder) {
  folder.Write("typo.csv", kPoint1 + "2,5x01.000,1001.000,101.000,CP\r\n" + kPoint3);
  folder.Write("good.csv", kPoint1 + kPoint3);
  folder.Write("other.rw5",
               "JB,NMtest,DT01-01-2020,TM10:00:00\r\nXX,unknown stuff\r\n"
               "SP,PN1,N 100.0,E 200.0,EL10.0,--st\r\nYY,more\r\n");
  folder.Write("strict.csv", kPoint1 + "bad line\r\n" + kPoint3);
  folder.Write("header.csv", "P,N,E,Z,D\r\n" + kPoint1);
  ASSERT_EQ(RunTool({"generate", "points", "-n", "Gen Header", "--header", "-d", ",", "--fields",
                     "PointNumber,Northing,Easting,OrthoHeight,Code", "-o",
                     folder.Path("gen-header.xml")})
                .exitCode,
            0);
  ASSERT_EQ(RunTool({"generate", "points", "-n", "Gen Strict", "-d", ",", "--fields",
                     "PointNumber,Northing,Easting,OrthoHeight,Code", "-o",
                     folder.Path("gen-strict.xml")})
                .exitCode,
            0);
}

TEST(NoSilentLoss, EachLostRecordFailsOrIsReported) {
  ScratchFolder folder;
  WriteFiles(folder);
  const std::string gsi = "$S/../shared/samples/leica_gsi/leica_gsi16_gurob.gsi";
  ExpectRuns(
      {
          // A typing mistake in a data line of a bundled point list fails.
          {"import|-f|PNEZD comma|$D/typo.csv|-o|$D/typo.xml", 1, "",
           "$D/typo.csv:2:3: expected a number for element[Northing], found \"5x01.000\"|"
           "compoundparser: $D/typo.csv: import with \"PNEZD comma\" failed; no output written"},
          // Lines that fall into catch-all records are counted, with the first one.
          {"import|-f|Carlson RW5|$D/other.rw5|-o|$D/other.xml", 0, "",
           "^compoundparser: $D/other.rw5: read 4 records (Record/Job 1, Record/Other 2, "
           "Record/Point 1) with \"Carlson RW5\"; 2 not recognised\n"
           "warning: $D/other.rw5: 2 of 4 lines were not recognised, first at line 2"},
          // A generated format with StrictFormat=true keeps a bad line as ErrorLine: reported.
          {"import|-f|$D/gen-strict.xml|--set|StrictFormat=true|$D/strict.csv|-o|$D/s.xml", 0, "",
           "read 3 records (Point 2, ErrorLine 1) with \"Gen Strict\"; 1 not recognised\n"
           "warning: $D/strict.csv: 1 of 3 lines was not recognised, first at line 2"},
          // A generated format takes whatever first line as its header: quoted, and
          // a warning when that line would also read as a record.
          {"import|-f|$D/gen-header.xml|$D/good.csv|-o|$D/h.xml", 0, "",
           "read 1 record (Point 1) with \"Gen Header\"; header line "
           "\"1,5000.000,1000.000,100.000,CP\"\n|"
           "warning: $D/good.csv: the header line \"1,5000.000,1000.000,100.000,CP\" would "
           "also read as a record"},
          {"import|-f|$D/gen-header.xml|$D/header.csv|-o|$D/h2.xml", 0, "",
           "header line \"P,N,E,Z,D\"", "would also read as a record"},
          // A wrong format that stops fails; a raw document exported to a point
          // list says how many records were not written and why.
          {"import|-f|Topcon GTS-7|" + gsi + "|-o|$D/gts.xml", 1, "",
           "import with \"Topcon GTS-7\""},
          {"import|-f|Carlson RW5|$S/../shared/samples/carlson_rw5/Leica1200.rw5|-o|$D/r.xml", 0},
          {"export|-f|PNEZD comma|$D/r.xml|-o|$D/r.csv", 0, "",
           "wrote 2 records with \"PNEZD comma\" to $D/r.csv\n"
           "warning: $D/r.xml: 30 of 32 records not written: 30 passed over among "
           "Record/Comment 6, Record/Job 1, Record/Units 1, Record/Point 2, ..."},
          // A conversion names the group that the target does not write.
          {"convert|--from|Carlson RW5|--to|PNEZD comma|$D/other.rw5|-o|$D/o.csv", -1, "",
           "read 4 records (Record/Job 1, Record/Other 2, Record/Point 1) with \"Carlson RW5\""},
          // -q keeps only errors.
          {"-q|import|-f|Carlson RW5|$D/other.rw5|-o|$D/other2.xml", 0, "", "",
           "not recognised|read 4"},
      },
      folder);
  EXPECT_FALSE(std::filesystem::exists(folder.Path("typo.xml")));
}

TEST(NoSilentLoss, SummaryCountsOfAFileWithCatchAllRecords) {
  ScratchFolder folder;
  WriteFiles(folder);
  const ToolRun run = RunTool({"import", "-f", "carlson-rw5", folder.Path("other.rw5")});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "compoundparser: " + folder.Path("other.rw5") +
                         ": read 4 records (Record/Job 1, Record/Other 2, Record/Point 1) with "
                         "\"Carlson RW5\"; 2 not recognised\n"
                         "warning: " +
                         folder.Path("other.rw5") +
                         ": 2 of 4 lines were not recognised, first at line 2 (kept verbatim; is "
                         "this the right format?)\n");
  // Export writes them back: every record is counted as written.
  folder.Write("other.xml", run.out);
  const ToolRun back =
      RunTool({"export", "-f", "Carlson RW5", folder.Path("other.xml"), "-o", "-"});
  EXPECT_EQ(back.out, ReadFile(folder.Path("other.rw5")));
  EXPECT_TRUE(Contains(back.err, "compoundparser: " + folder.Path("other.xml") +
                                     ": wrote 4 records (Record/Job 1, Record/Other 2, "
                                     "Record/Point 1) with \"Carlson RW5\" to standard output; "
                                     "2 of them kept verbatim\n"))
      << back.err;
  EXPECT_FALSE(Contains(back.err, "not written"));
}

TEST(NoSilentLoss, FormatNamesInEitherCaseByIdAndDidYouMean) {
  ScratchFolder folder;
  WriteFiles(folder);
  const std::string good = "$D/good.csv";
  ExpectRuns(
      {
          {"import|-f|pnezd comma|" + good, 0, "<format name=\"PNEZD comma\""},
          {"import|-f|PNEZD COMMA|" + good, 0, "<format name=\"PNEZD comma\""},
          {"import|-f|pnezd-comma|" + good, 0, "<format name=\"PNEZD comma\""},
          {"import|-f|Comma-Delimited-Points|" + good, 2, "",
           "no format named \"Comma-Delimited-Points\" and no such definition file; did you "
           "mean \"Comma Delimited Points\", "},
          {"import|-f|leica gsi 16|" + good, 2, "",
           "did you mean \"Leica GSI-16\", \"Leica GSI-8\"?"},
          {"convert|--from|pnezd-coma|--to|points-tab|" + good + "|-o|-", 2, "",
           "did you mean \"PNEZD comma\"|(list the formats with: compoundparser formats)"},
          {"import|-f|no such thing at all|" + good, 2, "", "", "did you mean"},
          {"formats", 0, "  leica-gsi16  |  pnezd-comma-header  |  carlson-rw5  "},
      },
      folder);
}

TEST(NoSilentLoss, SeveralInputsWithOneFailingOnOneThreadAndOnSeveral) {
  ScratchFolder folder;
  WriteFiles(folder);
  std::vector<std::string> inputs;
  for (const char* name : {"a.csv", "b.csv", "c.csv", "d.csv", "e.csv"}) {
    inputs.push_back(folder.Write(name, std::string(name) == "c.csv"
                                            ? ReadFile(folder.Path("typo.csv"))
                                            : ReadFile(folder.Path("good.csv"))));
  }
  std::vector<ToolRun> runs;
  for (const char* threads : {"1", "4"}) {
    // The same folder each time, emptied, so that the messages name the same files.
    const std::string out = folder.Path("out");
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    std::vector<std::string> args = {"convert", "--from", "PNEZD comma", "--to", "points-tab",
                                     "-O",      out,      "-j",          threads};
    args.insert(args.end(), inputs.begin(), inputs.end());
    runs.push_back(RunTool(args));
    SCOPED_TRACE(threads);
    EXPECT_EQ(runs.back().exitCode, 1) << runs.back().err;
    for (const char* name : {"a", "b", "d", "e"}) {
      EXPECT_EQ(ReadFile(out + "/" + name + ".txt"),
                "1\t5000.000\t1000.000\t100.000\tCP\r\n3\t5002.000\t1002.000\t102.000\tCP\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(out + "/c.txt"));
  }
  // The same messages in the same order, whatever the number of threads, and
  // each file's summary in the order of the command line.
  EXPECT_EQ(runs[0].err, runs[1].err);
  const std::string& err = runs[0].err;
  size_t last = 0;
  for (const std::string& input : inputs) {
    const size_t at = err.find("compoundparser: " + input + ": ");
    ASSERT_NE(at, std::string::npos) << input;
    EXPECT_GT(at + 1, last);
    last = at;
  }
  EXPECT_TRUE(Contains(err, inputs[2] + ":2:3: expected a number for element[Northing]"));
  ExpectRuns(
      {
          {"import|-f|PNEZD comma|$D/a.csv|$D/b.csv", 2, "",
           "several inputs need an output folder: add -O DIR"},
          {"import|-f|PNEZD comma|$D/a.csv|$D/b.csv|-o|$D/x.xml", 2, "",
           "several inputs need an output folder (-O DIR), not one output file (-o)"},
          {"import|-f|PNEZD comma|$D/a.csv|$D/sub/a.csv|-O|$D", 2, "",
           "two inputs would both be written to $D/a.xml"},
          {"import|-f|PNEZD comma|$D/a.csv|-O|$D/none", 2, "",
           "the output folder $D/none is not a folder"},
          {"export|-f|PNEZD comma|$D/a.xml", 2, "", "name the output with -o FILE"},
          {"import|-f|PNEZD comma|$D/a.csv|$D/missing.csv|-O|$D", 1, "",
           "compoundparser: $D/a.csv: read 2 records|$D/missing.csv"},
      },
      folder);
  EXPECT_TRUE(Contains(ReadFile(folder.Path("a.xml")), "<PointNumber>3</PointNumber>"));
}

TEST(NoSilentLoss, SetIsCheckedAgainstTheFormat) {
  ScratchFolder folder;
  WriteFiles(folder);
  const std::string rw5 = "$S/../shared/samples/carlson_rw5/Leica1200.rw5";
  ExpectRuns(
      {
          {"import|-f|Carlson RW5|--set|LineEnd=UNIX|" + rw5, 2, "",
           "--set LineEnd=UNIX: \"Carlson RW5\" compares LineEnd only with \"CRLF\", \"LF\", "
           "\"CR\" and \"CRCRCRLF\""},
          {"import|-f|Carlson RW5|--set|LineEnds=LF|" + rw5, 2, "",
           "--set LineEnds=LF: \"Carlson RW5\" declares no variable LineEnds; the variables are "
           "\"CoordSystem\", \"LineEnd\""},
          {"import|-f|Carlson RW5|--set|LineEnd=LF|" + rw5 + "|-o|$D/lf.xml", 0},
          {"import|-f|$D/gen-strict.xml|--set|StrictFormat=yes|$D/good.csv", 2, "",
           "\"Gen Strict\" compares StrictFormat only with \"true\" and \"false\""},
          {"import|-f|$D/gen-strict.xml|--set|StrictFormat=false|$D/good.csv|-o|$D/f.xml", 0},
          {"import|-f|$D/gen-strict.xml|--set|NoEquals|$D/good.csv", 2, "",
           "--set needs NAME=VALUE, got \"NoEquals\""},
          // A conversion accepts a name that either of its formats declares.
          {"convert|--from|PNEZD comma|--to|$D/gen-strict.xml|--set|StrictFormat=true|"
           "$D/good.csv|-o|$D/g.csv",
           0},
          // Without -f, each detected format is checked.
          {"import|--set|Nothing=1|$S/examples/gps-vectors.csv", 2, "",
           "\"GPS Vectors (CSV)\" declares no variable Nothing"},
      },
      folder);
}

TEST(NoSilentLoss, CatalogueTroubleIsOneWarningPerRun) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.Path("user/Formats"));
  std::filesystem::create_directories(folder.Path("empty"));
  folder.Write("user/Formats/broken.xml",
               "<format name=\"Broken\" type=\"Points\"><parser><radi/></parser></format>");
  folder.Write("user/Formats/copy.xml",
               ReadFile(std::string(CP_SOURCE_DIR) + "/Formats/PNEZDComma.xml"));
  const std::string user = "--app-folder|$S|--user-folder|$D/user|";
  const std::string broken =
      "warning: Could not load format definition from: $D/user/Formats/broken.xml";
  const std::string twice =
      "warning: Two format definitions are named \"PNEZD comma\": "
      "$S/Formats/PNEZDComma.xml is used, $D/user/Formats/copy.xml is passed "
      "over\n";
  ExpectRuns(
      {
          {user + "formats", 0, "", broken + "|" + twice, "error:"},
          // A conversion loads the catalogue for both its formats: still one warning each.
          {user + "convert|--from|pnezd-comma|--to|points-tab|$S/examples/points-comma.csv|-o|-",
           -1, "", "^" + broken, "error:"},
          {user + "-q|formats", 0, "", "", "warning:"},
          {"--app-folder|$D/empty|--user-folder|$D/empty|formats", 0,
           "No formats found in $D/empty/Formats/",
           "warning: No format definitions found: looked for $D/empty/Formats/*.xml"},
      },
      folder);
  // Each warning once, though the conversion looked two formats up.
  const ToolRun run =
      cli_test::RunToolBare({"--app-folder", CP_SOURCE_DIR, "--user-folder", folder.Path("user"),
                             "convert", "--from", "pnezd-comma", "--to", "points-tab",
                             std::string(CP_SOURCE_DIR) + "/examples/points-comma.csv", "-o", "-"});
  size_t count = 0;
  for (size_t at = run.err.find("warning: "); at != std::string::npos;
       at = run.err.find("warning: ", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 2u) << run.err;
}

}  // namespace
