// The catalogue of definitions: the folders it scans, its order, failures,
// finding and removing entries, and copies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "definitions/FormatList.h"
#include "host/HostLib.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

namespace fs = std::filesystem;

const std::string kCannotLoad = "Could not load format definition from: ";

// Application and user folders under a fresh temporary folder; the host's
// folders point there while the test runs.
class FormatListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAppFolder((root / "App").string());
    SetUserFolder((root / "User").string());
  }
  void TearDown() override {
    SetAppFolder("");
    SetUserFolder("");
  }

  // Writes a definition named `name` into `folder`/Formats; `coordSystem`
  // empty declares no variable.
  std::string Write(const std::string& folder, const std::string& file, const std::string& name,
                    const std::string& coordSystem = "") {
    const fs::path dir = root / folder / "Formats";
    fs::create_directories(dir);
    std::string vars;
    if (!coordSystem.empty()) {
      vars = R"(<description><VARS><variable id="CoordSystem" default=")" + coordSystem +
             R"("/></VARS></description>)";
    }
    std::ofstream(dir / file) << R"(<format type="T" name=")" << name << R"(">)" << vars
                              << R"(<parser><element id="Name"/></parser></format>)";
    return (dir / file).string();
  }

  // Returns the error line that reports the definition at `relative` not loaded.
  std::string Rejected(const std::string& relative) const {
    return kCannotLoad + (root / relative).string() + "\n";
  }

  // Returns the warnings of `callBack` that report a definition not loaded.
  static std::string Rejections(const RecordingCallBack& callBack) {
    std::string out;
    for (const Message& m : callBack.messages) {
      if (m.kind == kKindWarning && m.text.rfind(kCannotLoad, 0) == 0) out += m.text + "\n";
    }
    return out;
  }

  static std::vector<std::string> Names(const FormatList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.NumFormats(); ++i) names.push_back(list.GetFormat(i)->Name());
    return names;
  }

  TempFolder scratch;
  const fs::path root = scratch.root;
  RecordingCallBack recorder;
};

TEST_F(FormatListTest, GridDefinitionsGoFirstAndFailuresAreReportedAndDropped) {
  Write("App", "a1.xml", "A1");
  Write("App", "a2.xml", "A2", "Grid");
  Write("App", "a3.xml", "A3", "grid");
  Write("User", "u1.xml", "U1", "Grid");
  Write("User", "u2.xml", "U2");
  FormatList list(&recorder);
  EXPECT_EQ(list.NumFormats(), 0);
  list.LoadFormats();
  EXPECT_TRUE(recorder.messages.empty());
  fs::create_directories(root / "App/Formats/Sub.xml");
  std::ofstream(root / "App/Formats/broken.xml") << "<format";
  std::ofstream(root / "App/Formats/notes.txt") << "not a definition";
  list.LoadFormats();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"U1", "A2", "A1", "A3", "U2"}));
  EXPECT_EQ(Rejections(recorder),
            Rejected("App/Formats/Sub.xml") + Rejected("App/Formats/broken.xml"));
}

TEST_F(FormatListTest, SameFolderInTwoCasesIsScannedOnce) {
  Write("Shared", "a.xml", "A");
  Write("shared", "b.xml", "B");
  SetAppFolder((root / "Shared").string());
  SetUserFolder((root / "shared").string());
  FormatList list(&recorder);
  list.LoadFormats();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A"}));
}

TEST_F(FormatListTest, FindGetRemoveAndCopiesShareDefinitions) {
  Write("App", "a.xml", "Alpha");
  Write("App", "b.xml", "Beta");
  Write("App", "c.xml", "Beta");
  auto list = std::make_unique<FormatList>(&recorder);
  list->LoadFormats();
  EXPECT_EQ(list->FindFormat("Beta"), list->GetFormat(1));
  EXPECT_EQ(list->FindFormat("beta"), nullptr);
  EXPECT_EQ(list->FindFormat("Gamma"), nullptr);
  EXPECT_EQ(list->GetFormat(3), nullptr);
  EXPECT_EQ(list->GetFormat(-1), nullptr);

  FormatList copy(*list);
  EXPECT_EQ(copy.GetFormat(0), list->GetFormat(0));
  FormatDefinition* second = list->GetFormat(1);
  list->RemoveFormat(list->GetFormat(0));
  EXPECT_EQ(list->NumFormats(), 2);
  EXPECT_EQ(list->GetFormat(0), second);
  list->RemoveFormat(nullptr);
  EXPECT_EQ(list->NumFormats(), 2);
  EXPECT_EQ(copy.NumFormats(), 3);
  list.reset();
  EXPECT_EQ(copy.GetFormat(1), second);
  EXPECT_EQ(second->Name(), "Beta");
}

