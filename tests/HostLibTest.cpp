#include <gtest/gtest.h>
#include <locale.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/HostLib.h"
#include "host/Locale.h"
#include "resources/StringTable.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::Contains;

// Sets environment variables for one test and puts the old values back.
class EnvironmentGuard {
 public:
  ~EnvironmentGuard() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second);
  }
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    Put(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
  }

 private:
  static void Put(const std::string& name, const std::optional<std::string>& value) {
    value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct CodePageGuard {
  ~CodePageGuard() { SetCodePage(""); }
};

bool LocaleInstalled(const char* name) {
  locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (locale != static_cast<locale_t>(0)) freelocale(locale);
  return locale != static_cast<locale_t>(0);
}

TEST(HostLibFolders, AppAndUserFolderFollowOverridesAndEnvironment) {
  EnvironmentGuard env;
  env.Set("COMPOUNDPARSER_APP_FOLDER", "/opt/formats");
  SetAppFolder("");
  EXPECT_EQ(AppFolder(), "/opt/formats/");
  SetAppFolder("/tmp/app");
  EXPECT_EQ(AppFolder(), "/tmp/app/");
  SetAppFolder("/tmp/app2/");
  EXPECT_EQ(AppFolder(), "/tmp/app2/");
  SetAppFolder("");
  env.Set("COMPOUNDPARSER_APP_FOLDER", nullptr);
  const std::string fallback = AppFolder();
  ASSERT_FALSE(fallback.empty());
  EXPECT_EQ(fallback.back(), '/');
  EXPECT_NE(fallback, "/opt/formats/");

  SetUserFolder("");
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"/x/data", "/home/u", "", "/x/data/compoundparser/"},
      {"/x/data/", "/home/u", "Formats", "/x/data/compoundparser/Formats/"},
      {nullptr, "/home/u", "", "/home/u/.local/share/compoundparser/"},
      {"", "/home/u/", "", "/home/u/.local/share/compoundparser/"},
      // A relative XDG_DATA_HOME is ignored.
      {"rel", "/home/u", "sub/", "/home/u/.local/share/compoundparser/sub/"},
  };
  for (const auto& [xdg, home, sub, folder] : cases) {
    SCOPED_TRACE(folder);
    env.Set("XDG_DATA_HOME", xdg);
    env.Set("HOME", home);
    EXPECT_EQ(UserFolder(sub), folder);
  }
  SetUserFolder("/tmp/user");
  EXPECT_EQ(UserFolder("x"), "/tmp/user/x/");
  SetUserFolder("");
}

TEST(HostLibLanguage, MapsLocaleNamesToLanguageIds) {
  const std::pair<const char*, unsigned> cases[] = {
      {"de_DE.UTF-8", 7}, {"de", 7},     {"de_CH@euro", 7},
      {"en_US.UTF-8", 9}, {"fr_FR", 12}, {"fr.UTF-8", 12},
      {"it_IT", 9},       {"C", 9},      {"", 9},
      {"deu", 9},
  };
  for (const auto& [name, language] : cases)
    EXPECT_EQ(LanguageOfLocaleName(name), language) << name;
}

TEST(HostLibLanguage, ThreadLanguageReadsTheEnvironmentOfAPlainProcess) {
  const char* current = setlocale(LC_MESSAGES, nullptr);
  if (current == nullptr || (std::string(current) != "C" && std::string(current) != "POSIX")) {
    GTEST_SKIP() << "the process has chosen the message locale " << (current ? current : "");
  }
  EnvironmentGuard env;
  env.Set("LC_ALL", nullptr);
  env.Set("LC_MESSAGES", nullptr);
  env.Set("LANG", "fr_FR.UTF-8");
  EXPECT_EQ(ThreadLanguage(), 12u);
  env.Set("LC_MESSAGES", "de_DE.UTF-8");
  EXPECT_EQ(ThreadLanguage(), 7u);
  env.Set("LC_ALL", "en_GB.UTF-8");
  EXPECT_EQ(ThreadLanguage(), 9u);
}

