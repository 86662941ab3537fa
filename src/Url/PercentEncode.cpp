#include "Url/PercentEncode.h"

#include <array>
#include <cstdint>

#include "Common/HexDigits.h"

namespace vellumark::url {

namespace {

// One bit per set for each ASCII byte, built at compile time from the
// printable members of each set.
constexpr std::array<std::uint8_t, 128> kSets = [] {
  std::array<std::uint8_t, 128> table{};
  const auto add = [&table](std::string_view members, TEncodeSet set) {
    for (const char c : members) table[static_cast<unsigned char>(c)] |= 1u << static_cast<int>(set);
  };
  add(" \"<>`", TEncodeSet::Fragment);
  add(" \"#<>'", TEncodeSet::SpecialQuery);
  add(" \"#<>?^`{}", TEncodeSet::Path);
  add(" \"#<>?^`{}/:;=@[\\]|", TEncodeSet::Userinfo);
  return table;
}();

bool InSet(unsigned char byte, TEncodeSet set) {
  if (byte < 0x20 || byte > 0x7E) return true;
  return (kSets[byte] >> static_cast<int>(set)) & 1u;
}

}  // namespace

void AppendEncoded(std::string& out, char c, TEncodeSet set) {
  const auto byte = static_cast<unsigned char>(c);
  if (!InSet(byte, set)) {
    out.push_back(c);
    return;
  }
  out.push_back('%');
  out.push_back(UpperHexDigits[byte >> 4]);
  out.push_back(UpperHexDigits[byte & 0x0F]);
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The sequence length and the range its second byte must lie in, which
    // is what shuts out overlong forms, surrogates and values past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace vellumark::url
