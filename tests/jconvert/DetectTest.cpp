#include <string>

#include <gtest/gtest.h>

#include "jconvert/HexBytes.h"
#include "jconvert/jconvert.h"

namespace vellumark {
namespace {

using testing::X;

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

TEST(DetectJapaneseCode, TextsTooShortToDecideAreAscii) {
  EXPECT_EQ(DetectJapaneseCode(""), jcAscii);
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(DetectJapaneseCode(one), jcAscii) << "byte " << b;
  }
  EXPECT_EQ(DetectJapaneseCode("plain 7-bit text\r\n"), jcAscii);
}

TEST(DetectJapaneseCode, LastByteIsNeverAFirstByte) {
  EXPECT_EQ(DetectJapaneseCode(X("61 FF")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("08 00")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("61 81")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("61 F0")), jcAscii);
  // One byte more and the same byte is examined.
  EXPECT_EQ(DetectJapaneseCode(X("61 FF 61")), jcBinary);
  EXPECT_EQ(DetectJapaneseCode(X("61 81 61")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("61 F0 61")), jcEuc);
}

TEST(DetectJapaneseCode, OnlyDollarBAndDollarAtIdentifyJis) {
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 42")), jcJisNew);
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 42 30 21 1B 28 42")), jcJisNew);
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 40 30 21")), jcJisOld);
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 40 F0 F0")), jcJisOld);
  EXPECT_EQ(DetectJapaneseCode("abc\x1b(Jdef\x1b$Bxy"), jcJisNew);
  // ESC $ as the whole text: the third byte reads as 0.
  EXPECT_EQ(DetectJapaneseCode(X("1B 24")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("1B 28 42")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("1B 28 4A 41 42")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 28 44 41")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("1B 4B 41 41")), jcAscii);
}

TEST(DetectJapaneseCode, EscapeConsumesTheBytesAfterIt) {
  // ESC not followed by $ swallows one byte: the 0x88 here is never seen.
  EXPECT_EQ(DetectJapaneseCode(X("1B 88 41")), jcAscii);
  // ESC $ swallows two: the F0 is never seen, the A4 A2 after it is.
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 F0 A4 A2")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("1B A4 A4 A2")), jcEucOrSjis);
}

TEST(DetectJapaneseCode, ControlBytesInTheFirst512PositionsMeanBinary) {
  for (unsigned char b : {0x00, 0x01, 0x07, 0xFF}) {
    std::string text = "ab";
    text.push_back(static_cast<char>(b));
    text += "c";
    EXPECT_EQ(DetectJapaneseCode(text), jcBinary) << "byte " << int(b);
  }
  EXPECT_EQ(DetectJapaneseCode(X("08 41 1F 41 7F 41")), jcAscii);

  // The pre-scan runs before the main scan, so it beats an earlier ESC $ B.
  std::string jis = X("1B 24 42") + Repeat('a', 508);  // 511 bytes
  EXPECT_EQ(DetectJapaneseCode(jis + X("00") + "z"), jcBinary);   // 0x00 at 512
  EXPECT_EQ(DetectJapaneseCode(jis + "a" + X("00") + "z"), jcJisNew);  // at 513
  // Position 512 is examined only when it is not the last byte.
  EXPECT_EQ(DetectJapaneseCode(Repeat('a', 511) + X("FF")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(Repeat('a', 511) + X("FF") + "a"), jcBinary);
}

TEST(DetectJapaneseCode, ControlBytesLaterAreMetByTheMainScan) {
  const std::string head = Repeat('a', 600) + X("00");
  EXPECT_EQ(DetectJapaneseCode(head + "b"), jcBinary);
  EXPECT_EQ(DetectJapaneseCode(head), jcAscii);
  // A decision before the control byte stands.
  EXPECT_EQ(DetectJapaneseCode(Repeat('a', 600) + X("81 40 00 61")), jcSjis);
}

TEST(DetectJapaneseCode, PairsValidInBothEncodingsStayUndecided) {
  EXPECT_EQ(DetectJapaneseCode(X("A4 A2")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8E A1")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("E0 A1 78")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("E0 FC")), jcEucOrSjis);
  // Half-width katakana only, of any length from two bytes on.
  const std::string kana = X("B6 C0 B6 C5 B1 DD C4 DE DF A1");
  for (std::size_t len = 2; len <= kana.size(); ++len) {
    EXPECT_EQ(DetectJapaneseCode(kana.substr(0, len)), jcEucOrSjis) << "length " << len;
  }
  // Undecided does not stop the scan.
  EXPECT_EQ(DetectJapaneseCode(X("A4 A2 41 F0 41")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("A4 A2 41 81 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("A4 A2 1B 24 42 41")), jcJisNew);
}

TEST(DetectJapaneseCode, FirstDecidingPatternWins) {
  EXPECT_EQ(DetectJapaneseCode(X("F0 41 81 41")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("81 41 F0 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("81 41 1B 24 42 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("1B 24 42 81 41")), jcJisNew);
  EXPECT_EQ(DetectJapaneseCode(X("81 41 00 41")), jcBinary);  // pre-scan first
}

TEST(DetectJapaneseCode, FirstByteRows) {
  EXPECT_EQ(DetectJapaneseCode(X("81 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8D 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8F A1 A1")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("9F FC")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("F0 A1")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("FE A1")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("80 A0 41")), jcAscii);
  // 0x8E: the second byte decides.
  EXPECT_EQ(DetectJapaneseCode(X("8E 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8E A0")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8E FC")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("8E 3F 41")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("8E 7F 41")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("8E FD 41")), jcAscii);
  // 0xA1..0xDF
  EXPECT_EQ(DetectJapaneseCode(X("A1 F0")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("DF FE")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("B0 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("B0 20")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("B0 9F")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("A1 A0 78")), jcAscii);
  // A second byte 0xFF is consumed unexamined (beyond the pre-scan's reach).
  EXPECT_EQ(DetectJapaneseCode(Repeat('a', 600) + X("A1 FF 78")), jcAscii);
  // 0xE0..0xEF
  EXPECT_EQ(DetectJapaneseCode(X("E0 40")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("EF A0")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("E0 FD 78")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("E0 30 78")), jcAscii);
  EXPECT_EQ(DetectJapaneseCode(X("E0 7F 78")), jcAscii);
}

TEST(DetectJapaneseCode, LookAheadAfterSecondByteE0ToEF) {
  EXPECT_EQ(DetectJapaneseCode(X("C5 EC B5 FE")), jcEuc);
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 61 62 63 9C")), jcSjis);
  // 0x9D..0x9F decide as first bytes but not in the look-ahead.
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 61 62 63 9D")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("9D 41")), jcSjis);
  // A byte below 0x40 ends the look-ahead and is consumed with it.
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 61 62 20 9C")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 61 62 20 9C 41")), jcSjis);
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 1B 24 42 41")), jcEucOrSjis);
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 20 1B 24 42 41")), jcJisNew);
  // 7-bit letters do not stop it.
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 41 5A 7F 80 FD")), jcEuc);
  // The second byte itself is the first byte looked at.
  EXPECT_EQ(DetectJapaneseCode(X("B1 E0 A4")), jcEucOrSjis);
}

// Long 7-bit stretches are passed over in groups: whatever decides must be
// found at any offset inside them, and the last byte still never counts.
TEST(DetectJapaneseCode, DecidingBytesAtEveryOffsetInsideLongSevenBitRuns) {
  const std::string beyondPreScan = Repeat('a', 520);
  for (std::size_t before = 0; before <= 20; ++before) {
    const std::string a = Repeat('a', before);
    const std::string z = Repeat('z', 9);
    SCOPED_TRACE(::testing::Message() << before << " before");
    EXPECT_EQ(DetectJapaneseCode(a + X("C6 FC") + z), jcEuc);
    EXPECT_EQ(DetectJapaneseCode(a + X("93 FA") + z), jcSjis);
    EXPECT_EQ(DetectJapaneseCode(a + X("1B 24 42") + z), jcJisNew);
    EXPECT_EQ(DetectJapaneseCode(a + X("1B 81") + z), jcAscii);  // ESC swallows the 0x81
    EXPECT_EQ(DetectJapaneseCode(beyondPreScan + a + X("07") + z), jcBinary);
    EXPECT_EQ(DetectJapaneseCode(beyondPreScan + a + X("FF") + z), jcBinary);
    EXPECT_EQ(DetectJapaneseCode(beyondPreScan + a + X("08 0E 1F 7F") + z), jcAscii);
    // As the last byte nothing counts, also after a long run.
    EXPECT_EQ(DetectJapaneseCode(beyondPreScan + a + X("81")), jcAscii);
    EXPECT_EQ(DetectJapaneseCode(beyondPreScan + a + X("00")), jcAscii);
  }
}

TEST(DetectJapaneseCode, RealisticTexts) {
  // "日本語" in each encoding, inside ASCII.
  EXPECT_EQ(DetectJapaneseCode("<p>" + X("C6 FC CB DC B8 EC") + "</p>"), jcEuc);
  EXPECT_EQ(DetectJapaneseCode("<p>" + X("93 FA 96 7B 8C EA") + "</p>"), jcSjis);
  EXPECT_EQ(DetectJapaneseCode("<p>" + X("1B 24 42 46 7C 4B 5C 38 6C 1B 28 42") + "</p>"), jcJisNew);
  // UTF-8 has no rule of its own: 0xE6 0x97 reads as Shift_JIS.
  EXPECT_EQ(DetectJapaneseCode(X("E6 97 A5 E6 9C AC")), jcSjis);
}

// Texts valid in both encodings: the reading with the larger share of
// common characters (punctuation, kana, first-level kanji) wins; a tie stays
// Shift_JIS.
TEST(MorePlausibleReading, TakesTheReadingThatLooksLikeJapanese) {
  struct TCase {
    const char* hex;
    TJapaneseCode expected;
  };
  const TCase cases[] = {
      // EUC-JP: わたしは学生です。 and サイトマップ (as Shift_JIS mostly
      // half-width katakana).
      {"A4 EF A4 BF A4 B7 A4 CF B3 D8 C0 B8 A4 C7 A4 B9 A1 A3", jcEuc},
      {"A5 B5 A5 A4 A5 C8 A5 DE A5 C3 A5 D7", jcEuc},
      // Shift_JIS 自社 and 実写: row 28 kanji, half-width katakana as EUC-JP.
      {"8E A9 8E D0", jcSjis},
      {"8E C0 8E CA 20 E0 DB E0 E8", jcSjis},
      // Shift_JIS 珈琲: second-level kanji in both readings, a tie.
      {"E0 DB E0 E8", jcSjis},
      // Half-width katakana ｶﾀｶﾅ in Shift_JIS read as kanji in EUC-JP: the
      // price of counting half-width katakana as uncommon.
      {"B6 C0 B6 C5", jcEuc},
  };
  for (const TCase& c : cases) {
    const std::string text = "<p>" + X(c.hex) + "</p>";
    EXPECT_EQ(DetectJapaneseCode(text), jcEucOrSjis) << c.hex;
    EXPECT_EQ(MorePlausibleReading(text), c.expected) << c.hex;
  }
  EXPECT_EQ(MorePlausibleReading("plain"), jcSjis);
}

}  // namespace
}  // namespace vellumark
