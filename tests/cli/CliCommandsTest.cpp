// The subcommands of the tool on the bundled formats and samples: listing,
// round trips and conversions byte for byte, variables, checking, generating;
// a failing run exits with 1, leaves no output (an existing file untouched)
// and ends with one summary line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::Contains;
using cli_test::Expand;
using cli_test::ExpectRuns;
using cli_test::ReadFile;
using cli_test::RunTool;
using cli_test::ScratchFolder;
using cli_test::ToolRun;

TEST(CliFormats, JsonAndTableListTheSameCatalogue) {
  const ToolRun run = RunTool({"formats", "--json"});
  const ToolRun table = RunTool({"formats"});
  ASSERT_EQ(run.exitCode + table.exitCode, 0) << run.err << table.err;
  const nlohmann::json list = nlohmann::json::parse(run.out);
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), list.size() + 1);
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(list[i].dump());
    EXPECT_EQ(list[i].at("position"), i);
    EXPECT_TRUE(std::filesystem::exists(list[i].at("file").get<std::string>()));
    EXPECT_TRUE(Contains(table.out, "  " + list[i].at("name").get<std::string>() + "  "));
  }
  EXPECT_EQ(list.at(2), nlohmann::json::parse(Expand(
                            R"({"position": 2, "name": "Comma Delimited Points", "type": "Points",
      "id": "points-comma", "fileMask": "*.csv", "import": true, "export": true,
      "totalStationImport": false,
      "totalStationExport": false, "file": "$S/Formats/points-comma.xml"})",
                            ScratchFolder())));
}

