#include "Common/IntConvert.h"

#include <limits>

#include "Common/HexDigits.h"

namespace vellumark {

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  text.remove_prefix(i);

  // Magnitudes are collected in 64 bits; the bound below stops long before
  // that could overflow.
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMinMagnitude = kMax + 1;

  std::size_t hexPrefix = 0;
  if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    hexPrefix = 1;
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    hexPrefix = 2;
  }
  if (hexPrefix > 0) {
    const std::string_view hex = text.substr(hexPrefix);
    if (hex.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : hex) {
      const int digit = HexDigitValue(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
      if (value > kMax) return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
  }

  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kMinMagnitude) return std::nullopt;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  if (value > kMax) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue) {
  return TryStrToInt(text).value_or(defaultValue);
}

}  // namespace vellumark
