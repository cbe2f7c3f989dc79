// The import and export drivers of a definition: their messages on failure,
// the records an import builds and the bytes an export writes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <tuple>

#include "definitions/FormatDefinition.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::string DefinitionPath(const std::string& file) { return TestData("definitions/" + file); }

// Loads a definition of tests/data/definitions; nullptr gives one never loaded.
std::unique_ptr<FormatDefinition> Loaded(const char* file) {
  auto definition =
      std::make_unique<FormatDefinition>(file ? DefinitionPath(file) : "never.xml", nullptr);
  if (file) {
    EXPECT_TRUE(definition->Load());
  }
  return definition;
}

TEST(ParseDriver, ImportFailuresGiveTheirMessage) {
  // definition (nullptr: never loaded), bytes (nullptr: the data file does not exist), messages
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {nullptr, "1234567", "4:No Root Parser"},
      {"seven_bytes.xml", nullptr, "4:Could not open input file: " + SystemErrorText(ENOENT)},
      {"seven_bytes.xml", "", "4:Input file has null legnth"},
      {"seven_bytes.xml", "1234567890", "4:File not parsed completely. Parsed only 7 bytes of 10"},
      {"seven_bytes.xml", "abc", "4:"},  // a literal longer than the file sets no last error
      {"seven_bytes.xml", "abcdefghij", "4:In 0 pos. literal '1234567' not found"},
      // The repetition stops after the first complete record.
      {"points_delimited.xml", "P1,2,3\r\nP2,5",
       "4:File not parsed completely. Parsed only 8 bytes of 12"},
      {"bad_element_name.xml", "ab", ""},  // a document error ends the run without a message
  };
  TempFolder folder;
  for (const auto& [definition, bytes, messages] : cases) {
    SCOPED_TRACE(messages);
    Harness h;
    EXPECT_FALSE(
        Loaded(definition)
            ->ParseFile(bytes ? folder.Write("in.txt", bytes) : folder.Path("none.txt"), h.param));
    EXPECT_EQ(h.callBack.Joined(), messages);
  }
}

TEST(ParseDriver, FailureSendsWhatAnEarlierRunLeftAndSecondImportClosesTheFirstFile) {
  TempFolder folder;
  auto definition = Loaded("seven_bytes.xml");
  Harness h;
  h.param.lastError = "left from before";
  EXPECT_FALSE(definition->ParseFile(folder.Write("short.txt", "abc"), h.param));
  EXPECT_EQ(h.callBack.Joined(), "4:left from before");
  h.callBack.messages.clear();
  ASSERT_TRUE(definition->ParseFile(folder.Write("first.txt", "1234567"), h.param));
  ASSERT_TRUE(definition->ParseFile(folder.Write("second.txt", "1234567"), h.param));
  EXPECT_EQ(h.param.file.FileName(), folder.Path("second.txt"));
  EXPECT_TRUE(h.callBack.messages.empty());
}

TEST(ParseDriver, ImportBuildsTheRecordsAndExportWritesThemBack) {
  TempFolder folder;
  auto definition = Loaded("points_delimited.xml");
  Harness h;
  ASSERT_TRUE(definition->ParseFile(DefinitionPath("points.txt"), h.param));
  h.doc.DocumentElement().AppendElement("Other");
  TParserParam exportParam(&h.callBack);
  exportParam.currentNode = h.doc.DocumentElement();
  exportParam.totalCount = definition->CountRepeatedGroup(exportParam.currentNode, h.callBack);
  EXPECT_EQ(exportParam.totalCount, 3);
  ASSERT_TRUE(definition->ParseXml(folder.Path("out.txt"), exportParam));
  EXPECT_EQ(ReadFile(folder.Path("out.txt")), ReadFile(DefinitionPath("points.txt")));
  EXPECT_EQ(exportParam.writtenCount, 3);
  // Each written group reports its progress; only the groups written are removed.
  EXPECT_EQ(h.callBack.progress.back(), std::make_pair(3ul, 2ul));
  EXPECT_EQ(h.doc.AsNode().SelectNodes("/data/*").size(), 1u);
  EXPECT_TRUE(h.doc.AsNode().SelectNodes("/data/Point").empty());
  EXPECT_TRUE(h.callBack.messages.empty());
}

TEST(ParseDriver, ExportsWithoutRecordsAreSilent) {
  // definition (nullptr: never loaded), output, written (nullptr: fails and leaves no file)
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {nullptr, "out.txt", nullptr},
      {"points_delimited.xml", "no_such_folder/out.txt", nullptr},
      {"seven_bytes.xml", "out.txt", "1234567"},  // the literal writes itself
      {"points_delimited.xml", "out.txt", ""},
  };
  for (const auto& [definition, output, written] : cases) {
    SCOPED_TRACE(std::string(definition ? definition : "none") + " " + output);
    TempFolder folder;
    Harness h;
    EXPECT_EQ(Loaded(definition)->ParseXml(folder.Path(output), h.param), written != nullptr);
    EXPECT_EQ(std::filesystem::exists(folder.Path(output)), written != nullptr);
    if (written) {
      EXPECT_EQ(ReadFile(folder.Path(output)), written);
    }
    EXPECT_TRUE(h.callBack.messages.empty());
  }
}

TEST(ParseDriver, ExportFileErrorSendsTheSystemText) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  auto definition = Loaded("points_delimited.xml");
  Harness h;
  ASSERT_TRUE(definition->ParseFile(DefinitionPath("points.txt"), h.param));
  h.param.currentNode = h.doc.DocumentElement();
  EXPECT_FALSE(definition->ParseXml("/dev/full", h.param));
  EXPECT_EQ(h.callBack.messages, (std::vector<Message>{{kKindFileError, SystemErrorText(ENOSPC)}}));
}

}  // namespace
}  // namespace compoundparser::testing
