// The cookie jar row by row: the Set-Cookie fields of the replies of one
// redirect chain, then the Cookie header of the next request.
#include "Links/CookieJar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellumark {
namespace {

struct TReply {
  std::string from;
  std::vector<std::string> setCookies;
};

struct TCase {
  std::vector<TReply> replies;
  std::string to;
  std::string expected;
};

// Cookies "c<first>=v" .. "c<last>=v" (two digits), as fields or as the header.
std::vector<std::string> Numbered(int first, int last) {
  std::vector<std::string> cookies;
  for (int i = first; i <= last; ++i) {
    std::string cookie = "c00=v";
    cookie[1] = static_cast<char>('0' + i / 10);
    cookie[2] = static_cast<char>('0' + i % 10);
    cookies.push_back(cookie);
  }
  return cookies;
}

std::string NumberedHeader(int first, int last) {
  std::string header;
  for (const std::string& cookie : Numbered(first, last)) header += (header.empty() ? "" : "; ") + cookie;
  return header;
}

const std::string kPast = "Expires=Sun, 06 Nov 1994 08:49:37 GMT";
const std::string kFuture = "Expires=Fri, 31 Dec 9999 23:59:59 GMT";
constexpr int kMost = static_cast<int>(TCookieJar::MaxCookies);
const std::string kLongest = "a=" + std::string(TCookieJar::MaxSetCookieSize - 2, 'x');

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> cases = {
      // Name and value: split at the first "=", blanks trimmed.
      {{{"http://h.com/", {" a = 1 ", "b=2=3", "c="}}}, "http://h.com/", "a=1; b=2=3; c="},
      {{{"http://h.com/", {"novalue", "=1", " =2", "a=1"}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; HttpOnly; SameSite=Strict; Unknown"}}}, "http://h.com/", "a=1"},

      // Domain: host-only without it; the host and domains above it only.
      {{{"http://h.com/", {"a=1"}}}, "http://www.h.com/", ""},
      {{{"http://h.com/", {"a=1", "b=2; Domain="}}}, "http://H.com/", "a=1; b=2"},
      {{{"http://www.h.com/", {"a=1; Domain=h.com"}}}, "http://other.h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; dOmAiN=.H.COM"}}}, "http://x.y.h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Domain=other.com"}}}, "http://other.com/", ""},
      {{{"http://h.com/", {"a=1; Domain=www.h.com"}}}, "http://www.h.com/", ""},
      {{{"http://ah.com/", {"a=1; Domain=h.com"}}}, "http://ah.com/", ""},
      {{{"http://www.h.com/", {"a=1; Domain=com"}}}, "http://www.h.com/", ""},
      {{{"http://localhost/", {"a=1; Domain=localhost"}}}, "http://localhost/", "a=1"},
      {{{"http://localhost/", {"a=1; Domain=localhost"}}}, "http://a.localhost/", ""},
      {{{"http://127.0.0.1/", {"a=1; Domain=127.0.0.1"}}}, "http://127.0.0.1:8080/", "a=1"},
      {{{"http://127.0.0.1/", {"a=1; Domain=0.0.1"}}}, "http://127.0.0.1/", ""},
      {{{"http://[::1]/", {"a=1; Domain=::1"}}}, "http://[::1]/", "a=1"},

      // Path: the request's directory by default; path-matching.
      {{{"http://h.com/dir/page?q=/x/y", {"a=1"}}}, "http://h.com/dir/other", "a=1"},
      {{{"http://h.com/dir/page", {"a=1"}}}, "http://h.com/directory", ""},
      {{{"http://h.com/dir/page", {"a=1"}}}, "http://h.com/", ""},
      {{{"http://h.com/page", {"a=1"}}}, "http://h.com/x/y", "a=1"},
      {{{"http://h.com/dir/page", {"a=1; Path=docs"}}}, "http://h.com/dir/x", "a=1"},
      {{{"http://h.com/", {"a=1; Path=/docs", "b=2; Path=/docs/"}}}, "http://h.com/docs/a", "b=2; a=1"},
      {{{"http://h.com/", {"a=1; Path=/docs", "b=2; Path=/docs/"}}}, "http://h.com/docs", "a=1"},
      {{{"http://h.com/", {"a=1; Path=/docs"}}}, "http://h.com/docsx", ""},

      // Secure: sent over https only, taken from https only.
      {{{"https://h.com/", {"a=1; Secure", "b=2"}}}, "http://h.com/", "b=2"},
      {{{"https://h.com/", {"a=1; secure"}}}, "https://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Secure"}}}, "https://h.com/", ""},

      // Replacing and removing: same name, domain and path.
      {{{"http://h.com/", {"a=1", "b=2", "a=3"}}}, "http://h.com/", "a=3; b=2"},
      {{{"http://h.com/", {"a=1; Path=/", "a=2; Path=/x"}}}, "http://h.com/x/y", "a=2; a=1"},
      {{{"http://h.com/", {"a=1", "b=2", "a=; Max-Age=0"}}}, "http://h.com/", "b=2"},
      {{{"http://h.com/", {"a=1", "a=1; Max-Age=-5"}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1; Max-Age=60; " + kPast}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Max-Age=0; " + kFuture}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1; Max-Age=1x; " + kPast}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1", "a=1; " + kPast}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1; " + kPast, "b=2; " + kFuture}}}, "http://h.com/", "b=2"},
      {{{"http://h.com/", {"a=1; " + kFuture + "; " + kPast}}}, "http://h.com/", ""},

      // Dates read leniently: any order, two-digit years, unparsable ignored.
      {{{"http://h.com/", {"a=1; expires=Thursday, 01-Jan-70 00:00:01 GMT"}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1; expires=Wed, 01-Jan-69 00:00:01 GMT"}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Expires=1994 nov 6 8:49:37"}}}, "http://h.com/", ""},
      {{{"http://h.com/", {"a=1; Expires=yesterday"}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Expires=30 Feb 1994 00:00:00"}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Expires=06 Nov 1994 24:00:00"}}}, "http://h.com/", "a=1"},
      {{{"http://h.com/", {"a=1; Expires=06 Nov 1600 08:49:37"}}}, "http://h.com/", "a=1"},

      // Across the chain: each reply's own host and scheme.
      {{{"http://h.com/", {"a=1; Domain=h.com"}}, {"https://w.h.com/x/", {"b=2"}}}, "https://w.h.com/x/", "b=2; a=1"},
      {{{"http://h.com/", {"a=1"}}, {"http://other.com/", {"a=2"}}}, "http://h.com/", "a=1"},

      // Hostile servers: oversized fields, too many cookies, line breaks.
      {{{"http://h.com/", {kLongest}}}, "http://h.com/", kLongest},
      {{{"http://h.com/", {kLongest + "x"}}}, "http://h.com/", ""},
      {{{"http://h.com/", Numbered(1, kMost + 1)}}, "http://h.com/", NumberedHeader(2, kMost + 1)},
      {{{"http://h.com/", {"a=1\rInjected: yes", "b=2"}}}, "http://h.com/", "b=2"},
      {{{"http://h.com/", {"a\r=1", "b=2"}}}, "http://h.com/", "b=2"},
      {{{"http://h.com/", {std::string("a=1\0x", 5), "b=2"}}}, "http://h.com/", "b=2"},
      {{{"http://h.com/", {"a=1\x7f", "b=2\tx"}}}, "http://h.com/", "b=2\tx"},
  };
  return cases;
}

TEST(CookieJar, Rows) {
  for (const TCase& row : Cases()) {
    TCookieJar jar;
    std::string trace;
    for (const TReply& reply : row.replies) {
      std::string head = "HTTP/1.1 302 Found\r\nLocation: /next\r\n";
      for (const std::string& field : reply.setCookies) head += "Set-Cookie: " + field + "\r\n";
      head += "\r\n";
      const auto from = ParseUrl(reply.from);
      ASSERT_TRUE(from) << reply.from;
      jar.Receive(*from, head);
      trace += reply.from + " ";
    }
    const auto to = ParseUrl(row.to);
    ASSERT_TRUE(to) << row.to;
    EXPECT_EQ(jar.CookieHeader(*to), row.expected) << trace << "-> " << row.to;
  }
}

}  // namespace
}  // namespace vellumark
