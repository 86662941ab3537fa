// Reads a glibc charmap source file (the format of
// /usr/share/i18n/charmaps/*): one line per character, "<Uxxxx> /xHH/xHH NAME".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellumark::testing {

struct TCharmapEntry {
  std::uint32_t code = 0;  // Unicode code point
  std::string bytes;       // the encoded character
  std::string name;        // the character's name as the file gives it
};

// The entries between "CHARMAP" and "END CHARMAP", in file order. Throws
// std::runtime_error when the file cannot be read or has no such section.
std::vector<TCharmapEntry> LoadCharmap(const std::string& path);

}  // namespace vellumark::testing
