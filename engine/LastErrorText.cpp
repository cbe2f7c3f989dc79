#include "engine/LastErrorText.h"

#include "engine/MessageText.h"
#include "resources/StringTable.h"

namespace compoundparser {

void LastErrorText::Format() const {
  text_ = FormatPlacedMessage(kMsgLiteralNotFound, mentionEnd_, static_cast<int>(position_),
                              literal_.c_str());
  pending_ = false;
}

}  // namespace compoundparser
