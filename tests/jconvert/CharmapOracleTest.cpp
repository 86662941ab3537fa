// Checks the conversions against the system's own tables: every two-byte
// character of JIS X 0208 as glibc's EUC-JP and SHIFT_JIS charmaps give it,
// paired by Unicode code point, and the half-width katakana of both.
//
// EUC-JP's three-byte entries (0x8F prefix, JIS X 0212) have no Shift_JIS
// or JIS X 0208 form: each must become one geta mark with the text after it
// intact.
//
// Left out on purpose:
// - Single-byte entries: the 7-bit range passes every conversion unchanged,
//   and the two tables differ there anyway (SHIFT_JIS maps 0x5C to YEN SIGN
//   and 0x7E to OVERLINE, JIS X 0201 Roman; EUC-JP maps them to ASCII).
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "jconvert/Charmap.h"
#include "jconvert/HexBytes.h"
#include "jconvert/jconvert.h"

#ifndef VELLUMARK_CHARMAP_DIR
#error "VELLUMARK_CHARMAP_DIR names the folder of the decompressed charmaps"
#endif

namespace vellumark {
namespace {

using testing::Hex;
using testing::LoadCharmap;
using testing::TCharmapEntry;

const std::string kEnterJis = "\x1b$B";
const std::string kLeaveJisB = "\x1b(B";
const std::string kLeaveJisJ = "\x1b(J";

// JIS X 0208 has 6879 characters; 63 half-width katakana in JIS X 0201;
// glibc's EUC-JP holds 6067 characters of JIS X 0212.
constexpr std::size_t kJisX0208Count = 6879;
constexpr std::size_t kHalfKanaCount = 63;
constexpr std::size_t kJisX0212Count = 6067;

struct TTables {
  std::map<std::uint32_t, std::string> eucPairs;   // code point -> EUC-JP pair
  std::map<std::uint32_t, std::string> sjisPairs;  // code point -> Shift_JIS pair
  std::vector<TCharmapEntry> eucKana;              // 0x8E xx entries
  std::vector<TCharmapEntry> eucJisX0212;          // 0x8F xx xx entries
  std::map<std::uint32_t, std::string> sjisKana;   // code point -> single byte 0xA1..0xDF
  std::map<std::string, std::string> eucByName;    // name -> EUC-JP pair
};

bool IsEucPair(const std::string& b) {
  return b.size() == 2 && static_cast<unsigned char>(b[0]) >= 0xA1;
}

bool IsEucKana(const std::string& b) {
  return b.size() == 2 && static_cast<unsigned char>(b[0]) == 0x8E;
}

const TTables& Tables() {
  static const TTables tables = [] {
    TTables t;
    const std::string dir = VELLUMARK_CHARMAP_DIR;
    for (const TCharmapEntry& e : LoadCharmap(dir + "/EUC-JP.charmap")) {
      if (IsEucPair(e.bytes)) {
        t.eucPairs.emplace(e.code, e.bytes);
        t.eucByName.emplace(e.name, e.bytes);
      } else if (IsEucKana(e.bytes)) {
        t.eucKana.push_back(e);
      } else if (e.bytes.size() == 3 && static_cast<unsigned char>(e.bytes[0]) == 0x8F) {
        t.eucJisX0212.push_back(e);
      }
    }
    for (const TCharmapEntry& e : LoadCharmap(dir + "/SHIFT_JIS.charmap")) {
      const auto first = static_cast<unsigned char>(e.bytes[0]);
      if (e.bytes.size() == 2) {
        t.sjisPairs.emplace(e.code, e.bytes);
      } else if (e.bytes.size() == 1 && first >= 0xA1 && first <= 0xDF) {
        t.sjisKana.emplace(e.code, e.bytes);
      }
    }
    return t;
  }();
  return tables;
}

std::string EucToJisPair(const std::string& euc) {
  return {static_cast<char>(euc[0] & 0x7F), static_cast<char>(euc[1] & 0x7F)};
}

TEST(CharmapOracle, TablesHoldAllOfJisX0208) {
  const TTables& t = Tables();
  EXPECT_EQ(t.eucPairs.size(), kJisX0208Count);
  EXPECT_EQ(t.sjisPairs.size(), kJisX0208Count);
  EXPECT_EQ(t.eucKana.size(), kHalfKanaCount);
  EXPECT_EQ(t.eucJisX0212.size(), kJisX0212Count);
  EXPECT_EQ(t.sjisKana.size(), kHalfKanaCount);
  for (const auto& [code, euc] : t.eucPairs) {
    EXPECT_TRUE(t.sjisPairs.count(code)) << "U+" << std::hex << code << " has no Shift_JIS pair";
  }
}

TEST(CharmapOracle, EveryTwoByteCharacterInEveryDirection) {
  const TTables& t = Tables();
  std::size_t checked = 0;
  for (const auto& [code, euc] : t.eucPairs) {
    const auto found = t.sjisPairs.find(code);
    if (found == t.sjisPairs.end()) continue;  // reported by the test above
    const std::string& sjis = found->second;
    const std::string jis = EucToJisPair(euc);
    const std::string jisIn = kEnterJis + jis + kLeaveJisB;
    const std::string jisOut = kEnterJis + jis + kLeaveJisJ;
    SCOPED_TRACE(::testing::Message() << "U+" << std::hex << code << " EUC " << Hex(euc) << " SJIS "
                                      << Hex(sjis));
    EXPECT_EQ(Hex(EucToSjis(euc)), Hex(sjis));
    EXPECT_EQ(Hex(SjisToEuc(sjis)), Hex(euc));
    EXPECT_EQ(Hex(JisToSjis(jisIn)), Hex(sjis));
    EXPECT_EQ(Hex(SjisToJis(sjis)), Hex(jisOut));
    EXPECT_EQ(Hex(JisToEuc(jisIn)), Hex(euc));
    EXPECT_EQ(Hex(EucToJis(euc)), Hex(jisOut));
    ++checked;
  }
  EXPECT_EQ(checked, kJisX0208Count);
}

TEST(CharmapOracle, WholeTableAsOneText) {
  // All characters in one text, with line ends and 7-bit text between
  // them, so the conversions also see every character after every kind of
  // neighbour.
  const TTables& t = Tables();
  std::string euc;
  std::string sjis;
  std::string jisOut;
  int n = 0;
  bool inTwoByte = false;
  for (const auto& [code, e] : t.eucPairs) {
    const auto found = t.sjisPairs.find(code);
    if (found == t.sjisPairs.end()) continue;
    euc += e;
    sjis += found->second;
    if (!inTwoByte) jisOut += kEnterJis;
    inTwoByte = true;
    jisOut += EucToJisPair(e);
    if (++n % 50 == 0) {
      const std::string sep = n % 100 == 0 ? "\r\n" : " ab ";
      euc += sep;
      sjis += sep;
      jisOut += kLeaveJisJ + sep;
      inTwoByte = false;
    }
  }
  if (inTwoByte) jisOut += kLeaveJisJ;
  EXPECT_EQ(EucToSjis(euc), sjis);
  EXPECT_EQ(SjisToEuc(sjis), euc);
  EXPECT_EQ(SjisToJis(sjis), jisOut);
  EXPECT_EQ(EucToJis(euc), jisOut);
  EXPECT_EQ(JisToSjis(jisOut), sjis);
  EXPECT_EQ(JisToEuc(jisOut), euc);
  EXPECT_EQ(ConvertJapaneseCode(euc, jcSjis), sjis);
  EXPECT_EQ(ConvertJapaneseCode(sjis, jcEuc), euc);
  EXPECT_EQ(ConvertJapaneseCode(jisOut, jcSjis), sjis);
}

TEST(CharmapOracle, EveryJisX0212CharacterBecomesOneGetaMark) {
  const TTables& t = Tables();
  const std::string getaEuc = t.eucByName.at("GETA MARK");
  const std::string getaSjis = t.sjisPairs.at(0x3013);
  const std::string getaJis = EucToJisPair(getaEuc);
  ASSERT_EQ(Hex(getaSjis), "81 AC");
  // Followed by a JIS X 0208 character, a half-width katakana and a "<":
  // each neighbour must come through as if the character were not there.
  const std::string kanji = t.eucPairs.begin()->second;
  const std::string kanjiSjis = t.sjisPairs.at(t.eucPairs.begin()->first);
  const std::string after = kanji + t.eucKana.front().bytes + "</";
  const std::string afterSjis = kanjiSjis + t.eucKana.front().bytes.substr(1) + "</";
  std::string whole;
  std::string wholeSjis;
  for (const TCharmapEntry& e : t.eucJisX0212) {
    SCOPED_TRACE(::testing::Message() << "U+" << std::hex << e.code << " EUC " << Hex(e.bytes));
    EXPECT_EQ(Hex(EucToSjis(e.bytes + after)), Hex(getaSjis + afterSjis));
    EXPECT_EQ(Hex(EucToJis(e.bytes + "<")), Hex(kEnterJis + getaJis + kLeaveJisJ + "<"));
    whole += e.bytes;
    wholeSjis += getaSjis;
  }
  // All of them in one text, and through the dispatcher once an EUC-JP pair
  // has decided the encoding.
  EXPECT_EQ(EucToSjis(whole), wholeSjis);
  const std::string decided = t.eucByName.at("KATAKANA LETTER N");  // A5 F3 decides EUC-JP
  EXPECT_EQ(ConvertJapaneseCode(decided + whole + "</", jcSjis), EucToSjis(decided) + wholeSjis + "</");
}

TEST(CharmapOracle, HalfWidthKatakanaBetweenEucAndShiftJis) {
  const TTables& t = Tables();
  for (const TCharmapEntry& e : t.eucKana) {
    const auto found = t.sjisKana.find(e.code);
    ASSERT_NE(found, t.sjisKana.end()) << e.name;
    EXPECT_EQ(Hex(EucToSjis(e.bytes)), Hex(found->second)) << e.name;
    EXPECT_EQ(Hex(SjisToEuc(found->second)), Hex(e.bytes)) << e.name;
  }
}

// The full-width character a half-width one stands for, by name: "HALFWIDTH
// X" is X, except the two marks, whose spacing full-width forms are shared
// with hiragana.
std::string FullWidthName(const std::string& halfName) {
  const std::string prefix = "HALFWIDTH ";
  if (halfName.rfind(prefix, 0) != 0) return "";
  const std::string rest = halfName.substr(prefix.size());
  if (rest == "KATAKANA VOICED SOUND MARK") return "KATAKANA-HIRAGANA VOICED SOUND MARK";
  if (rest == "KATAKANA SEMI-VOICED SOUND MARK") return "KATAKANA-HIRAGANA SEMI-VOICED SOUND MARK";
  return rest;
}

// "KATAKANA LETTER KA" with a voiced mark is "KATAKANA LETTER GA", with a
// semi-voiced mark (only the h-row takes one) "KATAKANA LETTER PA"; "U"
// becomes "VU". Empty when the letter takes no such mark.
std::string MarkedName(const std::string& fullName, bool voiced) {
  const std::string prefix = "KATAKANA LETTER ";
  if (fullName.rfind(prefix, 0) != 0) return "";
  const std::string syllable = fullName.substr(prefix.size());
  if (syllable == "U") return voiced ? prefix + "VU" : "";
  if (syllable.size() != 2) return "";
  char consonant = 0;
  switch (syllable[0]) {
    case 'K': consonant = voiced ? 'G' : 0; break;
    case 'S': consonant = voiced ? 'Z' : 0; break;
    case 'T': consonant = voiced ? 'D' : 0; break;
    case 'H': consonant = voiced ? 'B' : 'P'; break;
    default: break;
  }
  if (consonant == 0) return "";
  return prefix + consonant + syllable[1];
}

TEST(CharmapOracle, HalfWidthKatakanaBecomeTheirFullWidthCharacters) {
  const TTables& t = Tables();
  for (const TCharmapEntry& e : t.eucKana) {
    const auto full = t.eucByName.find(FullWidthName(e.name));
    ASSERT_NE(full, t.eucByName.end()) << e.name;
    const std::string expected = kEnterJis + EucToJisPair(full->second) + kLeaveJisJ;
    const std::string sjis = e.bytes.substr(1);
    EXPECT_EQ(Hex(SjisToJis(sjis)), Hex(expected)) << e.name;
    EXPECT_EQ(Hex(EucToJis(e.bytes)), Hex(expected)) << e.name;
  }
}

TEST(CharmapOracle, MarksMergeIntoTheKanaThatTakeThem) {
  const TTables& t = Tables();
  const std::string voicedMark = EucToJisPair(t.eucByName.at("KATAKANA-HIRAGANA VOICED SOUND MARK"));
  const std::string semiVoicedMark =
      EucToJisPair(t.eucByName.at("KATAKANA-HIRAGANA SEMI-VOICED SOUND MARK"));
  int merged = 0;
  for (const TCharmapEntry& e : t.eucKana) {
    const std::string fullName = FullWidthName(e.name);
    const std::string base = EucToJisPair(t.eucByName.at(fullName));
    for (bool voiced : {true, false}) {
      const char markByte = voiced ? '\xDE' : '\xDF';
      const std::string markedName = MarkedName(fullName, voiced);
      std::string expected;
      if (!markedName.empty()) {
        const auto found = t.eucByName.find(markedName);
        ASSERT_NE(found, t.eucByName.end()) << markedName;
        expected = kEnterJis + EucToJisPair(found->second) + kLeaveJisJ;
        ++merged;
      } else {
        expected = kEnterJis + base + (voiced ? voicedMark : semiVoicedMark) + kLeaveJisJ;
      }
      const std::string sjis = {e.bytes[1], markByte};
      const std::string euc = {'\x8E', e.bytes[1], '\x8E', markByte};
      EXPECT_EQ(Hex(SjisToJis(sjis)), Hex(expected)) << e.name << (voiced ? " + voiced" : " + semi-voiced");
      EXPECT_EQ(Hex(EucToJis(euc)), Hex(expected)) << e.name << (voiced ? " + voiced" : " + semi-voiced");
    }
  }
  // ka..to (15) and u take the voiced mark, ha..ho (5) both marks.
  EXPECT_EQ(merged, 15 + 1 + 5 * 2);
}

}  // namespace
}  // namespace vellumark
