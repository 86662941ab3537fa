#include "Links/AddressSources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellumark {
namespace {

using Lines = std::vector<std::string>;

const std::string kExport =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file. -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n"
    "<DL><p>\n"
    "    <DT><H3 ADD_DATE=\"1700000000\">Folder</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"https://example.com/a?b=1&amp;c=2\" ADD_DATE=\"1700000000\" "
    "ICON=\"data:image/png;base64,...\">Example</A>\n"
    "        <DT><A HREF=\"place:sort=8&maxResults=10\">Recent</A>\n"
    "        <DT><A HREF=\"javascript:alert(1)\">bookmarklet</A>\n"
    "    </DL><p>\n"
    "</DL>\n";

std::string Repeat(std::string_view piece, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text += piece;
  return text;
}

// UTF-16LE bytes with the byte-order mark.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(AddressSources, BookmarkExportIsKnownByItsDoctype) {
  EXPECT_TRUE(IsBookmarkExport(kExport));
  EXPECT_TRUE(IsBookmarkExport("\xEF\xBB\xBF \r\n<!doctype netscape-bookmark-file-1>"));
  EXPECT_FALSE(IsBookmarkExport("<!DOCTYPE html>\n<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
  EXPECT_FALSE(IsBookmarkExport("<!DOCTYPE NETSCAPE-Bookmark-file-1"));
  EXPECT_FALSE(IsBookmarkExport("x<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
}

TEST(AddressSources, LinksOfAnHtmlText) {
  struct TCase {
    const char* what;
    std::string html;
    Lines addresses;
    std::size_t skipped;
  };
  const std::size_t kMiB = 1024 * 1024;
  const std::vector<TCase> cases = {
      {"bookmark export", kExport, {"https://example.com/a?b=1&c=2"}, 2},
      {"quoting styles", "<a href='http://s/'><a href=http://u/>x<a href = \"http://d/\" >", {"http://s/", "http://u/", "http://d/"}, 0},
      {"letter case kept", "<A HREF=\"HTTPS://X/Y\"><a hReF=Http://z/>", {"HTTPS://X/Y", "Http://z/"}, 0},
      {"quoted > and fake href before", "<a title=\"a > b\" data-x='<a href=\"http://fake/\">' href=\"http://real/\">", {"http://real/"}, 0},
      {"first href wins", "<a href=\"http://1/\" HREF=\"http://2/\">", {"http://1/"}, 0},
      {"no attribute space after slash", "<a/href=\"http://slash/\">", {"http://slash/"}, 0},
      {"other elements with href", "<abbr href=\"http://no/\"><area href=http://no/><link href=http://no/>", {}, 0},
      {"a without href", "<a name=\"top\">x</a><a>y</a><a hrefx=\"http://no/\">", {}, 0},
      {"end tag attributes", "</a href=\"http://no/\"><a href=\"http://yes/\">", {"http://yes/"}, 0},
      {"unterminated quoted value", "<a href=\"http://ok/\">x</a><a href=\"http://cut/", {"http://ok/"}, 0},
      {"unterminated unquoted value", "<a href=http://ok/><a href=http://cut/", {"http://ok/"}, 0},
      {"tag cut after name", "<a href=\"http://ok/\"><a href", {"http://ok/"}, 0},
      {"references", "<a href=\"http://e/?a=1&amp;b=2&#38;c=&#x33;&#X34;&lt;&quot;&apos;\">", {"http://e/?a=1&b=2&c=34<\"'"}, 0},
      {"legacy reference rules", "<a href=\"http://e/?q=&ampx=1&amp=2&amp\">", {"http://e/?q=&ampx=1&amp=2&"}, 0},
      {"bad numeric references", "<a href=\"http://e/&#0;&#xD800;&#99999999999;&#;&x\">", {"http://e/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&#;&x"}, 0},
      {"non-ASCII reference", "<a href='http://e/&#26085;&#x1F600;'>", {"http://e/\xE6\x97\xA5\xF0\x9F\x98\x80"}, 0},
      {"blanks trimmed", "<a href=\" \t\nhttp://t/\r\n \"><a href='&#32;https://u/&#9;'>", {"http://t/", "https://u/"}, 0},
      {"other schemes skipped", "<a href=\"\"><a href><a href=/rel><a href=ftp://f/><a href=mailto:m><a href=httpx://h/><a href=//h/>", {}, 7},
      {"scheme only is still http", "<a href=http:x><a href=HTTPS:>", {"http:x", "HTTPS:"}, 0},
      {"comments and raw text hide links",
       "<!-- <a href=\"http://c/\"> --><!--><a href=http://1/><!---><a href=http://2/>"
       "<script>'<a href=\"http://s/\">'</scriptx></SCRIPT ><style><a href=http://st/></style>"
       "<title><a href=http://t/></title><a href=\"http://after/\">",
       {"http://1/", "http://2/", "http://after/"}, 0},
      {"unclosed comment", "<a href=http://a/><!-- <a href=http://b/>", {"http://a/"}, 0},
      {"doctype and processing instruction", "<!x <a href=http://no/><?x <a href=http://no/ ?><a href=http://y/>", {"http://y/"}, 0},
      {"lone < is text", "1 < 2 <> <3 </ x> <a href=\"http://x/\">", {"http://x/"}, 0},
      // Hostile input: each completes in one pass.
      {"MiB of <a href=", Repeat("<a href=", kMiB), {}, 0},
      {"MiB of <a href=\"", Repeat("<a href=\"", kMiB), {}, 0},
      {"MiB of <!--", Repeat("<!--", kMiB), {}, 0},
      {"MiB of <script>", Repeat("<script>", kMiB), {}, 0},
      {"MiB of &#", "<a href=\"http://x/" + Repeat("&#", kMiB) + "\">", {"http://x/" + Repeat("&#", kMiB)}, 0},
      {"MiB of links", Repeat("<a href=h>", kMiB), {}, kMiB / 10 + (kMiB % 10 != 0)},
  };
  for (const auto& c : cases) {
    const TFoundAddresses found = AddressesOfHtml(c.html);
    EXPECT_EQ(found.addresses, c.addresses) << c.what;
    EXPECT_EQ(found.skipped, c.skipped) << c.what;
  }
}

TEST(AddressSources, InternetShortcut) {
  struct TCase {
    std::string text;
    std::optional<std::string> address;
  };
  const std::vector<TCase> cases = {
      {"[InternetShortcut]\nURL=https://example.com/\nIconIndex=0\n", "https://example.com/"},
      {"[internetshortcut]\r\n url = http://x/?a=b \r\n", "http://x/?a=b"},
      {"\xEF\xBB\xBF[InternetShortcut]\rIconIndex=0\rUrl=http://cr/", "http://cr/"},
      {"[{000214A0-0000-0000-C000-000000000046}]\r\nURL=http://wrong/\r\n[InternetShortcut]\r\nURL=http://right/\r\n",
       "http://right/"},
      {"[InternetShortcut]\nIconIndex=0\n[Other]\nURL=http://no/\n", std::nullopt},
      {"[InternetShortcut]\nURLs=http://no/\nURL=http://yes/\nURL=http://second/", "http://yes/"},
      {"URL=http://no-section/", std::nullopt},
      {"[InternetShortcut]\nURL=\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(AddressOfInternetShortcut(c.text), c.address) << c.text;
}

TEST(AddressSources, FilesByNameAndContent) {
  struct TCase {
    std::string name, bytes;
    Lines addresses;
    std::size_t skipped;
  };
  const std::vector<TCase> cases = {
      {"Example.URL", "[InternetShortcut]\r\nURL=https://example.com/\r\n", {"https://example.com/"}, 0},
      {"share.url", "[InternetShortcut]\r\nURL=file:///C:/x\r\n", {}, 1},
      {"empty.url", "[InternetShortcut]\r\n", {}, 0},
      {"page.HTM", "\xEF\xBB\xBF<p><a href=\"http://p/\">p</a> <a href=\"#top\">", {"http://p/"}, 1},
      {"bookmarks.html", kExport, {"https://example.com/a?b=1&c=2"}, 2},
      {"exported.txt", kExport, {"https://example.com/a?b=1&c=2"}, 2},
      {"list.txt", " http://a/ \r\n\r\n\thttp://b/\rhttp://c/\n \t\n", {"http://a/", "http://b/", "http://c/"}, 0},
      {"C:\\links.url\\list", "<a href=\"http://x/\">\n[InternetShortcut]\nURL=http://y/", {"<a href=\"http://x/\">", "[InternetShortcut]", "URL=http://y/"}, 0},
      {"wide.txt", Utf16Le(u"http://x/\u65E5\r\n\U0001F600\n\xD800!"), {"http://x/\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD!"}, 0},
      {"wide.url", Utf16Le(u"[InternetShortcut]\r\nURL=http://w/\r\n") + "\x01", {"http://w/"}, 0},
  };
  for (const auto& c : cases) {
    const TFoundAddresses found = AddressesOfFile(c.name, c.bytes);
    EXPECT_EQ(found.addresses, c.addresses) << c.name;
    EXPECT_EQ(found.skipped, c.skipped) << c.name;
  }
}

}  // namespace
}  // namespace vellumark
