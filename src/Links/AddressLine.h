// One line of an address list, as both front ends take it: the window's in
// Shift_JIS, vellumark-cli's in UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

#include "Common/Codepage.h"

namespace vellumark {

// The most bytes of one address line that are used; the rest of a longer
// line is ignored. A character that the limit would cut in half is left out
// whole.
inline constexpr std::size_t MaxAddressLineBytes = 4096;

// The part of `line` that is used as the address.
inline std::string_view CutAddressLine(std::string_view line) {
  return SjisPrefix(line, MaxAddressLineBytes);
}
inline std::string_view CutUtf8AddressLine(std::string_view line) {
  return Utf8Prefix(line, MaxAddressLineBytes);
}

}  // namespace vellumark
