#include "engine/TreeWalk.h"

#include <unordered_set>
#include <vector>

#include "engine/SubstParser.h"

namespace compoundparser {
namespace {

// A node on the path of the walk and the next of its children to visit.
struct Frame {
  TWalkStep step;
  size_t next = 0;
};

// Returns the child `i` of a node in the expanded tree (a subst's only child is
// its substitute's tree), or nullptr after the last.
const Parser* ExpandedChild(const Parser& node, size_t i) {
  if (node.Kind() == TNodeKind::kSubst) {
    return i == 0 ? static_cast<const SubstParser&>(node).Target() : nullptr;
  }
  return i < node.NumChildren() ? node.Child(i) : nullptr;
}

}  // namespace

bool WalkExpandedTree(const Parser& root, TreeVisitor& visitor) {
  std::unordered_set<const Parser*> enteredTargets;
  std::vector<Frame> path;
  // Enters `step`; returns false when the walk ends.
  const auto enter = [&](const TWalkStep& step) {
    const TWalkNext next = visitor.Enter(step);
    if (next == TWalkNext::kStop) return false;
    if (next == TWalkNext::kInto && !step.seenTarget) {
      if (step.node->Kind() == TNodeKind::kSubst) {
        enteredTargets.insert(static_cast<const SubstParser*>(step.node)->Target());
      }
      path.push_back(Frame{step});
      return true;
    }
    return visitor.Leave(step);
  };
  if (!enter(TWalkStep{&root, nullptr, 0, false})) return false;
  while (!path.empty()) {
    Frame& frame = path.back();
    const Parser* child = ExpandedChild(*frame.step.node, frame.next++);
    if (child == nullptr) {
      const TWalkStep done = frame.step;
      path.pop_back();
      if (!visitor.Leave(done)) return false;
      continue;
    }
    TWalkStep step{child, frame.step.node, frame.step.depth + 1, false};
    if (child->Kind() == TNodeKind::kSubst) {
      const Parser* target = static_cast<const SubstParser*>(child)->Target();
      step.seenTarget = target != nullptr && enteredTargets.count(target) != 0;
    }
    if (!enter(step)) return false;
  }
  return true;
}

}  // namespace compoundparser
