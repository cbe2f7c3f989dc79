#include "definitions/FormatList.h"

#include <dirent.h>
#include <fnmatch.h>

#include <algorithm>
#include <cwctype>

#include "engine/MessageText.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "host/HostLib.h"
#include "host/Utf8.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

// Decodes UTF-8 into code points; a byte that starts no valid character stands for itself.
std::u32string CodePoints(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    char32_t code = static_cast<unsigned char>(text[i]);
    const size_t length = DecodeUtf8(text, i, code);
    out.push_back(code);
    i += length == 0 ? 1 : length;
  }
  return out;
}

// Returns the lower-case form of a code point.
char32_t FoldCase(char32_t code) {
  if (code < 0x80) return (code >= 'A' && code <= 'Z') ? code + ('a' - 'A') : code;
  return static_cast<char32_t>(std::towlower(static_cast<wint_t>(code)));
}

// Returns true when two texts of the process code page are equal ignoring
// the case of their characters.
bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  std::u32string left;
  std::u32string right;
  try {
    left = CodePoints(NarrowToUtf8(a));
    right = CodePoints(NarrowToUtf8(b));
  } catch (const XmlError&) {
    left = CodePoints(a);
    right = CodePoints(b);
  }
  return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                    [](char32_t x, char32_t y) { return FoldCase(x) == FoldCase(y); });
}

// Returns the full paths of the entries that match `mask` (a folder followed
// by a wildcard pattern), sorted by name; "." and ".." are left out.
std::vector<std::string> FindFiles(const std::string& mask) {
  const size_t slash = mask.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
  const std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name = folder + name;
  return names;
}

}  // namespace

FormatList::FormatList(TParserCallBack* parserCallBack) : callBack(parserCallBack) {}

FormatList::~FormatList() { RemoveFormats(); }

void FormatList::RemoveFormats() {
  while (!definitions.empty()) definitions.pop_back();
}

void FormatList::LoadFormats() {
  RemoveFormats();
  const std::string appMask = AppFolder() + Keyword(kStrCatalogueMask);
  const std::string userMask = UserFolder("") + Keyword(kStrCatalogueMask);
  ScanDir(appMask);
  if (!EqualIgnoringCase(appMask, userMask)) ScanDir(userMask);
}

void FormatList::ScanDir(const std::string& mask) {
  for (const std::string& path : FindFiles(mask)) {
    auto definition = std::make_shared<FormatDefinition>(path, callBack);
    definition->SetCatalogueCodePage(codePage);
    bool loaded = false;
    try {
      loaded = definition->Load();
    } catch (const XmlError&) {
      loaded = false;
    } catch (const FileError&) {
      loaded = false;
    }
    if (!loaded) {
      if (callBack != nullptr) {
        callBack->OnMessage(kKindError, LoadMessageText(kMsgCannotLoadDefinition) + path);
      }
      continue;
    }
    if (definition->Description().vars.isValue("CoordSystem", "Grid")) {
      definitions.insert(definitions.begin(), std::move(definition));
    } else {
      definitions.push_back(std::move(definition));
    }
  }
}

FormatDefinition* FormatList::AddFormat(const std::string& fileName) {
  auto definition = std::make_shared<FormatDefinition>(fileName, callBack);
  definition->SetCatalogueCodePage(codePage);
  try {
    if (!definition->Load()) return nullptr;
  } catch (const XmlError&) {
    return nullptr;
  } catch (const FileError&) {
    return nullptr;
  }
  definitions.push_back(definition);
  return definition.get();
}

FormatDefinition* FormatList::FindFormat(const std::string& name) const {
  for (const auto& definition : definitions) {
    if (definition->Name() == name) return definition.get();
  }
  return nullptr;
}

FormatDefinition* FormatList::GetFormat(int position) const {
  if (position < 0 || position >= NumFormats()) return nullptr;
  return definitions[static_cast<size_t>(position)].get();
}

void FormatList::RemoveFormat(const FormatDefinition* definition) {
  auto found = std::find_if(definitions.begin(), definitions.end(),
                            [definition](const auto& held) { return held.get() == definition; });
  if (found != definitions.end()) definitions.erase(found);
}

void FormatList::SetCodePage(const std::string& name) {
  codePage = name;
  for (const auto& definition : definitions) definition->SetCatalogueCodePage(name);
}

}  // namespace compoundparser
