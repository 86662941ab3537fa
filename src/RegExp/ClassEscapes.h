// The class escapes of a pattern, spelled out as explicit character sets so
// that they mean the same on every platform. Boost.Regex takes "\s", "\d"
// and "\w" from the runtime's character tables, which differ: the Windows
// runtime counts U+3000 and U+00A0 as white space and full-width digits and
// letters as digits and word characters, glibc's "C" locale does not. The
// program's meaning is the classic script engine's:
//   \s  space, tab, LF, VT, FF, CR        \S  anything else
//   \d  0-9                               \D  anything else
//   \w  A-Z, a-z, 0-9, "_"                \W  anything else
//   \b  between a \w and a \W character (or an end)    \B  anywhere else
//   .   anything but LF (Boost's own "." also stops at CR, FF, U+0085,
//       U+2028 and U+2029, or at nothing at all, depending on its flags)
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// Rewrites the class escapes outside and inside brackets ("[^\s]" stays one
// negated set), and the word boundaries and "." outside them; everything else,
// escaped backslashes ("\\s") included, is left as it is. A pattern that
// is malformed stays malformed, for the engine to report.
std::wstring RewriteClassEscapes(std::wstring_view pattern);

}  // namespace vellumark
