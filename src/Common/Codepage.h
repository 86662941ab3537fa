// Conversions between the program's Shift_JIS text (code page 932), wide
// text and UTF-8. Both platforms give the same result for the same input:
//
// - Shift_JIS in: a byte that cannot start a character (0x80, 0xA0,
//   0xFD-0xFF), a lead byte without a trail byte after it, and a lead/trail
//   pair that code page 932 does not assign each become one U+30FB
//   (KATAKANA MIDDLE DOT, Shift_JIS 0x81 0x45). Every Shift_JIS character
//   gives exactly one wide character.
// - Shift_JIS out: a character converts only to the code page 932 character
//   that converts back to it, apart from a few look-alikes that Japanese
//   text commonly carries under the other standard mapping of JIS X 0208
//   (U+301C wave dash, U+2016, U+2212, U+00A2, U+00A3, U+00AC, U+2014, and
//   U+00A5 / U+203E as 0x5C / 0x7E). Anything else becomes one "?" per
//   character (a character outside the BMP is one "?", not two).
// - UTF-8 in: a sequence cut off at the very end of the input is dropped;
//   every other malformed byte (stray continuation bytes, bad lead bytes,
//   overlong forms, surrogates, values above U+10FFFF) becomes one "?". A
//   well-formed character that code page 932 lacks becomes "?" too, or, for
//   text that goes into HTML, its decimal character reference ("&#233;").
//
// All functions are thread-safe and never raise for any input (they raise
// TError only when the platform cannot convert code page 932 at all).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumark {

std::wstring SjisToWide(std::string_view sjis);   // code page 932 -> wchar_t text
std::string WideToSjis(std::wstring_view wide);   // wchar_t text -> code page 932
// What a well-formed UTF-8 character that code page 932 lacks becomes.
enum class TMissingChar {
  QuestionMark,        // "?": command-line input and settings
  CharacterReference,  // "&#NNNN;" in decimal: page text bound for tag lines
};
std::string Utf8ToSjis(std::string_view utf8, TMissingChar missing = TMissingChar::QuestionMark);
std::string SjisToUtf8(std::string_view sjis);    // for command-line output

// Appends the UTF-8 form of the code point `cp` (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);
// UTF-16LE code units (without a byte-order mark) to UTF-8, for files saved
// in Unicode by Windows programs. An unpaired surrogate becomes U+FFFD; a
// final odd byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 to UTF-16 code units in wchar_t text, as the Windows API takes
// them (a character above U+FFFF becomes a surrogate pair); a byte that is
// not part of well-formed UTF-8 becomes U+FFFD.
std::wstring Utf8ToUtf16(std::string_view utf8);

// Whether `text` is well-formed UTF-8 (by the rules Utf8ToSjis decodes with)
// holding at least one complete multi-byte character. A character cut off
// by the end of the text is allowed, as a receive can stop inside one.
bool IsMultiByteUtf8(std::string_view text);

// Bytes (1 or 2) of the Shift_JIS character that starts at `pos`, split
// exactly as SjisToWide splits the text: a lead byte (0x81-0x9F, 0xE0-0xFC)
// followed by a trail byte (0x40-0x7E, 0x80-0xFC) is one character, any
// other byte is one character on its own. `pos` must be below text.size().
std::size_t SjisCharLength(std::string_view text, std::size_t pos);

// The longest start of `text` that is at most `maxBytes` long and ends on a
// character boundary, characters split as SjisCharLength splits them: a
// two-byte character that the limit would cut in half is left out whole, so
// the result never ends in the lead byte of a pair. For every byte-limited
// cut of a Shift_JIS text (stored texts, address lines).
std::string_view SjisPrefix(std::string_view text, std::size_t maxBytes);

// The same for UTF-8 text: the cut never falls inside a character (a
// malformed sequence is cut like any other bytes).
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace vellumark
