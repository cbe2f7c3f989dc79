#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "host/HostError.h"

namespace compoundparser {
namespace {

using testing::Message;
using testing::RecordingCallBack;

std::string DefinitionPath(const std::string& file) {
  return std::string(CP_TEST_DATA_DIR) + "/definitions/" + file;
}

// Writes `bytes` to a file in the test's temporary folder and returns its path.
std::string WriteTemp(const std::string& name, const std::string& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

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
  // Loads a definition of tests/data/definitions.
  std::unique_ptr<FormatDefinition> Loaded(const std::string& file) {
    auto definition = std::make_unique<FormatDefinition>(DefinitionPath(file), &loadMessages);
    EXPECT_TRUE(definition->Load());
    return definition;
  }

  RecordingCallBack loadMessages;
  RecordingCallBack callBack;
};

TEST_F(ParseDriver, WithoutRootParserImportReportsAndExportIsSilent) {
  FormatDefinition definition("never-loaded.xml", &loadMessages);
  Context context(&callBack);
  EXPECT_FALSE(definition.ParseFile(DefinitionPath("points.txt"), context.param));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_EQ(callBack.messages[0].kind, kKindError);
  EXPECT_EQ(callBack.messages[0].text, "No Root Parser");

  callBack.messages.clear();
  const std::string output = ::testing::TempDir() + "no_root_output.txt";
  std::remove(output.c_str());
  EXPECT_FALSE(definition.ParseXml(output, context.param));
  EXPECT_TRUE(callBack.messages.empty());
  EXPECT_FALSE(Exists(output));
}

struct ImportFailure {
  const char* definition;
  const char* name;  // data file written to the temporary folder
  const char* bytes;
  const char* message;
};

const ImportFailure kImportFailures[] = {
    {"seven_bytes.xml", "empty.txt", "", "Input file has null legnth"},
    {"seven_bytes.xml", "ten.txt", "1234567890",
     "File not parsed completely. Parsed only 7 bytes of 10"},
    // A literal longer than the file fails without setting the last error.
    {"seven_bytes.xml", "short.txt", "abc", ""},
    // The repetition stops after the first complete record.
    {"points_delimited.xml", "unterminated.txt", "P1,2,3\r\nP2,5",
     "File not parsed completely. Parsed only 8 bytes of 12"},
};

TEST_F(ParseDriver, ImportFailuresGiveTheirMessage) {
  for (const ImportFailure& c : kImportFailures) {
    SCOPED_TRACE(c.name);
    auto definition = Loaded(c.definition);
    const std::string path = WriteTemp(c.name, c.bytes);
    RecordingCallBack local;
    Context context(&local);
    EXPECT_FALSE(definition->ParseFile(path, context.param));
    ASSERT_FALSE(local.messages.empty());
    EXPECT_EQ(local.messages.back().kind, kKindError);
    EXPECT_EQ(local.messages.back().text, c.message);
  }
}

TEST_F(ParseDriver, MissingFileReportsTheSystemText) {
  auto definition = Loaded("seven_bytes.xml");
  Context context(&callBack);
  EXPECT_FALSE(definition->ParseFile(DefinitionPath("no_such_file.txt"), context.param));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_EQ(callBack.messages[0].kind, kKindError);
  EXPECT_EQ(callBack.messages[0].text, "Could not open input file: " + SystemErrorText(ENOENT));
}

TEST_F(ParseDriver, FailedRootSendsTheLastError) {
  auto definition = Loaded("seven_bytes.xml");
  const std::string mismatch = WriteTemp("mismatch.txt", "abcdefghij");
  Context context(&callBack);
  EXPECT_FALSE(definition->ParseFile(mismatch, context.param));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_FALSE(context.param.lastError.empty());
  EXPECT_EQ(callBack.messages[0].text, context.param.lastError);

  // A failure that sets no text sends what an earlier run left behind.
  callBack.messages.clear();
  context.param.lastError = "left from before";
  EXPECT_FALSE(definition->ParseFile(WriteTemp("short2.txt", "abc"), context.param));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_EQ(callBack.messages[0].text, "left from before");
}

TEST_F(ParseDriver, DocumentErrorDuringImportEndsTheRunSilently) {
  auto definition = Loaded("bad_element_name.xml");
  Context context(&callBack);
  EXPECT_FALSE(definition->ParseFile(WriteTemp("two.txt", "ab"), context.param));
  EXPECT_TRUE(callBack.messages.empty());
}

TEST_F(ParseDriver, SecondImportClosesTheFirstFile) {
  auto definition = Loaded("seven_bytes.xml");
  const std::string first = WriteTemp("first7.txt", "1234567");
  const std::string second = WriteTemp("second7.txt", "1234567");
  Context context(&callBack);
  ASSERT_TRUE(definition->ParseFile(first, context.param));
  ASSERT_TRUE(definition->ParseFile(second, context.param));
  EXPECT_EQ(context.param.file.FileName(), second);
  EXPECT_TRUE(callBack.messages.empty());
}

// Imports points.txt with points_delimited.xml into `context`.
void ImportPoints(FormatDefinition& definition, Context& context) {
  ASSERT_TRUE(definition.ParseFile(DefinitionPath("points.txt"), context.param));
}

TEST_F(ParseDriver, ImportBuildsTheRecordsOfTheDataFile) {
  auto definition = Loaded("points_delimited.xml");
  Context context(&callBack);
  ImportPoints(*definition, context);
  EXPECT_TRUE(callBack.messages.empty());
  const std::vector<XmlNode> points = context.document.AsNode().SelectNodes("/data/Point");
  ASSERT_EQ(points.size(), 3u);
  const char* kExpected[][3] = {{"P1", "100.5", "200.25"}, {"P2", "-3", "4000"},
                                {"BM7", "0.001", "12"}};
  for (size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(i);
    const char* fields[] = {"Name", "East", "North"};
    for (int f = 0; f < 3; ++f) {
      const XmlNode element = points[i].FirstChildElement(fields[f]);
      ASSERT_FALSE(element.IsNull());
      EXPECT_EQ(element.FirstChild().Value().value_or(""), kExpected[i][f]);
    }
  }
}

TEST_F(ParseDriver, ExportWritesTheImportedRecordsBackByteForByte) {
  auto definition = Loaded("points_delimited.xml");
  Context imported(&callBack);
  ImportPoints(*definition, imported);

  TParserParam exportParam(&callBack);
  exportParam.currentNode = imported.document.DocumentElement();
  exportParam.totalCount = definition->CountRepeatedGroup(exportParam.currentNode, callBack);
  EXPECT_EQ(exportParam.totalCount, 3);
  const std::string output = ::testing::TempDir() + "points_export.txt";
  ASSERT_TRUE(definition->ParseXml(output, exportParam));
  EXPECT_EQ(ReadAll(output), ReadAll(DefinitionPath("points.txt")));
  EXPECT_EQ(exportParam.writtenCount, 3);
  EXPECT_TRUE(imported.document.AsNode().SelectNodes("/data/Point").empty());
  EXPECT_TRUE(callBack.messages.empty());
}

TEST_F(ParseDriver, ExportThatCannotCreateItsFileFailsSilently) {
  auto definition = Loaded("points_delimited.xml");
  Context context(&callBack);
  const std::string output = ::testing::TempDir() + "no_such_folder/out.txt";
  EXPECT_FALSE(definition->ParseXml(output, context.param));
  EXPECT_TRUE(callBack.messages.empty());
  EXPECT_FALSE(Exists(output));
}

TEST_F(ParseDriver, ExportFileErrorSendsTheSystemText) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  auto definition = Loaded("points_delimited.xml");
  Context imported(&callBack);
  ImportPoints(*definition, imported);

  TParserParam exportParam(&callBack);
  exportParam.currentNode = imported.document.DocumentElement();
  EXPECT_FALSE(definition->ParseXml("/dev/full", exportParam));
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_EQ(callBack.messages[0].kind, kKindFileError);
  EXPECT_EQ(callBack.messages[0].text, SystemErrorText(ENOSPC));
}

TEST_F(ParseDriver, ExportWithoutRecordsStillCreatesTheFile) {
  auto definition = Loaded("seven_bytes.xml");
  RecordingCallBack local;
  Context context(&local);
  // The literal writes itself; nothing depends on the document.
  const std::string output = ::testing::TempDir() + "seven_export.txt";
  ASSERT_TRUE(definition->ParseXml(output, context.param));
  EXPECT_EQ(ReadAll(output), "1234567");

  auto points = Loaded("points_delimited.xml");
  const std::string none = ::testing::TempDir() + "no_points_export.txt";
  EXPECT_TRUE(points->ParseXml(none, context.param));
  EXPECT_TRUE(Exists(none));
  EXPECT_EQ(ReadAll(none), "");
}

}  // namespace
}  // namespace compoundparser
