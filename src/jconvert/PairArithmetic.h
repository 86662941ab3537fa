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

}  // namespace vellumark::jconvert_detail
