// The parser node: every node of a format definition's tree runs both ways.
// Read consumes bytes of the context's file and adds to the document (import);
// Write takes values from the document and appends bytes to the file (export).
// A failed Read leaves the file position where it found it; a failed Write is
// cut back by the enclosing composite.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace compoundparser {

class TParserParam;

// The kinds of parser nodes, one for each node element of a definition. Code
// that treats nodes by kind switches over this list, so that the compiler
// names every place a new kind must be handled.
enum class TNodeKind {
  kSequence,    // multi, and the root of a tree or a substitute
  kGroup,       // group
  kOptional,    // optional
  kRadio,       // radio
  kRepeat,      // repeat
  kTerminated,  // terminated
  kIf,          // if
  kLiteral,     // literal
  kElement,     // element
  kCount,       // count
  kSubst,       // subst
  kAssign,      // assign
};

// Returns the name of the definition's element that makes a node of `kind`.
const char* NodeKindName(TNodeKind kind);

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

  virtual TNodeKind Kind() const = 0;
  // Returns the number of children that the node owns (0 for a leaf, and for
  // a subst, whose substitute's tree is only referred to) and each of them.
  virtual size_t NumChildren() const { return 0; }
  virtual const Parser* Child(size_t) const { return nullptr; }

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