TEST_F(FormatListTest, AddFormatAppendsEachLoadAndNewCallBackServesLaterScans) {
  FormatList list(&recorder);
  // Missing folders give an empty catalogue and a warning naming where it looked.
  list.LoadFormats();
  EXPECT_EQ(list.NumFormats(), 0);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].kind, kKindWarning);
  EXPECT_EQ(recorder.messages[0].text, "No format definitions found: looked for " +
                                           (root / "App/Formats/*.xml").string() + " and " +
                                           (root / "User/Formats/*.xml").string());
  recorder.messages.clear();
  const std::string grid = Write("Elsewhere", "g.xml", "G", "Grid");
  Write("App", "a.xml", "A");
  fs::create_directories(root / "App/Formats/Sub.xml");
  RecordingCallBack later;
  list.SetParserCallBack(&later);
  list.LoadFormats();
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(Rejections(later), Rejected("App/Formats/Sub.xml"));
  FormatDefinition* first = list.AddFormat(grid);
  FormatDefinition* second = list.AddFormat(grid);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "G", "G"}));
  EXPECT_EQ(list.AddFormat((root / "missing.xml").string()), nullptr);
  EXPECT_EQ(Rejections(later), Rejected("App/Formats/Sub.xml"));
  list.LoadFormats();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A"}));
}

TEST(FormatListIds, StemsGiveStableLowerCaseIds) {
  const struct {
    const char* file;
    const char* id;
  } kCases[] = {
      {"/x/Formats/LeicaGSI16.xml", "leica-gsi16"},
      {"LeicaGSI8.xml", "leica-gsi8"},
      {"PNEZDCommaHeader.xml", "pnezd-comma-header"},
      {"CarlsonRW5.xml", "carlson-rw5"},
      {"DXFPoints.xml", "dxf-points"},
      {"NikonRAW.xml", "nikon-raw"},
      {"gps-vectors-csv.xml", "gps-vectors-csv"},
      {"My Points_v2.xml", "my-points-v2"},
      {"a.b.xml", "a.b"},
      {"--Odd--.xml", "odd"},
      {"noextension", "noextension"},
  };
  for (const auto& c : kCases) EXPECT_EQ(FormatList::IdOf(c.file), c.id) << c.file;
}

TEST_F(FormatListTest, NamesMatchInEitherCaseAndByIdWithCloseNamesOffered) {
  Write("App", "LeicaGSI16.xml", "Leica GSI-16");
  Write("App", "LeicaGSI8.xml", "Leica GSI-8");
  Write("App", "PNEZDComma.xml", "PNEZD comma");
  Write("App", "Other.xml", "pnezd COMMA");
  FormatList list(&recorder);
  list.LoadFormats();
  const struct {
    const char* asked;
    int position;  // -1: none
  } kFinds[] = {
      {"Leica GSI-16", 0}, {"leica gsi-16", 0}, {"leica-gsi16", 0},   {"LEICA-GSI8", 1},
      {"PNEZD comma", 3},  // an exact name before an earlier one in another case
      {"Pnezd Comma", 2},  // else the first without regard to case
      {"pnezd-comma", 3},  {"other", 2},        {"leica gsi 16", -1}, {"", -1},
  };
  for (const auto& c : kFinds) {
    EXPECT_EQ(list.FindFormatByNameOrId(c.asked),
              c.position < 0 ? nullptr : list.GetFormat(c.position))
        << c.asked;
  }
  const struct {
    const char* asked;
    std::vector<std::string> closest;
  } kClosest[] = {
      {"leica gsi 16", {"Leica GSI-16", "Leica GSI-8"}},
      {"gsi", {"Leica GSI-16", "Leica GSI-8"}},
      {"pnezd-coma", {"PNEZD comma", "pnezd COMMA"}},
      {"Sokkia SDR33", {}},
  };
  for (const auto& c : kClosest) EXPECT_EQ(list.ClosestNames(c.asked), c.closest) << c.asked;
}

TEST_F(FormatListTest, TwoDefinitionsWithOneNameOrIdAreReportedOnceWithTheOneUsed) {
  const std::string first = Write("App", "points.xml", "Points");
  const std::string second = Write("User", "more.xml", "Points");
  const std::string sameId = Write("User", "Points.xml", "Other points");
  FormatList list(&recorder);
  list.LoadFormats();
  std::vector<std::string> warnings;
  for (const Message& m : recorder.messages) {
    if (m.kind == kKindWarning) warnings.push_back(m.text);
  }
  // In the order of the files (Points.xml sorts before more.xml).
  EXPECT_EQ(warnings,
            (std::vector<std::string>{"Two format definitions have the id \"points\": " + first +
                                          " is used, " + sameId + " is passed over",
                                      "Two format definitions are named \"Points\": " + first +
                                          " is used, " + second + " is passed over"}));
  EXPECT_EQ(list.FindFormatByNameOrId("points"), list.GetFormat(0));
  EXPECT_EQ(list.FindFormat("Points"), list.GetFormat(0));
}

}  // namespace
}  // namespace compoundparser::testing
