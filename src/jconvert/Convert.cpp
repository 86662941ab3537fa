// Whole-text conversions between 7-bit JIS, EUC-JP and Shift_JIS, and the
// dispatcher that detects the source encoding first.
//
// Every conversion is one forward pass. A two-byte character cut off by the
// end of the input takes 0 (the reader's byte past the end) as its second
// byte; malformed input is converted by the same arithmetic as valid input.

#include "jconvert/ByteText.h"
#include "jconvert/HalfKana.h"
#include "jconvert/PairArithmetic.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace {

using jconvert_detail::Esc;
using jconvert_detail::JisPairToSjisLookup;
using jconvert_detail::SjisPairToJisLookup;
using jconvert_detail::TByteSink;
using jconvert_detail::TByteText;

constexpr unsigned char DesignateTwoByte = 0x24;   // ESC $ x
constexpr unsigned char DesignateSingleByte = 0x28;  // ESC ( x

// The only state of a JIS conversion: whether the two-byte set is active.
// An escape sequence on input is ESC, a designator and one unexamined byte.
void ApplyDesignator(unsigned char designator, bool& twoByte) {
  if (designator == DesignateTwoByte) {
    twoByte = true;
  } else if (designator == DesignateSingleByte) {
    twoByte = false;
  }
}

// JIS output always enters the two-byte set with ESC $ B and leaves it with
// ESC ( J.
void EnterTwoByte(TByteSink& out, bool& twoByte) {
  if (!twoByte) {
    out.Put(Esc, 0x24, 0x42);
    twoByte = true;
  }
}

void LeaveTwoByte(TByteSink& out, bool& twoByte) {
  if (twoByte) {
    out.Put(Esc, 0x28, 0x4A);
    twoByte = false;
  }
}

// EUC-JP's three-byte characters (JIS X 0212): 0x8F and the two bytes after
// it. They have no place in Shift_JIS or JIS X 0208, so each becomes one
// geta mark, and the text after it converts as if it were not there.
constexpr unsigned char JisX0212Prefix = 0x8F;
constexpr unsigned char GetaJis1 = 0x22, GetaJis2 = 0x2E;    // 〓 in JIS X 0208
constexpr unsigned char GetaSjis1 = 0x81, GetaSjis2 = 0xAC;  // and in Shift_JIS

// The position after a JIS X 0212 character starting at `i`: a prefix with
// fewer than two bytes after it ends the text.
std::size_t AfterJisX0212(std::size_t i, std::size_t n) { return n - i < 2 ? n + 1 : i + 3; }

// A generous first guess for JIS output: every switch into and out of the
// two-byte set adds six bytes.
std::size_t JisEstimate(std::size_t n) { return n + n / 4 + 8; }

}  // namespace

std::string JisToSjis(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(n + 1);
  // Every step writes at most as many bytes as it reads, except a pair cut
  // off by the end, which writes one more.
  char* o = out.Room(n + 1);
  bool twoByte = false;
  std::size_t i = 1;
  while (i <= n) {
    bool sequenceAtEnd = false;
    while (in.At(i) == Esc) {
      ApplyDesignator(in.At(i + 1), twoByte);
      i += 3;
      if (i > n) {
        sequenceAtEnd = true;
        break;
      }
    }
    if (sequenceAtEnd) break;
    if (twoByte) {
      // Bytes are taken strictly in pairs here: an ESC counts only where a
      // pair would begin.
      const auto pair = JisPairToSjisLookup(in.At(i), in.At(i + 1));
      *o++ = static_cast<char>(pair.first);
      *o++ = static_cast<char>(pair.second);
      i += 2;
    } else {
      *o++ = static_cast<char>(in.At(i));
      i = jconvert_detail::CopyRunWithout(in, i + 1, n, Esc, o);
    }
  }
  out.Commit(o);
  std::string result = std::move(out).Finish();
  // JIS text ends at its first zero byte.
  const auto zero = result.find('\0');
  if (zero != std::string::npos) result.resize(zero);
  return result;
}

std::string EucToSjis(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(n + 1);
  // As in JisToSjis, n + 1 bytes are enough: a geta mark takes the place of
  // three bytes, or of fewer only at the end.
  char* o = out.Room(n + 1);
  std::size_t i = 1;
  while (i <= n) {
    const unsigned char b = in.At(i);
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      i = jconvert_detail::CopySevenBitRun(in, i + 1, n, o);
    } else if (b == 0x80 || b == 0xFF) {
      *o++ = static_cast<char>(b);
      i += 1;
    } else if (b == 0x8E) {
      // Half-width katakana stay half-width: the prefix is dropped.
      *o++ = static_cast<char>(in.At(i + 1));
      i += 2;
    } else if (b == JisX0212Prefix) {
      *o++ = static_cast<char>(GetaSjis1);
      *o++ = static_cast<char>(GetaSjis2);
      i = AfterJisX0212(i, n);
    } else {
      const auto pair = JisPairToSjisLookup(b & 0x7F, in.At(i + 1) & 0x7F);
      *o++ = static_cast<char>(pair.first);
      *o++ = static_cast<char>(pair.second);
      i += 2;
    }
  }
  out.Commit(o);
  return std::move(out).Finish();
}

