// The group editing model of a format definition and saving the definition
// back to its file.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "host/HostError.h"

namespace compoundparser {

namespace {

// Sets an attribute of the document's root element; false when there is no
// root or the document refuses the value.
bool SetRootAttribute(const XmlDocument& document, const char* attribute,
                      const std::string& value) {
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
        groups->push_back(std::make_shared<GroupDefinition>(child));
      }
    }
  } catch (const XmlError&) {
    // The groups built so far stay.
  }
}

void FormatDefinition::RemoveGroups() { groups = std::make_shared<GroupList>(); }

int FormatDefinition::NumGroups() const { return static_cast<int>(groups->size()); }

GroupDefinition& FormatDefinition::GetGroup(int position) {
  if (position < 0 || static_cast<size_t>(position) >= groups->size()) {
    throw std::out_of_range("FormatDefinition::GetGroup: position " + std::to_string(position) +
                            " is outside 0.." +
                            std::to_string(static_cast<long>(groups->size()) - 1));
  }
  return *(*groups)[static_cast<size_t>(position)];
}

GroupDefinition* FormatDefinition::AddGroup() {
  if (!groupContainer) return nullptr;
  XmlNode element;
  try {
    element = groupContainer.AppendElement("group");
    groups->push_back(std::make_shared<GroupDefinition>(element));
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
  return groups->back().get();
}

void FormatDefinition::RemoveGroup(GroupDefinition& group) {
  auto found = std::find_if(
      groups->begin(), groups->end(),
      [&group](const std::shared_ptr<GroupDefinition>& held) { return held.get() == &group; });
  if (found == groups->end() || !groupContainer) return;
  try {
    groupContainer.RemoveChild(group.Element());
  } catch (const XmlError&) {
    return;
  }
  groups->erase(found);
  modified = true;
}

bool FormatDefinition::IsModified() const {
  if (modified) return true;
  return std::any_of(
      groups->begin(), groups->end(),
      [](const std::shared_ptr<GroupDefinition>& group) { return group->IsModified(); });
}

bool FormatDefinition::Save() {
  if (!document) return false;
  for (auto& group : *groups) {
    if (group->IsModified()) group->WriteBack();
  }
  try {
    if (fileName.empty()) return false;
    document.SaveReplacing(fileName);
  } catch (const XmlError&) {
    return false;
  }
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
