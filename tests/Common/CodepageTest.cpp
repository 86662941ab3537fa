#include "Common/Codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace vellumark {
namespace {

// Wide text from code points; a character outside the BMP becomes a
// surrogate pair where wchar_t is 16 bits wide.
std::wstring Wide(std::initializer_list<char32_t> codePoints) {
  std::wstring text;
  for (char32_t cp : codePoints) {
    if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
      text += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      text += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += static_cast<wchar_t>(cp);
    }
  }
  return text;
}

// FNV-1a over 32-bit values: pins whole tables in one number.
struct TDigest {
  std::uint64_t value = 14695981039346656037ull;
  void Add(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      value ^= (v >> (8 * i)) & 0xFF;
      value *= 1099511628211ull;
    }
  }
};

// Shift_JIS bytes of the texts used below, pinned.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語
const std::string kHyouji = "\x95\x5C\x8E\xA6";           // 表示: a trail byte equal to "\"
const std::string kHalfWidthA = "\xB1";                   // ｱ

TEST(SjisToWide, DecodesSingleBytesPairsAndHalfWidthKatakana) {
  EXPECT_EQ(SjisToWide(""), L"");
  EXPECT_EQ(SjisToWide("Title \\ ~"), L"Title \\ ~");  // 0x5C and 0x7E stay ASCII
  EXPECT_EQ(SjisToWide(kNihongo), Wide({0x65E5, 0x672C, 0x8A9E}));
  EXPECT_EQ(SjisToWide(kHyouji), Wide({0x8868, 0x793A}));
  EXPECT_EQ(SjisToWide(kHalfWidthA + "\xDF"), Wide({0xFF71, 0xFF9F}));
  EXPECT_EQ(SjisToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(SjisToWide, DecodesTheMicrosoftExtensions) {
  EXPECT_EQ(SjisToWide("\x87\x90"), Wide({0x2252}));  // NEC row 13
  EXPECT_EQ(SjisToWide("\xED\x40"), Wide({0x7E8A}));  // NEC-selected IBM extension
  EXPECT_EQ(SjisToWide("\xFA\x5C"), Wide({0x7E8A}));  // IBM extension, same character
  EXPECT_EQ(SjisToWide("\xF0\x40\xF9\xFC"), Wide({0xE000, 0xE757}));  // user-defined area
}

TEST(SjisToWide, EveryUndecodableByteOrPairBecomesOneMiddleDot) {
  EXPECT_EQ(SjisToWide("\x80"), Wide({0x30FB}));
  EXPECT_EQ(SjisToWide("\xA0"), Wide({0x30FB}));
  EXPECT_EQ(SjisToWide("a\xFD\xFE\xFF"), Wide({'a', 0x30FB, 0x30FB, 0x30FB}));
  // A lead byte at the end, or before a byte that cannot trail it, stands
  // alone; the next byte is a character of its own.
  EXPECT_EQ(SjisToWide("ab\x93"), Wide({'a', 'b', 0x30FB}));
  EXPECT_EQ(SjisToWide("\x93 x"), Wide({0x30FB, ' ', 'x'}));
  EXPECT_EQ(SjisToWide("\x93\x7F"), Wide({0x30FB, 0x7F}));
  EXPECT_EQ(SjisToWide("\x81\xFD"), Wide({0x30FB, 0x30FB}));
  // A well-formed pair that code page 932 does not assign is one character.
  EXPECT_EQ(SjisToWide("\x85\x40" "A"), Wide({0x30FB, 'A'}));
  EXPECT_EQ(SjisToWide("\xEF\xFC"), Wide({0x30FB}));
}

TEST(SjisToWide, GivesOneWideCharacterPerCharacterForAnyTwoBytes) {
  for (int lead = 0; lead <= 0xFF; ++lead) {
    for (int second = 0; second <= 0xFF; ++second) {
      // A space can never trail a lead byte, so it is always a character of its own.
      const std::string text{static_cast<char>(lead), static_cast<char>(second), ' '};
      std::size_t chars = 0;
      for (std::size_t pos = 0; pos < text.size(); pos += SjisCharLength(text, pos)) ++chars;
      const std::wstring wide = SjisToWide(text);
      ASSERT_EQ(wide.size(), chars) << std::hex << lead << ' ' << second;
      ASSERT_EQ(wide.back(), L' ') << std::hex << lead << ' ' << second;
    }
  }
}

TEST(SjisCharLength, PairsOnlyALeadByteWithATrailByte) {
  for (const char* pair : {"\x81\x40", "\xFC\xFC", "\x9F\x80", "\xE0\x7E"}) EXPECT_EQ(SjisCharLength(pair, 0), 2u);
  for (const char* single : {"\x81\x7F", "\x81\x3F", "\x81\xFD", "\x81", "\xA0\x40", "\xFD\x40", "\xB1\x40"}) {
    EXPECT_EQ(SjisCharLength(single, 0), 1u);
  }
}

TEST(SjisPrefix, CutsOnlyBetweenCharacters) {
  EXPECT_EQ(SjisPrefix("abc", 5), "abc");
  EXPECT_EQ(SjisPrefix("abc", 2), "ab");
  EXPECT_EQ(SjisPrefix("abc", 0), "");
  // 日本: the limit in the middle of a pair leaves the pair out.
  EXPECT_EQ(SjisPrefix("a\x93\xFA\x96\x7B", 4), "a\x93\xFA");
  EXPECT_EQ(SjisPrefix("a\x93\xFA\x96\x7B", 3), "a\x93\xFA");
  EXPECT_EQ(SjisPrefix("a\x93\xFA\x96\x7B", 2), "a");
  // The trail byte 0x93 of "\x96\x93" looks like a lead byte: boundaries
  // are counted from the start, not guessed from the byte at the limit.
  EXPECT_EQ(SjisPrefix("\x96\x93\x93\xFA", 3), "\x96\x93");
  EXPECT_EQ(SjisPrefix("\x96\x93\x93\xFA", 2), "\x96\x93");
  // A lead byte without a trail byte is a character of its own, as
  // SjisToWide reads it; so are half-width katakana.
  EXPECT_EQ(SjisPrefix("\x93 x", 2), "\x93 ");
  EXPECT_EQ(SjisPrefix("\xB1\xB2\xB3", 2), "\xB1\xB2");
  // Every cut of a long text converts to a start of the whole text's
  // conversion.
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i % 3 == 0 ? "x" : "\x93\xFA");
  const std::wstring whole = SjisToWide(text);
  for (std::size_t limit = 0; limit <= text.size(); ++limit) {
    const std::string_view cut = SjisPrefix(text, limit);
    ASSERT_LE(cut.size(), limit);
    ASSERT_GE(cut.size() + 1, limit) << "at most a lead byte is left out";
    const std::wstring wide = SjisToWide(cut);
    ASSERT_EQ(whole.substr(0, wide.size()), wide) << limit;
  }
}

TEST(WideToSjis, EncodesWhatDecodesAndPrefersTheIbmFormOfDuplicates) {
  EXPECT_EQ(WideToSjis(L""), "");
  EXPECT_EQ(WideToSjis(L"plain \\ ~"), "plain \\ ~");
  EXPECT_EQ(WideToSjis(Wide({0x65E5, 0x672C, 0x8A9E})), kNihongo);
  EXPECT_EQ(WideToSjis(Wide({0x8868, 0x793A})), kHyouji);
  EXPECT_EQ(WideToSjis(Wide({0xFF71})), kHalfWidthA);
  EXPECT_EQ(WideToSjis(Wide({0x7E8A})), "\xFA\x5C");
  EXPECT_EQ(WideToSjis(Wide({0x2170})), "\xFA\x40");
  EXPECT_EQ(WideToSjis(Wide({0x2252})), "\x81\xE0");
  EXPECT_EQ(WideToSjis(Wide({0xFFE2})), "\x81\xCA");
  EXPECT_EQ(WideToSjis(Wide({0xE000})), "\xF0\x40");
  EXPECT_EQ(WideToSjis(Wide({0x30FB})), "\x81\x45");
}

TEST(WideToSjis, EveryDecodedCharacterEncodesBackToItself) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::wstring wide = SjisToWide(std::string{static_cast<char>(lead), static_cast<char>(trail)});
      const std::string back = WideToSjis(wide);
      EXPECT_EQ(SjisToWide(back), wide) << std::hex << lead << ' ' << trail;
    }
  }
}

