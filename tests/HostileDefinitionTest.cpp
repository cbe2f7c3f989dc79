// Definitions built to exhaust the library: nesting up to and beyond the XML
// layer's limit, substitute chains that double or grow deep and a radio of
// 10,000 alternatives. Each must give a clear result in bounded time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// Generous enough for a sanitizer build on a busy machine; the unbounded
// cases would take hours.
constexpr std::chrono::seconds kTimeAllowed{20};

// Returns `count` copies of `text`.
std::string Times(int count, const std::string& text) {
  std::string all;
  for (int i = 0; i < count; ++i) all += text;
  return all;
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

// Returns a radio of `count` literal alternatives "A00000" to "A0<count-1>",
// then a line end, in a repeated group.
std::string WideRadio(int count) {
  std::string text = "<repeat><group id=\"Line\" RepeatedNode=\"true\"><radio>";
  char literal[16];
  for (int i = 0; i < count; ++i) {
    std::snprintf(literal, sizeof literal, "A%05d", i);
    text += std::string("<literal>") + literal + "</literal>";
  }
  return text + "</radio><literal hex=\"true\">0A</literal></group></repeat>";
}

const struct HostileCase {
  const char* name;
  std::string substitutes;
  std::string parser;
  const char* refusal;  // part of the first message of a refused load; nullptr when it loads
  size_t messages;      // how many messages a refused load gives
  std::string dump;     // the tree of a definition that loads ("" to skip)
  const char* input = "x";
  const char* importError = nullptr;  // part of the messages of a failed import
} kHostile[] = {
    {"nesting the XML layer accepts", "",
     Times(1000, "<multi>") + "<literal>x</literal>" + Times(1000, "</multi>"), nullptr, 0,
     Times(1001, "seq{") + R"(lit"x")" + Times(1001, "}")},
    // The reason, then the line and position of the parse error.
    {"nesting beyond the limit", "",
     Times(1100, "<optional>") + "<literal>x</literal>" + Times(1100, "</optional>"), "1024", 2,
     ""},
    // 2^10 visits per pass are far inside the bound.
    {"modest substitute chain", SubstituteChain(10, 2), "<subst id=\"S10\"/><literal>x</literal>",
     nullptr, 0, ""},
    // 30 levels of two uses each: 2^30 visits of the innermost node per pass.
    {"doubling substitute chain", SubstituteChain(30, 2), "<subst id=\"S30\"/><literal>x</literal>",
     "too large", 1, ""},
    // Each level is one more nested call on import and export.
    {"deep single substitute chain", SubstituteChain(3000, 1), "<subst id=\"S3000\"/>", "levels", 1,
     ""},
    // The first line matches the last alternative; the second none of them.
    {"radio of 10,000 alternatives", "", WideRadio(10000), nullptr, 0, "", "A09999\nB\n",
     "Parsed only 7 bytes of 9"},
};

TEST(HostileDefinition, LoadsAndRunsOrIsRefusedInBoundedTime) {
  for (const HostileCase& c : kHostile) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    RecordingCallBack callBack;
    FormatDefinition definition(folder.Write("d.xml", DefinitionText(c.parser, c.substitutes)),
                                &callBack);
    const auto start = std::chrono::steady_clock::now();
    if (c.refusal != nullptr) {
      EXPECT_FALSE(definition.Load());
      ASSERT_EQ(callBack.messages.size(), c.messages) << callBack.Lines();
      EXPECT_TRUE(Contains(callBack.messages[0].text, c.refusal));
      if (c.messages == 2) {
        EXPECT_EQ(definition.RootParser(), nullptr);
        EXPECT_EQ(callBack.messages[1].text.rfind("Error on line 3, position ", 0), 0u);
      }
    } else {
      ASSERT_TRUE(definition.Load()) << callBack.Lines();
      if (!c.dump.empty()) {
        EXPECT_EQ(definition.RootParser()->Dump(), c.dump);
      }
      InstrumentData data(definition, &callBack);
      EXPECT_EQ(data.ParseRead(folder.Write("x.txt", c.input), definition),
                c.importError == nullptr)
          << callBack.Lines();
      if (c.importError) {
        EXPECT_TRUE(Contains(callBack.Lines(), c.importError));
      }
      EXPECT_EQ(data.vars.isValue("v", "1"), !c.substitutes.empty());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeAllowed);
  }
}

}  // namespace
}  // namespace compoundparser::testing
