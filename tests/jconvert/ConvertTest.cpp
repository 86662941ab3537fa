#include <string>

#include <gtest/gtest.h>

#include "jconvert/HexBytes.h"
#include "jconvert/jconvert.h"

namespace vellumark {
namespace {

using testing::Hex;
using testing::X;

// "日本語" in the three encodings, and the JIS form this unit writes.
const std::string kEuc = X("C6 FC CB DC B8 EC");
const std::string kSjis = X("93 FA 96 7B 8C EA");
const std::string kJisIn = X("1B 24 42 46 7C 4B 5C 38 6C 1B 28 42");
const std::string kJisOut = X("1B 24 42 46 7C 4B 5C 38 6C 1B 28 4A");

TEST(Conversions, EmptyTextStaysEmpty) {
  for (auto convert : {&JisToSjis, &EucToSjis, &JisToEuc, &EucToJis, &SjisToJis, &SjisToEuc}) {
    EXPECT_EQ(convert(""), "");
  }
  for (int target = -1; target <= 8; ++target) {
    EXPECT_EQ(ConvertJapaneseCode("", target), "") << "target " << target;
  }
}

TEST(Conversions, SevenBitTextPassesEveryConversion) {
  const std::string ascii = "<title>Hello, world</title>\r\n";
  for (auto convert : {&JisToSjis, &EucToSjis, &JisToEuc, &EucToJis, &SjisToJis, &SjisToEuc}) {
    EXPECT_EQ(convert(ascii), ascii);
  }
}

TEST(ConvertJapaneseCode, ConvertsTowardsTheRequestedEncoding) {
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("1B 24 42 30 21 1B 28 42"), jcSjis)), "88 9F");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("1B 24 42 30 21 1B 28 42"), jcEuc)), "B0 A1");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("1B 24 40 30 21 1B 28 42"), jcSjis)), "88 9F");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("1B 24 40 30 21 1B 28 42"), jcEuc)), "B0 A1");
  EXPECT_EQ(Hex(ConvertJapaneseCode(kEuc, jcSjis)), Hex(kSjis));
  EXPECT_EQ(Hex(ConvertJapaneseCode(kEuc, jcJisNew)), Hex(kJisOut));
  EXPECT_EQ(Hex(ConvertJapaneseCode(kSjis, jcEuc)), Hex(kEuc));
  EXPECT_EQ(Hex(ConvertJapaneseCode(kSjis, jcJisNew)), Hex(kJisOut));
  EXPECT_EQ(Hex(ConvertJapaneseCode(kJisIn, jcSjis)), Hex(kSjis));
  EXPECT_EQ(Hex(ConvertJapaneseCode(kJisIn, jcEuc)), Hex(kEuc));
}

TEST(ConvertJapaneseCode, LeavesTextUnchangedWhenNothingFits) {
  const std::string jisOld = X("1B 24 40 30 21 1B 28 42");
  // Already in the target encoding.
  EXPECT_EQ(ConvertJapaneseCode(kEuc, jcEuc), kEuc);
  EXPECT_EQ(ConvertJapaneseCode(kSjis, jcSjis), kSjis);
  EXPECT_EQ(ConvertJapaneseCode(kJisIn, jcJisNew), kJisIn);
  // JIS announced by ESC $ @ is not rewritten when JIS is asked for.
  EXPECT_EQ(ConvertJapaneseCode(jisOld, jcJisNew), jisOld);
  // Undecided, binary and plain texts are never converted.
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("B0 A1"), jcSjis)), "B0 A1");
  EXPECT_EQ(Hex(EucToSjis(X("B0 A1"))), "88 9F");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("B0 A1"), jcJisNew)), "B0 A1");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("93 FA 00 41"), jcEuc)), "93 FA 00 41");
  EXPECT_EQ(ConvertJapaneseCode("abc", jcJisNew), "abc");
  // Targets that are no conversion target.
  for (int target : {int{jcAscii}, int{jcBinary}, int{jcJisOld}, int{jcEucOrSjis}, 7, -1, 1000}) {
    for (const std::string& text : {kEuc, kSjis, kJisIn, jisOld}) {
      EXPECT_EQ(ConvertJapaneseCode(text, target), text) << "target " << target;
    }
  }
}

