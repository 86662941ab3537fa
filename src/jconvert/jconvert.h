// Japanese text encodings: detecting which of 7-bit JIS, EUC-JP and
// Shift_JIS a byte string is written in, and converting between them.
//
// Every function is pure and re-entrant, accepts any byte string and never
// fails. Positions are counted from 1; a byte read one position past the end
// of a text is 0 (as if the text were followed by one zero byte), and nothing
// further is ever read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumark {

enum TJapaneseCode : int {
  jcAscii = 0,      // nothing Japanese found
  jcBinary = 1,     // a byte 0x00..0x07 or 0xFF: not text
  jcJisNew = 2,     // 7-bit JIS announced by ESC $ B
  jcJisOld = 3,     // 7-bit JIS announced by ESC $ @
  jcEuc = 4,        // EUC-JP
  jcSjis = 5,       // Shift_JIS
  jcEucOrSjis = 6,  // valid as EUC-JP and as Shift_JIS so far: undecided
};

// The number of leading positions the control-byte pre-scan examines.
inline constexpr std::size_t BinaryScanLimit = 512;

TJapaneseCode DetectJapaneseCode(std::string_view text);

// For a text DetectJapaneseCode leaves undecided: jcEuc when its EUC-JP
// reading has the larger share of common characters (punctuation, hiragana,
// katakana and first-level kanji, JIS rows 1, 4, 5 and 16 to 47) among its
// characters outside ASCII, otherwise jcSjis; half-width katakana, other
// rows and stray bytes count as uncommon. Equal shares, and a text with
// nothing outside ASCII, give jcSjis.
TJapaneseCode MorePlausibleReading(std::string_view text);

// Detects the encoding of `text` and converts it towards `target` (any
// integer; only jcJisNew, jcEuc and jcSjis lead to a conversion). Undecided,
// ASCII and binary texts come back unchanged.
std::string ConvertJapaneseCode(std::string_view text, int target);

// In every conversion from EUC-JP, a JIS X 0212 character (0x8F and the two
// bytes after it, or fewer at the end of the text) becomes one geta mark
// (Shift_JIS 0x81 0xAC, JIS 0x22 0x2E), and the text after it is converted as
// if it were not there.
std::string JisToSjis(std::string_view text);
std::string EucToSjis(std::string_view text);
std::string JisToEuc(std::string_view text);
std::string EucToJis(std::string_view text);
std::string SjisToJis(std::string_view text);
std::string SjisToEuc(std::string_view text);

// JIS X 0208 pair (row, cell) to its Shift_JIS pair and back; 8-bit
// arithmetic, no checks.
std::string JisCharToSjis(unsigned char first, unsigned char second);
std::string SjisCharToJis(unsigned char first, unsigned char second);

// Half-width katakana to the full-width JIS pair, merging a following voiced
// or semi-voiced mark where the kana takes one. `index` is 1-based: on entry
// at the 0x8E (EUC) or at the katakana byte (Shift_JIS), on return at the
// first byte not consumed. Any index is safe: a position outside the text
// (0, past the end, or wrapped round) reads as a zero byte, which has no
// kana, so it gives the unassigned katakana-row code 0x25 0x7E, takes no
// mark, and moves the index on by 1 (Shift_JIS) or 2 (EUC-JP). The EUC-JP
// function never reads the byte at `index` itself: with index 0 its kana byte
// is the text's first byte.
std::string EucKanaToJis(std::string_view text, std::size_t& index);
std::string SjisKanaToJis(std::string_view text, std::size_t& index);

}  // namespace vellumark
