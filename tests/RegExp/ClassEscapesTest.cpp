#include "RegExp/ClassEscapes.h"

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <string>

#include "RegExp/RegExp.h"

namespace vellumark {
namespace {

// Whether the pattern, rewritten and compiled as the service compiles it,
// matches somewhere in the wide text. Wide text reaches characters that
// Shift_JIS cannot carry, such as U+00A0.
bool WideSearch(const std::wstring& pattern, const std::wstring& subject) {
  const boost::wregex regex(RewriteClassEscapes(pattern),
                            boost::regex_constants::ECMAScript | boost::regex_constants::icase |
                                boost::regex_constants::no_mod_m);
  return boost::regex_search(subject, regex);
}

std::wstring Char(char32_t ch) { return std::wstring(1, static_cast<wchar_t>(ch)); }

const std::string kIdeographicSpace = "\x81\x40";  // U+3000
const std::string kFullWidthOne = "\x82\x50";      // １
const std::string kFullWidthA = "\x82\x60";        // Ａ
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語

TEST(ClassEscapes, WhiteSpaceIsExactlyTheSixAsciiCharacters) {
  for (char32_t ch : {0x20, 0x09, 0x0A, 0x0B, 0x0C, 0x0D}) {
    EXPECT_TRUE(WideSearch(L"^\\s$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_TRUE(WideSearch(L"^[\\s]$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_FALSE(WideSearch(L"^\\S$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_FALSE(WideSearch(L"^[^\\s]$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
  }
  for (char32_t ch : {0x3000, 0x00A0, 0x0085, 0x1680, 0x2002, 0x2028, 0x2029, 0xFEFF, 0x1C, 0x1F}) {
    EXPECT_FALSE(WideSearch(L"\\s", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_FALSE(WideSearch(L"[\\s]", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_TRUE(WideSearch(L"^\\S$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
    EXPECT_TRUE(WideSearch(L"^[^\\s]$", Char(ch))) << std::hex << static_cast<unsigned>(ch);
  }
}

TEST(ClassEscapes, IdeographicSpaceIsNotWhiteSpaceInShiftJisSubjects) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "a" + kIdeographicSpace + "b", "a(\\s)b"), "");
  EXPECT_EQ(MatchFirstGroup(re, "a" + kIdeographicSpace + "b", "a([\\s]*)"), "");
  EXPECT_EQ(MatchFirstGroup(re, "x" + kIdeographicSpace + "y z", "([^\\s]*)"), "x" + kIdeographicSpace + "y");
  EXPECT_EQ(MatchFirstGroup(re, "Location:" + kIdeographicSpace + "/a b", "Location:[\\s]*([^\\s]*)"),
            kIdeographicSpace + "/a");
}

TEST(ClassEscapes, NegatedAndMixedSetsStayOneSet) {
  EXPECT_TRUE(WideSearch(L"^[^<\\s]+$", L"ab" + Char(0x3000)));
  EXPECT_FALSE(WideSearch(L"^[^<\\s]+$", L"a<b"));
  EXPECT_FALSE(WideSearch(L"^[^<\\s]+$", L"a\tb"));
  // "\S" inside a set adds everything but white space.
  EXPECT_TRUE(WideSearch(L"^[\\S]+$", L"ab" + Char(0xA0)));
  EXPECT_FALSE(WideSearch(L"[\\S]", L" \t\r\n"));
  EXPECT_TRUE(WideSearch(L"^[\\S\\s]+$", L"a \r\nb"));
  // "[^\S]" is white space only; "[^\Sa]" is white space without "a".
  EXPECT_TRUE(WideSearch(L"^[^\\S]+$", L" \t"));
  EXPECT_FALSE(WideSearch(L"[^\\S]", L"ab" + Char(0x3000)));
  EXPECT_FALSE(WideSearch(L"[^\\S ]", L" "));
  EXPECT_TRUE(WideSearch(L"[^\\S ]", L"\t"));
  // A "-" beside a class is a literal "-", not a range.
  EXPECT_TRUE(WideSearch(L"^[\\s-z]+$", L"- z"));
  EXPECT_FALSE(WideSearch(L"[\\s-z]", L"m"));
  EXPECT_TRUE(WideSearch(L"^[a-\\d]+$", L"a-1"));
  EXPECT_FALSE(WideSearch(L"[a-\\d]", L"b"));
}

TEST(ClassEscapes, EscapedBackslashesAndOtherSyntaxAreLeftAlone) {
  EXPECT_EQ(RewriteClassEscapes(L"HTTP/[0-9]\\.[0-9](x)?\\\\s\\\\"), L"HTTP/[0-9]\\.[0-9](x)?\\\\s\\\\");
  EXPECT_TRUE(WideSearch(L"^a\\\\s$", L"a\\s"));      // "\\s": a backslash and an "s"
  EXPECT_FALSE(WideSearch(L"a\\\\s", L"a\\ "));
  EXPECT_TRUE(WideSearch(L"^a\\\\\\s$", L"a\\ "));    // "\\\s": a backslash and white space
  EXPECT_TRUE(WideSearch(L"^[\\\\s]+$", L"s\\s"));    // "[\\s]": backslash or "s"
  EXPECT_FALSE(WideSearch(L"[\\\\s]", L" "));
  // A leading "]" and a named class inside a set do not end it early.
  EXPECT_TRUE(WideSearch(L"^[]\\s]+$", L"] ]"));
  EXPECT_TRUE(WideSearch(L"^[[:digit:]\\s]+$", L"1 2"));
  EXPECT_FALSE(WideSearch(L"[[:digit:]\\s]", L"x"));
}

TEST(ClassEscapes, DigitsAndWordCharactersAreAsciiOnly) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "x" + kFullWidthOne + "7", "(\\d+)"), "7");
  EXPECT_EQ(MatchFirstGroup(re, kFullWidthOne + "7", "^(\\D)"), kFullWidthOne);
  EXPECT_EQ(MatchFirstGroup(re, kNihongo + kFullWidthA + "ab_9" + kNihongo, "(\\w+)"), "ab_9");
  EXPECT_EQ(MatchFirstGroup(re, "ab" + kNihongo + kFullWidthA + "c", "([\\W]+)"), kNihongo + kFullWidthA);
  // Case is still ignored for the ASCII letters of "\w" and "\W".
  EXPECT_EQ(MatchFirstGroup(re, "ABC", "^(\\w+)$"), "ABC");
  EXPECT_EQ(MatchFirstGroup(re, "ABC", "(\\W)"), "");
}

TEST(ClassEscapes, WordBoundariesUseTheAsciiWordCharacters) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "concatenate, cat!", "(\\bcat\\b.)"), "cat!");
  EXPECT_EQ(MatchFirstGroup(re, "concatenate", "(\\bcat)"), "");
  EXPECT_EQ(MatchFirstGroup(re, "concatenate", "(\\Bcat\\B)"), "cat");
  EXPECT_EQ(MatchFirstGroup(re, kNihongo + "ABC" + kNihongo, "(\\bABC\\b)"), "ABC");
  EXPECT_EQ(MatchFirstGroup(re, "ABC", "^(\\b)"), "");  // takes part, matches empty
  EXPECT_EQ(MatchFirstGroup(re, " ", "(\\b)"), "");
  re.SetPattern("\\b");
  EXPECT_TRUE(re.ExecuteFirst("ABC").matched);
  EXPECT_FALSE(re.ExecuteFirst(" " + kNihongo + " ").matched);
}

}  // namespace
}  // namespace vellumark
