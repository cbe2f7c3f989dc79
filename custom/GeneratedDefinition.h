// What the custom format generators share: the definition text that the
// constructor built, whether it reached its file, and the (always empty)
// document reference. Copies share the document and copy the text and state.
//
// A constructor cannot return a result: after construction IsWritten() tells
// whether the definition file was written, and GetError() says why not.
#pragma once

#include <string>

#include "host/Xml.h"

namespace compoundparser {

class GeneratedDefinition {
 public:
  // Writes the definition that the constructor built to `fileName` (again
  // through a temporary file); IsWritten() and GetError() then tell the
  // outcome of this save. Gives the generated definition a second home, e.g.
  // a copy in the user's Formats folder.
  void Save(const std::string& fileName);

  // Returns true when the last write (constructor or Save) succeeded.
  bool IsWritten() const { return written; }
  // Returns why the last write failed; empty after a success.
  const std::string& GetError() const { return error; }
  // Returns the definition text, "\r\n" line ends included.
  const std::string& GetText() const { return text; }
  // Returns the document reference, empty: generators build text, not a DOM.
  XmlDocument GetDocument() const { return document; }

 protected:
  GeneratedDefinition() = default;
  GeneratedDefinition(const GeneratedDefinition&) = default;
  GeneratedDefinition& operator=(const GeneratedDefinition&) = default;
  ~GeneratedDefinition() = default;

  // Keeps `definitionText` and writes it to `path`.
  void Write(const std::string& path, std::string definitionText);
  // Records a failure that happened before anything could be written.
  void Fail(const std::string& message);

 private:
  XmlDocument document;
  std::string text;
  std::string error;
  bool written = false;
};

}  // namespace compoundparser
