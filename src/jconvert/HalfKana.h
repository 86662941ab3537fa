// Internal to the encoding unit: half-width katakana to the full-width
// JIS X 0208 pair, with a following voiced or semi-voiced mark merged into
// the kana that takes it.
#pragma once

#include <cstdint>

#include "jconvert/ByteText.h"
#include "jconvert/PairArithmetic.h"

namespace vellumark::jconvert_detail {

// Cell byte of the full-width character for each half-width katakana,
// indexed by the low 7 bits 0x21..0x5F of the katakana byte.
inline constexpr std::uint8_t HalfKanaFirst = 0x21;
inline constexpr std::uint8_t HalfKanaLast = 0x5F;
extern const std::uint8_t HalfKanaTable[HalfKanaLast - HalfKanaFirst + 1];

// Cell given for a byte whose low 7 bits have no table entry (a malformed
// EUC-JP kana sequence): an unassigned position of the katakana row, so
// damaged input never turns into a real letter.
inline constexpr std::uint8_t HalfKanaNoEntryCell = 0x7E;

enum class TKanaMark { None, Voiced, SemiVoiced };

struct TKanaResult {
  TBytePair pair;
  bool markConsumed;
};

// `kana` is the katakana byte (any value is accepted); `next` says which
// mark, if any, follows it.
TKanaResult HalfKanaToJis(std::uint8_t kana, TKanaMark next) noexcept;

// The kana at position `kanaAt` of `in`, merged with a mark that begins at
// `markAt` when one fits: a mark is the single byte 0xDE or 0xDF in
// Shift_JIS, the pair 0x8E 0xDE or 0x8E 0xDF in EUC-JP (`eucMark`).
TKanaResult KanaAt(const TByteText& in, std::size_t kanaAt, std::size_t markAt, bool eucMark);

}  // namespace vellumark::jconvert_detail
