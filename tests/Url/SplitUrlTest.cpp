#include <gtest/gtest.h>

#include <string>

#include "Url/SplitUrl.h"

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

}  // namespace
}  // namespace vellumark
