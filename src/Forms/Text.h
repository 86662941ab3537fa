// Text at the window system's boundary: the program's texts are Shift_JIS,
// the window system's are UTF-16, converted with code page 932 whatever the
// system's locale.
#pragma once

#include <string>
#include <string_view>

#include "Common/Codepage.h"

namespace vellumark::forms {

inline std::wstring Wide(std::string_view sjis) { return SjisToWide(sjis); }
inline std::string Sjis(std::wstring_view wide) { return WideToSjis(wide); }

}  // namespace vellumark::forms
