#include "Links/TagExpansion.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumark {
namespace {

const TDateTime kFifthOfJanuary = MakeDateTime(2007, 1, 5, 9, 7, 3, 45);

TPageInfo SamplePage() {
  TPageInfo info;
  info.URL = "http://www.example.jp/docs/";
  info.Host = "www.example.jp";
  info.Page = "/docs/";
  info.Status = "HTTP/1.1 200 OK";
  info.StatusCode = 200;
  info.ContentType = "text/html";
  info.Charset = "Shift_JIS";
  info.Title = "Docs";
  info.Description = "All the docs";
  return info;
}

TDateSuffix NoDate() {
  TDateSuffix date;
  date.enabled = false;
  return date;
}

std::string Expand(std::string_view tmpl, const TPageInfo& info) {
  return ExpandTag(tmpl, info, NoDate(), kFifthOfJanuary);
}

TEST(TagExpansion, FirstStartTemplatesAndDateSuffix) {
  const TPageInfo info = SamplePage();
  const TDateSuffix firstStart;
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[0], info, firstStart, kFifthOfJanuary),
            "<li><a target=\"link\" href=\"http://www.example.jp/docs/\">Docs</a>...All the "
            "docs:[2007/01/05]");
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[1], info, firstStart, kFifthOfJanuary),
            "<br><a target=\"link\" href=\"http://www.example.jp/docs/\">Docs</a>...All the "
            "docs:[2007/01/05]");
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[2], info, firstStart, kFifthOfJanuary),
            "<a target=\"link\" href=\"http://www.example.jp/docs/\">Docs</a>...All the "
            "docs:[2007/01/05]");
  // The fourth template is empty: the line is the date suffix alone, or empty.
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[3], info, firstStart, kFifthOfJanuary),
            ":[2007/01/05]");
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[3], info, NoDate(), kFifthOfJanuary), "");
}

TEST(TagExpansion, EachPlaceholderTakesItsOwnField) {
  EXPECT_EQ(Expand("#URL#|#HOST#|#PAGE#|#STATUS#|#CONTENTTYPE#|#CHARSET#|#TITLE#|#DESCRIPTION#",
                   SamplePage()),
            "http://www.example.jp/docs/|www.example.jp|/docs/|HTTP/1.1 200 OK|text/html|"
            "Shift_JIS|Docs|All the docs");
  // The status number has no placeholder; unknown names stay as written.
  EXPECT_EQ(Expand("#STATUSCODE# #STATUS #NAME# #", SamplePage()), "#STATUSCODE# #STATUS #NAME# #");
}

TEST(TagExpansion, EveryOccurrenceInAnyLetterCase) {
  const TPageInfo info = SamplePage();
  EXPECT_EQ(Expand("#TITLE##TITLE# #title# #Title# #tItLe#", info), "DocsDocs Docs Docs Docs");
  EXPECT_EQ(Expand("#url#", info), info.URL);
  EXPECT_EQ(Expand("#contentType#;#Charset#", info), "text/html;Shift_JIS");
  // A "#" shared by two placeholders serves the first one only.
  EXPECT_EQ(Expand("#HOST#PAGE#", info), "www.example.jpPAGE#");
  EXPECT_EQ(Expand("##HOST##", info), "#www.example.jp#");
}

TEST(TagExpansion, EmptyTitleShowsTheAddress) {
  TPageInfo info = SamplePage();
  info.Title.clear();
  EXPECT_EQ(Expand("<a href=\"#URL#\">#TITLE#</a>", info),
            "<a href=\"http://www.example.jp/docs/\">http://www.example.jp/docs/</a>");

  // A line that could not be fetched: only the address is known.
  TPageInfo unfetched;
  unfetched.URL = "ftp://example.jp/";
  EXPECT_EQ(Expand("[#URL#][#HOST#][#PAGE#][#STATUS#][#TITLE#][#DESCRIPTION#]", unfetched),
            "[ftp://example.jp/][][][][ftp://example.jp/][]");

  // An empty address line: every placeholder is empty, the date still comes.
  EXPECT_EQ(ExpandTag(DefaultTagTemplates[0], TPageInfo{}, TDateSuffix{}, kFifthOfJanuary),
            "<li><a target=\"link\" href=\"\"></a>...:[2007/01/05]");
}

TEST(TagExpansion, ValuesAreExpandedByLaterPlaceholdersOnly) {
  TPageInfo info = SamplePage();
  info.Title = "About #DESCRIPTION#!";
  EXPECT_EQ(Expand("#TITLE#", info), "About All the docs!");

  info = SamplePage();
  info.URL = "http://x/#TITLE#";
  info.Title.clear();  // stands for the address, which holds "#TITLE#" itself
  EXPECT_EQ(Expand("#TITLE#", info), "http://x/#TITLE#");
  info.Title = "T";
  EXPECT_EQ(Expand("#URL#", info), "http://x/T");

  // Earlier placeholders, and a field's own placeholder, are not revisited.
  info = SamplePage();
  info.Description = "#URL# #HOST# #DESCRIPTION#";
  EXPECT_EQ(Expand("#DESCRIPTION#", info), "#URL# #HOST# #DESCRIPTION#");
  info = SamplePage();
  info.URL = "#URL##URL#";
  EXPECT_EQ(Expand("#URL#-#URL#", info), "#URL##URL#-#URL##URL#");

  // A chain: each step fills in what the step before brought in.
  info = SamplePage();
  info.URL = "#HOST#";
  info.Host = "#PAGE#";
  info.Page = "#charset#";
  EXPECT_EQ(Expand("#URL#", info), "Shift_JIS");

  // A placeholder can form where an inserted value meets the template.
  info = SamplePage();
  info.URL = "#HO";
  EXPECT_EQ(Expand("#URL#ST#", info), "www.example.jp");
}

