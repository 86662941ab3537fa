// The message text the program shows for a failed socket call.
#pragma once

#include <string>

#include "Common/SystemMessage.h"

namespace vellumark {

// The system's message text for a socket error code, trimmed with
// TrimSystemMessage; empty when the system has no text for the code.
std::string SystemMessageText(int code);

}  // namespace vellumark