// Imports to a file and to standard output, exports and converts: the bytes
// of each step must be the expected sample's.
TEST(CliRoundTrip, SamplesComeBackAndConvertByteForByte) {
  const struct {
    const char* from;
    const char* input;  // below examples/, as the expected output
    const char* to;
    const char* expected;
  } kCases[] = {
      {"Comma Delimited Points", "points-comma.csv", "Tab Delimited Points", "points-tab.txt"},
      {"Tab Delimited Points", "points-tab.txt", "Space Delimited Points", "points-space.txt"},
      {"Space Delimited Points", "points-space.txt", "Comma Delimited Points", "points-comma.csv"},
      {"GPS Vectors (CSV)", "gps-vectors.csv", "GPS Vectors (CSV)", "gps-vectors.csv"},
      {"Raw Observations (CSV)", "raw-observations.csv", "Raw Observations (CSV)",
       "raw-observations.csv"},
      {"$S/examples/guide-points.xml", "guide-points.txt", "$S/examples/guide-points.xml",
       "guide-points.txt"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    ScratchFolder folder;
    const std::string from = Expand(c.from, folder), to = Expand(c.to, folder);
    const std::string input = Expand(std::string("$S/examples/") + c.input, folder);
    const std::string expected = ReadFile(Expand(std::string("$S/examples/") + c.expected, folder));
    ASSERT_FALSE(expected.empty());
    const ToolRun imported = RunTool({"import", "-f", from, input, "-o", folder.Path("d.xml")});
    EXPECT_EQ(imported.exitCode, 0);
    // The one summary line, and nothing else.
    EXPECT_EQ(imported.err.rfind("compoundparser: " + input + ": read ", 0), 0u) << imported.err;
    EXPECT_EQ(std::count(imported.err.begin(), imported.err.end(), '\n'), 1) << imported.err;
    EXPECT_EQ(RunTool({"import", "-f", from, input}).out, ReadFile(folder.Path("d.xml")));
    RunTool({"export", "-f", to, folder.Path("d.xml"), "-o", folder.Path("e")});
    EXPECT_EQ(ReadFile(folder.Path("e")), expected);
    EXPECT_EQ(RunTool({"convert", "--from", from, "--to", to, input, "-o", "-"}).out, expected);
  }
}

TEST(CliCommands, OptionsReachTheLibraryAndCheckShowsTheDefinition) {
  ScratchFolder folder;
  folder.Write("bad.csv", "1001,5000.000,1000.000,100.000,CP\r\nnot a point line\r\n");
  folder.Write("p.txt", "7;100.5;200.25\r\n8;101.5;201.25\r\n");
  const std::string tabs = "generate|points|-n|T|--latlon|nosep|--fields|PointNumber,Latitude|-d|";
  ExpectRuns(
      {
          {"convert|--from|$S/examples/guide-points.xml|--to|Comma Delimited Points|"
           "$S/examples/guide-points.txt|-o|-",
           0,
           "^P001,5000.000,1000.000,100.000,CP\r\nP002,5012.345,1020.250,101.125,TREE\r\n"
           "P003,5030.100,1041.875,99.870,FENCE POST\r\n"},
          {"import|-f|Comma Delimited Points|--set|StrictFormat=true|$D/bad.csv", 0,
           "<ErrorLine>not a point line</ErrorLine>"},
          {"check|$S/Formats/points-comma.xml|$S/Formats/gps-vectors-csv.xml|$S/Formats/"
           "raw-observations-csv.xml",
           0,
           "points-comma.xml: loaded\n|groups:  Point\n|"
           "substitutes:      Fields, IfFields\n|groups:  Vector\n|groups:  Observation\n|"
           "element ids:      Code, Easting, ErrorLine, Northing, OrthoHeight, PointNumber\n"},
          {"generate|points|--header|--control-codes|--attributes|--fields|"
           "PointNumber,Latitude,Longitude,FullCodes|-n|Geo|-o|$D/geo.xml",
           0},
          {"generate|vectors|--control-codes|--fields|DX,DY,DZ,FullCodes|-n|V|-o|$D/v.xml", 0},
          {"generate|raw|--fields|PointNumber,HorizontalAngle|-n|R|-o|$D/r.xml", 0},
          {"check|$D/geo.xml|$D/v.xml|$D/r.xml", 0,
           "name:             Geo\n  type:             Points\n|type:             GPS\n|"
           "type:             Measure\n"},
          {"generate|points|-n|Semi|-d|;|--fields|PointNumber,Easting,Northing|-o|$D/s.xml", 0},
          {"import|-f|$D/s.xml|$D/p.txt", 0, "<Northing>201.25</Northing>"},
          {"--help", 0, "Examples:|formats|import|export|convert|check|generate|detect|explain"},
          {"--version", 0, "^compoundparser "},
          // The spellings of a tab give the same definition.
          {tabs + "\t|-o|$D/t1", 0},
          {tabs + "09|-o|$D/t2", 0},
          {tabs + "tab|-o|$D/t3", 0},
          // Without -o a definition goes to the user's formats folder, and is listed.
          {"generate|raw|-n|User Raw|--fields|PointNumber", 0},
          {"formats", 0, "  User Raw  "},
      },
      folder);
  const std::string tab = ReadFile(folder.Path("t1"));
  EXPECT_TRUE(Contains(tab, ">09<"));
  EXPECT_TRUE(Contains(tab, "default=\"NoSep\""));
  EXPECT_EQ(ReadFile(folder.Path("t2")), tab);
  EXPECT_EQ(ReadFile(folder.Path("t3")), tab);
  // No temporary file is left beside the generated definitions.
  EXPECT_EQ(folder.Names().size(), 9u);
  const std::string path = cli_test::UserFolderOfRuns() + "/Formats/User_Raw.xml";
  EXPECT_TRUE(std::filesystem::exists(path));
  std::remove(path.c_str());
}

TEST(CliFailure, FailedRunsLeaveNoOutputAndEndWithOneSummaryLine) {
  const char* const kRuns[] = {
      "import|-f|Comma Delimited Points|$D/bad.csv",
      "-v|import|-f|Comma Delimited Points|$D/bad.csv",
      "convert|--from|Comma Delimited Points|--to|Tab Delimited Points|$D/bad.csv",
      "export|-f|Tab Delimited Points|$D/empty.xml",
      "-q|export|-f|Tab Delimited Points|$D/empty.xml",
      "export|-f|Tab Delimited Points|$D/broken.xml",
      "export|-f|Tab Delimited Points|$D/missing.xml",
      "import|-f|Tab Delimited Points|$D/missing.txt",
      // FullCodes that is not the last field refers to substitutes never written.
      "generate|points|-n|X|--fields|PointNumber,FullCodes,Northing",
  };
  for (const char* existing : {"", "precious"}) {
    ScratchFolder folder;
    folder.Write("bad.csv", "1001,5000.000,1000.000,100.000,CP\r\nnot a point line\r\n");
    folder.Write("empty.xml", "<?xml version=\"1.0\"?><data><info/></data>");
    folder.Write("broken.xml", "<data><info>");
    if (*existing) folder.Write("out", existing);
    for (const char* args : kRuns) {
      SCOPED_TRACE(std::string(args) + (*existing ? " over a file" : ""));
      const ToolRun run = RunTool(cli_test::Parts(args + std::string("|-o|$D/out"), folder));
      EXPECT_EQ(run.exitCode, 1) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(ReadFile(folder.Path("out")), existing);
      EXPECT_EQ(folder.Names().size(), *existing ? 4u : 3u) << "an output or temporary was left";
      // The first summary line is the last line.
      EXPECT_EQ(run.err.find("compoundparser: "), run.err.rfind('\n', run.err.size() - 2) + 1);
    }
  }
}

// Outputs never replace an input, never write through a link, and a file that
// cannot be written is named as the cause, in one line.
TEST(CliOutputs, SameFileIsRefusedLinksAreReplacedWriteFailuresNamed) {
  ScratchFolder folder;
  const std::string points = "1001,5000.000,1000.000,100.000,CP\r\n";
  folder.Write("in.csv", points);
  folder.Write("other.txt", "precious");
  folder.Write("\xB0.csv", points);
  folder.Write("doc.xml",
               "<?xml version=\"1.0\"?><data><info/><Point><PointNumber>1"
               "</PointNumber><Northing>1</Northing><Easting>2</Easting>"
               "<OrthoHeight>3</OrthoHeight><Code>C</Code></Point></data>");
  std::filesystem::create_symlink(folder.Path("in.csv"), folder.Path("in-link.csv"));
  std::filesystem::create_hard_link(folder.Path("doc.xml"), folder.Path("doc-hard.xml"));
  std::filesystem::create_symlink(folder.Path("other.txt"), folder.Path("out-link.xml"));
  const std::string comma = "Comma Delimited Points";
  const std::string same = "is the input file";
  ExpectRuns(
      {
          {"import|-f|" + comma + "|$D/in.csv|-o|$D/in.csv", 2, "", same},
          {"import|-f|" + comma + "|$D/in.csv|-o|$D/in-link.csv", 2, "", same},
          {"convert|--from|" + comma + "|--to|" + comma + "|$D/in-link.csv|-o|$D/in.csv", 2, "",
           same},
          {"export|-f|" + comma + "|$D/doc.xml|-o|$D/doc-hard.xml", 2, "", same},
          // The link is replaced by the document; the file it named is untouched.
          {"import|-f|" + comma + "|$D/in.csv|-o|$D/out-link.xml", 0},
          {"import|-f|" + comma + "|$D/in.csv|-o|/dev/full", 1, "",
           "^compoundparser: $D/in.csv: cannot write /dev/full: No space left on device; no "
           "output written\n"},
          {"export|-f|" + comma + "|$D/doc.xml|-o|/dev/full", 1, "",
           "compoundparser: $D/doc.xml: Cannot write '/dev/full': No space left on device; no "
           "output written\n"},
          {"--max-input|1K|import|-f|" + comma + "|/dev/zero|-o|$D/zero.xml", 1, "",
           "Could not open input file: it is no regular file (a pipe or a device) and gave more "
           "than 1024 bytes, the most that is read from one"},
          {"--max-input|1X|import|-f|" + comma + "|$D/in.csv", 2, "",
           "--max-input needs a size such as 500M or 2G, got \"1X\""},
          {"import|-f|" + comma + "|$D/\xB0.csv|-o|$D/name.xml", 1, "",
           "The name of the data file cannot be recorded in the document: Byte 0xB0 at offset " +
               std::to_string(folder.Path("").size()) + " is not valid UTF-8; no output written"},
      },
      folder);
  EXPECT_EQ(ReadFile(folder.Path("in.csv")), points);
  EXPECT_EQ(ReadFile(folder.Path("other.txt")), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(folder.Path("out-link.xml")));
  EXPECT_TRUE(Contains(ReadFile(folder.Path("out-link.xml")), "<PointNumber>1001</PointNumber>"));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("zero.xml")));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("name.xml")));
}

TEST(CliProgress, NoProgressBarWhenStandardErrorIsNotATerminal) {
  ScratchFolder folder;
  std::string big;
  for (int i = 0; big.size() < 1536 * 1024; ++i) {
    big += std::to_string(100000 + i) + ",5000.000,1000.000,100.000,CP\r\n";
  }
  const std::string comma = "Comma Delimited Points";
  const ToolRun run = RunTool({"convert", "--from", comma, "--to", comma,
                               folder.Write("big.csv", big), "-o", folder.Path("copy.csv")});
  EXPECT_EQ(run.exitCode, 0);
  // Only the summary line: no bar drawn into a file.
  EXPECT_EQ(run.err, "compoundparser: " + folder.Path("big.csv") +
                         ": read 42510 records (Point 42510) with \"Comma Delimited Points\"; "
                         "wrote 42510 records (Point 42510) with \"Comma Delimited Points\" to " +
                         folder.Path("copy.csv") + "\n");
  EXPECT_EQ(ReadFile(folder.Path("copy.csv")), big);
}

}  // namespace
