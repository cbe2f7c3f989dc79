// The parser node: every node of a format definition's tree runs both ways.
// Read consumes bytes of the context's file and adds to the document (import);
// Write takes values from the document and appends bytes to the file (export).
// A failed Read leaves the file position where it found it; a failed Write is
// cut back by the enclosing composite.
#pragma once

#include <memory>
#include <string>

namespace compoundparser {

class LiteralParser;
class TParserParam;

// Where a node came from in its definition file: the line of its element and
// its step in the path of element names ("element[Northing]"); `parent` is the
// source of the enclosing node (nullptr at the top of the parser section).
struct TNodeSource {
  int line = 0;
  std::string step;
  const TNodeSource* parent = nullptr;
};

class Parser {
 public:
  virtual ~Parser() = default;
  virtual bool Read(TParserParam& param, unsigned long available) = 0;
  virtual bool Write(TParserParam& param) = 0;
  // Appends a one-line outline of the node (and its children) to `out`, as in
  // seq{lit"," group[Point@0]{field[Name@1]}}; for tests and diagnostics.
  virtual void DumpTo(std::string& out) const = 0;

  // Returns this node as a literal, or nullptr (cheaper than a dynamic_cast on
  // the hot path of terminated parts).
  virtual LiteralParser* AsLiteral() { return nullptr; }

  std::string Dump() const {
    std::string out;
    DumpTo(out);
    return out;
  }

  // Returns where the tree builder found the node, or nullptr.
  const TNodeSource* Source() const { return source_.get(); }
  void SetSource(std::unique_ptr<TNodeSource> source) { source_ = std::move(source); }

 private:
  std::unique_ptr<TNodeSource> source_;
};

}  // namespace compoundparser