TEST(TagExpansion, ShiftJisTextAroundPlaceholders) {
  TPageInfo info = SamplePage();
  // Title 日本語 with ア (83 41), ヅ (83 64) and ノ (83 6D): second bytes that
  // are ASCII letters stay as they are.
  info.Title = "\x93\xfa\x96\x7b\x8c\xea\x83\x41\x83\x64\x83\x6d";
  EXPECT_EQ(Expand("\x83\x41#TITLE#\x83\x6d", info),
            "\x83\x41\x93\xfa\x96\x7b\x8c\xea\x83\x41\x83\x64\x83\x6d\x83\x6d");
  // Half-width katakana are single bytes: a placeholder right after one counts.
  EXPECT_EQ(Expand("\xb1#HOST#\xdf", info), "\xb1www.example.jp\xdf");
  // A lead byte followed by "#" is one (broken) two-byte character, so no
  // placeholder starts at that "#".
  EXPECT_EQ(Expand("\x81#URL#", info), "\x81#URL#");
  EXPECT_EQ(Expand("\x81##URL#", info), "\x81#" + info.URL);
  // A lead byte at the very end stays.
  EXPECT_EQ(Expand("#PAGE#\x83", info), "/docs/\x83");
  // Bytes above 0x7F are never case-folded: values arrive byte for byte.
  info.Description = std::string("\xe0\xe1\xfc\xfd\xfe\xff\xa0\x80", 8);
  EXPECT_EQ(Expand("#DESCRIPTION#", info), info.Description);
}

TEST(TagExpansion, DateSuffixPieces) {
  const TPageInfo info = SamplePage();
  TDateSuffix date;
  date.left = " (";
  date.pattern = "yyyy-mm-dd hh:nn";
  date.right = ")";
  EXPECT_EQ(ExpandTag("#TITLE#", info, date, kFifthOfJanuary), "Docs (2007-01-05 09:07)");
  date.pattern = "'\x8d\x58\x90\x56' yyyy\x94\x4e";  // '更新' yyyy年
  EXPECT_EQ(ExpandTag("#TITLE#", info, date, kFifthOfJanuary),
            "Docs (\x8d\x58\x90\x56 2007\x94\x4e)");
  // Placeholders typed into the date pieces stay as written.
  date.left = "#URL#";
  date.pattern = "";
  date.right = "#TITLE#";
  EXPECT_EQ(ExpandTag("#TITLE#", info, date, kFifthOfJanuary), "Docs#URL#2007/01/05 9:07:03#TITLE#");
  date.enabled = false;
  EXPECT_EQ(ExpandTag("#TITLE#", info, date, kFifthOfJanuary), "Docs");
  // The date is the one passed in, not a clock read inside.
  EXPECT_EQ(ExpandTag("", info, TDateSuffix{}, MakeDateTime(2008, 2, 29)), ":[2008/02/29]");
}

TEST(TagExpansion, LinesGrowOnlyToTheBound) {
  // A page whose title repeats "#DESCRIPTION#" would otherwise multiply its
  // description into gigabytes.
  TPageInfo info = SamplePage();
  info.Description = std::string(8 * 1024, 'd');
  std::string title;
  for (int i = 0; i < 4000; ++i) title += "#DESCRIPTION#";
  info.Title = title;
  const std::string line = Expand("#TITLE#", info);
  EXPECT_LE(line.size(), MaxExpandedTagBytes);
  EXPECT_GT(line.size(), MaxExpandedTagBytes - 2 * info.Description.size());
  // The front is filled in, the occurrences that did not fit stay as written.
  EXPECT_EQ(line.compare(0, info.Description.size(), info.Description), 0);
  const std::string tail = line.substr(line.size() - 13);
  EXPECT_EQ(tail, "#DESCRIPTION#");

  // Replacing with a value that is no longer than its placeholder always
  // happens, however long the text already is.
  const std::string huge(MaxExpandedTagBytes + 10, 'x');
  info = SamplePage();
  info.Host.clear();
  info.Page.assign(1, '/');  // (assigning a literal here trips a false -Wrestrict in g++ 12 -O3)
  const std::string big = Expand(huge + "#HOST##PAGE#", info);
  EXPECT_EQ(big.size(), huge.size() + 1);
  EXPECT_EQ(big.back(), '/');
}

}  // namespace
}  // namespace vellumark