TEST(WideToSjis, UnmappableCharacterBecomesOneQuestionMark) {
  EXPECT_EQ(WideToSjis(Wide({'a', 0x00E9, 'b'})), "a?b");     // no best-fit "e"
  EXPECT_EQ(WideToSjis(Wide({0x00B7, 0xFFFD, 0x0080})), "???");
  EXPECT_EQ(WideToSjis(Wide({0x20AC})), "?");                  // euro sign
  EXPECT_EQ(WideToSjis(Wide({0xE758})), "?");                  // past the user-defined area
  // Outside the BMP: one "?" per character on every platform.
  EXPECT_EQ(WideToSjis(Wide({'x', 0x1F600, 'y'})), "x?y");
  EXPECT_EQ(WideToSjis(Wide({0x20B9F})), "?");
  // Lone surrogates.
  EXPECT_EQ(WideToSjis(Wide({0xD800, 'a', 0xDC00})), "?a?");
  EXPECT_EQ(WideToSjis(Wide({0xDBFF})), "?");
}

TEST(WideToSjis, JisMappedLookAlikesTakeTheirCodePage932Character) {
  EXPECT_EQ(WideToSjis(Wide({0x301C})), "\x81\x60");  // wave dash
  EXPECT_EQ(WideToSjis(Wide({0x2016})), "\x81\x61");
  EXPECT_EQ(WideToSjis(Wide({0x2212})), "\x81\x7C");
  EXPECT_EQ(WideToSjis(Wide({0x00A2, 0x00A3, 0x00AC})), "\x81\x91\x81\x92\x81\xCA");
  EXPECT_EQ(WideToSjis(Wide({0x2014})), "\x81\x5C");
  EXPECT_EQ(WideToSjis(Wide({0x00A5, '1', 0x203E})), "\\1~");
  // Their code page 932 forms are unchanged.
  EXPECT_EQ(WideToSjis(Wide({0xFF5E, 0x2225, 0xFF0D, 0x2015})), "\x81\x60\x81\x61\x81\x7C\x81\x5C");
}

