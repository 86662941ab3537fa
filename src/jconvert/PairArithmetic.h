// Internal to the encoding unit: the arithmetic between a JIS X 0208 pair
// (row, cell) and its Shift_JIS pair, on 8-bit values that wrap modulo 256.
// No range checks: bytes outside the valid ranges give whatever the
// arithmetic yields, which keeps every conversion total.
#pragma once

#include <cstdint>

namespace vellumark::jconvert_detail {

struct TBytePair {
  unsigned char first;
  unsigned char second;
};

constexpr TBytePair JisPairToSjis(unsigned char j1, unsigned char j2) noexcept {
  const auto rowHalf = static_cast<std::uint8_t>(static_cast<std::uint8_t>(j1 + 1) >> 1);
  const auto s1 = static_cast<std::uint8_t>(rowHalf + (j1 < 0x5F ? 0x70 : 0xB0));
  std::uint8_t s2;
  if ((j1 & 1) == 0) {
    s2 = static_cast<std::uint8_t>(j2 + 0x7E);
  } else {
    s2 = static_cast<std::uint8_t>(j2 + (j2 <= 0x5F ? 0x1F : 0x20));
  }
  return {s1, s2};
}

constexpr TBytePair SjisPairToJis(unsigned char s1, unsigned char s2) noexcept {
  const std::uint8_t off = s1 < 0xA0 ? 0x70 : 0xB0;
  const auto twice = static_cast<std::uint8_t>(2 * static_cast<std::uint8_t>(s1 - off));
  if (s2 < 0x9F) {
    return {static_cast<std::uint8_t>(twice - 1),
            static_cast<std::uint8_t>(s2 - (s2 <= 0x7F ? 0x1F : 0x20))};
  }
  return {twice, static_cast<std::uint8_t>(s2 - 0x7E)};
}

// The same two operations as lookup tables, built from the functions above
// at compile time, for the whole-text loops. The Shift_JIS lead byte depends
// only on the row, the trail byte on the cell and the row's parity; the JIS
// row depends on the lead byte and on whether the trail byte is below 0x9F,
// the cell on the trail byte alone.
struct TPairTables {
  std::uint8_t sjisLead[256];
  std::uint8_t sjisTrail[2][256];  // [row & 1][cell]
  std::uint8_t jisRow[2][256];     // [trail >= 0x9F][lead]
  std::uint8_t jisCell[256];       // [trail]
};

constexpr TPairTables MakePairTables() {
  TPairTables t{};
  for (int b = 0; b < 256; ++b) {
    const auto u = static_cast<unsigned char>(b);
    t.sjisLead[b] = JisPairToSjis(u, 0x21).first;
    t.sjisTrail[0][b] = JisPairToSjis(0x22, u).second;
    t.sjisTrail[1][b] = JisPairToSjis(0x21, u).second;
    t.jisRow[0][b] = SjisPairToJis(u, 0x40).first;
    t.jisRow[1][b] = SjisPairToJis(u, 0x9F).first;
    t.jisCell[b] = SjisPairToJis(0x81, u).second;
  }
  return t;
}

inline constexpr TPairTables PairTables = MakePairTables();

inline TBytePair JisPairToSjisLookup(unsigned char j1, unsigned char j2) noexcept {
  return {PairTables.sjisLead[j1], PairTables.sjisTrail[j1 & 1][j2]};
}

inline TBytePair SjisPairToJisLookup(unsigned char s1, unsigned char s2) noexcept {
  return {PairTables.jisRow[s2 >= 0x9F ? 1 : 0][s1], PairTables.jisCell[s2]};
}

}  // namespace vellumark::jconvert_detail
