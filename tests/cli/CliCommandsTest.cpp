// The subcommands of the tool on the bundled formats and samples: listing,
// round trips byte for byte, conversion, variables, checking and generating.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

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

struct Sample {
  const char* format;
  const char* file;
  const char* record;  // the repeated element of the document
  int records;
};

const Sample kSamples[] = {
    {"Comma Delimited Points", "examples/points-comma.csv", "<Point>", 4},
    {"Tab Delimited Points", "examples/points-tab.txt", "<Point>", 4},
    {"Space Delimited Points", "examples/points-space.txt", "<Point>", 4},
    {"GPS Vectors (CSV)", "examples/gps-vectors.csv", "<Vector>", 3},
    {"Raw Observations (CSV)", "examples/raw-observations.csv", "<Observation>", 3},
};

int CountOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(CliFormats, JsonParsesBackWithEveryBundledFormat) {
  const ToolRun run = RunTool({"formats", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json list = nlohmann::json::parse(run.out);
  ASSERT_TRUE(list.is_array());
  std::set<std::string> names;
  for (size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& entry = list[i];
    SCOPED_TRACE(entry.dump());
    EXPECT_EQ(entry.at("position").get<size_t>(), i);
    for (const char* key : {"name", "type", "fileMask", "file"}) {
      EXPECT_TRUE(entry.at(key).is_string()) << key;
    }
    for (const char* key : {"import", "export", "totalStationImport", "totalStationExport"}) {
      EXPECT_TRUE(entry.at(key).is_boolean()) << key;
    }
    EXPECT_TRUE(FileExists(entry.at("file").get<std::string>()));
    names.insert(entry.at("name").get<std::string>());
    if (entry.at("name") == "Comma Delimited Points") {
      EXPECT_EQ(entry.at("type"), "Points");
      EXPECT_EQ(entry.at("fileMask"), "*.csv");
      EXPECT_EQ(entry.at("import"), true);
      EXPECT_EQ(entry.at("export"), true);
      EXPECT_TRUE(Contains(entry.at("file").get<std::string>(), "points-comma.xml"));
    }
  }
  for (const Sample& sample : kSamples) EXPECT_EQ(names.count(sample.format), 1u) << sample.format;
  // The table shows the same catalogue.
  const ToolRun table = RunTool({"formats"});
  ASSERT_EQ(table.exitCode, 0);
  EXPECT_EQ(CountOf(table.out, "\n"), static_cast<int>(list.size()) + 1);
  for (const auto& entry : list) {
    EXPECT_TRUE(Contains(table.out, entry.at("name").get<std::string>()));
  }
}

TEST(CliRoundTrip, EverySampleComesBackByteForByte) {
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(sample.format);
    ScratchFolder folder;
    const std::string original = ReadFile(SourcePath(sample.file));
    ASSERT_FALSE(original.empty());
    const ToolRun imported = RunTool(
        {"import", "-f", sample.format, SourcePath(sample.file), "-o", folder.Path("d.xml")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const std::string document = ReadFile(folder.Path("d.xml"));
    EXPECT_EQ(CountOf(document, sample.record), sample.records);
    const ToolRun exported =
        RunTool({"export", "-f", sample.format, folder.Path("d.xml"), "-o", folder.Path("out")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(ReadFile(folder.Path("out")), original);
  }
}

TEST(CliImport, StandardOutputAndDefinitionFileGiveTheSameDocument) {
  ScratchFolder folder;
  const std::string input = SourcePath("examples/points-comma.csv");
  const ToolRun toFile =
      RunTool({"import", "-f", "Comma Delimited Points", input, "-o", folder.Path("d.xml")});
  const ToolRun toStdout = RunTool({"import", "-f", "Comma Delimited Points", input});
  const ToolRun byFile = RunTool({"import", "-f", SourcePath("Formats/points-comma.xml"), input});
  ASSERT_EQ(toFile.exitCode, 0);
  ASSERT_EQ(toStdout.exitCode, 0);
  ASSERT_EQ(byFile.exitCode, 0);
  EXPECT_EQ(toStdout.out, ReadFile(folder.Path("d.xml")));
  EXPECT_EQ(byFile.out, toStdout.out);
  EXPECT_TRUE(Contains(toStdout.out, "<Easting>1020.250</Easting>"));
  EXPECT_EQ(toStdout.err, "");
}

TEST(CliConvert, PointSamplesConvertIntoEachOther) {
  const struct {
    const char* from;
    const char* input;
    const char* to;
    const char* expected;
  } kCases[] = {
      {"Comma Delimited Points", "examples/points-comma.csv", "Tab Delimited Points",
       "examples/points-tab.txt"},
      {"Tab Delimited Points", "examples/points-tab.txt", "Space Delimited Points",
       "examples/points-space.txt"},
      {"Space Delimited Points", "examples/points-space.txt", "Comma Delimited Points",
       "examples/points-comma.csv"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    ScratchFolder folder;
    const ToolRun run = RunTool(
        {"convert", "--from", c.from, "--to", c.to, SourcePath(c.input), "-o", folder.Path("out")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(folder.Path("out")), ReadFile(SourcePath(c.expected)));
  }
}

TEST(CliGuideExample, DefinitionOfTheGuideRoundTripsAndConverts) {
  ScratchFolder folder;
  const std::string definition = SourcePath("examples/guide-points.xml");
  const std::string sample = SourcePath("examples/guide-points.txt");
  ASSERT_EQ(RunTool({"import", "-f", definition, sample, "-o", folder.Path("g.xml")}).exitCode, 0);
  ASSERT_EQ(RunTool({"export", "-f", definition, folder.Path("g.xml"), "-o", folder.Path("g.txt")})
                .exitCode,
            0);
  EXPECT_EQ(ReadFile(folder.Path("g.txt")), ReadFile(sample));
  const ToolRun converted = RunTool(
      {"convert", "--from", definition, "--to", "Comma Delimited Points", sample, "-o", "-"});
  ASSERT_EQ(converted.exitCode, 0) << converted.err;
  EXPECT_EQ(converted.out,
            "P001,5000.000,1000.000,100.000,CP\r\nP002,5012.345,1020.250,101.125,TREE\r\n"
            "P003,5030.100,1041.875,99.870,FENCE POST\r\n");
  // The fault shown in the guide: a letter in a number stops the import there.
  std::string bad = ReadFile(sample);
  bad[bad.find("5012")] = 'O';
  WriteFile(folder.Path("bad.txt"), bad);
  const ToolRun failed = RunTool({"-v", "import", "-f", definition, folder.Path("bad.txt")});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_TRUE(Contains(failed.err, "error: FormatParser: Type of element mismatch"));
  EXPECT_TRUE(Contains(failed.err, "Parsed only 50 bytes"));
}

TEST(CliSet, StrictFormatVariableKeepsBadLinesAsErrorLines) {
  ScratchFolder folder;
  WriteFile(folder.Path("bad.csv"), "1001,5000.000,1000.000,100.000,CP\r\nnot a point line\r\n");
  const ToolRun strict = RunTool({"import", "-f", "Comma Delimited Points", "--set",
                                  "StrictFormat=true", folder.Path("bad.csv")});
  ASSERT_EQ(strict.exitCode, 0) << strict.err;
  EXPECT_TRUE(Contains(strict.out, "<ErrorLine>not a point line</ErrorLine>"));
  EXPECT_EQ(CountOf(strict.out, "<Point>"), 1);
}

TEST(CliCheck, BundledAndGeneratedDefinitionsLoadAndShowWhatTheyDeclare) {
  const struct {
    const char* file;                   // a bundled definition, or nullptr
    std::vector<std::string> generate;  // else the generator's arguments
    std::vector<const char*> shown;
  } kCases[] = {
      {"Formats/points-comma.xml", {}, {"repeated groups:  Point", "OrthoHeight"}},
      {"Formats/gps-vectors-csv.xml", {}, {"repeated groups:  Vector", "RoverAntennaHeight"}},
      {"Formats/raw-observations-csv.xml", {}, {"repeated groups:  Observation", "SlopeDistance"}},
      {nullptr,
       {"points", "--header", "--control-codes", "--attributes", "--fields",
        "PointNumber,Latitude,Longitude,FullCodes"},
       {"type:             Points"}},
      {nullptr,
       {"vectors", "--control-codes", "--fields", "DX,DY,DZ,FullCodes"},
       {"type:             GPS"}},
      {nullptr,
       {"raw", "--fields", "PointNumber,HorizontalAngle,ControlCode"},
       {"type:             Measure"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file ? c.file : c.generate[0]);
    ScratchFolder folder;
    const std::string definition = c.file ? SourcePath(c.file) : folder.Path("g.xml");
    if (c.file == nullptr) {
      std::vector<std::string> args = {"generate"};
      args.insert(args.end(), c.generate.begin(), c.generate.end());
      args.insert(args.end(), {"-n", "Generated", "-o", definition});
      const ToolRun made = RunTool(args);
      ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    const ToolRun run = RunTool({"check", definition});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, ": loaded\n"));
    for (const char* part : c.shown) EXPECT_TRUE(Contains(run.out, part));
    if (c.file != nullptr) {
      EXPECT_FALSE(Contains(run.out, "substitutes:      (none)"));
    }
  }
}

TEST(CliGenerate, PointFormatIsWrittenAndImportsData) {
  ScratchFolder folder;
  const ToolRun made =
      RunTool({"generate", "points", "-n", "Semicolon Points", "-d", ";", "--fields",
               "PointNumber,Easting,Northing", "--latlon", "nosep", "-o", folder.Path("semi.xml")});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string definition = ReadFile(folder.Path("semi.xml"));
  EXPECT_TRUE(Contains(definition, "name=\"Semicolon Points\""));
  EXPECT_TRUE(Contains(definition, "3B"));
  EXPECT_TRUE(Contains(definition, "default=\"NoSep\""));
  WriteFile(folder.Path("p.txt"), "7;100.5;200.25\r\n8;101.5;201.25\r\n");
  const ToolRun imported = RunTool({"import", "-f", folder.Path("semi.xml"), folder.Path("p.txt")});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_TRUE(Contains(imported.out, "<Northing>201.25</Northing>"));
  EXPECT_EQ(folder.Names().size(), 2u);  // no temporary file left behind
}

TEST(CliGenerate, DelimiterSpellingsGiveTheSameDefinition) {
  ScratchFolder folder;
  const char* kSpellings[] = {"\t", "09", "tab"};
  std::string first;
  for (const char* spelling : kSpellings) {
    SCOPED_TRACE(spelling);
    const ToolRun run = RunTool({"generate", "points", "-n", "T", "-d", spelling, "--fields",
                                 "PointNumber,Code", "-o", folder.Path("t.xml")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string text = ReadFile(folder.Path("t.xml"));
    EXPECT_TRUE(Contains(text, ">09<"));
    if (first.empty()) first = text;
    EXPECT_EQ(text, first);
  }
}

TEST(CliGenerate, WithoutOutputGoesToTheUserFormatsFolderAndIsListed) {
  const ToolRun made = RunTool(
      {"generate", "raw", "-n", "User Raw Format", "--fields", "PointNumber,SlopeDistance"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string path = cli_test::UserFolderOfRuns() + "/Formats/User_Raw_Format.xml";
  EXPECT_TRUE(FileExists(path));
  const nlohmann::json list = nlohmann::json::parse(RunTool({"formats", "--json"}).out);
  bool listed = false;
  for (const auto& entry : list) listed = listed || entry.at("name") == "User Raw Format";
  EXPECT_TRUE(listed);
  std::remove(path.c_str());
}

TEST(CliHelp, HelpAndVersionSucceed) {
  const ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "Examples:"));
  for (const char* command : {"formats", "import", "export", "convert", "check", "generate"}) {
    EXPECT_TRUE(Contains(help.out, command)) << command;
  }
  const ToolRun version = RunTool({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("compoundparser ", 0), 0u) << version.out;
}

}  // namespace
