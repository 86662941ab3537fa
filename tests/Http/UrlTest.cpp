#include <gtest/gtest.h>

#include <string>

#include "Http/Http.h"

namespace vellumark {
namespace {

struct TSplitCase {
  const char* address;
  const char* host;
  const char* page;
};

TEST(SplitUrl, CutsHostAndPageAtTheFirstSlashAfterTheDoubleSlash) {
  const TSplitCase cases[] = {
      {"http://host/dir/page.html", "host", "/dir/page.html"},
      {"http://host", "host", "/"},
      {"http://host/", "host", "/"},
      {"https://host/a", "host", "/a"},
      {"http://host:8080/a", "host:8080", "/a"},
      {"http://host?q=1", "host?q=1", "/"},
      {"http://host/a?q=1#top", "host", "/a?q=1#top"},
      {"http:///a", "", "/a"},
      {"http://user@host//x", "user@host", "//x"},
      {"http://host/a//b", "host", "/a//b"},
      // Anything that starts with "http" counts; only the text after the
      // first "//" matters.
      {"httpx://host/a", "host", "/a"},
      {"http://h\x82\xa0st/\x82\xa0", "h\x82\xa0st", "/\x82\xa0"},
  };
  for (const auto& c : cases) {
    std::string host = "before";
    std::string page = "before";
    EXPECT_TRUE(SplitUrl(c.address, host, page)) << c.address;
    EXPECT_EQ(host, c.host) << c.address;
    EXPECT_EQ(page, c.page) << c.address;
  }
}

TEST(SplitUrl, RefusesAnythingNotStartingWithLowerCaseHttpAndLeavesOutputsAlone) {
  for (const char* address :
       {"HTTP://host/", " http://host/", "ftp://host/", "", "htt", "Http://host/", "\thttp://host/"}) {
    std::string host = "old host";
    std::string page = "old page";
    EXPECT_FALSE(SplitUrl(address, host, page)) << '"' << address << '"';
    EXPECT_EQ(host, "old host") << '"' << address << '"';
    EXPECT_EQ(page, "old page") << '"' << address << '"';
  }
}

TEST(SplitUrl, AddressWithoutDoubleSlashStillGivesAPageStartingWithSlash) {
  std::string host;
  std::string page;
  ASSERT_TRUE(SplitUrl("http:/a", host, page));
  EXPECT_EQ(host, "http:");
  EXPECT_EQ(page, "/a");
  ASSERT_TRUE(SplitUrl("http", host, page));
  EXPECT_EQ(host, "http");
  EXPECT_EQ(page, "/");
}

TEST(SplitUrl, KeepsZeroBytesAsPartOfTheText) {
  const std::string address("http://ho\0st/p\0ge", 17);
  std::string host;
  std::string page;
  ASSERT_TRUE(SplitUrl(address, host, page));
  EXPECT_EQ(host, std::string("ho\0st", 5));
  EXPECT_EQ(page, std::string("/p\0ge", 5));
}

TEST(EndpointOf, APortFrom1To65535AfterTheColonOrTheSchemesDefault) {
  struct TCase {
    const char* hostText;
    bool secure;
    const char* host;  // nullptr: no endpoint
    std::uint16_t port;
  };
  const TCase cases[] = {
      {"site.test", false, "site.test", 80},
      {"site.test", true, "site.test", 443},
      {"site.test:8080", false, "site.test", 8080},
      {"site.test:80", true, "site.test", 80},
      {"127.0.0.1:1", false, "127.0.0.1", 1},
      {"h:65535", true, "h", 65535},
      {"h:08080", false, "h", 8080},
      {":443", true, "", 443},
      {"", false, "", 80},
      {"h:0", false, nullptr, 0},
      {"h:65536", false, nullptr, 0},
      {"h:000080", false, nullptr, 0},
      {"h:", true, nullptr, 0},
      {"h:8o", false, nullptr, 0},
      {"h:+80", false, nullptr, 0},
      {"h:80 ", false, nullptr, 0},
      {"h:1:2", false, nullptr, 0},
      {"user:pw@h", false, nullptr, 0},
      {"[::1]:80", false, nullptr, 0},
  };
  for (const auto& c : cases) {
    const auto endpoint = EndpointOf(c.hostText, c.secure);
    ASSERT_EQ(endpoint.has_value(), c.host != nullptr) << c.hostText;
    if (!endpoint) continue;
    EXPECT_EQ(endpoint->host, c.host) << c.hostText;
    EXPECT_EQ(endpoint->port, c.port) << c.hostText;
    EXPECT_EQ(endpoint->secure, c.secure) << c.hostText;
  }
}

TEST(IsSecureAddress, OnlyTheLowerCaseHttpsSchemeWithItsSlashes) {
  for (const char* address : {"https://h/", "https://"}) EXPECT_TRUE(IsSecureAddress(address)) << address;
  for (const char* address : {"http://h/", "HTTPS://h/", "https:/h", "httpsx://h/", " https://h/"}) {
    EXPECT_FALSE(IsSecureAddress(address)) << address;
  }
}

TEST(IsAddressPart, WholeNumbersFromZeroTo255InAnyAcceptedSpelling) {
  for (const char* part : {"0", "1", "255", "007", "+9", "  12", "$FF", "0xff", "x0", "-0"}) {
    EXPECT_TRUE(IsAddressPart(part)) << '"' << part << '"';
  }
  for (const char* part : {"", "256", "-1", "$100", "1a", "12 ", "a", " ", "99999999999", "\t1"}) {
    EXPECT_FALSE(IsAddressPart(part)) << '"' << part << '"';
  }
}

TEST(IsDottedAddress, FourValidPartsSeparatedByExactlyThreeDots) {
  for (const char* host : {"0.0.0.0", "127.0.0.1", "192.168.0.1", "255.255.255.255", " 1.2.3.4", "$7F.0.0.1",
                           "0x10.1.1.1", "+1.2.3.4", "1. 2. 3. 4"}) {
    EXPECT_TRUE(IsDottedAddress(host)) << '"' << host << '"';
  }
  for (const char* host :
       {"1.2.3", "1.2.3.4.", "256.1.1.1", "1..2.3", "-1.2.3.4", "1.2.3.4 ", "a.b.c.d", "", "...",
        "1.2.3.$100", "1.2.3.", ".1.2.3", "host", "host:8080", "1.2.3.4:80", "1.2.3.4.5"}) {
    EXPECT_FALSE(IsDottedAddress(host)) << '"' << host << '"';
  }
}

}  // namespace
}  // namespace vellumark