TEST(JisToSjis, EscapesSwitchSetsAndAreDropped) {
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30 21 1B 28 42"))), "88 9F");
  EXPECT_EQ(Hex(JisToSjis(X("61 1B 24 40 30 21 1B 28 4A 62"))), "61 88 9F 62");
  // ESC ( I returns to the single-byte set like any ESC ( x.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30 21 1B 28 49 41"))), "88 9F 41");
  // Any other designator leaves the set as it was.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30 21 1B 29 49 30 21"))), "88 9F 88 9F");
  EXPECT_EQ(Hex(JisToSjis(X("1B 29 49 30 21"))), "30 21");
  // Sequences directly after each other.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 1B 28 42 41"))), "41");
  EXPECT_EQ(Hex(JisToSjis(X("61 62 1B 24 42"))), "61 62");
}

TEST(JisToSjis, TwoByteSetTakesBytesStrictlyInPairs) {
  // The ESC at an odd place is a pair's second byte, not an escape.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30 1B 28 42"))), "88 99 84 C0");
  // A pair cut off by the end takes 0 as its second byte.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30"))), "88 7E");
  // Line ends inside the two-byte set are paired like anything else.
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 0D 0A"))), "77 29");
}

TEST(JisToSjis, ResultEndsAtTheFirstZeroByte) {
  EXPECT_EQ(Hex(JisToSjis(X("61 62 00 63"))), "61 62");
  EXPECT_EQ(Hex(JisToSjis(X("00 61"))), "");
  // A zero made by the pair arithmetic cuts too (0x82 + 0x7E wraps to 0).
  EXPECT_EQ(Hex(JisToSjis(X("1B 24 42 30 21 30 82 30 21"))), "88 9F 88");
}

TEST(EucToSjis, PairsKanaAndSingleBytes) {
  EXPECT_EQ(Hex(EucToSjis(X("B0 A1 41 A4 A2"))), "88 9F 41 82 A0");
  EXPECT_EQ(Hex(EucToSjis(X("8E B6"))), "B6");
  EXPECT_EQ(Hex(EucToSjis(X("8E B6 8E DE"))), "B6 DE");
  EXPECT_EQ(Hex(EucToSjis(X("80 FF 7F"))), "80 FF 7F");
  // No shift state: ESC passes.
  EXPECT_EQ(Hex(EucToSjis(X("1B 24 42"))), "1B 24 42");
}

TEST(EucToSjis, CutOffAndMalformedInput) {
  EXPECT_EQ(Hex(EucToSjis(X("61 8E"))), "61 00");
  EXPECT_EQ(Hex(EucToSjis(X("B0"))), "88 7E");
  // A JIS X 0212 character is one geta mark (see the table below).
  EXPECT_EQ(Hex(EucToSjis(X("8F A1 A1"))), "81 AC");
  // The second byte is taken whatever it is.
  EXPECT_EQ(Hex(EucToSjis(X("B0 41 42"))), "88 BF 42");
}

