// The import and export drivers of a definition: their messages on failure,
// the records an import builds and the bytes an export writes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::string DefinitionPath(const std::string& file) { return TestData("definitions/" + file); }

// A context whose current node is the `data` root of a new document.
struct Context {
  explicit Context(RecordingCallBack* callBack) : param(callBack) {
    param.currentNode = document.AsNode().AppendElement("data");
  }
  XmlDocument document = XmlDocument::Create();
  TParserParam param;
};

class ParseDriver : public ::testing::Test {
 protected:
  // Loads a definition of tests/data/definitions; nullptr gives one never loaded.
  std::unique_ptr<FormatDefinition> Loaded(const char* file) {
    if (file == nullptr) return std::make_unique<FormatDefinition>("never-loaded.xml", nullptr);
    auto definition = std::make_unique<FormatDefinition>(DefinitionPath(file), &loadMessages);
    EXPECT_TRUE(definition->Load());
    return definition;
  }
  // Imports points.txt with points_delimited.xml into `context`.
  std::unique_ptr<FormatDefinition> ImportPoints(Context& context) {
    auto definition = Loaded("points_delimited.xml");
    EXPECT_TRUE(definition->ParseFile(DefinitionPath("points.txt"), context.param));
    return definition;
  }

  TempFolder folder;
  RecordingCallBack loadMessages;
  RecordingCallBack callBack;
};

TEST_F(ParseDriver, ImportFailuresGiveTheirMessage) {
  const struct {
    const char* definition;  // nullptr: never loaded
    const char* bytes;       // nullptr: the data file does not exist
    std::string messages;
  } cases[] = {
      {nullptr, "1234567", "4:No Root Parser"},
      {"seven_bytes.xml", nullptr, "4:Could not open input file: " + SystemErrorText(ENOENT)},
      {"seven_bytes.xml", "", "4:Input file has null legnth"},
      {"seven_bytes.xml", "1234567890", "4:File not parsed completely. Parsed only 7 bytes of 10"},
      // A literal longer than the file fails without setting the last error.
      {"seven_bytes.xml", "abc", "4:"},
      // The repetition stops after the first complete record.
      {"points_delimited.xml", "P1,2,3\r\nP2,5",
       "4:File not parsed completely. Parsed only 8 bytes of 12"},
      // A document error ends the run without a message.
      {"bad_element_name.xml", "ab", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.messages);
    auto definition = Loaded(c.definition);
    const std::string path = c.bytes ? folder.Write("in.txt", c.bytes) : folder.Path("none.txt");
    RecordingCallBack local;
    Context context(&local);
    EXPECT_FALSE(definition->ParseFile(path, context.param));
    EXPECT_EQ(local.Joined(), c.messages);
  }
}

TEST_F(ParseDriver, FailedRootSendsTheLastError) {
  auto definition = Loaded("seven_bytes.xml");
  Context context(&callBack);
  EXPECT_FALSE(definition->ParseFile(folder.Write("mismatch.txt", "abcdefghij"), context.param));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_FALSE(context.param.lastError.empty());
  EXPECT_EQ(callBack.messages[0].text, context.param.lastError);

  // A failure that sets no text sends what an earlier run left behind.
  callBack.messages.clear();
  context.param.lastError = "left from before";
  EXPECT_FALSE(definition->ParseFile(folder.Write("short.txt", "abc"), context.param));
  EXPECT_EQ(callBack.Joined(), "4:left from before");
}

TEST_F(ParseDriver, SecondImportClosesTheFirstFile) {
  auto definition = Loaded("seven_bytes.xml");
  Context context(&callBack);
  ASSERT_TRUE(definition->ParseFile(folder.Write("first.txt", "1234567"), context.param));
  ASSERT_TRUE(definition->ParseFile(folder.Write("second.txt", "1234567"), context.param));
  EXPECT_EQ(context.param.file.FileName(), folder.Path("second.txt"));
  EXPECT_TRUE(callBack.messages.empty());
}

TEST_F(ParseDriver, ImportBuildsTheRecordsAndExportWritesThemBack) {
  Context imported(&callBack);
  auto definition = ImportPoints(imported);
  EXPECT_TRUE(callBack.messages.empty());
  const std::vector<XmlNode> points = imported.document.AsNode().SelectNodes("/data/Point");
  ASSERT_EQ(points.size(), 3u);
  const char* kExpected[][3] = {
      {"P1", "100.5", "200.25"}, {"P2", "-3", "4000"}, {"BM7", "0.001", "12"}};
  for (size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(i);
    const char* fields[] = {"Name", "East", "North"};
    for (int f = 0; f < 3; ++f) {
      const XmlNode element = points[i].FirstChildElement(fields[f]);
      ASSERT_FALSE(element.IsNull());
      EXPECT_EQ(element.FirstChild().Value().value_or(""), kExpected[i][f]);
    }
  }

  TParserParam exportParam(&callBack);
  exportParam.currentNode = imported.document.DocumentElement();
  exportParam.totalCount = definition->CountRepeatedGroup(exportParam.currentNode, callBack);
  EXPECT_EQ(exportParam.totalCount, 3);
  ASSERT_TRUE(definition->ParseXml(folder.Path("out.txt"), exportParam));
  EXPECT_EQ(ReadFile(folder.Path("out.txt")), ReadFile(DefinitionPath("points.txt")));
  EXPECT_EQ(exportParam.writtenCount, 3);
  EXPECT_TRUE(imported.document.AsNode().SelectNodes("/data/Point").empty());
  EXPECT_TRUE(callBack.messages.empty());
}

TEST_F(ParseDriver, ExportsWithoutRecordsAreSilent) {
  const struct {
    const char* definition;  // nullptr: never loaded
    const char* output;
    bool ok;
    const char* written;  // nullptr: no file
  } cases[] = {
      {nullptr, "out.txt", false, nullptr},
      {"points_delimited.xml", "no_such_folder/out.txt", false, nullptr},
      // The literal writes itself; nothing depends on the document.
      {"seven_bytes.xml", "out.txt", true, "1234567"},
      {"points_delimited.xml", "out.txt", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.definition ? c.definition : "none") + " " + c.output);
    std::filesystem::remove(folder.Path("out.txt"));
    auto definition = Loaded(c.definition);
    Context context(&callBack);
    EXPECT_EQ(definition->ParseXml(folder.Path(c.output), context.param), c.ok);
    EXPECT_EQ(std::filesystem::exists(folder.Path(c.output)), c.written != nullptr);
    if (c.written != nullptr) {
      EXPECT_EQ(ReadFile(folder.Path(c.output)), c.written);
    }
    EXPECT_TRUE(callBack.messages.empty());
  }
}

TEST_F(ParseDriver, ExportFileErrorSendsTheSystemText) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  Context imported(&callBack);
  auto definition = ImportPoints(imported);
  TParserParam exportParam(&callBack);
  exportParam.currentNode = imported.document.DocumentElement();
  EXPECT_FALSE(definition->ParseXml("/dev/full", exportParam));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_EQ(callBack.messages[0].kind, kKindFileError);
  EXPECT_EQ(callBack.messages[0].text, SystemErrorText(ENOSPC));
}

}  // namespace
}  // namespace compoundparser::testing
