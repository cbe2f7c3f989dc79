// Shared pieces of the engine tests: a recording callback, a context with an
// in-memory input and a `data` document, and short constructors for trees.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/AssignParser.h"
#include "engine/CompoundParser.h"
#include "engine/CountParser.h"
#include "engine/ElementParser.h"
#include "engine/GroupParser.h"
#include "engine/IfParser.h"
#include "engine/LiteralParser.h"
#include "engine/OptionalParser.h"
#include "engine/RadioParser.h"
#include "engine/RepeatParser.h"
#include "engine/SubstParser.h"
#include "engine/TParserParam.h"
#include "engine/TerminatedParser.h"
#include "host/Xml.h"

namespace compoundparser::testing {

struct Message {
  int kind;
  std::string text;
  bool operator==(const Message& o) const { return kind == o.kind && text == o.text; }
};

inline void PrintTo(const Message& m, std::ostream* os) { *os << m.kind << ":" << m.text; }

class RecordingCallBack : public TParserCallBack {
 public:
  void OnMessage(int kind, std::string text) override {
    messages.push_back({kind, std::move(text)});
  }
  void OnProgress(unsigned long total, unsigned long current) override {
    progress.emplace_back(total, current);
  }
  // Returns the messages as "kind:text" lines joined by '|'.
  std::string Joined() const {
    std::string out;
    for (const auto& m : messages) {
      if (!out.empty()) out += '|';
      out += std::to_string(m.kind) + ":" + m.text;
    }
    return out;
  }
  // Returns the texts of the messages of `kind` (of all kinds when -1), one per line.
  std::string Lines(int kind = -1) const {
    std::string out;
    for (const auto& m : messages) {
      if (kind < 0 || m.kind == kind) out += m.text + "\n";
    }
    return out;
  }
  bool Has(const std::string& text) const {
    for (const auto& m : messages) {
      if (m.text == text) return true;
    }
    return false;
  }
  std::vector<Message> messages;
  std::vector<std::pair<unsigned long, unsigned long>> progress;
};

// A context whose current node is the root `data` of a fresh document.
class Harness {
 public:
  Harness() : param(&callBack), doc(XmlDocument::Create()) {
    data = doc.AsNode().AppendElement("data");
    param.currentNode = data;
  }
  // Runs `parser` in export direction; returns the bytes written, after
  // "<fail>" when it failed.
  std::string Exported(Parser& parser) {
    // One file per process: tests run in parallel processes.
    const std::string path =
        ::testing::TempDir() + "engine_export_" + std::to_string(::getpid()) + ".out";
    int error = 0;
    if (!param.file.OpenForExport(path, error)) throw std::runtime_error("cannot create " + path);
    const bool ok = parser.Write(param);
    param.file.Close();
    std::ifstream in(path, std::ios::binary);
    const std::string out{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ok ? out : "<fail>" + out;
  }
  // Returns the XML text of what `data` holds (without the data tags).
  std::string Content() const {
    const std::string text = doc.SaveToString();
    const size_t begin = text.find("<data>");
    const size_t end = text.rfind("</data>");
    if (begin == std::string::npos || end == std::string::npos) return "";  // <data /> when empty
    return text.substr(begin + 6, end - begin - 6);
  }
  // Returns the file position.
  uint32_t Position() const { return param.file.Position(); }
  // Reads `input` from `start` with `budget` bytes (the rest when -1); returns
  // "ok" or "fail", the end position, the content of `data` and "|messages".
  std::string ReadRun(Parser& parser, const std::string& input, long budget = -1,
                      uint32_t start = 0) {
    param.file.OpenBuffer(input);
    param.file.Seek(start);
    const bool ok = parser.Read(param, budget < 0 ? input.size() - start : budget);
    return (ok ? "ok " : "fail ") + std::to_string(Position()) + " " + Content() + "|" +
           callBack.Joined();
  }
  // Replaces the document by `xml` and writes it with `parser`; returns what Exported gives, then
  // "|messages".
  std::string WriteRun(Parser& parser, const std::string& xml) {
    doc = XmlDocument::Create();
    if (!doc.LoadBuffer(xml.data(), xml.size())) throw std::runtime_error("bad test XML: " + xml);
    param.currentNode = data = doc.DocumentElement();
    const std::string out = Exported(parser);
    return out + "|" + callBack.Joined();
  }

  RecordingCallBack callBack;
  TParserParam param;
  XmlDocument doc;
  XmlNode data;
};

using ParserPtr = std::unique_ptr<Parser>;

template <class Node, class... Children>
std::unique_ptr<Node> With(std::unique_ptr<Node> node, Children... children) {
  (node->Append(std::move(children)), ...);
  return node;
}

template <class... Children>
std::unique_ptr<CompoundParser> Seq(Children... children) {
  return With(std::make_unique<CompoundParser>(), std::move(children)...);
}

inline std::unique_ptr<LiteralParser> Lit(const std::string& text) {
  return std::make_unique<LiteralParser>(text, "", "", false, false);
}

inline std::unique_ptr<ElementParser> Field(const std::string& id, int depth = 0) {
  return std::make_unique<ElementParser>(id, "", depth);
}

// A delimited field: terminated{field, literal}.
inline std::unique_ptr<TerminatedParser> Delimited(const std::string& id,
                                                   const std::string& delimiter, int depth = 0) {
  return With(std::make_unique<TerminatedParser>(), Field(id, depth), Lit(delimiter));
}

}  // namespace compoundparser::testing