// 0x8F and the two bytes after it, whatever they are, are one JIS X 0212
// character: one geta mark, with what follows converted as if it were absent.
TEST(FromEuc, JisX0212CharacterBecomesOneGetaMark) {
  struct TCase {
    const char* euc;
    const char* sjis;
    const char* jis;
  };
  const TCase cases[] = {
      {"8F A2 B1", "81 AC", "1B 24 42 22 2E 1B 28 4A"},
      {"8F B0 A1 B0 A1", "81 AC 88 9F", "1B 24 42 22 2E 30 21 1B 28 4A"},
      {"B0 A1 8F A2 B1 B0 A1", "88 9F 81 AC 88 9F", "1B 24 42 30 21 22 2E 30 21 1B 28 4A"},
      // "café é</title>" with a JIS X 0212 é: the "<" survives.
      {"63 61 66 8F AB B1 3C 2F", "63 61 66 81 AC 3C 2F", "63 61 66 1B 24 42 22 2E 1B 28 4A 3C 2F"},
      {"8F A2 B1 8E B6 41", "81 AC B6 41", "1B 24 42 22 2E 25 2B 1B 28 4A 41"},
      {"8F A2 B1 8F A2 B1 0A", "81 AC 81 AC 0A", "1B 24 42 22 2E 22 2E 1B 28 4A 0A"},
      // The two bytes are taken whatever they are.
      {"8F 41 42 43", "81 AC 43", "1B 24 42 22 2E 1B 28 4A 43"},
      // Fewer than two bytes after the prefix: still one mark, and the end.
      {"41 8F", "41 81 AC", "41 1B 24 42 22 2E 1B 28 4A"},
      {"41 8F A2", "41 81 AC", "41 1B 24 42 22 2E 1B 28 4A"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Hex(EucToSjis(X(c.euc))), c.sjis) << c.euc;
    EXPECT_EQ(Hex(EucToJis(X(c.euc))), c.jis) << c.euc;
  }
  // The dispatcher reaches the same conversions; detection is unchanged
  // (0x8F decides Shift_JIS as a first byte, so the text must be decided
  // as EUC-JP before it).
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("B0 FE 8F A2 B1 41"), jcSjis)), "88 FC 81 AC 41");
  EXPECT_EQ(Hex(ConvertJapaneseCode(X("B0 FE 8F A2 B1 41"), jcJisNew)), "1B 24 42 30 7E 22 2E 1B 28 4A 41");
}

TEST(JisToEuc, SetsBitSevenInsideTheTwoByteSet) {
  EXPECT_EQ(Hex(JisToEuc(X("1B 24 42 30 21 1B 28 42"))), "B0 A1");
  EXPECT_EQ(Hex(JisToEuc(X("1B 24 42 1B 28 42 41"))), "41");
  // Bytes are taken one at a time: an ESC counts at any position.
  EXPECT_EQ(Hex(JisToEuc(X("1B 24 42 30 1B 28 42 41"))), "B0 41");
  // Outside 0x21..0x7E bytes pass even in the two-byte set.
  EXPECT_EQ(Hex(JisToEuc(X("1B 24 42 20 0A 30 21 7F 8E"))), "20 0A B0 A1 7F 8E");
  // Half-width katakana in JIS are not supported: they pass unchanged.
  EXPECT_EQ(Hex(JisToEuc(X("1B 28 49 36 1B 28 42"))), "36");
  // A sequence at the end adds nothing, even cut short.
  EXPECT_EQ(Hex(JisToEuc(X("41 1B 24"))), "41");
  EXPECT_EQ(Hex(JisToEuc(X("41 1B"))), "41");
}

TEST(ToJis, EscapesAroundEveryTwoByteRun) {
  EXPECT_EQ(Hex(SjisToJis(X("88 9F 0D 0A 41"))), "1B 24 42 30 21 1B 28 4A 0D 0A 41");
  EXPECT_EQ(Hex(EucToJis(X("B0 A1 0D 0A 41"))), "1B 24 42 30 21 1B 28 4A 0D 0A 41");
  // One sequence for a run of characters; the text never ends in the two-byte set.
  EXPECT_EQ(Hex(SjisToJis(X("88 9F 88 9F"))), "1B 24 42 30 21 30 21 1B 28 4A");
  EXPECT_EQ(Hex(EucToJis(X("61 B0 A1 62 B0 A1"))),
            "61 1B 24 42 30 21 1B 28 4A 62 1B 24 42 30 21 1B 28 4A");
  // A line end inside a run also returns to the single-byte set first.
  EXPECT_EQ(Hex(SjisToJis(X("88 9F 0A 88 9F"))), "1B 24 42 30 21 1B 28 4A 0A 1B 24 42 30 21 1B 28 4A");
}

