// The nine fixed patterns of the page fetch, copied exactly, on realistic
// response heads: what the fetch relies on from the regular-expression
// service, on every platform.
#include <gtest/gtest.h>

#include <string>

#include "RegExp/RegExp.h"

namespace vellumark {
namespace {

const std::string kStatusPattern = R"re((^HTTP/[0-9]\.[0-9][\s]+[0-9]+[\s]+[^\s]*))re";
const std::string kStatusCodePattern = R"re(^HTTP/[0-9]\.[0-9][\s]+([0-9]+)[\s]+[^\s]*)re";
const std::string kLocationPattern = R"re(Location:[\s]*([^\s]*))re";
const std::string kContentTypePattern = R"re(Content-Type:[\s]*([^;\s]*))re";
const std::string kMetaContentTypePattern = R"re(http-equiv=["]?content-type"[\s]+content=["]?([^;"\s]*))re";
const std::string kCharsetPattern = R"re(;[\s]*charset[\s]*=[\s]*([^\s">]*))re";
const std::string kTitlePattern = R"re(<title[^>]*>([^<]*)</title>)re";
const std::string kDescriptionElementPattern = R"re(<meta[\s]*name[\s]*=[\s]*"?description"?[\s]*([^>]*)>)re";
const std::string kDescriptionContentPattern = R"re(content[\s]*="?([^">]*)"?)re";

// Shift_JIS bytes, pinned.
const std::string kJapaneseTitle = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x5E\x83\x43\x83\x67\x83\x8B";  // 日本語のタイトル
const std::string kJapaneseDescription = "\x90\xE0\x96\xBE\x95\xB6\x82\xC5\x82\xB7";  // 説明文です
const std::string kSoftware = "\x83\x5C\x83\x74\x83\x67";  // ソフト

const std::string kHead =
    "HTTP/1.1 200 OK\r\n"
    "Date: Tue, 08 Dec 2026 09:00:00 GMT\r\n"
    "Server: Apache/2.4.57 (Debian)\r\n"
    "Last-Modified: Mon, 07 Dec 2026 21:14:03 GMT\r\n"
    "Content-Length: 5120\r\n"
    "Connection: close\r\n"
    "Content-Type: text/html; charset=Shift_JIS\r\n"
    "\r\n"
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
    "<HTML LANG=\"ja\">\r\n<HEAD>\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
    "<META NAME=\"description\" CONTENT=\"" + kJapaneseDescription + " " + kSoftware + "\">\r\n"
    "<TITLE>" + kJapaneseTitle + "</TITLE>\r\n"
    "</HEAD>\r\n<BODY BGCOLOR=\"#FFFFFF\">\r\n<P>";

TEST(PagePatterns, ReadTheWholeOfARealisticHead) {
  TRegExp re;
  const std::string status = MatchFirstGroup(re, kHead, kStatusPattern);
  EXPECT_EQ(status, "HTTP/1.1 200 OK");
  EXPECT_EQ(MatchFirstGroup(re, status, kStatusCodePattern), "200");
  EXPECT_EQ(MatchFirstGroup(re, kHead, kLocationPattern), "");
  EXPECT_EQ(MatchFirstGroup(re, kHead, kContentTypePattern), "text/html");
  EXPECT_EQ(MatchFirstGroup(re, kHead, kMetaContentTypePattern), "text/html");
  EXPECT_EQ(MatchFirstGroup(re, kHead, kCharsetPattern), "Shift_JIS");  // the header's comes first
  EXPECT_EQ(MatchFirstGroup(re, kHead, kTitlePattern), kJapaneseTitle);
  const std::string element = MatchFirstGroup(re, kHead, kDescriptionElementPattern);
  EXPECT_EQ(element, "CONTENT=\"" + kJapaneseDescription + " " + kSoftware + "\"");
  EXPECT_EQ(MatchFirstGroup(re, element, kDescriptionContentPattern), kJapaneseDescription + " " + kSoftware);
}

TEST(PagePatterns, StatusLine) {
  TRegExp re;
  const auto status = [&](const std::string& text) { return MatchFirstGroup(re, text, kStatusPattern); };
  const auto code = [&](const std::string& text) { return MatchFirstGroup(re, text, kStatusCodePattern); };

  EXPECT_EQ(status("HTTP/1.1 404 Not Found\r\nServer: x\r\n"), "HTTP/1.1 404 Not");
  EXPECT_EQ(code("HTTP/1.1 404 Not"), "404");
  EXPECT_EQ(status("HTTP/1.0 301 Moved Permanently\r\n"), "HTTP/1.0 301 Moved");
  EXPECT_EQ(status("http/1.0 200 ok\r\n"), "http/1.0 200 ok");
  EXPECT_EQ(status("HTTP/1.1  200\tOK\r\n"), "HTTP/1.1  200\tOK");
  // Without a reason phrase the white-space run spans the line end and the
  // first word of the next header line joins the status.
  const std::string noReason = status("HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_EQ(noReason, "HTTP/1.0 200\r\nContent-Type:");
  EXPECT_EQ(code(noReason), "200");
  // Only at the very start of the response.
  EXPECT_EQ(status("\r\nHTTP/1.1 200 OK\r\n"), "");
  EXPECT_EQ(status("<html>\nHTTP/1.1 200 OK\r\n"), "");
  EXPECT_EQ(code("x HTTP/1.1 200 OK"), "");
  EXPECT_EQ(status("HTTP/1.1 200"), "");  // needs white space after the code
  EXPECT_EQ(status("HTTP/2 200 OK"), "");
  EXPECT_EQ(status(""), "");
}

TEST(PagePatterns, RedirectTarget) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re,
                            "HTTP/1.1 302 Found\r\nDate: Tue, 08 Dec 2026 09:00:00 GMT\r\n"
                            "Location: http://www.example.jp/new/index.html?a=1&b=2\r\n"
                            "Content-Length: 0\r\n\r\n",
                            kLocationPattern),
            "http://www.example.jp/new/index.html?a=1&b=2");
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.0 301 Moved\r\nlocation:/moved/\r\n\r\n", kLocationPattern), "/moved/");
  // An empty Location header takes the next line's first word, as written.
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.0 302 Found\r\nLocation:\r\nServer: x\r\n", kLocationPattern), "Server:");
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.0 302 Found\r\nServer: x\r\n\r\n", kLocationPattern), "");
}

