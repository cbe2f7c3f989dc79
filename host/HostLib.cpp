#include "host/HostLib.h"

#include <dlfcn.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>

#include "resources/StringTable.h"

namespace compoundparser {
namespace {

constexpr unsigned kLanguageGerman = 7;
constexpr unsigned kLanguageFrench = 12;

using TranslationKey = std::tuple<std::string, unsigned, std::string>;

struct HostState {
  std::mutex mutex;
  std::string appFolder;
  std::string userFolder;
  std::map<TranslationKey, std::string> translations;
};

HostState& State() {
  static HostState state;
  return state;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// Returns "<folder of `file`>/../share/compoundparser/" when it holds a
// Formats folder, else "".
std::string InstalledBeside(const std::string& file) {
  const size_t slash = file.rfind('/');
  if (slash == std::string::npos) return std::string();
  const std::string folder = file.substr(0, slash + 1) + "../share/compoundparser/";
  return IsDirectory(folder + "Formats") ? folder : std::string();
}

// Returns the share folder beside the running executable (bin/..), or "".
std::string InstalledBesideExecutable() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  return InstalledBeside(std::string(path, static_cast<size_t>(length)));
}

// Returns the share folder beside the shared library that holds this code
// (lib/.. or lib/<triplet>/../..), or "" (a static library is part of the
// executable, found above).
std::string InstalledBesideLibrary() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&InstalledBesideLibrary), &info) == 0 ||
      info.dli_fname == nullptr) {
    return std::string();
  }
  const std::string library = info.dli_fname;
  std::string folder = InstalledBeside(library);
  if (folder.empty()) {
    const size_t slash = library.rfind('/');
    if (slash != std::string::npos) folder = InstalledBeside(library.substr(0, slash));
  }
  return folder;
}

// Returns the name of the calling thread's message locale.
std::string MessageLocaleName() {
  std::string name;
  locale_t current = uselocale(static_cast<locale_t>(0));
#ifdef _NL_LOCALE_NAME
  if (current != LC_GLOBAL_LOCALE && current != static_cast<locale_t>(0)) {
    const char* text = nl_langinfo_l(_NL_LOCALE_NAME(LC_MESSAGES), current);
    if (text != nullptr) name = text;
  }
#else
  (void)current;
#endif
  if (name.empty()) {
    const char* text = setlocale(LC_MESSAGES, nullptr);
    if (text != nullptr) name = text;
  }
  if (name.empty() || name == "C" || name == "POSIX") {
    // The process never chose a locale: take the user's choice from the
    // environment, in the order the C library would.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      std::string value = NonEmptyEnv(variable);
      if (!value.empty()) return value;
    }
  }
  return name;
}

}  // namespace

std::string AppFolder() {
  {
    HostState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.appFolder.empty()) return state.appFolder;
  }
  std::string folder = NonEmptyEnv("COMPOUNDPARSER_APP_FOLDER");
  if (!folder.empty()) return WithSeparator(folder);
  folder = InstalledBesideExecutable();
  if (!folder.empty()) return folder;
  folder = InstalledBesideLibrary();
  if (!folder.empty()) return folder;
#ifdef COMPOUNDPARSER_DATADIR
  return WithSeparator(COMPOUNDPARSER_DATADIR);
#else
  return "./";
#endif
}

std::string UserFolder(const std::string& subFolder) {
  std::string folder;
  {
    HostState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    folder = state.userFolder;
  }
  if (folder.empty()) {
    const std::string dataHome = NonEmptyEnv("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome.front() == '/') {
      folder = WithSeparator(dataHome) + "compoundparser/";
    } else {
      std::string home = NonEmptyEnv("HOME");
      if (home.empty()) {
        const passwd* entry = getpwuid(getuid());
        if (entry != nullptr && entry->pw_dir != nullptr) home = entry->pw_dir;
      }
      folder =
          WithSeparator(home.empty() ? std::string(".") : home) + ".local/share/compoundparser/";
    }
  }
  if (!subFolder.empty()) folder = WithSeparator(folder + subFolder);
  return folder;
}

void SetAppFolder(const std::string& folder) {
  HostState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.appFolder = WithSeparator(folder);
}

void SetUserFolder(const std::string& folder) {
  HostState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.userFolder = WithSeparator(folder);
}

unsigned LanguageOfLocaleName(const std::string& name) {
  const std::string language = name.substr(0, name.find_first_of("_.@"));
  if (language == "de") return kLanguageGerman;
  if (language == "fr") return kLanguageFrench;
  return kLanguageEnglish;
}

unsigned ThreadLanguage() { return LanguageOfLocaleName(MessageLocaleName()); }

bool HasMessageTranslations() { return false; }

std::string ResourceText(unsigned id, unsigned /*language*/) {
  // Only the English table is compiled in; every language falls back to it.
  const char* text = StringTableText(id);
  return text != nullptr ? std::string(text) : std::string();
}

std::string TranslateString(const std::string& text, unsigned /*sourceLanguage*/,
                            unsigned targetLanguage, const std::string& category) {
  HostState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto found = state.translations.find(TranslationKey(category, targetLanguage, text));
  return found != state.translations.end() ? found->second : text;
}

void RegisterTranslation(const std::string& category, unsigned targetLanguage,
                         const std::string& text, const std::string& translation) {
  HostState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.translations[TranslationKey(category, targetLanguage, text)] = translation;
}

void ClearTranslations() {
  HostState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.translations.clear();
}

}  // namespace compoundparser