TEST(ToJis, InvalidPairsGoThroughTheArithmetic) {
  EXPECT_EQ(Hex(EucToJis(X("80 41"))), "1B 24 42 00 41 1B 28 4A");
  EXPECT_EQ(Hex(SjisToJis(X("A0 41"))), "1B 24 42 DF 22 1B 28 4A");
  // A first byte at the end pairs with 0.
  EXPECT_EQ(Hex(EucToJis(X("41 B0"))), "41 1B 24 42 30 00 1B 28 4A");
}

TEST(ToJis, HalfWidthKanaBecomeFullWidth) {
  EXPECT_EQ(Hex(EucToJis(X("8E B6 8E DE"))), "1B 24 42 25 2C 1B 28 4A");
  EXPECT_EQ(Hex(SjisToJis(X("B3 DE"))), "1B 24 42 25 74 1B 28 4A");
  EXPECT_EQ(Hex(SjisToJis(X("CA DF"))), "1B 24 42 25 51 1B 28 4A");
  // The mark after a kana that takes none is converted on its own.
  EXPECT_EQ(Hex(SjisToJis(X("B1 DE"))), "1B 24 42 25 22 21 2B 1B 28 4A");
  EXPECT_EQ(Hex(EucToJis(X("8E B1 8E DE"))), "1B 24 42 25 22 21 2B 1B 28 4A");
  // A kana mixed with pairs and 7-bit text.
  EXPECT_EQ(Hex(SjisToJis(X("88 9F B6 DE 41"))), "1B 24 42 30 21 25 2C 1B 28 4A 41");
  // A half-width prefix with no kana byte after it keeps to the katakana row.
  EXPECT_EQ(Hex(EucToJis(X("41 8E"))), "41 1B 24 42 25 7E 1B 28 4A");
}

TEST(SjisToEuc, PairsKanaAndSingleBytes) {
  EXPECT_EQ(Hex(SjisToEuc(X("88 9F 41 B6"))), "B0 A1 41 8E B6");
  EXPECT_EQ(Hex(SjisToEuc(X("B6 DE"))), "8E B6 8E DE");
  EXPECT_EQ(Hex(SjisToEuc(X("7F 1B"))), "7F 1B");
  // A first byte at the end pairs with 0.
  EXPECT_EQ(Hex(SjisToEuc(X("81"))), "A1 E1");
  EXPECT_EQ(Hex(SjisToEuc(X("A0 41"))), "DF A2");
}

// Long 7-bit stretches are copied in groups: a character or an escape
// sequence at any offset around them must come out the same.
TEST(Conversions, CharactersAtEveryOffsetInsideLongSevenBitRuns) {
  for (std::size_t before = 0; before <= 20; ++before) {
    for (std::size_t after = 0; after <= 20; ++after) {
      const std::string a(before, 'a');
      const std::string z(after, 'z');
      SCOPED_TRACE(::testing::Message() << before << " before, " << after << " after");
      EXPECT_EQ(EucToSjis(a + X("B0 A1") + z), a + X("88 9F") + z);
      EXPECT_EQ(EucToSjis(a + X("8E B6") + z), a + X("B6") + z);
      EXPECT_EQ(SjisToEuc(a + X("88 9F") + z), a + X("B0 A1") + z);
      EXPECT_EQ(SjisToEuc(a + X("B6") + z), a + X("8E B6") + z);
      EXPECT_EQ(JisToSjis(a + X("1B 24 42 30 21 1B 28 42") + z), a + X("88 9F") + z);
      EXPECT_EQ(JisToSjis(a + X("1B 28 4A") + z), a + z);
      EXPECT_EQ(JisToSjis(a + X("00") + z), a);
      EXPECT_EQ(JisToSjis(a + X("88 9F") + z), a + X("88 9F") + z);
      EXPECT_EQ(JisToEuc(a + X("1B 24 42 30 21 1B 28 42") + z), a + X("B0 A1") + z);
      EXPECT_EQ(SjisToJis(a + X("88 9F") + z), a + X("1B 24 42 30 21 1B 28 4A") + z);
      EXPECT_EQ(EucToJis(a + X("B0 A1") + z), a + X("1B 24 42 30 21 1B 28 4A") + z);
    }
  }
}

