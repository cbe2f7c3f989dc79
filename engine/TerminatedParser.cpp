#include "engine/TerminatedParser.h"

#include <algorithm>

#include "engine/LiteralParser.h"
#include "engine/MessageText.h"
#include "engine/ParseObserver.h"
#include "engine/TParserParam.h"
#include "resources/StringTable.h"

namespace compoundparser {

bool TerminatedParser::Read(TParserParam& param, unsigned long available) {
  if (children.size() != 2) {
    param.Message(kKindError, LoadMessageText(kMsgTerminatedParserCount));
    return false;
  }
  DataFile& file = param.file;
  const uint32_t start = file.Position();
  uint32_t width = static_cast<uint32_t>(available);
  if (maxWidth > 0 && static_cast<uint32_t>(maxWidth) < width)
    width = static_cast<uint32_t>(maxWidth);

  Parser& terminator = *children[1];
  uint32_t terminatorStart = start;
  // A search cut short by MaxWidth that would have found the terminator
  // within as many bytes again: a longer stretch than the format allows,
  // reported at the first byte past the limit.
  const bool limited = width < available;
  if (LiteralParser* literal = terminator.AsLiteral()) {
    if (!literal->FindAhead(param, width)) {
      bool tooLong = false;
      if (param.observer && limited) {
        file.Seek(start + width);
        const uint32_t beyond =
            static_cast<uint32_t>(std::min<unsigned long>(width, available - width));
        tooLong = literal->FindAhead(param, beyond);
        file.Seek(start);
      }
      if (tooLong) {
        param.observer->OnFailure(param, *this, FailureKind::kLineTooLong, start + width, width,
                                  literal->Literal());
      } else if (param.observer) {
        param.observer->OnFailure(param, *this, FailureKind::kTerminatorNotFound, start, width,
                                  literal->Literal());
      }
      return false;
    }
    terminatorStart = file.Position();
    if (!literal->Read(param, width - (terminatorStart - start))) {
      file.Seek(start);
      return false;
    }
  } else {
    // Any other terminator is tried at every offset, the budget shrinking.
    bool found = false;
    for (uint64_t offset = 0; offset <= width; ++offset) {
      terminatorStart = start + static_cast<uint32_t>(offset);
      file.Seek(terminatorStart);
      if (terminator.Read(param, width - static_cast<uint32_t>(offset))) {
        found = true;
        break;
      }
    }
    if (!found) {
      file.Seek(start);
      if (param.observer) {
        param.observer->OnFailure(param, *this, FailureKind::kTerminatorNotFound, start, width,
                                  ParseObserver::NodeName(terminator));
      }
      param.Message(kKindWarning, param.lastError.str());
      param.Message(kKindWarning, LoadMessageText(kMsgTerminatedReachEnd));
      return false;
    }
  }
  const uint32_t end = file.Position();
  const uint32_t dataLength = terminatorStart - start;
  file.Seek(start);
  if (!children[0]->Read(param, dataLength)) return false;
  if (file.Position() - start != dataLength) {
    if (param.observer) {
      const uint32_t stopped = file.Position();
      std::string terminatorText;
      if (LiteralParser* literal = terminator.AsLiteral()) terminatorText = literal->Literal();
      param.observer->OnFailure(param, *this, FailureKind::kNotAllData, stopped,
                                terminatorStart - stopped, terminatorText);
    }
    file.Seek(start);
    param.Message(kKindDetail, LoadMessageText(kMsgTerminatedNotAllData));
    return false;
  }
  file.Seek(end);
  return true;
}

void TerminatedParser::DumpTo(std::string& out) const {
  out += "term";
  if (maxWidth != 0) out += "[" + std::to_string(maxWidth) + "]";
  DumpChildren(out);
}

}  // namespace compoundparser
