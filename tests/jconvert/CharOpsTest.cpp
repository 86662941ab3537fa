#include <cstddef>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "jconvert/ByteText.h"
#include "jconvert/HexBytes.h"
#include "jconvert/PairArithmetic.h"
#include "jconvert/jconvert.h"

namespace vellumark {
namespace {

using testing::Hex;
using testing::X;

TEST(PairArithmetic, KnownCharacters) {
  struct Case {
    const char* jis;
    const char* sjis;
  };
  for (const Case& c : {
           Case{"21 21", "81 40"},  // ideographic space, first cell
           Case{"21 7E", "81 9E"},
           Case{"22 21", "81 9F"},  // even row starts at 0x9F
           Case{"24 22", "82 A0"},  // hiragana a
           Case{"25 74", "83 94"},  // katakana vu
           Case{"30 21", "88 9F"},
           Case{"5E 7E", "9F FC"},  // last row below the 0xE0 block
           Case{"5F 21", "E0 40"},  // first row of the 0xE0 block
           Case{"74 26", "EA A4"},  // last kanji of JIS X 0208
           Case{"7E 7E", "EF FC"},
       }) {
    const std::string jis = X(c.jis);
    const std::string sjis = X(c.sjis);
    EXPECT_EQ(Hex(JisCharToSjis(jis[0], jis[1])), c.sjis);
    EXPECT_EQ(Hex(SjisCharToJis(sjis[0], sjis[1])), c.jis);
  }
}

TEST(PairArithmetic, ExactInversesOverTheWholeGrid) {
  int checked = 0;
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const std::string sjis = JisCharToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
      ASSERT_EQ(sjis.size(), 2u);
      const auto s1 = static_cast<unsigned char>(sjis[0]);
      const auto s2 = static_cast<unsigned char>(sjis[1]);
      ASSERT_TRUE((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xEF)) << Hex(sjis);
      ASSERT_TRUE(s2 >= 0x40 && s2 <= 0xFC && s2 != 0x7F) << Hex(sjis);
      const std::string back = SjisCharToJis(s1, s2);
      ASSERT_EQ(static_cast<unsigned char>(back[0]), j1);
      ASSERT_EQ(static_cast<unsigned char>(back[1]), j2);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 94 * 94);
}

TEST(PairArithmetic, WrapsModulo256OutsideTheValidRanges) {
  EXPECT_EQ(Hex(JisCharToSjis(0xFF, 0x60)), "B0 80");  // 0xFF + 1 wraps to 0
  EXPECT_EQ(Hex(JisCharToSjis(0x30, 0x82)), "88 00");
  EXPECT_EQ(Hex(JisCharToSjis(0x00, 0x00)), "70 7E");
  EXPECT_EQ(Hex(SjisCharToJis(0xA0, 0x41)), "DF 22");
  EXPECT_EQ(Hex(SjisCharToJis(0x00, 0x00)), "1F E1");
  EXPECT_EQ(Hex(SjisCharToJis(0xFF, 0xFF)), "9E 81");
}

// The whole-text conversions read the pair arithmetic from tables built
// out of it; the tables must agree with it on every pair of bytes.
TEST(PairArithmetic, LookupTablesAgreeOnEveryPairOfBytes) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const auto ua = static_cast<unsigned char>(a);
      const auto ub = static_cast<unsigned char>(b);
      const auto toSjis = jconvert_detail::JisPairToSjis(ua, ub);
      const auto toSjisLookup = jconvert_detail::JisPairToSjisLookup(ua, ub);
      ASSERT_EQ(toSjis.first, toSjisLookup.first) << a << "," << b;
      ASSERT_EQ(toSjis.second, toSjisLookup.second) << a << "," << b;
      const auto toJis = jconvert_detail::SjisPairToJis(ua, ub);
      const auto toJisLookup = jconvert_detail::SjisPairToJisLookup(ua, ub);
      ASSERT_EQ(toJis.first, toJisLookup.first) << a << "," << b;
      ASSERT_EQ(toJis.second, toJisLookup.second) << a << "," << b;
    }
  }
}

// The half-width kana of one byte, converted on its own.
std::string Kana(unsigned char k) {
  const std::string text(1, static_cast<char>(k));
  std::size_t index = 1;
  const std::string pair = SjisKanaToJis(text, index);
  EXPECT_EQ(index, 2u) << "kana " << int(k);
  return Hex(pair);
}

TEST(HalfKana, PunctuationAndMarksGoToTheSymbolRow) {
  EXPECT_EQ(Kana(0xA1), "21 23");  // ideographic full stop
  EXPECT_EQ(Kana(0xA2), "21 56");  // corner brackets
  EXPECT_EQ(Kana(0xA3), "21 57");
  EXPECT_EQ(Kana(0xA4), "21 22");  // ideographic comma
  EXPECT_EQ(Kana(0xA5), "21 26");  // middle dot
  EXPECT_EQ(Kana(0xB0), "21 3C");  // prolonged sound mark
  EXPECT_EQ(Kana(0xDE), "21 2B");  // voiced mark
  EXPECT_EQ(Kana(0xDF), "21 2C");  // semi-voiced mark
}

TEST(HalfKana, LettersGoToTheKatakanaRow) {
  EXPECT_EQ(Kana(0xA6), "25 72");  // wo
  EXPECT_EQ(Kana(0xA7), "25 21");  // small a
  EXPECT_EQ(Kana(0xAF), "25 43");  // small tu
  EXPECT_EQ(Kana(0xB1), "25 22");  // a
  EXPECT_EQ(Kana(0xB3), "25 26");  // u
  EXPECT_EQ(Kana(0xB6), "25 2B");  // ka
  EXPECT_EQ(Kana(0xC4), "25 48");  // to
  EXPECT_EQ(Kana(0xCA), "25 4F");  // ha
  EXPECT_EQ(Kana(0xCE), "25 5B");  // ho
  EXPECT_EQ(Kana(0xDC), "25 6F");  // wa
  EXPECT_EQ(Kana(0xDD), "25 73");  // n
}

