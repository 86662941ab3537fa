// Byte strings written and shown as hexadecimal ("1B 24 42"), so that test
// inputs and failure messages show every byte of a Japanese encoding.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vellumark::testing {

// "88 9F 41" -> the three bytes 0x88 0x9F 0x41. Blanks separate bytes.
inline std::string X(std::string_view hex) {
  std::string out;
  int digits = 0;
  unsigned value = 0;
  for (char ch : hex) {
    if (ch == ' ') continue;
    unsigned d;
    if (ch >= '0' && ch <= '9') {
      d = static_cast<unsigned>(ch - '0');
    } else if (ch >= 'A' && ch <= 'F') {
      d = static_cast<unsigned>(ch - 'A' + 10);
    } else if (ch >= 'a' && ch <= 'f') {
      d = static_cast<unsigned>(ch - 'a' + 10);
    } else {
      throw std::invalid_argument("not a hex digit in test bytes");
    }
    value = value * 16 + d;
    if (++digits == 2) {
      out.push_back(static_cast<char>(value));
      digits = 0;
      value = 0;
    }
  }
  if (digits != 0) throw std::invalid_argument("odd number of hex digits in test bytes");
  return out;
}

// The bytes of `text` as upper-case hex pairs separated by blanks.
inline std::string Hex(std::string_view text) {
  std::string out;
  char buf[4];
  for (unsigned char b : text) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    if (!out.empty()) out.push_back(' ');
    out += buf;
  }
  return out;
}

}  // namespace vellumark::testing
