#include "custom/GeneratedDefinition.h"

#include <utility>

#include "custom/DefinitionWriter.h"

namespace compoundparser {

void GeneratedDefinition::Save(const std::string& fileName) {
  if (text.empty()) {
    written = false;
    if (error.empty()) error = "There is no generated format definition to save";
    return;
  }
  error = WriteDefinitionFile(fileName, text);
  written = error.empty();
}

void GeneratedDefinition::Write(const std::string& path, std::string definitionText) {
  text = std::move(definitionText);
  error = WriteDefinitionFile(path, text);
  written = error.empty();
}

void GeneratedDefinition::Fail(const std::string& message) {
  text.clear();
  error = message;
  written = false;
}

}  // namespace compoundparser