TEST(HostLibResources, MessagesFallBackToEnglishAndTranslationsAreRegistered) {
  // The English texts themselves are checked where the import reports them.
  ASSERT_NE(ResourceText(2207, 9), "");
  for (unsigned language : {7u, 12u, 1041u}) {
    EXPECT_EQ(ResourceText(2207, language), ResourceText(2207, 9)) << language;
  }
  EXPECT_EQ(ResourceText(2204, 9), "");
  EXPECT_EQ(ResourceText(1, 9), "");
  EXPECT_EQ(SystemErrorText(0), "");
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_FALSE(SystemErrorText(123456).empty());

  ClearTranslations();
  RegisterTranslation("XMLFormats", 7, "Points", "Punkte");
  EXPECT_EQ(TranslateString("Points", 9, 7, "XMLFormats"), "Punkte");
  EXPECT_EQ(TranslateString("Points", 9, 12, "XMLFormats"), "Points");
  EXPECT_EQ(TranslateString("Points", 9, 7, "Other"), "Points");
  EXPECT_EQ(TranslateString("points", 9, 7, "XMLFormats"), "points");
  ClearTranslations();
  EXPECT_EQ(TranslateString("Points", 9, 7, "XMLFormats"), "Points");
}

TEST(CodePageConversion, ConvertsCp1252AndShiftJis) {
  CodePageGuard guard;
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"CP1252", "20\xB0\x43 \x80", "20\xC2\xB0\x43 \xE2\x82\xAC"},
      {"SHIFT_JIS", "A\x93\xFA\x96\x7B", "A\xE6\x97\xA5\xE6\x9C\xAC"},
  };
  for (const auto& [codePage, narrow, utf8] : cases) {
    SCOPED_TRACE(narrow);
    ASSERT_TRUE(SetCodePage(codePage));
    EXPECT_FALSE(CodePageIsUtf8());
    EXPECT_EQ(CodePageName(), codePage);
    EXPECT_EQ(NarrowToUtf8(narrow), utf8);
    EXPECT_EQ(Utf8ToNarrow(utf8), narrow);
  }
}

TEST(CodePageConversion, InvalidInputNamesTheOffset) {
  CodePageGuard guard;
  const std::tuple<const char*, bool, std::string, const char*> cases[] = {
      {"CP1252", true, "ab\x81", "offset 2"},
      {"CP1252", false, "x\xE3\x81\x82", "offset 1"},
      {"UTF-8", true, "abc\xC3", "offset 3"},
  };
  for (const auto& [codePage, toUtf8, text, offset] : cases) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(SetCodePage(codePage));
    try {
      toUtf8 ? NarrowToUtf8(text) : Utf8ToNarrow(text);
      ADD_FAILURE() << "no error";
    } catch (const XmlError& e) {
      EXPECT_EQ(e.Code(), kXmlErrorInvalidArg);
      EXPECT_TRUE(Contains(e.what(), offset));
    }
  }
  EXPECT_TRUE(CodePageIsUtf8());
  EXPECT_EQ(NarrowToUtf8("\xC3\xA9"), "\xC3\xA9");
}

TEST(CodePageSelection, RejectsUnknownNamesAndTreatsAsciiAsUtf8) {
  CodePageGuard guard;
  ASSERT_TRUE(SetCodePage("CP1252"));
  EXPECT_FALSE(SetCodePage("no-such-code-page"));
  EXPECT_EQ(CodePageName(), "CP1252");
  ASSERT_TRUE(SetCodePage("ANSI_X3.4-1968"));
  EXPECT_TRUE(CodePageIsUtf8());
  EXPECT_EQ(CodePageName(), "UTF-8");
  EXPECT_EQ(Utf8ToNarrow("\xC2\xB0"), "\xC2\xB0");
}

TEST(CodePageSelection, DefaultAndSeparatorFollowTheEnvironmentOfAPlainProcess) {
  const char* current = setlocale(LC_CTYPE, nullptr);
  if (current == nullptr || std::string(current) != "C") {
    GTEST_SKIP() << "the process has chosen a locale";
  }
  CodePageGuard guard;
  EnvironmentGuard env;
  env.Set("LC_ALL", "C");
  ASSERT_TRUE(SetCodePage(""));
  EXPECT_EQ(CodePageName(), "UTF-8");
  EXPECT_EQ(ReadLocaleDecimalSeparator(), ".");
  EXPECT_FALSE(LocaleDecimalSeparator().empty());
  EXPECT_LE(LocaleDecimalSeparator().size(), 4u);
  if (LocaleInstalled("de_DE.ISO-8859-1")) {
    env.Set("LC_ALL", "de_DE.ISO-8859-1");
    ASSERT_TRUE(SetCodePage(""));
    EXPECT_EQ(CodePageName(), "ISO-8859-1");
  }
  if (!LocaleInstalled("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  env.Set("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(ReadLocaleDecimalSeparator(), ",");
}

}  // namespace
}  // namespace compoundparser
