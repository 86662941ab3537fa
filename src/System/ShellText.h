// The system's message text for a failed shell or COM call (Windows builds
// only).
#pragma once

#include <string>

namespace vellumark {

// The system's message text for an error code (a Win32 code or an HRESULT)
// in Shift_JIS, with trailing blanks, control characters and full stops
// removed; empty when the system has no text for it.
std::string SystemErrorText(unsigned long code);

}  // namespace vellumark