// The same input gives the same bytes on every platform: these digests are
// pinned from one platform and checked on the others.
TEST(Codepage, WholeTablesAreTheSameOnEveryPlatform) {
  TDigest decoded;
  std::size_t undecodable = 0;
  for (int first = 0x80; first <= 0xFF; ++first) {
    for (int second = 0; second <= 0xFF; ++second) {
      for (wchar_t ch : SjisToWide(std::string{static_cast<char>(first), static_cast<char>(second)})) {
        decoded.Add(static_cast<std::uint32_t>(ch));
        if (ch == 0x30FB) ++undecodable;
      }
      decoded.Add(0xFFFFFFFF);
    }
  }
  EXPECT_EQ(undecodable, 11637u);
  EXPECT_EQ(decoded.value, 0xB33CE56EE03B3818ull);

  std::wstring bmp;
  for (std::uint32_t ch = 0; ch <= 0xFFFF; ++ch) {
    if (ch < 0xD800 || ch > 0xDFFF) bmp += static_cast<wchar_t>(ch);
  }
  const std::string encoded = WideToSjis(bmp);
  TDigest encodedDigest;
  std::size_t mapped = 0;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < bmp.size(); ++i) {
    ASSERT_LT(pos, encoded.size());
    const std::size_t length = SjisCharLength(encoded, pos);
    std::uint32_t value = static_cast<unsigned char>(encoded[pos]);
    if (length == 2) value = value << 8 | static_cast<unsigned char>(encoded[pos + 1]);
    encodedDigest.Add(value);
    if (value != '?') ++mapped;
    pos += length;
  }
  EXPECT_EQ(pos, encoded.size());
  EXPECT_EQ(mapped, 9405u);
  EXPECT_EQ(encodedDigest.value, 0x48531B66E4259195ull);
}

