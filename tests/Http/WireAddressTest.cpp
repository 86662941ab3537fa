// The wire rules on their own: every row of the pasted-address table, from
// the address as typed (or the redirect target as sent) to the request line
// and HOST line, and to the Host and Page that stay as written.
#include <gtest/gtest.h>

#include <string>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/PastedAddresses.h"
#include "Http/WireAddress.h"

namespace vellumark {
namespace {

struct TSent {
  std::string requestLine;
  std::string hostLine;
};

// A whole address: split as shown, then what goes out for it without its
// fragment. The HOST line names port 80 unless the host text names one.
TSent SendAddress(std::string_view address, TAddressOrigin origin, std::string& shownHost,
                  std::string& shownPage) {
  std::string host;
  std::string page;
  EXPECT_TRUE(SplitUrl(address, shownHost, shownPage));
  EXPECT_TRUE(SplitUrl(WithoutFragment(address), host, page));
  const std::string sentHost = WireHost(host, origin);
  return {"GET " + RequestTarget(page, origin) + " HTTP/1.0",
          "HOST: " + sentHost + (sentHost.find(':') == std::string::npos ? ":80" : "")};
}

TEST(WireAddress, PastedAddressesSendWhatABrowserSendsAndShowWhatWasTyped) {
  for (const auto& c : pasted::Cases()) {
    SCOPED_TRACE(c.typed + " -> " + c.location);
    const std::string_view address = TrimAddressBlanks(c.typed);
    std::string host;
    std::string page;
    if (c.requestLine.empty()) {
      EXPECT_TRUE(SplitUrl(address, host, page));
      try {
        SendAddress(address, TAddressOrigin::Typed, host, page);
        ADD_FAILURE() << "the host was not refused";
      } catch (const TError& error) {
        EXPECT_EQ(error.what(), "[" + c.host + "] IS INVALID ADDRSS.");
      }
    } else if (c.location.empty()) {
      const TSent sent = SendAddress(address, TAddressOrigin::Typed, host, page);
      EXPECT_EQ(sent.requestLine, c.requestLine);
      EXPECT_EQ(sent.hostLine, c.hostLine);
    } else if (c.location.starts_with("http")) {
      const TSent sent = SendAddress(c.location, TAddressOrigin::Server, host, page);
      EXPECT_EQ(sent.requestLine, c.requestLine);
      EXPECT_EQ(sent.hostLine, c.hostLine);
    } else {
      // A relative target keeps the typed host.
      SendAddress(address, TAddressOrigin::Typed, host, page);
      page = c.location;
      EXPECT_EQ("GET " + RequestTarget(c.location, TAddressOrigin::Server) + " HTTP/1.0", c.requestLine);
    }
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(page, c.page);
  }
}

}  // namespace
}  // namespace vellumark
