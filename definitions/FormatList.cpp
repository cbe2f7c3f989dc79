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

// Returns `text` with the letters A to Z in lower case.
std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Returns the number of single-byte insertions, deletions and substitutions
// that turn `a` into `b`.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
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
  const bool twoFolders = !EqualIgnoringCase(appMask, userMask);
  if (twoFolders) ScanDir(userMask);
  if (callBack == nullptr) return;
  if (definitions.empty()) {
    callBack->OnMessage(kKindWarning, "No format definitions found: looked for " + appMask +
                                          (twoFolders ? " and " + userMask : std::string()));
    return;
  }
  // FindFormat gives the first of two with the same name.
  for (size_t later = 1; later < definitions.size(); ++later) {
    for (size_t first = 0; first < later; ++first) {
      const FormatDefinition& used = *definitions[first];
      const FormatDefinition& other = *definitions[later];
      const bool sameName = used.Name() == other.Name();
      const std::string id = IdOf(used.FileName());
      if (!sameName && id != IdOf(other.FileName())) continue;
      callBack->OnMessage(kKindWarning,
                          (sameName ? "Two format definitions are named \"" + used.Name()
                                    : "Two format definitions have the id \"" + id) +
                              "\": " + used.FileName() + " is used, " + other.FileName() +
                              " is passed over");
      break;
    }
  }
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
        callBack->OnMessage(kKindWarning, LoadMessageText(kMsgCannotLoadDefinition) + path);
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

FormatDefinition* FormatList::FindFormatByNameOrId(const std::string& name) const {
  if (FormatDefinition* exact = FindFormat(name)) return exact;
  for (const auto& definition : definitions) {
    if (EqualIgnoringCase(definition->Name(), name)) return definition.get();
  }
  const std::string id = LowerAscii(name);
  for (const auto& definition : definitions) {
    if (IdOf(definition->FileName()) == id) return definition.get();
  }
  return nullptr;
}

std::vector<std::string> FormatList::ClosestNames(const std::string& name, size_t count) const {
  const std::string wanted = LowerAscii(name);
  // Distance of each definition: the nearer of its name and its id.
  std::vector<std::pair<size_t, size_t>> ranked;  // distance, position
  for (size_t i = 0; i < definitions.size(); ++i) {
    const std::string display = LowerAscii(definitions[i]->Name());
    const std::string id = IdOf(definitions[i]->FileName());
    size_t distance = std::min(EditDistance(wanted, display), EditDistance(wanted, id));
    const size_t limit = std::max<size_t>(2, wanted.size() / 3);
    const bool inside = wanted.size() >= 3 && (display.find(wanted) != std::string::npos ||
                                               id.find(wanted) != std::string::npos);
    if (distance > limit && !inside) continue;
    if (inside) distance = std::min(distance, limit);
    ranked.emplace_back(distance, i);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (const auto& [distance, position] : ranked) {
    const std::string& display = definitions[position]->Name();
    if (std::find(names.begin(), names.end(), display) != names.end()) continue;
    names.push_back(display);
    if (names.size() == count) break;
  }
  return names;
}

std::string FormatList::IdOf(const std::string& fileName) {
  std::string stem = fileName.substr(fileName.find_last_of('/') + 1);
  const size_t dot = stem.find_last_of('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
  const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::string id;
  for (size_t i = 0; i < stem.size(); ++i) {
    const char c = stem[i];
    if (c == ' ' || c == '_' || c == '-') {
      if (!id.empty() && id.back() != '-') id += '-';
      continue;
    }
    if (upper(c) && i > 0 && !id.empty() && id.back() != '-') {
      const char before = stem[i - 1];
      const char after = i + 1 < stem.size() ? stem[i + 1] : '\0';
      if (lower(before) || digit(before) || (upper(before) && lower(after))) id += '-';
    }
    id += upper(c) ? static_cast<char>(c - 'A' + 'a') : c;
  }
  while (!id.empty() && id.back() == '-') id.pop_back();
  return id;
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
