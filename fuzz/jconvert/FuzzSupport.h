// Shared by the encoding fuzzers: an exactly sized copy of the input (so
// AddressSanitizer sees a read one byte past the end), a check that stops
// the run with a message, and builders that turn fuzz bytes into texts that
// are well formed in one encoding, for the round-trip checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace vellumark::fuzzing {

class TExactCopy {
 public:
  TExactCopy(const std::uint8_t* data, std::size_t size)
      : bytes_(new char[size == 0 ? 1 : size]), size_(size) {
    for (std::size_t i = 0; i < size; ++i) bytes_[i] = static_cast<char>(data[i]);
  }
  std::string_view View() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "jconvert fuzz check failed: %s\n", what);
    std::abort();
  }
}

// Reads fuzz bytes one at a time; 0 once they are used up.
class TByteSource {
 public:
  TByteSource(std::string_view bytes) : bytes_(bytes) {}
  bool Done() const { return pos_ >= bytes_.size(); }
  unsigned Next() { return pos_ < bytes_.size() ? static_cast<unsigned char>(bytes_[pos_++]) : 0u; }
  // A value in [low, high].
  unsigned Pick(unsigned low, unsigned high) { return low + Next() % (high - low + 1); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// A 7-bit byte every encoding passes unchanged: no 0x00 (JIS text ends
// there) and no ESC.
inline char PlainByte(TByteSource& src) {
  unsigned b = src.Pick(0x01, 0x7F);
  if (b == 0x1B) b = 0x0A;
  return static_cast<char>(b);
}

inline void PutPair(std::string& out, unsigned a, unsigned b) {
  out.push_back(static_cast<char>(a));
  out.push_back(static_cast<char>(b));
}

// Shift_JIS: pairs (0x81..0x9F or 0xE0..0xEF, 0x40..0xFC without 0x7F),
// half-width katakana if asked for, and plain bytes.
inline std::string MakeSjis(TByteSource& src, bool withKana) {
  std::string out;
  while (!src.Done()) {
    const unsigned kind = src.Next() % (withKana ? 3 : 2);
    if (kind == 0) {
      out.push_back(PlainByte(src));
    } else if (kind == 1) {
      unsigned s1 = src.Pick(0x81, 0x9F + 16);
      if (s1 > 0x9F) s1 += 0xE0 - 0xA0;
      unsigned s2 = src.Pick(0x40, 0xFB);
      if (s2 >= 0x7F) s2 += 1;
      PutPair(out, s1, s2);
    } else {
      out.push_back(static_cast<char>(src.Pick(0xA1, 0xDF)));
    }
  }
  return out;
}

// EUC-JP: pairs of 0xA1..0xFE, half-width katakana 0x8E 0xA1..0xDF if asked
// for, and plain bytes.
inline std::string MakeEuc(TByteSource& src, bool withKana) {
  std::string out;
  while (!src.Done()) {
    const unsigned kind = src.Next() % (withKana ? 3 : 2);
    if (kind == 0) {
      out.push_back(PlainByte(src));
    } else if (kind == 1) {
      const unsigned e1 = src.Pick(0xA1, 0xFE);
      PutPair(out, e1, src.Pick(0xA1, 0xFE));
    } else {
      PutPair(out, 0x8E, src.Pick(0xA1, 0xDF));
    }
  }
  return out;
}

// 7-bit JIS: runs of pairs 0x21..0x7E behind ESC $ B or ESC $ @, plain
// bytes behind ESC ( B or ESC ( J (or at the start), ending in the
// single-byte set.
inline std::string MakeJis(TByteSource& src) {
  std::string out;
  bool twoByte = false;
  while (!src.Done()) {
    const unsigned kind = src.Next() % 3;
    if (kind == 0) {
      out += twoByte ? (src.Next() % 2 ? "\x1b(B" : "\x1b(J") : (src.Next() % 2 ? "\x1b$B" : "\x1b$@");
      twoByte = !twoByte;
    } else if (twoByte) {
      const unsigned j1 = src.Pick(0x21, 0x7E);
      PutPair(out, j1, src.Pick(0x21, 0x7E));
    } else {
      out.push_back(PlainByte(src));
    }
  }
  if (twoByte) out += "\x1b(B";
  return out;
}

}  // namespace vellumark::fuzzing
