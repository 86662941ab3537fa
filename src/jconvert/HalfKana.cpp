// Half-width katakana (Shift_JIS single bytes 0xA1..0xDF, EUC-JP 0x8E pairs)
// to full-width JIS X 0208 pairs.
#include "jconvert/HalfKana.h"

#include "jconvert/ByteText.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace jconvert_detail {

const std::uint8_t HalfKanaTable[HalfKanaLast - HalfKanaFirst + 1] = {
    /* 0x21 */ 0x23, 0x56, 0x57, 0x22, 0x26, 0x72, 0x21, 0x23, 0x25, 0x27, 0x29, 0x63, 0x65, 0x67, 0x43,
    /* 0x30 */ 0x3C, 0x22, 0x24, 0x26, 0x28, 0x2A, 0x2B, 0x2D, 0x2F, 0x31, 0x33, 0x35, 0x37, 0x39, 0x3B, 0x3D,
    /* 0x40 */ 0x3F, 0x41, 0x44, 0x46, 0x48, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x52, 0x55, 0x58, 0x5B, 0x5E,
    /* 0x50 */ 0x5F, 0x60, 0x61, 0x62, 0x64, 0x66, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x73, 0x2B, 0x2C,
};

namespace {

constexpr std::uint8_t SymbolRow = 0x21;    // punctuation and the spacing marks
constexpr std::uint8_t KatakanaRow = 0x25;
constexpr std::uint8_t VuCell = 0x74;
constexpr unsigned char VoicedMarkByte = 0xDE;
constexpr unsigned char SemiVoicedMarkByte = 0xDF;

constexpr bool InRange(std::uint8_t v, std::uint8_t low, std::uint8_t high) {
  return v >= low && v <= high;
}

TKanaMark MarkOf(unsigned char b) {
  if (b == VoicedMarkByte) return TKanaMark::Voiced;
  if (b == SemiVoicedMarkByte) return TKanaMark::SemiVoiced;
  return TKanaMark::None;
}

}  // namespace

TKanaResult HalfKanaToJis(std::uint8_t kana, TKanaMark next) noexcept {
  const std::uint8_t v = kana & 0x7F;
  if (!InRange(v, HalfKanaFirst, HalfKanaLast)) {
    return {{KatakanaRow, HalfKanaNoEntryCell}, false};
  }
  std::uint8_t cell = HalfKanaTable[v - HalfKanaFirst];
  // Punctuation, the prolonged sound mark and the marks themselves sit in
  // the symbol row and never take a mark.
  if (InRange(v, 0x21, 0x25) || v == 0x30 || v == 0x5E || v == 0x5F) {
    return {{SymbolRow, cell}, false};
  }
  bool consumed = false;
  if (v == 0x33 && next == TKanaMark::Voiced) {  // u + voiced mark: vu
    cell = VuCell;
    consumed = true;
  } else if (InRange(v, 0x36, 0x44) && next == TKanaMark::Voiced) {  // ka .. to
    cell += 1;
    consumed = true;
  } else if (InRange(v, 0x4A, 0x4E) && next != TKanaMark::None) {  // ha .. ho
    cell += next == TKanaMark::Voiced ? 1 : 2;
    consumed = true;
  }
  return {{KatakanaRow, cell}, consumed};
}

TKanaResult KanaAt(const TByteText& in, std::size_t kanaAt, std::size_t markAt, bool eucMark) {
  TKanaMark next = TKanaMark::None;
  if (markAt <= in.Length()) {
    if (!eucMark) {
      next = MarkOf(in.At(markAt));
    } else if (in.At(markAt) == 0x8E) {
      next = MarkOf(in.At(markAt + 1));
    }
  }
  return HalfKanaToJis(in.At(kanaAt), next);
}

}  // namespace jconvert_detail

namespace {

std::string PairText(jconvert_detail::TBytePair pair) {
  return std::string{static_cast<char>(pair.first), static_cast<char>(pair.second)};
}

}  // namespace

std::string SjisKanaToJis(std::string_view text, std::size_t& index) {
  const jconvert_detail::TByteText in(text);
  const auto r = jconvert_detail::KanaAt(in, in.Readable(index), in.Readable(index + 1), false);
  index += r.markConsumed ? 2 : 1;
  return PairText(r.pair);
}

std::string EucKanaToJis(std::string_view text, std::size_t& index) {
  const jconvert_detail::TByteText in(text);
  const auto r = jconvert_detail::KanaAt(in, in.Readable(index + 1), in.Readable(index + 2), true);
  index += r.markConsumed ? 4 : 2;
  return PairText(r.pair);
}

}  // namespace vellumark
