// The platform's own code page 932 tables, behind the rules of Codepage.cpp.
// Only Codepage.cpp calls these; each platform file implements both.
#pragma once

#include <string>
#include <string_view>

namespace vellumark::codepage_backend {

// What a Shift_JIS byte or pair that does not decode becomes (KATAKANA
// MIDDLE DOT, which is 0x81 0x45 in Shift_JIS).
inline constexpr wchar_t kUndecodable = 0x30FB;

// Decodes well-formed Shift_JIS: every byte is a single-byte character
// (0x00-0x7F, 0xA1-0xDF) or part of a lead/trail pair. Gives exactly one
// wide character per Shift_JIS character; a pair that code page 932 does
// not assign gives U+30FB.
std::wstring DecodeWellFormed(std::string_view sjis);

// Encodes BMP characters (no surrogates): exactly one Shift_JIS character
// per wide character, "?" for a character the platform cannot map. The
// platform may map some characters to look-alikes; the caller checks every
// character by converting it back.
std::string EncodeBmp(std::wstring_view bmp);

}  // namespace vellumark::codepage_backend
