// Choosing between the EUC-JP and the Shift_JIS reading of a text that is
// valid in both, the way statistical detectors do: by how much of each
// reading is the stuff ordinary Japanese text is made of.
#include <cstdint>

#include "jconvert/ByteText.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace {

using jconvert_detail::TByteText;

constexpr bool InRange(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

// Punctuation (row 1), hiragana (row 4), katakana (row 5) and the
// first-level kanji (rows 16 to 47) make up nearly all of ordinary text.
constexpr bool IsCommonRow(unsigned row) {
  return row == 1 || row == 4 || row == 5 || (row >= 16 && row <= 47);
}

// Of the characters outside ASCII in one reading: how many, and how many of
// them are common. Every byte from 0x80 up belongs to one such character in
// either reading, so both readings count some or both count none.
struct TTally {
  std::uint64_t characters = 0;
  std::uint64_t common = 0;

  void Add(bool isCommon) {
    ++characters;
    if (isCommon) ++common;
  }
};

TTally ReadAsEuc(const TByteText& in) {
  TTally tally;
  for (std::size_t i = 1; i <= in.Length();) {
    const unsigned char b = in.At(i);
    if (b < 0x80) {
      i += 1;
    } else if (b == 0x8E) {  // half-width katakana
      tally.Add(false);
      i += 2;
    } else if (b == 0x8F) {  // JIS X 0212
      tally.Add(false);
      i += 3;
    } else if (InRange(b, 0xA1, 0xFE) && InRange(in.At(i + 1), 0xA1, 0xFE)) {
      tally.Add(IsCommonRow(b - 0xA0u));
      i += 2;
    } else {
      tally.Add(false);
      i += 1;
    }
  }
  return tally;
}

TTally ReadAsSjis(const TByteText& in) {
  TTally tally;
  for (std::size_t i = 1; i <= in.Length();) {
    const unsigned char b = in.At(i);
    const unsigned char c = in.At(i + 1);
    if (b < 0x80) {
      i += 1;
    } else if ((InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC)) &&
               (InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xFC))) {
      // Each lead byte holds two rows; a second byte from 0x9F on is the
      // even one.
      const unsigned oddRow = 2u * (b - (b <= 0x9F ? 0x81u : 0xC1u)) + 1u;
      tally.Add(IsCommonRow(oddRow + (c >= 0x9F ? 1u : 0u)));
      i += 2;
    } else {  // half-width katakana (0xA1..0xDF) or a stray byte
      tally.Add(false);
      i += 1;
    }
  }
  return tally;
}

}  // namespace

TJapaneseCode MorePlausibleReading(std::string_view text) {
  const TByteText in(text);
  const TTally euc = ReadAsEuc(in);
  const TTally sjis = ReadAsSjis(in);
  // common / characters compared without division; a tie keeps Shift_JIS.
  return euc.common * sjis.characters > sjis.common * euc.characters ? jcEuc : jcSjis;
}

}  // namespace vellumark