// Every kana followed by a mark: which merge, and by how much.
TEST(HalfKana, VoicedAndSemiVoicedMarksMergeWhereTheKanaTakesThem) {
  for (int k = 0xA1; k <= 0xDF; ++k) {
    const int v = k & 0x7F;
    const std::string alone = Kana(static_cast<unsigned char>(k));
    const int cell = std::stoi(alone.substr(3), nullptr, 16);
    for (int mark : {0xDE, 0xDF}) {
      const std::string text = {static_cast<char>(k), static_cast<char>(mark)};
      std::size_t index = 1;
      const std::string got = Hex(SjisKanaToJis(text, index));
      const bool voiced = mark == 0xDE;
      int expectCell = -1;
      if (v == 0x33 && voiced) {
        expectCell = 0x74;
      } else if (v >= 0x36 && v <= 0x44 && voiced) {
        expectCell = cell + 1;
      } else if (v >= 0x4A && v <= 0x4E) {
        expectCell = cell + (voiced ? 1 : 2);
      }
      if (expectCell < 0) {
        EXPECT_EQ(got, alone) << "kana " << std::hex << k << " mark " << mark;
        EXPECT_EQ(index, 2u);
      } else {
        const std::string want = Hex(std::string{'\x25', static_cast<char>(expectCell)});
        EXPECT_EQ(got, want) << "kana " << std::hex << k << " mark " << mark;
        EXPECT_EQ(index, 3u);
      }
    }
  }
}

TEST(HalfKana, IndexMovesPastWhatWasConsumed) {
  // Shift_JIS: one byte, two with a mark; a mark is looked for only inside the text.
  const std::string sjis = X("41 B6 DE CA DF B6");
  std::size_t i = 2;
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 2C");
  EXPECT_EQ(i, 4u);
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 51");
  EXPECT_EQ(i, 6u);
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 2B");
  EXPECT_EQ(i, 7u);

  // EUC-JP: two bytes, four with a mark, which must carry its own 0x8E.
  const std::string euc = X("8E B6 8E DE 8E CA 8E DF 8E B6 DE");
  i = 1;
  EXPECT_EQ(Hex(EucKanaToJis(euc, i)), "25 2C");
  EXPECT_EQ(i, 5u);
  EXPECT_EQ(Hex(EucKanaToJis(euc, i)), "25 51");
  EXPECT_EQ(i, 9u);
  EXPECT_EQ(Hex(EucKanaToJis(euc, i)), "25 2B");
  EXPECT_EQ(i, 11u);
}

TEST(HalfKana, MalformedEucKanaStillGivesOnePair) {
  // The 0x8E is the last byte: the kana byte reads as 0, which has no entry.
  std::size_t i = 2;
  EXPECT_EQ(Hex(EucKanaToJis(X("41 8E"), i)), "25 7E");
  EXPECT_EQ(i, 4u);
  // A byte whose low 7 bits have no entry.
  i = 1;
  EXPECT_EQ(Hex(EucKanaToJis(X("8E 8E DE"), i)), "25 7E");
  EXPECT_EQ(i, 3u);
  // A byte whose low 7 bits have one is read through the table.
  i = 1;
  EXPECT_EQ(Hex(EucKanaToJis(X("8E 36 8E DE"), i)), "25 2C");
  EXPECT_EQ(i, 5u);
}

TEST(HalfKana, IndexOutsideTheTextReadsAZeroByte) {
  // Shift_JIS, index 0: the kana byte is before the text, so no kana and no
  // mark; the index moves on to the first byte.
  const std::string sjis = X("B6 DE");
  std::size_t i = 0;
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 7E");
  EXPECT_EQ(i, 1u);
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 2C");
  EXPECT_EQ(i, 3u);
  i = SIZE_MAX;
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 7E");
  i = 7;
  EXPECT_EQ(Hex(SjisKanaToJis(sjis, i)), "25 7E");
  EXPECT_EQ(i, 8u);

  // EUC-JP, index 0: the 0x8E's place is before the text and is not read;
  // the kana byte is the first byte, its mark pair follows.
  i = 0;
  EXPECT_EQ(Hex(EucKanaToJis(X("B6 8E DE"), i)), "25 2C");
  EXPECT_EQ(i, 4u);
  // SIZE_MAX: the kana position wraps round to before the text.
  i = SIZE_MAX;
  EXPECT_EQ(Hex(EucKanaToJis(X("B6 8E DE"), i)), "25 7E");
  EXPECT_EQ(i, 1u);
}

TEST(ByteText, ReadsZeroOnePastTheEndAndBeforeTheText) {
  const jconvert_detail::TByteText text("ab");
  EXPECT_EQ(text.At(0), 0);
  EXPECT_EQ(text.At(1), 'a');
  EXPECT_EQ(text.At(2), 'b');
  EXPECT_EQ(text.At(3), 0);
  const jconvert_detail::TByteText empty("");
  EXPECT_EQ(empty.At(0), 0);
  EXPECT_EQ(empty.At(1), 0);
}

#if VELLUMARK_JCONVERT_CHECKED
TEST(ByteTextDeathTest, StopsAtAReadBeyondTheZeroPastTheEnd) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const jconvert_detail::TByteText text("ab");
  EXPECT_DEATH((void)text.At(4), "");
}
#endif

}  // namespace
}  // namespace vellumark
