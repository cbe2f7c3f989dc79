// The host utility services: the application and user folders that hold the
// Formats folders, message texts by id and language, and translation of display
// names. On Linux the library is its own host: the folders follow the install
// layout and XDG, messages come from the compiled-in table.
#pragma once

#include <string>

namespace compoundparser {

// Returns the folder that holds the installed Formats folder, ending with "/":
// the folder set by SetAppFolder, else the environment variable
// COMPOUNDPARSER_APP_FOLDER, else "../share/compoundparser/" beside the running
// executable when it holds a Formats folder, else the same beside the shared
// library (for a library installed under another prefix than it was built
// for), else the install data folder (COMPOUNDPARSER_DATADIR at build time),
// else "./".
std::string AppFolder();
// Returns the user's data folder for this library ($XDG_DATA_HOME or
// ~/.local/share, then "compoundparser/", then `subFolder`), ending with "/".
// Overridden by SetUserFolder.
std::string UserFolder(const std::string& subFolder);
// Overrides the folders (a host's settings, the tool's options). An empty text
// restores the default. A separator is added when missing.
void SetAppFolder(const std::string& folder);
void SetUserFolder(const std::string& folder);

// Returns the language id of the calling thread's locale (low 16 bits of a
// Windows-style LCID: 9 English, 7 German, ...).
unsigned ThreadLanguage();
// The language id of English.
constexpr unsigned kLanguageEnglish = 9;
// Returns true when message tables other than English are compiled in (today:
// none, so the language of a message need not be looked up).
bool HasMessageTranslations();
// Returns message `id` of the library's string table in `language`; a language
// without a table falls back to English. "" when there is no such message.
std::string ResourceText(unsigned id, unsigned language);
// Returns `text` translated into `targetLanguage` for `category`, or `text`
// unchanged when no translation is registered.
std::string TranslateString(const std::string& text, unsigned sourceLanguage,
                            unsigned targetLanguage, const std::string& category);
// Registers a translation (for hosts and tests).
void RegisterTranslation(const std::string& category, unsigned targetLanguage,
                         const std::string& text, const std::string& translation);
void ClearTranslations();

// Returns the language id for a locale name ("de_DE.UTF-8" -> 7, "fr" -> 12);
// English (9) for every other language.
unsigned LanguageOfLocaleName(const std::string& name);

}  // namespace compoundparser
