// One line of an address list, as both front ends take it.
#pragma once

#include <cstddef>
#include <string_view>

#include "Common/Codepage.h"

namespace vellumark {

// The most bytes of one address line (as Shift_JIS) that are used; the rest
// of a longer line is ignored. A two-byte character that the limit would cut
// in half is left out whole.
inline constexpr std::size_t MaxAddressLineBytes = 4096;

// The part of `line` that is used as the address.
inline std::string_view CutAddressLine(std::string_view line) {
  return SjisPrefix(line, MaxAddressLineBytes);
}

}  // namespace vellumark
