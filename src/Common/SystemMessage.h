// The system's message texts as the program shows them.
#pragma once

#include <string>

namespace vellumark {

// Removes every trailing character whose code is 32 or below (blanks, line
// ends, other control characters) and every trailing full stop, in any mix.
std::string TrimSystemMessage(std::string text);

}  // namespace vellumark
