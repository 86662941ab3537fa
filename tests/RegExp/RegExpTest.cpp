#include "RegExp/RegExp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/Error.h"

namespace vellumark {
namespace {

// Shift_JIS bytes of the Japanese texts used below, pinned.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語
const std::string kSoft = "\x83\x5C\x83\x74\x83\x67";     // ソフト: trail bytes "\" "t" "g"
const std::string kHyouji = "\x95\x5C\x8E\xA6";           // 表示
const std::string kA = "\x83\x41";                        // ア: trail byte "A"

TEST(RegExp, CaretMatchesOnlyAtTheStartOfTheSubject) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.1 200 OK", "^(HTTP)"), "HTTP");
  EXPECT_EQ(MatchFirstGroup(re, "junk\r\nHTTP/1.1 200 OK", "^(HTTP)"), "");
  EXPECT_EQ(MatchFirstGroup(re, "junk\nHTTP/1.1 200 OK", "^(HTTP)"), "");
  EXPECT_EQ(MatchFirstGroup(re, "junk\rHTTP/1.1 200 OK", "^(HTTP)"), "");
  // "$" is the end of the subject, not of a line.
  EXPECT_EQ(MatchFirstGroup(re, "one\r\ntwo", "(\\w+)$"), "two");
  EXPECT_EQ(MatchFirstGroup(re, "one\ntwo", "(one)$"), "");
}

TEST(RegExp, DotDoesNotCrossALineFeedButNegatedClassesDo) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "<title>a\r\nb</title>", "<title>(.*)</title>"), "");
  EXPECT_EQ(MatchFirstGroup(re, "<title>a\nb</title>", "<title>(.*)</title>"), "");
  EXPECT_EQ(MatchFirstGroup(re, "<title>a\rb\fc</title>", "<title>(.*)</title>"), "a\rb\fc");
  EXPECT_EQ(MatchFirstGroup(re, "a.b", "(a\\.b)"), "a.b");
  EXPECT_EQ(MatchFirstGroup(re, "axb", "(a\\.b)"), "");
  EXPECT_EQ(MatchFirstGroup(re, "<title>a\r\nb</title>", "<title>([^<]*)</title>"), "a\r\nb");
  EXPECT_EQ(MatchFirstGroup(re, "x\r\n\r\ny", "x([^y]*)y"), "\r\n\r\n");
}

TEST(RegExp, IgnoreCaseMatchesUpperCaseTagsWithLowerCasePatterns) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "<TITLE>Home</TITLE>", "<title>([^<]*)</title>"), "Home");
  EXPECT_EQ(MatchFirstGroup(re, "<TiTlE lang=ja>Home</tItLe>", "<title[^>]*>([^<]*)</title>"), "Home");
  EXPECT_EQ(MatchFirstGroup(re, "CONTENT-TYPE: X", "content-type: ([a-z]+)"), "X");
  // Only A-Z and a-z fold, on every platform: full-width Ａ is not ａ.
  EXPECT_EQ(MatchFirstGroup(re, "\x82\x60", "(\x82\x81)"), "");

  // The flag is honoured both ways, and a pattern compiled with one setting
  // is not reused for the other.
  re.SetPattern("<title>");
  re.SetIgnoreCase(false);
  EXPECT_FALSE(re.ExecuteFirst("<TITLE>").matched);
  EXPECT_TRUE(re.ExecuteFirst("<title>").matched);
  re.SetIgnoreCase(true);
  EXPECT_TRUE(re.ExecuteFirst("<TITLE>").matched);
  re.SetIgnoreCase(false);
  EXPECT_FALSE(re.ExecuteFirst("<TITLE>").matched);
}

TEST(RegExp, GroupsNoMatchAndGroupsThatDidNotTakePart) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "abc", "(x)"), "");       // no match
  EXPECT_EQ(MatchFirstGroup(re, "abc", "b"), "");         // a match without a group
  EXPECT_EQ(MatchFirstGroup(re, "abc", "(x)?abc"), "");   // group 1 did not take part
  EXPECT_EQ(MatchFirstGroup(re, "", "()"), "");
  EXPECT_EQ(MatchFirstGroup(re, "key=value", "(\\w+)=(\\w+)"), "key");

  re.SetPattern("(a)|(b)(c)?");
  re.SetIgnoreCase(false);
  const TRegExp::TMatch match = re.ExecuteFirst("xb");
  ASSERT_TRUE(match.matched);
  EXPECT_EQ(match.value, "b");
  EXPECT_EQ(match.groups, (std::vector<std::string>{"", "b", ""}));

  const TRegExp::TMatch none = re.ExecuteFirst("xyz");
  EXPECT_FALSE(none.matched);
  EXPECT_TRUE(none.groups.empty());
}

TEST(RegExp, OnlyTheFirstMatchUnlessGlobal) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "a=1; b=2", "(\\w)=\\d"), "a");

  re.SetPattern("(\\w)=(\\d)");
  re.SetGlobal(true);
  const std::vector<TRegExp::TMatch> all = re.Execute("a=1; b=2, c=x; " + kNihongo + "d=4");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].groups, (std::vector<std::string>{"a", "1"}));
  EXPECT_EQ(all[1].groups, (std::vector<std::string>{"b", "2"}));
  EXPECT_EQ(all[2].value, "d=4");
  // ExecuteFirst gives the first match even when Global is set.
  EXPECT_EQ(re.ExecuteFirst("x=9 y=8").value, "x=9");

  re.SetGlobal(false);
  EXPECT_EQ(re.Execute("a=1; b=2").size(), 1u);
  EXPECT_TRUE(re.Execute("none").empty());
}