TEST(Utf8ToSjis, ConvertsValidText) {
  EXPECT_EQ(Utf8ToSjis("plain ASCII"), "plain ASCII");
  EXPECT_EQ(Utf8ToSjis("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), kNihongo);
  EXPECT_EQ(Utf8ToSjis("\xE8\xA1\xA8\xE7\xA4\xBA"), kHyouji);
  EXPECT_EQ(Utf8ToSjis("\xEF\xBD\xB1"), kHalfWidthA);
  EXPECT_EQ(Utf8ToSjis("\xE3\x80\x9C"), "\x81\x60");  // wave dash, as JIS-mapped pages carry it
  EXPECT_EQ(Utf8ToSjis(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8ToSjis, SequenceCutOffAtTheEndIsDropped) {
  EXPECT_EQ(Utf8ToSjis("title\xE6"), "title");
  EXPECT_EQ(Utf8ToSjis("title\xE6\x97"), "title");
  EXPECT_EQ(Utf8ToSjis("\xE6\x97\xA5\xF0\x9F\x98"), "\x93\xFA");
  EXPECT_EQ(Utf8ToSjis("\xC3"), "");
  // Only a sequence that could still be completed counts as cut off.
  EXPECT_EQ(Utf8ToSjis("a\xE0\x80"), "a??");
  EXPECT_EQ(Utf8ToSjis("a\xF4\x90"), "a??");
}

TEST(Utf8ToSjis, MalformedBytesInTheMiddleBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToSjis("a\xE6\x97" "b"), "a??b");            // cut short before another character
  EXPECT_EQ(Utf8ToSjis("a\x80\xBF" "b"), "a??b");            // stray continuation bytes
  EXPECT_EQ(Utf8ToSjis("\xF5\xFF" "c"), "??c");              // bytes that never start a sequence
  EXPECT_EQ(Utf8ToSjis("\xE6\x97\xA5\x97\xE6\x9C\xAC"), "\x93\xFA?\x96\x7B");
}

TEST(Utf8ToSjis, OverlongFormsAndSurrogatesAreMalformed) {
  EXPECT_EQ(Utf8ToSjis("\xC0\xAF"), "??");                  // overlong "/"
  EXPECT_EQ(Utf8ToSjis("\xC1\xBF"), "??");
  EXPECT_EQ(Utf8ToSjis("\xE0\x80\xAF"), "???");
  EXPECT_EQ(Utf8ToSjis("\xF0\x80\x80\xAF"), "????");
  EXPECT_EQ(Utf8ToSjis("\xED\xA0\x80"), "???");             // U+D800
  EXPECT_EQ(Utf8ToSjis("\xED\xBF\xBF" "x"), "???x");        // U+DFFF
  EXPECT_EQ(Utf8ToSjis("\xF4\x90\x80\x80"), "????");        // above U+10FFFF
  EXPECT_EQ(Utf8ToSjis("\xED\x9F\xBF"), "?");               // U+D7FF is valid, just not in code page 932
}

TEST(Utf8ToSjis, FourByteCharactersNotInCodePage932BecomeOneQuestionMark) {
  EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80" "b"), "a?b");    // U+1F600
  EXPECT_EQ(Utf8ToSjis("\xF0\xA0\xAE\x9F\xE6\x97\xA5"), "?\x93\xFA");  // U+20B9F
  EXPECT_EQ(Utf8ToSjis("\xF4\x8F\xBF\xBF"), "?");           // U+10FFFF
}

// Page text bound for a tag line: what code page 932 lacks becomes a decimal
// character reference, so the character shows when the line is pasted into
// a page; everything else converts as above.
TEST(Utf8ToSjis, CharactersCodePage932LacksBecomeReferencesInPageText) {
  struct TCase {
    std::string utf8;
    std::string sjis;
  };
  const TCase cases[] = {
      {"caf\xC3\xA9", "caf&#233;"},
      {"a\xC2\xA0" "b", "a&#160;b"},                          // no-break space
      {"\xF0\x9F\x98\x80", "&#128512;"},                      // outside the BMP
      {"\xC3\xB1\xF0\x9F\x98\x80\xC3\xA9", "&#241;&#128512;&#233;"},
      {"\xEF\xBF\xBF\xF0\x9F\x98\x80", "&#65535;&#128512;"},  // U+FFFF kept apart from the astral one
      // Look-alikes keep their code page 932 forms; "&" itself is left alone.
      {"\xE3\x80\x9C\xE2\x88\x92\xC2\xA5 &amp;", "\x81\x60\x81\x7C\\ &amp;"},
      // Malformed bytes stay "?", a cut-off character at the end is dropped.
      {"\xC3\xA9\x80\xC3", "&#233;?"},
      {"\xED\xA0\x80\xC3\xA9", "???&#233;"},
      {"plain", "plain"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Utf8ToSjis(c.utf8, TMissingChar::CharacterReference), c.sjis) << c.utf8;
  }
  // Without references (command-line input) the same characters are "?".
  EXPECT_EQ(Utf8ToSjis("caf\xC3\xA9\xF0\x9F\x98\x80"), "caf??");
}

TEST(IsMultiByteUtf8, WellFormedWithAtLeastOneCompleteMultiByteCharacter) {
  struct TCase {
    std::string text;
    bool utf8;
  };
  const TCase cases[] = {
      {"", false},
      {"plain ASCII only, long enough for the eight-byte steps", false},
      {"<title>\xE6\x97\xA5\xE6\x9C\xAC</title>", true},
      {"\xF0\x9F\x98\x80", true},
      {std::string(37, 'x') + "\xC3\xA9" + std::string(20, 'y'), true},
      {"\xE6\x97\xA5\xE6\x9C", true},           // cut off by the end after a whole one
      {"abc\xE6\x9C", false},                   // only a cut-off character
      {"\xE6\x97\xA5\xE6\x9C" "a", false},      // cut short in the middle
      {"\x93\xFA\x96\x7B", false},              // Shift_JIS 日本
      {"\xC6\xFC\xCB\xDC", false},              // EUC-JP 日本
      {"\xB1\xB2", false},                      // half-width katakana ｱｲ
      {"\xC3\xB1", true},                       // ﾃｱ in Shift_JIS is also "ñ"
      {"\xC0\xAF", false},                      // overlong
      {"\xE6\x97\xA5\x80", false},              // stray continuation byte
  };
  for (const TCase& c : cases) EXPECT_EQ(IsMultiByteUtf8(c.text), c.utf8) << c.text;
}

TEST(SjisToUtf8, ConvertsAndRoundTrips) {
  EXPECT_EQ(SjisToUtf8("abc"), "abc");
  EXPECT_EQ(SjisToUtf8(kNihongo), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
  EXPECT_EQ(SjisToUtf8(kHalfWidthA), "\xEF\xBD\xB1");
  EXPECT_EQ(SjisToUtf8("\x80" "a"), "\xE3\x83\xBB" "a");   // undecodable -> U+30FB
  const std::string mixed = "Title: " + kNihongo + kHyouji + kHalfWidthA + " \xFA\x5C\x81\xE0";
  EXPECT_EQ(Utf8ToSjis(SjisToUtf8(mixed)), mixed);
  // A character with two Shift_JIS codes comes back in its preferred one.
  EXPECT_EQ(Utf8ToSjis(SjisToUtf8("\x87\x90\xED\x40")), "\x81\xE0\xFA\x5C");
}

TEST(Codepage, LongTextsAndConcurrentCallers) {
  std::string chunk = "<p>" + kNihongo + kHyouji + kHalfWidthA + "\x80" "</p>\r\n";
  std::string text;
  while (text.size() < 4u * 1024 * 1024) text += chunk;
  const std::wstring wide = SjisToWide(text);
  // The undecodable 0x80 comes back as the middle dot it was read as.
  std::string chunkBack = chunk;
  chunkBack.replace(chunkBack.find('\x80'), 1, "\x81\x45");
  std::string expectedBack;
  for (std::size_t pos = 0; pos < text.size(); pos += chunk.size()) expectedBack += chunkBack;
  EXPECT_EQ(WideToSjis(wide), expectedBack);

  // Several threads at once give the same results as one thread.
  const std::string utf8 = SjisToUtf8(chunk);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        if (SjisToUtf8(chunk) != utf8 || Utf8ToSjis(utf8) != WideToSjis(SjisToWide(chunk))) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

TEST(Utf16LeToUtf8, PairsSurrogatesAndReplacesUnpairedHalves) {
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8\x00\xDE", 4)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8" "A\0", 4)), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(Utf16LeToUtf8(std::string("A\0B", 3)), "A");
}

TEST(Utf8ToUtf16, GivesSurrogatePairsAndReplacesMalformedBytes) {
  const std::pair<std::string, std::wstring> rows[] = {
      {"a\xC3\xBC\xE6\x97\xA5", L"a\u00FC\u65E5"},
      {"\xF0\x9F\x98\x80", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}},
      {"\xFF" "a", L"\uFFFD" L"a"},
      {"\xE6\x97" "a", L"\uFFFD" L"a"},               // cut short
      {"\xC0\xAF", L"\uFFFD\uFFFD"},                  // overlong
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},        // a surrogate
      {"\xE6\x97", L"\uFFFD"},                        // cut by the end
  };
  for (const auto& [utf8, units] : rows) EXPECT_EQ(Utf8ToUtf16(utf8), units) << utf8;
}

}  // namespace
}  // namespace vellumark
