#include "custom/DefinitionWriter.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "host/AtomicFile.h"
#include "host/HostError.h"

namespace compoundparser {

namespace {

void AppendAttributes(std::string& out, const TagAttributes& attributes) {
  for (const auto& [name, value] : attributes) {
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
  }
}

std::string ErrnoText(int code) { return std::generic_category().message(code); }

}  // namespace

std::string StartTag(std::string_view tag, const TagAttributes& attributes) {
  std::string out = "<";
  out += tag;
  AppendAttributes(out, attributes);
  out += '>';
  return out;
}

std::string EmptyTag(std::string_view tag, const TagAttributes& attributes, bool spaceBeforeSlash) {
  std::string out = "<";
  out += tag;
  AppendAttributes(out, attributes);
  out += spaceBeforeSlash ? " />" : "/>";
  return out;
}

std::string EndTag(std::string_view tag) {
  std::string out = "</";
  out += tag;
  out += '>';
  return out;
}

std::string LiteralTag(const TagAttributes& attributes, std::string_view content) {
  std::string out = StartTag("literal", attributes);
  out += content;
  out += EndTag("literal");
  return out;
}

void DefinitionWriter::Open(std::string_view tag, const TagAttributes& attributes,
                            std::string_view trailer) {
  std::string line = StartTag(tag, attributes);
  line += trailer;
  Line(line);
  ++level_;
}

void DefinitionWriter::Close(std::string_view tag) {
  if (level_ > 0) --level_;
  Line(EndTag(tag));
}

void DefinitionWriter::Empty(std::string_view tag, const TagAttributes& attributes,
                             bool spaceBeforeSlash) {
  Line(EmptyTag(tag, attributes, spaceBeforeSlash));
}

void DefinitionWriter::HexLiteral(std::string_view hexBytes, bool readOnly) {
  TagAttributes attributes{{"hex", "true"}};
  if (readOnly) attributes.emplace_back("readonly", "true");
  Line(LiteralTag(attributes, hexBytes));
}

void DefinitionWriter::Line(std::string_view text) {
  const int indent = level_ * 2 + skew_;
  skew_ = 0;
  if (indent > 0) text_.append(static_cast<size_t>(indent), ' ');
  text_ += text;
  text_ += "\r\n";
}

void DefinitionWriter::BlankLine() { text_ += "\r\n"; }

void DefinitionWriter::Raw(std::string_view text) { text_ += text; }

std::string WriteDefinitionFile(const std::string& path, const std::string& text) {
  if (path.empty()) return "Cannot write the format definition: no file name given";
  // A temporary file of its own next to the target, made whole on disk and
  // renamed over it: the old definition stays as it was until then.
  AtomicFile output;
  int code = 0;
  if (!output.Open(path, code)) {
    return "Cannot create a temporary file for '" + path + "': " + ErrnoText(code);
  }
  try {
    output.Write(text);
    output.Commit();
  } catch (const FileError& error) {
    return "Cannot write '" + path + "': " + ErrnoText(error.SystemCode());
  }
  return std::string();
}

}  // namespace compoundparser
