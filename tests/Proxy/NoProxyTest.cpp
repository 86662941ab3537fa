// A no_proxy list against one address per row: names on label boundaries,
// "*", IPv4 and IPv6 addresses and networks, ports dropped, garbage ignored.
#include <gtest/gtest.h>

#include <string_view>

#include "Proxy/NoProxy.h"

namespace vellumark {
namespace {

TEST(NoProxy, Bypasses) {
  struct TCase {
    std::string_view list;
    std::string_view url;
    bool bypasses;
  };
  const TCase cases[] = {
      // Names: the host and the hosts under it, with or without a leading
      // dot, letter case and a trailing dot ignored on both sides.
      {"example.com", "http://example.com/", true},
      {"example.com", "https://a.b.example.com/", true},
      {".example.com", "http://example.com/", true},
      {".example.com", "http://a.example.com/", true},
      {"example.com", "http://badexample.com/", false},
      {"a.example.com", "http://example.com/", false},
      {"example.com", "http://example.com.evil/", false},
      {"Example.COM.", "http://EXAMPLE.com./", true},
      {"a..", "http://a../", true},
      {"a.0..", "http://a.0../", true},
      {"日本語.jp", "http://www.xn--wgv71a119e.jp/", true},
      {"*.example.com", "http://a.example.com/", false},
      // Lists: commas and blanks, empty entries; "*" is every host.
      {"", "http://example.com/", false},
      {"foo, example.com", "http://a.example.com/", true},
      {"foo example.com", "http://a.example.com/", true},
      {",, ,\texample.com,", "http://example.com/", true},
      {"*", "http://anything.example/", true},
      {"foo,*", "http://10.0.0.1/", true},
      // A port in an entry is dropped.
      {"example.com:8080", "http://example.com/", true},
      {"[::1]:8080", "http://[::1]/", true},
      // IPv4: canonical on both sides, never resolved.
      {"127.0.0.1", "http://0x7f.1/", true},
      {"127.0.0.1", "http://localhost/", false},
      {"localhost", "http://127.0.0.1/", false},
      {"10.0.0.0/8", "http://10.255.1.2/", true},
      {"10.0.0.0/8", "http://11.0.0.1/", false},
      {"192.168.1.0/24", "http://192.168.1.77/", true},
      {"192.168.1.128/25", "http://192.168.1.127/", false},
      {"127.0.0.2/31", "http://127.0.0.3/", true},
      {"0.0.0.0/0", "http://8.8.8.8/", true},
      {"10.0.0.0/8", "http://[::ffff:10.0.0.1]/", false},
      // IPv6: with or without brackets, canonical on both sides.
      {"::1", "http://[::1]/", true},
      {"[0:0::1]", "http://[::1]/", true},
      {"fe80::/10", "http://[fe80::1]/", true},
      {"fe80::/10", "http://[febf:ffff::1]/", true},
      {"fe80::/10", "http://[fec0::1]/", false},
      {"[fe80::]/10", "http://[fe80::1]/", true},
      {"[fe80::/10]", "http://[fe80::1]/", true},
      {"2001:db8::/32", "http://[2001:db8:ffff::1]/", true},
      {"::/0", "http://[1::]/", true},
      {"::/0", "http://1.2.3.4/", false},
      // Garbage: ignored, the rest of the list still counts.
      {"10.0.0.1/33", "http://10.0.0.1/", false},
      {"::1/129", "http://[::1]/", false},
      {"10.0.0.1/x,10.0.0.1/,10.0.0.1/-8", "http://10.0.0.1/", false},
      {"[::1", "http://[::1]/", false},
      {"[::1]x", "http://[::1]/", false},
      {"example.com/8", "http://example.com/", false},
      {"[],.,..,/,:,::::::,%zz,\xff\xfe,example.com", "http://example.com/", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.list) + " | " + std::string(c.url));
    const auto url = ParseUrl(c.url);
    ASSERT_TRUE(url);
    EXPECT_EQ(TNoProxy(c.list).Bypasses(*url), c.bypasses);
  }
}

}  // namespace
}  // namespace vellumark
