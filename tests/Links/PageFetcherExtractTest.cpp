// Reading a page's data out of a response text, without a network: the nine
// patterns, the status line, the character-set dispatch, title and
// description rules, and the markup guards.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "Links/PageFetcher.h"
#include "Links/PageFetcherExtract.h"

namespace vellumark {
namespace {

using namespace std::string_literals;

// "日本語のページ" and "説明" in the encodings a page may use.
const std::string kTitleSjis = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b\x83\x57";
const std::string kTitleEuc = "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xda\xa1\xbc\xa5\xb8";
const std::string kTitleJis =
    "\x1b\x24\x42\x46\x7c\x4b\x5c\x38\x6c\x24\x4e\x25\x5a\x21\x3c\x25\x38\x1b\x28\x42";
const std::string kTitleUtf8 =
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8";
const std::string kDescSjis = "\x90\xe0\x96\xbe";
const std::string kDescUtf8 = "\xe8\xaa\xac\xe6\x98\x8e";

std::string Response(const std::string& headers, const std::string& head) {
  return "HTTP/1.1 200 OK\r\n" + headers + "\r\n<html><head>" + head + "</head>\r\n<body>";
}

class ExtractTest : public ::testing::Test {
 protected:
  TPageInfo Extract(const std::string& response) {
    TPageInfo info;
    ExtractPageData(regExp_, response, info);
    return info;
  }
  TPageInfo Status(const std::string& response) {
    TPageInfo info;
    ReadStatus(regExp_, response, info);
    return info;
  }
  TRegExp regExp_;
};

TEST(PagePatterns, AreTheProgramsOwnTexts) {
  // Pinned byte for byte: the page data depends on every character.
  EXPECT_EQ(StatusLinePattern, "(^HTTP/[0-9]\\.[0-9][\\s]+[0-9]+[\\s]+[^\\s]*)");
  EXPECT_EQ(StatusCodePattern, "^HTTP/[0-9]\\.[0-9][\\s]+([0-9]+)[\\s]+[^\\s]*");
  EXPECT_EQ(LocationPattern, "Location:[\\s]*([^\\s]*)");
  EXPECT_EQ(ContentTypePattern, "Content-Type:[\\s]*([^;\\s]*)");
  EXPECT_EQ(HttpEquivContentTypePattern,
            "http-equiv=[\"]?content-type\"[\\s]+content=[\"]?([^;\"\\s]*)");
  EXPECT_EQ(CharsetPattern, ";[\\s]*charset[\\s]*=[\\s]*[\"']?([^\\s\">]*)");
  EXPECT_EQ(TitlePattern, "<title[^>]*>([^<]*)</title>");
  EXPECT_EQ(DescriptionMetaPattern,
            "<meta[\\s]*name[\\s]*=[\\s]*\"?description\"?[\\s]*([^>]*)>");
  EXPECT_EQ(DescriptionContentPattern, "content[\\s]*=\"?([^\">]*)\"?");
}

TEST_F(ExtractTest, StatusLineVariants) {
  TPageInfo info = Status("HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n");
  EXPECT_EQ(info.Status, "HTTP/1.1 404 Not");
  EXPECT_EQ(info.StatusCode, 404);

  // No reason phrase: the white-space run spans the line end and the next
  // header's first word joins the status.
  info = Status("HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_EQ(info.Status, "HTTP/1.0 200\r\nContent-Type:");
  EXPECT_EQ(info.StatusCode, 200);

  info = Status("http/1.1 302 found\r\n");
  EXPECT_EQ(info.StatusCode, 302) << "the status line matches in any letter case";

  // "^" is the start of the text only, never the start of a later line.
  info = Status("garbage\r\nHTTP/1.1 200 OK\r\n");
  EXPECT_EQ(info.Status, "");
  EXPECT_EQ(info.StatusCode, -1);

  info = Status("");
  EXPECT_EQ(info.StatusCode, -1);
  info = Status("HTTP/1.1 200");
  EXPECT_EQ(info.StatusCode, -1) << "white space must follow the code";
  info = Status("HTTP/11 200 OK\r\n");
  EXPECT_EQ(info.StatusCode, -1);
  info = Status("HTTP/1.1 99999999999 OK\r\n");
  EXPECT_EQ(info.Status, "HTTP/1.1 99999999999 OK");
  EXPECT_EQ(info.StatusCode, -1) << "a code beyond 32 bits does not convert";
  info = Status("HTTP/1.1\t200\tOK\r\n");
  EXPECT_EQ(info.StatusCode, 200);
  // White space is the six ASCII controls and the blank only: an
  // ideographic space (Shift_JIS 81 40) does not separate the code.
  info = Status("HTTP/1.1\x81\x40" "200 OK\r\n");
  EXPECT_EQ(info.StatusCode, -1);
  info = Status("HTTP/1.1 200\x81\x40OK\r\n");
  EXPECT_EQ(info.StatusCode, -1);
}

TEST_F(ExtractTest, RedirectTarget) {
  EXPECT_EQ(ReadRedirectTarget(regExp_, "HTTP/1.1 302 Found\r\nlocation:   /next?a=1\r\n\r\n"),
            "/next?a=1");
  EXPECT_EQ(ReadRedirectTarget(regExp_, "HTTP/1.1 302 Found\r\nServer: x\r\n\r\n"), "");
  // The first match wins, also when it is in the page rather than a header.
  EXPECT_EQ(ReadRedirectTarget(regExp_, "HTTP/1.1 301 M\r\nLocation: http://a/\r\nLocation: /b\r\n"),
            "http://a/");
}

TEST_F(ExtractTest, ContentTypeFromHeaderOrElseFromMetaElement) {
  TPageInfo info = Extract(Response("Content-Type: text/html; charset=Shift_JIS\r\n", ""));
  EXPECT_EQ(info.ContentType, "text/html");
  EXPECT_EQ(info.Charset, "Shift_JIS");

  info = Extract(Response("Server: x\r\n",
                          "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/plain; charset=EUC-JP\">"));
  EXPECT_EQ(info.ContentType, "text/plain");
  EXPECT_EQ(info.Charset, "EUC-JP");

  // The header wins over the meta element, for the charset too.
  info = Extract(Response("Content-type: text/html;charset=x-sjis\r\n",
                          "<meta http-equiv=\"content-type\" content=\"text/xml; charset=utf-8\">"));
  EXPECT_EQ(info.ContentType, "text/html");
  EXPECT_EQ(info.Charset, "x-sjis");

  // The meta pattern needs a quote after content-type; the charset stops
  // at ">".
  info = Extract(Response("", "<meta http-equiv=content-type content=text/html;charset=euc-jp>"));
  EXPECT_EQ(info.ContentType, "");
  EXPECT_EQ(info.Charset, "euc-jp");
  info = Extract(Response("", "<meta http-equiv=content-type\" content=text/html;>"));
  EXPECT_EQ(info.ContentType, "text/html");

  info = Extract(Response("", "<title>t</title>"));
  EXPECT_EQ(info.ContentType, "");
  EXPECT_EQ(info.Charset, "");
}

TEST_F(ExtractTest, TitleRules) {
  TPageInfo info = Extract(Response("", "<TITLE lang=ja>Upper Case</TITLE>"));
  EXPECT_EQ(info.Title, "Upper Case");

  info = Extract(Response("", "<title>first\r\nsecond</title>"));
  EXPECT_EQ(info.Title, "first\r\nsecond") << "a title found at once keeps its line breaks";

  // "[^>]*" and "[^<]*" take line breaks in their stride...
  info = Extract(Response("", "<title\r\n>one</title>"));
  EXPECT_EQ(info.Title, "one");
  // ...but a closing tag cut by a line end is found only by the second
  // attempt, on the text without line breaks: every CR and LF is gone then.
  info = Extract(Response("", "<title>one\r\ntwo</title\r\n>"));
  EXPECT_EQ(info.Title, "onetwo");

  info = Extract(Response("", "<meta name=description content=d>"));
  EXPECT_EQ(info.Title, "");
  EXPECT_EQ(info.Description, "d");

  // The first title wins.
  info = Extract(Response("", "<title>a</title><title>b</title>"));
  EXPECT_EQ(info.Title, "a");
}

TEST_F(ExtractTest, DescriptionVariants) {
  TPageInfo info = Extract(Response("", "<meta name=\"description\" content=\"A page.\">"));
  EXPECT_EQ(info.Description, "A page.");

  info = Extract(Response("", "<META NAME = description   CONTENT=plain words >"));
  EXPECT_EQ(info.Description, "plain words") << "the element's rest is trimmed first";

  info = Extract(Response("", "<meta content=\"first\" name=\"description\">"));
  EXPECT_EQ(info.Description, "") << "content before name gives no description";

  info = Extract(Response("", "<meta name=\"description\">"));
  EXPECT_EQ(info.Description, "") << "no content attribute gives empty text";

  info = Extract(Response("", "<meta name=\"keywords\" content=\"k\">"));
  EXPECT_EQ(info.Description, "");

  // The description is searched in the text as the title step left it: here
  // without line breaks, so an element cut by a line end still matches.
  info = Extract(Response("", "<title>t</title\n><meta name=\"description\" content=\"a\r\nb\">"));
  EXPECT_EQ(info.Description, "ab");
  // When the first title attempt matches, the line breaks stay.
  info = Extract(Response("", "<title>t</title><meta name=description content=\"a\r\nb\">"));
  EXPECT_EQ(info.Title, "t");
  EXPECT_EQ(info.Description, "a\r\nb");
}

TEST_F(ExtractTest, RawLessThanInDescriptionIsEscapedAndNothingElseChanges) {
  TPageInfo info = Extract(Response(
      "", "<meta name=\"description\" content=\"a<script>alert(1)</script> & 'b'\">"));
  EXPECT_EQ(info.Description, "a&lt;script");
  info = Extract(Response("", "<meta name=description content=\"x < y &amp; z\">"));
  EXPECT_EQ(info.Description, "x &lt; y &amp; z");
}

// The title and description scans must give exactly the engine's first
// match for the two patterns; random heads built from the patterns' own
// pieces, Shift_JIS characters and stray lead bytes make near misses common.
TEST_F(ExtractTest, TitleAndDescriptionScansAgreeWithThePatterns) {
  const std::string pieces[] = {"<title", "<TiTle x", ">", "</title>", "</TITLE>", "<", "</title",
                                "<meta", "<META", "name", "NAME", "=", "\"", "description",
                                "Description", " ", "\t", "\r\n", "\v", "a", "\x93\xfa", "\x81",
                                "\x83\x5c", "\x81\x74", "\0"s};
  std::mt19937 random(42);
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(FindTitle(text), MatchFirstGroup(regExp_, text, TitlePattern)) << text;
    ASSERT_EQ(FindDescriptionElement(text), MatchFirstGroup(regExp_, text, DescriptionMetaPattern))
        << text;
  }
  EXPECT_EQ(FindTitle("<title a>b<title>c</title>"), "c");
  EXPECT_EQ(FindTitle("<title<title>x</title>"), "x");
  EXPECT_EQ(FindDescriptionElement("<meta name=\"description\"  content=\"x\" >"), "content=\"x\" ");
  EXPECT_EQ(FindDescriptionElement("<meta name=description <meta name=description c>"),
            "<meta name=description c");
}

TEST_F(ExtractTest, HeadsFullOfUnfinishedElementsTakeLinearTime) {
  // The engine needs minutes for such a head; the scans finish at once (a
  // quadratic cost here would hold the test for hours).
  std::string titles;
  std::string metas;
  while (titles.size() < MaxResponseSize) titles += "<title";
  while (metas.size() < MaxResponseSize) metas += "<meta name=description ";
  TPageInfo info = Extract("HTTP/1.1 200 OK\r\n\r\n" + titles + ">x<");
  EXPECT_EQ(info.Title, "");
  info = Extract("HTTP/1.1 200 OK\r\n\r\n" + metas);
  EXPECT_EQ(info.Description, "");
  info = Extract("HTTP/1.1 200 OK\r\n\r\n" + metas + "content=found>");
  EXPECT_EQ(info.Description, "found");
}

TEST(MarkupGuards, AddressAndDescription) {
  EXPECT_EQ(EncodeMarkupInAddress("http://h/a\"b<c>d%22"), "http://h/a%22b%3Cc%3Ed%22");
  EXPECT_EQ(EncodeMarkupInAddress("http://h/p?q='x'&r=1#f"), "http://h/p?q=%27x%27&r=1#f");
  EXPECT_EQ(EncodeMarkupInAddress("/plain?a=1&b=%3C"), "/plain?a=1&b=%3C");
  EXPECT_EQ(EscapeMarkup("<<>&\"'"), "&lt;&lt;&gt;&&quot;&#39;");
  EXPECT_EQ(EscapeMarkup("&amp; &#233; \x83\x5c"), "&amp; &#233; \x83\x5c");
  EXPECT_EQ(TrimControls("\x01 \t\r\nab c\x20\x1f"), "ab c");
  EXPECT_EQ(TrimControls("\x7f\xa0"), "\x7f\xa0") << "only bytes 0 to 32 are trimmed";
  EXPECT_EQ(TrimControls(" \0 "s), "");
}

// "あい" in EUC-JP: also valid Shift_JIS (four half-width katakana), so
// detection leaves it undecided, and it survives being read as Shift_JIS.
const std::string kAiEuc = "\xa4\xa2\xa4\xa4";
const std::string kAiSjis = "\x82\xa0\x82\xa2";
// Undecided too, but more plausible as Shift_JIS: "自社" (row 28 kanji),
// which as EUC-JP is two half-width katakana, ｩﾐ.
const std::string kJishaSjis = "\x8e\xa9\x8e\xd0";
const std::string kJishaReadAsEuc = "\xa9\xd0";

TEST(ConvertByCharset, DispatchesOnTheNameInThisOrder) {
  struct TCase {
    const char* charset;
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"Shift_JIS", kTitleEuc, kTitleEuc},  // declared Shift_JIS: never converted
      {"shift_jis", kTitleEuc, kTitleEuc},
      {"x-shift_jis-utf-8", kTitleUtf8, kTitleUtf8},  // "Shift_JIS" is tested first
      {"xsjis", kTitleEuc, kTitleEuc},
      {"x-sjis", kTitleEuc, kTitleSjis},  // not "xsjis": detected as EUC-JP, converted
      {"x-sjis", kTitleSjis, kTitleSjis},  // detected as Shift_JIS: unchanged
      {"UTF-8", kTitleUtf8, kTitleSjis},
      {"Utf-8", kTitleUtf8, kTitleSjis},
      {"utf8", kTitleUtf8, kTitleSjis},  // no hyphen, not recognised: well-formed UTF-8
      {"EUC-JP", kAiEuc, kAiSjis},       // converted without detection
      {"x-euc-jp", kTitleEuc, kTitleSjis},
      {"windows-31j", kAiEuc, kAiEuc},  // detection undecided, a name: unchanged
      {"", kTitleJis, kTitleSjis},
      // Undecided and nothing declared: the reading that looks like Japanese.
      {"", kAiEuc, kAiSjis},
      {"", "\xa4\xef\xa4\xbf\xa4\xb7\xa4\xcf\xb3\xd8\xc0\xb8\xa4\xc7\xa4\xb9\xa1\xa3",  // わたしは学生です。
       "\x82\xed\x82\xbd\x82\xb5\x82\xcd\x8a\x77\x90\xb6\x82\xc5\x82\xb7\x81\x42"},
      {"", kJishaSjis, kJishaSjis},
      {"", "\xe0\xdb\xe0\xe8", "\xe0\xdb\xe0\xe8"},  // 珈琲: second-level kanji either way, a tie
      {"", "plain ascii", "plain ascii"},
  };
  for (const TCase& c : cases) {
    std::string text = "Content-Type: text/html\r\n\r\n" + c.text;
    TPageFetcher::ConvertByCharset(text, c.charset);
    EXPECT_EQ(text, "Content-Type: text/html\r\n\r\n" + c.expected) << "charset \"" << c.charset << "\"";
  }
}

TEST_F(ExtractTest, TitleAndDescriptionComeOutInShiftJis) {
  struct TCase {
    const char* charset;
    std::string title, description;  // as the page sends them
    std::string expected;            // Title afterwards; Description is kDescSjis
  };
  const std::string descEuc = "\xc0\xe2\xcc\xc0";
  const std::string descJis = "\x1b\x24\x42\x40\x62\x4c\x40\x1b\x28\x42";
  const TCase cases[] = {
      {"Shift_JIS", kTitleSjis, kDescSjis, kTitleSjis},
      {"xsjis", kAiEuc, kDescSjis, kAiEuc},
      {"x-sjis", kTitleEuc, descEuc, kTitleSjis},
      {"UTF-8", kTitleUtf8, kDescUtf8, kTitleSjis},
      {"EUC-JP", kTitleEuc, descEuc, kTitleSjis},
      {"x-euc-jp", kAiEuc, descEuc, kAiSjis},
      {"ISO-2022-JP", kTitleJis, descJis, kTitleSjis},
      {"", kTitleJis, descJis, kTitleSjis},
      {"", kTitleSjis, kDescSjis, kTitleSjis},
  };
  for (const TCase& c : cases) {
    const std::string charset = c.charset;
    const std::string headers =
        charset.empty() ? "" : "Content-Type: text/html; charset=" + charset + "\r\n";
    const TPageInfo info =
        Extract(Response(headers, "<title>" + c.title + "</title><meta name=\"description\" content=\"" +
                                      c.description + "\">"));
    EXPECT_EQ(info.Title, c.expected) << "charset \"" << charset << "\"";
    EXPECT_EQ(info.Description, kDescSjis) << "charset \"" << charset << "\"";
    EXPECT_EQ(info.Charset, charset) << "the name is kept as found";
  }
}

TEST_F(ExtractTest, Utf8PageCutInsideACharacterKeepsItsTitle) {
  // The receive stopped in the middle of a three-byte character.
  std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n"
                         "<title>" + kTitleUtf8 + "</title><meta name=\"description\" content=\"" +
                         kDescUtf8 + "\"><body>" + kDescUtf8.substr(0, 4);
  TPageInfo info = Extract(response);
  EXPECT_EQ(info.Title, kTitleSjis);
  EXPECT_EQ(info.Description, kDescSjis);

  // A malformed byte in the middle of the page does not lose the rest.
  response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n\xff\xfe<title>" +
             kTitleUtf8 + "</title>";
  info = Extract(response);
  EXPECT_EQ(info.Title, kTitleSjis);
}


// The charset a page declares the HTML5 way, used only when no charset
// parameter is found, and the label each declaration gives. "自社" in
// Shift_JIS is undecided for the detection and stays as it is when nothing
// is declared, so its EUC-JP reading shows that a declaration was obeyed.
TEST_F(ExtractTest, Html5CharsetElementWhenNoCharsetParameter) {
  struct TCase {
    std::string headers, head;
    std::string charset, title;
  };
  const std::string marked = "<title>" + kJishaSjis + "</title>";
  const std::string& none = kJishaSjis;  // nothing declared
  const std::string& asEuc = kJishaReadAsEuc;
  const TCase cases[] = {
      {"", "<meta charset=\"utf-8\"><title>" + kTitleUtf8 + "</title>", "utf-8", kTitleSjis},
      {"", "<META CHARSET = 'EUC-JP' >" + marked, "EUC-JP", asEuc},
      {"", "<meta\tcharset=euc-jp/>" + marked, "euc-jp", asEuc},
      {"", "<meta charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<meta charset=\" euc-jp \">" + marked, "euc-jp", asEuc},  // trimmed like the parameter
      {"", "<meta charset=\"\"><meta charset=euc-jp>" + marked, "", none},  // the first, empty: none
      {"", "<meta charset=>" + marked, "", none},
      {"", "<metacharset=euc-jp>" + marked, "", none},  // white space or "/" needed after <meta
      {"", "<meta name=charset content=euc-jp>" + marked, "", none},
      // After other attributes, separated by white space or "/"; a ">" ends
      // the element only outside quotes.
      {"", "<meta lang=ja charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<meta name=\"x\" charset=\"euc-jp\">" + marked, "euc-jp", asEuc},
      {"", "<meta content=\"\" charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<meta/lang=\"ja\"/charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<meta content=\"a>b\" charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<meta name=x>charset=euc-jp>" + marked, "", none},
      {"", "<meta content=\"x charset=euc-jp\">" + marked, "", none},
      // The label ends where the name does, quote or not.
      {"", "<meta charset=\"utf-8>\n<title>" + kTitleUtf8 + "</title>", "utf-8", kTitleSjis},
      {"Content-Type: text/html; charset=\"euc-jp\"\r\n", marked, "euc-jp", asEuc},
      {"", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset='Shift_JIS'\"><meta charset=euc-jp>" + marked,
       "Shift_JIS", none},
      // The charset parameter wins, from the header or from the page.
      {"Content-Type: text/html; charset=Shift_JIS\r\n", "<meta charset=euc-jp>" + marked, "Shift_JIS", none},
      {"", "<meta charset=euc-jp><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">" + marked,
       "Shift_JIS", none},
      // An empty parameter counts as none.
      {"Content-Type: text/html; charset=\"\"\r\n", "<meta charset=euc-jp>" + marked, "euc-jp", asEuc},
      // Nothing in a comment of the body counts; one left open runs to the
      // end, and "<!-->" and "<!--->" end where they start.
      {"", "<!-- <meta charset=utf-8> --><meta charset=euc-jp>" + marked, "euc-jp", asEuc},
      {"", "<!--<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">--><meta charset=euc-jp>" + marked,
       "euc-jp", asEuc},
      {"", "<meta name=x><!-- <meta charset=euc-jp>" + marked, "", none},
      {"", "<!--><meta charset=euc-jp><!-- -->" + marked, "euc-jp", asEuc},
      {"", "<!---><meta charset=euc-jp><!-- -->" + marked, "euc-jp", asEuc},
      {"X-Note: <!--\r\nContent-Type: text/html; charset=euc-jp\r\n", marked, "euc-jp", asEuc},
  };
  for (const TCase& c : cases) {
    const TPageInfo info = Extract(Response(c.headers, c.head));
    EXPECT_EQ(info.Charset, c.charset) << c.headers << c.head;
    EXPECT_EQ(info.Title, c.title) << c.headers << c.head;
  }
}

// Text with no charset, or one the dispatch does not know, is read as UTF-8
// when it is well-formed UTF-8 with a multi-byte character; every other page
// takes the detection as before, and a known name is obeyed as before.
TEST_F(ExtractTest, UndeclaredUtf8IsReadAsUtf8AndNothingElseChanges) {
  struct TCase {
    const char* charset;
    std::string title;     // as the page sends it
    std::string expected;  // Title afterwards
  };
  const TCase cases[] = {
      {"", kTitleUtf8, kTitleSjis},
      {"utf8", kTitleUtf8, kTitleSjis},
      {"windows-1252", "caf\xc3\xa9", "caf&#233;"},
      // Unchanged (Shift_JIS, EUC-JP and JIS pages are in the tables above):
      // ASCII only, UTF-8 with a malformed byte, and Shift_JIS declared by
      // name even where its bytes happen to be UTF-8 too (ﾃｱ is also "ñ").
      {"", "plain title", "plain title"},
      {"", "\xe6\x97\xa5\xff", "\xe6\x97\xa5\xff"},  // malformed: detection says binary
      {"Shift_JIS", "\xc3\xb1", "\xc3\xb1"},
  };
  for (const TCase& c : cases) {
    const std::string charset = c.charset;
    const std::string headers = charset.empty() ? "" : "Content-Type: text/html; charset=" + charset + "\r\n";
    const TPageInfo info = Extract(Response(headers, "<title>" + c.title + "</title>"));
    EXPECT_EQ(info.Title, c.expected) << "charset \"" << charset << "\" " << c.title;
    EXPECT_EQ(info.Charset, charset) << "the declared name is kept";
  }
  // A receive that stopped inside a character still reads as UTF-8.
  const TPageInfo info = Extract("HTTP/1.1 200 OK\r\n\r\n<title>" + kTitleUtf8 + "</title>" + kDescUtf8.substr(0, 4));
  EXPECT_EQ(info.Title, kTitleSjis);
}

// A UTF-8 byte order mark opening the body decides over every declaration;
// the declared name is shown only when it names UTF-8.
TEST_F(ExtractTest, ByteOrderMarkDecidesOverEveryDeclaration) {
  struct TCase {
    std::string headers, body;
    std::string charset, title;
  };
  const std::string bom = "\xef\xbb\xbf";
  const std::string utf8 = "<title>" + kTitleUtf8 + "</title>";
  const TCase cases[] = {
      {"Content-Type: text/html; charset=Shift_JIS\r\n", bom + utf8, "UTF-8", kTitleSjis},
      {"", bom + "<meta charset=euc-jp>" + utf8, "UTF-8", kTitleSjis},
      {"", bom + utf8, "UTF-8", kTitleSjis},
      {"Content-Type: text/html; charset=utf-8\r\n", bom + utf8, "utf-8", kTitleSjis},
      {"", bom + "<meta charset=UTF8>" + utf8, "UTF8", kTitleSjis},
      // Only at the very start of the body.
      {"Content-Type: text/html; charset=Shift_JIS\r\n", " " + bom + "<title>" + kTitleSjis + "</title>",
       "Shift_JIS", kTitleSjis},
  };
  for (const TCase& c : cases) {
    const TPageInfo info = Extract("HTTP/1.1 200 OK\r\n" + c.headers + "\r\n" + c.body);
    EXPECT_EQ(info.Charset, c.charset) << c.headers << c.body;
    EXPECT_EQ(info.Title, c.title) << c.headers << c.body;
  }
}

// Every text value from a server is HTML text in the record, so the tag
// line and --json carry it safely in any template; "&" and the page's own
// entities stay as they are.
TEST_F(ExtractTest, EveryServerTextValueIsEscaped) {
  TPageInfo info = Extract(
      "HTTP/1.1 200 O'K\"<b>\r\nContent-Type: text/<i>'\"\r\n\r\n<meta http-equiv=x content=\"a; charset='x<y'\">"
      "<title>\"T\" > 'a' &amp; b</title><meta name=description content=\"d' > &lt;\">");
  EXPECT_EQ(info.ContentType, "text/&lt;i&gt;&#39;&quot;");
  EXPECT_EQ(info.Charset, "x") << "a label ends before any markup";
  EXPECT_EQ(info.Title, "&quot;T&quot; &gt; &#39;a&#39; &amp; b");
  EXPECT_EQ(info.Description, "d&#39;");
  info = Status("HTTP/1.1 200 O'K\"<b>\r\n");
  EXPECT_EQ(info.Status, "HTTP/1.1 200 O&#39;K&quot;&lt;b&gt;");
  EXPECT_EQ(info.StatusCode, 200);
  // From the HTML5 element too; a UTF-8 character code page 932 lacks is a
  // reference, left as it is.
  info = Extract(Response("", "<meta charset='utf-8\"<'><title>\xc3\xa9</title>"));
  EXPECT_EQ(info.Charset, "utf-8");
  EXPECT_EQ(info.Title, "&#233;");
}

}  // namespace
}  // namespace vellumark