TEST(PagePatterns, MediaTypeFromTheHeaderOrTheMetaElement) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", kContentTypePattern),
            "text/plain");
  EXPECT_EQ(MatchFirstGroup(re, "HTTP/1.0 200 OK\r\ncontent-type:text/html;charset=EUC-JP\r\n", kContentTypePattern),
            "text/html");

  const std::string metaOnly =
      "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n<html><head>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\r\n"
      "<title>t</title></head><body>";
  EXPECT_EQ(MatchFirstGroup(re, metaOnly, kContentTypePattern), "");
  EXPECT_EQ(MatchFirstGroup(re, metaOnly, kMetaContentTypePattern), "text/html");
  EXPECT_EQ(MatchFirstGroup(re, "<meta http-equiv=content-type\" content=text/html>", kMetaContentTypePattern),
            "text/html>");
  // The element needs the quote after content-type and content right after it.
  EXPECT_EQ(MatchFirstGroup(re, "<meta http-equiv=content-type content=text/html>", kMetaContentTypePattern), "");
  EXPECT_EQ(MatchFirstGroup(re, "<meta content=\"text/html\" http-equiv=\"content-type\">", kMetaContentTypePattern),
            "");
}

TEST(PagePatterns, CharsetFromTheFirstParameter) {
  TRegExp re;
  const std::string metaOnly =
      "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">";
  EXPECT_EQ(MatchFirstGroup(re, metaOnly, kCharsetPattern), "EUC-JP");
  EXPECT_EQ(MatchFirstGroup(re, "Content-Type: text/html ;\r\n  CHARSET = utf-8\r\n", kCharsetPattern), "utf-8");
  EXPECT_EQ(MatchFirstGroup(re, "<meta content=text/html;charset=iso-2022-jp>", kCharsetPattern), "iso-2022-jp");
  EXPECT_EQ(MatchFirstGroup(re, "<meta charset=\"utf-8\">", kCharsetPattern), "");
}

