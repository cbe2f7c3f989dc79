#include "engine/Parser.h"

namespace compoundparser {

const char* NodeKindName(TNodeKind kind) {
  switch (kind) {
    case TNodeKind::kSequence:
      return "multi";
    case TNodeKind::kGroup:
      return "group";
    case TNodeKind::kOptional:
      return "optional";
    case TNodeKind::kRadio:
      return "radio";
    case TNodeKind::kRepeat:
      return "repeat";
    case TNodeKind::kTerminated:
      return "terminated";
    case TNodeKind::kIf:
      return "if";
    case TNodeKind::kLiteral:
      return "literal";
    case TNodeKind::kElement:
      return "element";
    case TNodeKind::kCount:
      return "count";
    case TNodeKind::kSubst:
      return "subst";
    case TNodeKind::kAssign:
      return "assign";
  }
  return "node";
}

}  // namespace compoundparser
