// The one walk over a parser tree, with every substitute expanded where it is
// used: a subst node has the substitute's tree as its only child, entered at
// the first reference to it; later references are visited without it, so
// that each node is visited once however often its substitute is used. The
// walk keeps no recursion, so trees of any depth are walked.
#pragma once

#include "engine/Parser.h"

namespace compoundparser {

// One node of the walk.
struct TWalkStep {
  const Parser* node = nullptr;
  // The node it was reached from: its composite, the subst that refers to a
  // substitute's tree, nullptr for the root.
  const Parser* parent = nullptr;
  int depth = 0;  // 0 for the root; a substitute's tree is one below its subst
  // A subst whose substitute's tree was entered from an earlier reference.
  bool seenTarget = false;
};

// What the walk does after a node was entered.
enum class TWalkNext { kInto, kOver, kStop };

class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // Called before the children of a node: kInto walks them, kOver skips
  // them, kStop ends the walk.
  virtual TWalkNext Enter(const TWalkStep& step) = 0;
  // Called after the children of a node that was walked into (and after
  // Enter for one passed over); false ends the walk.
  virtual bool Leave(const TWalkStep& step) {
    (void)step;
    return true;
  }
};

// Walks the tree below `root` in document order; returns false when the
// visitor ended it early.
bool WalkExpandedTree(const Parser& root, TreeVisitor& visitor);

}  // namespace compoundparser