TEST(PagePatterns, Title) {
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, "<title>Home</title>", kTitlePattern), "Home");
  EXPECT_EQ(MatchFirstGroup(re, "<TITLE ID=\"t\">" + kSoftware + "</Title>", kTitlePattern), kSoftware);
  // Line breaks inside the title are kept.
  EXPECT_EQ(MatchFirstGroup(re, "<title>\r\n  " + kJapaneseTitle + "\r\n</title>", kTitlePattern),
            "\r\n  " + kJapaneseTitle + "\r\n");
  EXPECT_EQ(MatchFirstGroup(re, "<title></title>", kTitlePattern), "");
  EXPECT_EQ(MatchFirstGroup(re, "<html><head></head><body>", kTitlePattern), "");
  // A tag inside the title, or a title element that is not closed, gives nothing.
  EXPECT_EQ(MatchFirstGroup(re, "<title>a<b>b</b></title>", kTitlePattern), "");
  EXPECT_EQ(MatchFirstGroup(re, "<title>no end\r\n<body>", kTitlePattern), "");
}

TEST(PagePatterns, DescriptionInTwoStages) {
  TRegExp re;
  const auto describe = [&](const std::string& text) {
    const std::string element = MatchFirstGroup(re, text, kDescriptionElementPattern);
    return MatchFirstGroup(re, element, kDescriptionContentPattern);
  };
  EXPECT_EQ(describe("<meta name=\"description\" content=\"" + kJapaneseDescription + "\">"), kJapaneseDescription);
  EXPECT_EQ(describe("<META NAME=description CONTENT=plain>"), "plain");
  EXPECT_EQ(describe("<meta name = \"description\"\r\n content=\"two\r\nlines\" />"), "two\r\nlines");
  // No white space is allowed between "=" and the value's quote.
  EXPECT_EQ(describe("<meta name=description content= \"x\">"), " ");
  // The name attribute must come first, and a content attribute must follow.
  EXPECT_EQ(describe("<meta content=\"first\" name=\"description\">"), "");
  EXPECT_EQ(MatchFirstGroup(re, "<meta name=\"description\">", kDescriptionElementPattern), "");
  EXPECT_EQ(describe("<meta name=\"description\" lang=\"ja\">"), "");
  EXPECT_EQ(describe("<meta name=\"keywords\" content=\"k\">"), "");
}

TEST(PagePatterns, FourMegabyteHeadWithoutABodyTag) {
  // The largest text a fetch collects: everything is found, nothing crashes.
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\n\r\n<html><head>\r\n";
  while (head.size() < 4u * 1024 * 1024) {
    head += "<!-- " + kJapaneseTitle + " \x81\x40 padding padding padding -->\r\n";
  }
  head += "<meta name=\"description\" content=\"" + kJapaneseDescription + "\">\r\n<title>" + kJapaneseTitle +
          "</title>\r\n";
  TRegExp re;
  EXPECT_EQ(MatchFirstGroup(re, head, kStatusPattern), "HTTP/1.1 200 OK");
  EXPECT_EQ(MatchFirstGroup(re, head, kLocationPattern), "");
  EXPECT_EQ(MatchFirstGroup(re, head, kContentTypePattern), "text/html");
  EXPECT_EQ(MatchFirstGroup(re, head, kMetaContentTypePattern), "");
  EXPECT_EQ(MatchFirstGroup(re, head, kCharsetPattern), "Shift_JIS");
  EXPECT_EQ(MatchFirstGroup(re, head, kTitlePattern), kJapaneseTitle);
  const std::string element = MatchFirstGroup(re, head, kDescriptionElementPattern);
  EXPECT_EQ(MatchFirstGroup(re, element, kDescriptionContentPattern), kJapaneseDescription);

  // One title 4 MiB long.
  const std::string longTitle(4u * 1024 * 1024, 'T');
  EXPECT_EQ(MatchFirstGroup(re, "<title>" + longTitle + "</title>", kTitlePattern), longTitle);
}

}  // namespace
}  // namespace vellumark