TEST(RegExp, JapaneseTextComesBackByteIdentical) {
  TRegExp re;
  const std::string title = kNihongo + " " + kSoft + kHyouji + " \x87\x90\xED\x40\xB1";
  EXPECT_EQ(MatchFirstGroup(re, "<title>" + title + "</title>", "<title[^>]*>([^<]*)</title>"), title);
  // Characters with two codes and bytes that do not decode are the
  // subject's own bytes, not a re-encoding of them.
  EXPECT_EQ(MatchFirstGroup(re, "[\x80\xED\x40\x81 ]", "\\[([^\\]]*)\\]"), "\x80\xED\x40\x81 ");
  // A lead byte before "]" makes one character with it, so that "]" is
  // not there to match.
  EXPECT_EQ(MatchFirstGroup(re, "[\x81]", "\\[([^\\]]*)\\]"), "");
  // A Japanese literal in the pattern.
  EXPECT_EQ(MatchFirstGroup(re, "abc" + kNihongo + "def", kNihongo + "(\\w+)"), "def");
  EXPECT_EQ(MatchFirstGroup(re, kNihongo + "abc" + kHyouji, "(" + kNihongo + ".*)"), kNihongo + "abc" + kHyouji);
}

TEST(RegExp, MatchesCharactersNotBytes) {
  TRegExp re;
  // Trail bytes that equal ASCII letters or "\" are not those characters.
  EXPECT_EQ(MatchFirstGroup(re, kA, "(a)"), "");
  EXPECT_EQ(MatchFirstGroup(re, kSoft, "(\\\\)"), "");
  EXPECT_EQ(MatchFirstGroup(re, kHyouji, "([\\\\])"), "");
  EXPECT_EQ(MatchFirstGroup(re, kSoft + "T", "(t)"), "T");
  // One Japanese character is one "." and one "[^x]".
  EXPECT_EQ(MatchFirstGroup(re, kNihongo, "^(.)"), "\x93\xFA");
  EXPECT_EQ(MatchFirstGroup(re, kNihongo, "^[^x]{2}([^x])$"), "\x8C\xEA");
}

TEST(RegExp, SubjectsAndPatternsAreNotMixedUpAcrossCalls) {
  TRegExp re;
  // Same length, different bytes: a remembered subject must not be reused.
  EXPECT_EQ(MatchFirstGroup(re, "id=111", "id=(\\d+)"), "111");
  EXPECT_EQ(MatchFirstGroup(re, "id=222", "id=(\\d+)"), "222");
  // Many different patterns (more than are kept compiled) and back.
  for (int i = 0; i < 150; ++i) {
    const std::string n = std::to_string(i);
    ASSERT_EQ(MatchFirstGroup(re, "x" + n + "y", "x(" + n + ")y"), n);
  }
  EXPECT_EQ(MatchFirstGroup(re, "id=333", "id=(\\d+)"), "333");
}

TEST(RegExp, EngineErrorsRaiseTError) {
  TRegExp re;
  for (const char* bad : {"(abc", "[abc", "a{2,1}", "*a", "abc\\", "(?<", "a)"}) {
    EXPECT_THROW(MatchFirstGroup(re, "abc", bad), TError) << bad;
  }
  // A pattern that fails keeps failing and does not spoil the object.
  EXPECT_THROW(MatchFirstGroup(re, "abc", "(abc"), TError);
  EXPECT_EQ(MatchFirstGroup(re, "abc", "(b)"), "b");

  // Catastrophic backtracking ends in an error, not a hang or a crash.
  const std::string subject(64, 'x');
  EXPECT_THROW(MatchFirstGroup(re, subject, "(x+x+)+y"), TError);
  EXPECT_EQ(MatchFirstGroup(re, subject + "y", "(x+x+)+y"), subject);
}

TEST(RegExp, LongSubjectsDoNotOverflowTheStack) {
  TRegExp re;
  // A 4 MiB group, taken by a character-class repeat and by a repeated
  // alternative (which keeps backtracking state for every character).
  std::string body(4u * 1024 * 1024, 'a');
  body[body.size() / 2] = '\n';
  const std::string subject = "<title>" + body + "</title>";
  EXPECT_EQ(MatchFirstGroup(re, subject, "<title>([^<]*)</title>").size(), body.size());
  EXPECT_EQ(MatchFirstGroup(re, subject, "<title>((?:a|\\n)*)</title>").size(), body.size());
  // No match anywhere in 4 MiB of Japanese text.
  std::string japanese;
  while (japanese.size() < 4u * 1024 * 1024) japanese += kNihongo + kSoft + "<p>\r\n";
  EXPECT_EQ(MatchFirstGroup(re, japanese, "<title[^>]*>([^<]*)</title>"), "");
  EXPECT_EQ(MatchFirstGroup(re, japanese + "<title>" + kA + "</title>", "<title[^>]*>([^<]*)</title>"), kA);
}

}  // namespace
}  // namespace vellumark

namespace vellumark {
namespace {

// Forgetting the kept subject must not change what the next match sees,
// whether the next subject is the same text or another one.
TEST(RegExp, MatchesAfterForgettingTheSubject) {
  TRegExp regExp;
  EXPECT_EQ(MatchFirstGroup(regExp, "<title>One</title>", "<title>([^<]*)</title>"), "One");
  regExp.ForgetSubject();
  EXPECT_EQ(MatchFirstGroup(regExp, "<title>One</title>", "<title>([^<]*)</title>"), "One");
  regExp.ForgetSubject();
  EXPECT_EQ(MatchFirstGroup(regExp, "<TITLE>Two</TITLE>", "<title>([^<]*)</title>"), "Two");
}

}  // namespace
}  // namespace vellumark