// Results larger than the first size estimate: half-width katakana double
// in EUC-JP, and alternating kana and 7-bit bytes multiply in JIS.
TEST(Conversions, ResultsThatOutgrowTheirInput) {
  std::string kana;
  std::string kanaEuc;
  std::string mixed;
  std::string mixedJis;
  for (int k = 0; k < 10000; ++k) {
    const char c = static_cast<char>(0xB1 + k % 40);
    kana += c;
    kanaEuc += '\x8E';
    kanaEuc += c;
    mixed += '\xB1';
    mixed += 'x';
    mixedJis += X("1B 24 42 25 22 1B 28 4A") + "x";
  }
  EXPECT_EQ(SjisToEuc(kana), kanaEuc);
  EXPECT_EQ(EucToSjis(kanaEuc), kana);
  EXPECT_EQ(SjisToJis(mixed), mixedJis);
}

// Every Shift_JIS two-byte character the arithmetic handles as valid
// (first byte 0x81..0x9F or 0xE0..0xEF, second 0x40..0x7E or 0x80..0xFC),
// separated by 7-bit bytes other than 0x00 and ESC.
std::string AllSjisPairsText() {
  std::string text;
  int spacer = 0;
  for (int s1 = 0x81; s1 <= 0xEF; ++s1) {
    if (s1 > 0x9F && s1 < 0xE0) continue;
    for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
      if (s2 == 0x7F) continue;
      text.push_back(static_cast<char>(s1));
      text.push_back(static_cast<char>(s2));
      if (++spacer % 7 == 0) text += (spacer % 2 ? "\r\n" : " x");
    }
  }
  return text;
}

// Every EUC-JP pair of two bytes 0xA1..0xFE, and every half-width kana.
std::string AllEucPairsText(bool withKana) {
  std::string text;
  for (int e1 = 0xA1; e1 <= 0xFE; ++e1) {
    for (int e2 = 0xA1; e2 <= 0xFE; ++e2) {
      text.push_back(static_cast<char>(e1));
      text.push_back(static_cast<char>(e2));
    }
    text += "\n";
  }
  if (withKana) {
    for (int k = 0xA1; k <= 0xDF; ++k) {
      text.push_back('\x8E');
      text.push_back(static_cast<char>(k));
    }
  }
  return text;
}

TEST(RoundTrips, ShiftJisThroughJisAndEuc) {
  const std::string sjis = AllSjisPairsText();
  EXPECT_EQ(JisToSjis(SjisToJis(sjis)), sjis);
  EXPECT_EQ(EucToSjis(SjisToEuc(sjis)), sjis);
  // Both roads to EUC-JP agree.
  EXPECT_EQ(JisToEuc(SjisToJis(sjis)), SjisToEuc(sjis));
}

TEST(RoundTrips, EucThroughShiftJisAndJis) {
  const std::string eucWithKana = AllEucPairsText(true);
  EXPECT_EQ(SjisToEuc(EucToSjis(eucWithKana)), eucWithKana);
  const std::string euc = AllEucPairsText(false);
  EXPECT_EQ(JisToEuc(EucToJis(euc)), euc);
  EXPECT_EQ(JisToSjis(EucToJis(euc)), EucToSjis(euc));
}

TEST(RoundTrips, DispatcherFindsWhatItWrote) {
  const std::string sjis = "<title>" + kSjis + "</title>\r\n" + X("82 A0 83 41");
  const std::string euc = ConvertJapaneseCode(sjis, jcEuc);
  const std::string jis = ConvertJapaneseCode(sjis, jcJisNew);
  EXPECT_EQ(DetectJapaneseCode(euc), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(jis), jcJisNew);
  EXPECT_EQ(ConvertJapaneseCode(euc, jcSjis), sjis);
  EXPECT_EQ(ConvertJapaneseCode(jis, jcSjis), sjis);
  EXPECT_EQ(ConvertJapaneseCode(jis, jcEuc), euc);
  EXPECT_EQ(ConvertJapaneseCode(euc, jcJisNew), jis);
}

}  // namespace
}  // namespace vellumark
