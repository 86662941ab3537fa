// Deciding which Japanese encoding a byte string is written in: one forward
// scan that stops at the first byte pattern that settles the question.
#include "jconvert/ByteText.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace {

using jconvert_detail::Esc;
using jconvert_detail::TByteText;

constexpr bool InRange(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

constexpr bool IsBinaryByte(unsigned char b) { return b <= 0x07 || b == 0xFF; }

// Control bytes near the start mark data that is no text. The last byte is
// left to the main scan, which never takes it as a first byte.
bool HasBinaryPrefix(const TByteText& in) {
  for (std::size_t i = 1; i <= BinaryScanLimit && i < in.Length(); ++i) {
    if (IsBinaryByte(in.At(i))) return true;
  }
  return false;
}

// After a pair whose second byte is 0xE0..0xEF, look further ahead for a
// byte only one of the two encodings allows. Starts at the second byte and
// returns the position of the byte it stopped at: below 0x40, the end of the
// text, or the deciding byte.
std::size_t LookAhead(const TByteText& in, std::size_t p, TJapaneseCode& result) {
  unsigned char x = in.At(p);
  while (x >= 0x40 && p <= in.Length() && result == jcEucOrSjis) {
    if (InRange(x, 0x81, 0x8D) || InRange(x, 0x8F, 0x9C)) {
      result = jcSjis;
    } else if (InRange(x, 0xFD, 0xFE)) {
      result = jcEuc;
    }
    ++p;
    x = in.At(p);
  }
  return p;
}

}  // namespace

TJapaneseCode DetectJapaneseCode(std::string_view text) {
  const TByteText in(text);
  if (HasBinaryPrefix(in)) return jcBinary;

  const std::size_t n = in.Length();
  TJapaneseCode result = jcAscii;
  std::size_t i = 1;
  while ((result == jcAscii || result == jcEucOrSjis) && i < n) {
    const unsigned char b = in.At(i);
    if (b == Esc) {
      if (in.At(i + 1) == 0x24) {
        const unsigned char d = in.At(i + 2);
        if (d == 0x42) {
          result = jcJisNew;
        } else if (d == 0x40) {
          result = jcJisOld;
        }
        i += 3;
      } else {
        i += 2;
      }
    } else if (IsBinaryByte(b)) {
      result = jcBinary;
      i += 1;
    } else if (b <= 0x7F) {
      // 7-bit text decides nothing; pass over it in groups.
      i = jconvert_detail::SkipPlainRun(in, i + 1, n);
    } else if (b == 0x80 || b == 0xA0) {
      i += 1;
    } else if (InRange(b, 0x81, 0x8D) || InRange(b, 0x8F, 0x9F)) {
      result = jcSjis;
      i += 1;
    } else if (b == 0x8E) {
      const unsigned char c = in.At(i + 1);
      if (InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xA0) || InRange(c, 0xE0, 0xFC)) {
        result = jcSjis;
      } else if (InRange(c, 0xA1, 0xDF)) {
        result = jcEucOrSjis;
      }
      i += 2;
    } else if (InRange(b, 0xA1, 0xDF)) {
      const unsigned char c = in.At(i + 1);
      if (InRange(c, 0xF0, 0xFE)) {
        result = jcEuc;
      } else if (InRange(c, 0xA1, 0xDF)) {
        result = jcEucOrSjis;
      } else if (InRange(c, 0xE0, 0xEF)) {
        result = jcEucOrSjis;
        // The byte the look-ahead stopped at is consumed with it.
        i = LookAhead(in, i + 1, result) + 1;
        continue;
      } else if (c <= 0x9F) {
        result = jcSjis;
      }
      i += 2;
    } else if (InRange(b, 0xE0, 0xEF)) {
      const unsigned char c = in.At(i + 1);
      if (InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xA0)) {
        result = jcSjis;
      } else if (InRange(c, 0xFD, 0xFE)) {
        result = jcEuc;
      } else if (InRange(c, 0xA1, 0xFC)) {
        result = jcEucOrSjis;
      }
      i += 2;
    } else {  // 0xF0..0xFE
      result = jcEuc;
      i += 1;
    }
  }
  return result;
}

}  // namespace vellumark
