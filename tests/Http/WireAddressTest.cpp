// The wire rules alone, for the rows of the pasted-address table that the
// typed address decides by itself; the fetch test runs the whole table
// (redirects, refused hosts, what is shown) wherever its host reaches the
// loopback server.
#include <gtest/gtest.h>

#include <string>

#include "Http/Http.h"
#include "Http/PastedAddresses.h"
#include "Http/WireAddress.h"

namespace vellumark {
namespace {

TEST(WireAddress, TypedAddressGivesTheRequestLineAndHostLineABrowserSends) {
  for (const auto& c : pasted::Cases()) {
    if (!c.location.empty() || c.requestLine.empty()) continue;
    SCOPED_TRACE(c.typed);
    std::string host;
    std::string page;
    ASSERT_TRUE(SplitUrl(WithoutFragment(TrimAddressBlanks(c.typed)), host, page));
    const std::string sentHost = WireHost(host, TAddressOrigin::Typed);
    EXPECT_EQ("GET " + RequestTarget(page, TAddressOrigin::Typed) + " HTTP/1.0", c.requestLine);
    // The HOST line names port 80 unless the host text names a port.
    EXPECT_EQ("HOST: " + sentHost + (sentHost.find(':') == std::string::npos ? ":80" : ""), c.hostLine);
  }
}

}  // namespace
}  // namespace vellumark