std::string JisToEuc(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(n);
  bool twoByte = false;
  std::size_t i = 1;
  while (i <= n) {
    const unsigned char b = in.At(i);
    if (b == Esc) {
      // Bytes are handled one at a time, so an escape sequence counts
      // anywhere; it adds nothing to the result.
      ApplyDesignator(in.At(i + 1), twoByte);
      i += 3;
    } else if (twoByte && b >= 0x21 && b <= 0x7E) {
      out.Put(b | 0x80);
      i += 1;
    } else {
      out.Put(b);
      i += 1;
    }
  }
  return std::move(out).Finish();
}

std::string EucToJis(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(JisEstimate(n));
  bool twoByte = false;
  std::size_t i = 1;
  while (i <= n) {
    const unsigned char b = in.At(i);
    if (b < 0x80) {
      // Line ends and every single-byte character return to the single-byte set.
      LeaveTwoByte(out, twoByte);
      out.Put(b);
      i += 1;
    } else {
      EnterTwoByte(out, twoByte);
      if (b == 0x8E) {
        const auto kana = jconvert_detail::KanaAt(in, i + 1, i + 2, true);
        out.Put(kana.pair.first, kana.pair.second);
        i += kana.markConsumed ? 4 : 2;
      } else if (b == JisX0212Prefix) {
        out.Put(GetaJis1, GetaJis2);
        i = AfterJisX0212(i, n);
      } else {
        out.Put(b & 0x7F, in.At(i + 1) & 0x7F);
        i += 2;
      }
    }
  }
  LeaveTwoByte(out, twoByte);
  return std::move(out).Finish();
}

std::string SjisToJis(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(JisEstimate(n));
  bool twoByte = false;
  std::size_t i = 1;
  while (i <= n) {
    const unsigned char b = in.At(i);
    if (b < 0x80) {
      LeaveTwoByte(out, twoByte);
      out.Put(b);
      i += 1;
    } else {
      EnterTwoByte(out, twoByte);
      if (b >= 0xA1 && b <= 0xDF) {
        // Half-width katakana become full-width, merged with a fitting mark.
        const auto kana = jconvert_detail::KanaAt(in, i, i + 1, false);
        out.Put(kana.pair.first, kana.pair.second);
        i += kana.markConsumed ? 2 : 1;
      } else {
        const auto pair = SjisPairToJisLookup(b, in.At(i + 1));
        out.Put(pair.first, pair.second);
        i += 2;
      }
    }
  }
  LeaveTwoByte(out, twoByte);
  return std::move(out).Finish();
}

std::string SjisToEuc(std::string_view text) {
  const TByteText in(text);
  const std::size_t n = in.Length();
  TByteSink out(n + n / 2 + 1);
  constexpr std::size_t block = 4096;
  std::size_t i = 1;
  while (i <= n) {
    // A step writes at most two bytes for each byte it starts on inside
    // the block, so twice the block's length is room enough.
    const std::size_t last = n - i < block ? n : i + block - 1;
    char* o = out.Room(2 * (last - i + 1));
    while (i <= last) {
      const unsigned char b = in.At(i);
      if (b <= 0x7F) {
        *o++ = static_cast<char>(b);
        i = jconvert_detail::CopySevenBitRun(in, i + 1, last, o);
      } else if (b >= 0xA1 && b <= 0xDF) {
        // Half-width katakana stay half-width behind the EUC-JP prefix.
        *o++ = static_cast<char>(0x8E);
        *o++ = static_cast<char>(b);
        i += 1;
      } else {
        const auto pair = SjisPairToJisLookup(b, in.At(i + 1));
        *o++ = static_cast<char>(pair.first | 0x80);
        *o++ = static_cast<char>(pair.second | 0x80);
        i += 2;
      }
    }
    out.Commit(o);
  }
  return std::move(out).Finish();
}

std::string ConvertJapaneseCode(std::string_view text, int target) {
  const TJapaneseCode detected = DetectJapaneseCode(text);
  if (detected == jcAscii || detected == jcBinary || detected == jcEucOrSjis ||
      detected == target) {
    return std::string(text);
  }
  switch (target) {
    case jcJisNew:
      if (detected == jcEuc) return EucToJis(text);
      if (detected == jcSjis) return SjisToJis(text);
      break;
    case jcEuc:
      if (detected == jcJisNew || detected == jcJisOld) return JisToEuc(text);
      if (detected == jcSjis) return SjisToEuc(text);
      break;
    case jcSjis:
      if (detected == jcJisNew || detected == jcJisOld) return JisToSjis(text);
      if (detected == jcEuc) return EucToSjis(text);
      break;
    default:
      break;
  }
  return std::string(text);
}

}  // namespace vellumark
