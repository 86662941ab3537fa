// The message text the program shows for a failed system call.
#pragma once

#include <string>

namespace vellumark {

// Removes every trailing character whose code is 32 or below (blanks, line
// ends, other control characters) and every trailing full stop, in any mix.
std::string TrimSystemMessage(std::string text);

// The system's message text for a socket error code, trimmed as above;
// empty when the system has no text for the code.
std::string SystemMessageText(int code);

}  // namespace vellumark
