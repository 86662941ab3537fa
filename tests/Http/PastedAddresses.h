// Addresses as people paste them: what each one sends and what it shows.
// One table for the wire rules (WireAddressTest) and for the fetch through a
// loopback server (the Links tests). Texts are written here in UTF-8; the
// typed address and what is shown of it are the user's Shift_JIS (Sjis()),
// a redirect target is the server's UTF-8 bytes as they are.
#pragma once

#include <string>
#include <vector>

#include "Common/Codepage.h"

namespace vellumark::pasted {

inline std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

struct TCase {
  std::string typed;        // the address line
  std::string location;     // the first response redirects here (server bytes); empty: no redirect
  std::string requestLine;  // of the last request; empty when the host is refused and nothing is sent
  std::string hostLine;     // of the last request
  std::string host;         // Host shown (for a refused host also the text in its message)
  std::string page;         // Page shown
};

// "127.0.0.1" and the full-width "ｌｏｃａｌｈｏｓｔ" reach a loopback server;
// the other hosts are only converted, never looked up.
inline std::vector<TCase> Cases() {
  // A label whose ASCII form is longer than the 63 bytes a label may have.
  std::string tooLong;
  for (int i = 0; i < 20; ++i) tooLong += Sjis("日本語");
  tooLong += ".jp";
  return {
      // Plain ASCII: byte for byte as written.
      {"http://127.0.0.1/dir/page.html?a=1&b=%41~", "", "GET /dir/page.html?a=1&b=%41~ HTTP/1.0",
       "HOST: 127.0.0.1:80", "127.0.0.1", "/dir/page.html?a=1&b=%41~"},
      {"http://127.0.0.1", "", "GET / HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1", "/"},
      {"http://Site.Test:8080/A/", "", "GET /A/ HTTP/1.0", "HOST: Site.Test:8080", "Site.Test:8080", "/A/"},
      // Japanese path and query, half-width kana; the Shift_JIS trail byte
      // 0x5C of 表 stays inside its character.
      {Sjis("http://127.0.0.1/wiki/日本?q=語"), "", "GET /wiki/%E6%97%A5%E6%9C%AC?q=%E8%AA%9E HTTP/1.0",
       "HOST: 127.0.0.1:80", "127.0.0.1", Sjis("/wiki/日本?q=語")},
      {Sjis("http://127.0.0.1/ｶﾅ/表"), "", "GET /%EF%BD%B6%EF%BE%85/%E8%A1%A8 HTTP/1.0", "HOST: 127.0.0.1:80",
       "127.0.0.1", Sjis("/ｶﾅ/表")},
      // Blanks: inside the target encoded, around the address dropped.
      {"http://127.0.0.1/a b", "", "GET /a%20b HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1", "/a b"},
      {" \thttp://127.0.0.1/trailing \t ", "", "GET /trailing HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1",
       "/trailing"},
      // Fragments, also straight after the host.
      {"http://127.0.0.1/page?x=1#section", "", "GET /page?x=1 HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1",
       "/page?x=1#section"},
      {"http://127.0.0.1#top/x", "", "GET / HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1#top", "/x"},
      // Already encoded, and everything at once.
      {"http://127.0.0.1/wiki/%E6%97%A5%E6%9C%AC", "", "GET /wiki/%E6%97%A5%E6%9C%AC HTTP/1.0",
       "HOST: 127.0.0.1:80", "127.0.0.1", "/wiki/%E6%97%A5%E6%9C%AC"},
      {Sjis("\thttp://127.0.0.1/a b/日本%20x\x7f#語 "), "", "GET /a%20b/%E6%97%A5%E6%9C%AC%20x%7F HTTP/1.0",
       "HOST: 127.0.0.1:80", "127.0.0.1", Sjis("/a b/日本%20x\x7f#語")},
      // Japanese domain names: IDNA, with a port kept, full-width forms
      // mapped; refused names send nothing.
      {Sjis("http://日本語.jp/"), "", "GET / HTTP/1.0", "HOST: xn--wgv71a119e.jp:80", Sjis("日本語.jp"), "/"},
      {Sjis("http://日本語.jp:8080/a"), "", "GET /a HTTP/1.0", "HOST: xn--wgv71a119e.jp:8080",
       Sjis("日本語.jp:8080"), "/a"},
      {Sjis("http://ＷＷＷ.日本。ＪＰ/"), "", "GET / HTTP/1.0", "HOST: www.xn--wgv71a.jp:80",
       Sjis("ＷＷＷ.日本。ＪＰ"), "/"},
      {Sjis("http://ｌｏｃａｌｈｏｓｔ/日本"), "", "GET /%E6%97%A5%E6%9C%AC HTTP/1.0", "HOST: localhost:80",
       Sjis("ｌｏｃａｌｈｏｓｔ"), Sjis("/日本")},
      {Sjis("http://日本 語.jp/"), "", "", "", Sjis("日本 語.jp"), "/"},
      {"http://" + tooLong + "/", "", "", "", tooLong, "/"},
      // Redirect targets are the server's UTF-8, encoded byte for byte.
      {"http://127.0.0.1/old", "/新\x7f#frag", "GET /%E6%96%B0%7F HTTP/1.0", "HOST: 127.0.0.1:80", "127.0.0.1",
       "/新\x7f#frag"},
      {"http://127.0.0.1/old", "http://ｌｏｃａｌｈｏｓｔ/新", "GET /%E6%96%B0 HTTP/1.0", "HOST: localhost:80",
       "ｌｏｃａｌｈｏｓｔ", "/新"},
  };
}

}  // namespace vellumark::pasted
