// The group editing model of a format definition and saving the definition
// back to its file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "host/HostError.h"

namespace compoundparser {

namespace {

namespace fs = std::filesystem;

// Sets an attribute of the document's root element; false when there is no
// root or the document refuses the value.
bool SetRootAttribute(const XmlDocument& document, const char* attribute, const std::string& value) {
  try {
    if (!document) return false;
    XmlNode root = document.DocumentElement();
    if (!root) return false;
    root.SetAttribute(attribute, value);
    return true;
  } catch (const XmlError&) {
    return false;
  }
}

// Returns the file that a save to `fileName` replaces: the target of a
// symbolic link, otherwise the name itself.
fs::path ResolveTarget(const std::string& fileName) {
  fs::path target(fileName);
  std::error_code error;
  if (fs::is_symlink(target, error)) {
    fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) return resolved;
  }
  return target;
}

// Creates a new, empty file next to `target` whose name does not exist yet and
// returns its name; an empty path when none could be created.
fs::path CreateTemporaryFile(const fs::path& target) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kChars)) - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = ".tmp";
    for (int i = 0; i < 6; ++i) suffix.push_back(kChars[pick(random)]);
    fs::path candidate = target;
    candidate += suffix;
    // "x" fails when the file exists, so two writers never share a name.
    errno = 0;
    if (std::FILE* file = std::fopen(candidate.string().c_str(), "wbx")) {
      std::fclose(file);
      return candidate;
    }
    if (errno != EEXIST) break;  // a missing folder or no permission: no name will do
  }
  return fs::path();
}

// Writes `document` to `fileName` through a temporary file in the same folder
// that replaces the old file only once it is complete; false on any failure,
// with the old file left as it was.
bool SaveReplacing(const XmlDocument& document, const std::string& fileName) {
  if (fileName.empty()) return false;
  const fs::path target = ResolveTarget(fileName);
  const fs::path temporary = CreateTemporaryFile(target);
  if (temporary.empty()) return false;
  std::error_code error;
  try {
    document.Save(temporary.string());
  } catch (const XmlError&) {
    fs::remove(temporary, error);
    return false;
  } catch (const FileError&) {
    fs::remove(temporary, error);
    return false;
  }
  // Keep the permissions of the file being replaced.
  const fs::file_status old = fs::status(target, error);
  if (!error && fs::exists(old)) {
    fs::permissions(temporary, old.permissions(), fs::perm_options::replace, error);
  }
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace

void FormatDefinition::BuildGroups() {
  groupContainer = XmlNode();
  try {
    if (!document) return;
    XmlNode container = document.AsNode().SelectSingleNode("/format/repeat/radio");
    if (!container || container.Type() != kXmlElement) return;
    groupContainer = container;
    for (XmlNode child = container.FirstChild(); child; child = child.NextSibling()) {
      if (child.Type() == kXmlElement && child.Name() == "group") {
        groups.push_back(std::make_shared<GroupDefinition>(child));
      }
    }
  } catch (const XmlError&) {
    // The groups built so far stay.
  }
}

void FormatDefinition::RemoveGroups() {
  while (!groups.empty()) groups.pop_back();
}

int FormatDefinition::NumGroups() const { return static_cast<int>(groups.size()); }

GroupDefinition& FormatDefinition::GetGroup(int position) {
  if (position < 0 || static_cast<size_t>(position) >= groups.size()) {
    throw std::out_of_range("FormatDefinition::GetGroup: position " + std::to_string(position) +
                            " is outside 0.." + std::to_string(static_cast<long>(groups.size()) - 1));
  }
  return *groups[static_cast<size_t>(position)];
}

GroupDefinition* FormatDefinition::AddGroup() {
  if (!groupContainer) return nullptr;
  XmlNode element;
  try {
    element = groupContainer.AppendElement("group");
    groups.push_back(std::make_shared<GroupDefinition>(element));
  } catch (const XmlError&) {
    if (element) {
      try {
        groupContainer.RemoveChild(element);
      } catch (const XmlError&) {
      }
    }
    return nullptr;
  }
  modified = true;
  return groups.back().get();
}

void FormatDefinition::RemoveGroup(GroupDefinition& group) {
  auto found = std::find_if(groups.begin(), groups.end(),
                            [&group](const std::shared_ptr<GroupDefinition>& held) {
                              return held.get() == &group;
                            });
  if (found == groups.end() || !groupContainer) return;
  try {
    groupContainer.RemoveChild(group.Element());
  } catch (const XmlError&) {
    return;
  }
  groups.erase(found);
  modified = true;
}

bool FormatDefinition::IsModified() const {
  if (modified) return true;
  return std::any_of(groups.begin(), groups.end(),
                     [](const std::shared_ptr<GroupDefinition>& group) { return group->IsModified(); });
}

bool FormatDefinition::Save() {
  if (!document) return false;
  for (auto& group : groups) {
    if (group->IsModified()) group->WriteBack();
  }
  if (!SaveReplacing(document, fileName)) return false;
  modified = false;
  return true;
}

void FormatDefinition::SetType(const std::string& value) {
  if (!SetRootAttribute(document, "type", value)) return;
  type = value;
  modified = true;
}

void FormatDefinition::SetName(const std::string& value) {
  if (!SetRootAttribute(document, "name", value)) return;
  name = value;
  modified = true;
}

void FormatDefinition::SetFileMask(const std::string& value) {
  if (!SetRootAttribute(document, "FileMask", value)) return;
  fileMask = value;
  modified = true;
}

}  // namespace compoundparser
