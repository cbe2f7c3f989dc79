// Definitions built to exhaust the library: nesting beyond the XML layer's
// limit, substitute chains that double or grow deep, a repetition without a
// practical end and a radio of 10,000 alternatives. Each must give a clear
// result in bounded time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"

namespace compoundparser {
namespace {

namespace fs = std::filesystem;

// Generous enough for a sanitizer build on a busy machine; the unbounded
// cases would take hours.
constexpr double kSecondsAllowed = 20.0;

class RecordingCallBack : public TParserCallBack {
 public:
  void OnMessage(int, std::string text) override { messages.push_back(std::move(text)); }
  void OnProgress(unsigned long, unsigned long) override {}
  std::string All() const {
    std::string all;
    for (const std::string& m : messages) all += m + "\n";
    return all;
  }
  std::vector<std::string> messages;
};

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class HostileDefinition : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(testing::TempDir()) /
              ("hostile-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Returns a definition file with `substitutes` before the parser section `parser`.
  std::string Definition(const std::string& substitutes, const std::string& parser) {
    return Write("definition.xml", "<?xml version=\"1.0\"?>\n<format type=\"T\" name=\"Hostile\">\n" +
                                       substitutes + "<parser>" + parser + "</parser>\n</format>\n");
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

// Returns `count` nested copies of <open> ... </close> around `inner`.
std::string Nested(int count, const std::string& open, const std::string& close,
                   const std::string& inner) {
  std::string text;
  for (int i = 0; i < count; ++i) text += open;
  text += inner;
  for (int i = 0; i < count; ++i) text += close;
  return text;
}

// Returns substitutes S0..S`levels` where each refers `uses` times to the one before.
std::string SubstituteChain(int levels, int uses) {
  std::string text = "<substitute id=\"S0\"><assign variable=\"v\" value=\"1\"/></substitute>\n";
  for (int i = 1; i <= levels; ++i) {
    text += "<substitute id=\"S" + std::to_string(i) + "\">";
    for (int k = 0; k < uses; ++k) text += "<subst id=\"S" + std::to_string(i - 1) + "\"/>";
    text += "</substitute>\n";
  }
  return text;
}

TEST_F(HostileDefinition, NestingBeyondTheXmlLimitIsRefusedWithItsParseError) {
  const std::string file = Definition("", Nested(1100, "<optional>", "</optional>", "<literal>x</literal>"));
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  Stopwatch watch;
  EXPECT_FALSE(definition.Load());
  EXPECT_LT(watch.Seconds(), kSecondsAllowed);
  EXPECT_EQ(definition.RootParser(), nullptr);
  ASSERT_FALSE(callBack.messages.empty());
  EXPECT_NE(callBack.All().find("1024"), std::string::npos) << callBack.All();
}

TEST_F(HostileDefinition, NestingWithinTheLimitLoadsAndRuns) {
  const std::string file = Definition("", Nested(1000, "<optional>", "</optional>", "<literal>x</literal>"));
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  ASSERT_TRUE(definition.Load()) << callBack.All();
  InstrumentData data(definition, &callBack);
  EXPECT_TRUE(data.ParseRead(Write("x.txt", "x"), definition)) << callBack.All();
}

TEST_F(HostileDefinition, DoublingSubstituteChainIsRefusedAtLoad) {
  // 30 levels of two uses each: 2^30 visits of the innermost node per pass.
  const std::string file = Definition(SubstituteChain(30, 2), "<subst id=\"S30\"/><literal>x</literal>");
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  Stopwatch watch;
  EXPECT_FALSE(definition.Load());
  EXPECT_LT(watch.Seconds(), kSecondsAllowed);
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_NE(callBack.messages[0].find("too large"), std::string::npos) << callBack.messages[0];
}

TEST_F(HostileDefinition, ModestSubstituteChainStillRuns) {
  // 2^10 visits per pass are far inside the bound.
  const std::string file = Definition(SubstituteChain(10, 2), "<subst id=\"S10\"/><literal>x</literal>");
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  ASSERT_TRUE(definition.Load()) << callBack.All();
  InstrumentData data(definition, &callBack);
  EXPECT_TRUE(data.ParseRead(Write("x.txt", "x"), definition)) << callBack.All();
  EXPECT_TRUE(data.vars.isValue("v", "1"));
}

TEST_F(HostileDefinition, DeepSingleSubstituteChainIsRefusedAtLoad) {
  // Each level is one more nested call on import and export.
  const std::string file = Definition(SubstituteChain(3000, 1), "<subst id=\"S3000\"/>");
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  EXPECT_FALSE(definition.Load());
  ASSERT_EQ(callBack.messages.size(), 1u);
  EXPECT_NE(callBack.messages[0].find("levels"), std::string::npos) << callBack.messages[0];
}

// A document with three Point records named P1, P2, P3.
const char kThreePoints[] =
    "<?xml version=\"1.0\"?><data><Point><Name>P1</Name></Point><Point><Name>P2</Name></Point>"
    "<Point><Name>P3</Name></Point></data>";

struct WriteCountCase {
  const char* writecount;
  const char* exported;
};

const WriteCountCase kWriteCounts[] = {
    // The default limit: a pass that removes nothing and changes no variable
    // ends the repetition after writing it once.
    {"2147483647", "P1;"},
    {"0", "P1;"},
    // An explicit count is honoured.
    {"4", "P1;P1;P1;P1;"},
};

TEST_F(HostileDefinition, RepetitionOfGroupsWithoutRepeatedNodeEnds) {
  for (const WriteCountCase& c : kWriteCounts) {
    SCOPED_TRACE(c.writecount);
    const std::string file = Definition(
        "", std::string("<repeat writecount=\"") + c.writecount +
                "\"><group id=\"Point\"><terminated><element id=\"Name\"/><literal>;</literal>"
                "</terminated></group></repeat>");
    RecordingCallBack callBack;
    FormatDefinition definition(file, &callBack);
    ASSERT_TRUE(definition.Load()) << callBack.All();
    InstrumentData data(definition, &callBack);
    ASSERT_TRUE(data.LoadXml(Write("points.xml", kThreePoints)));
    // The export driver, run directly: with no repeated group the export
    // operation would stop before it for want of records.
    data.currentNode = data.GetDocument().DocumentElement();
    data.callBack = &callBack;
    Stopwatch watch;
    EXPECT_TRUE(definition.ParseXml(Path("out.txt"), data)) << callBack.All();
    EXPECT_LT(watch.Seconds(), kSecondsAllowed);
    std::ifstream in(Path("out.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              c.exported);
  }
}

// Returns a radio of `count` literal alternatives "A00000" to "A0<count-1>",
// then a line end.
std::string WideRadio(int count) {
  std::string text = "<repeat><group id=\"Line\" RepeatedNode=\"true\"><radio>";
  char literal[16];
  for (int i = 0; i < count; ++i) {
    std::snprintf(literal, sizeof literal, "A%05d", i);
    text += std::string("<literal>") + literal + "</literal>";
  }
  return text + "</radio><literal hex=\"true\">0A</literal></group></repeat>";
}

TEST_F(HostileDefinition, RadioOfTenThousandAlternativesImportsInBoundedTime) {
  const std::string file = Definition("", WideRadio(10000));
  RecordingCallBack callBack;
  FormatDefinition definition(file, &callBack);
  Stopwatch watch;
  ASSERT_TRUE(definition.Load()) << callBack.All();
  {
    InstrumentData data(definition, &callBack);
    EXPECT_TRUE(data.ParseRead(Write("last.txt", "A09999\nA00000\n"), definition)) << callBack.All();
  }
  {
    InstrumentData data(definition, &callBack);
    callBack.messages.clear();
    EXPECT_FALSE(data.ParseRead(Write("none.txt", "A09999\nB\n"), definition));
    EXPECT_NE(callBack.All().find("Parsed only 7 bytes of 9"), std::string::npos) << callBack.All();
  }
  EXPECT_LT(watch.Seconds(), kSecondsAllowed);
}

}  // namespace
}  // namespace compoundparser
