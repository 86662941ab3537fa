// Lines of a multi-line text by string-list rules (the address list, the
// result box, input files): the text is split at CR
// LF, and a lone CR or lone LF also ends a line; a final empty line after the
// last line break does not count, and an empty text has no lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

std::vector<std::string> SplitLines(std::string_view text);
std::vector<std::wstring> SplitLines(std::wstring_view text);

}  // namespace vellumark
