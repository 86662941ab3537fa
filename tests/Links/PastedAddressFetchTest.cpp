// The pasted-address table through the whole fetch and a loopback server:
// the bytes of the last request, and the URL, Host and Page of the record.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Http/PastedAddresses.h"
#include "Links/PageFetcher.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

TEST(PastedAddressFetch, SendsWhatABrowserSendsAndShowsWhatWasTyped) {
  const std::string userAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n";
  TSocketLibrary library;
  for (const auto& c : pasted::Cases()) {
    // Only these hosts reach the server; a refused host reaches nothing.
    if (!c.requestLine.empty() && c.hostLine != "HOST: 127.0.0.1:80" && c.hostLine != "HOST: localhost:80") {
      continue;
    }
    SCOPED_TRACE(c.typed + " -> " + c.location);
    loopback::TLoopbackServer server(
        std::map<std::string, loopback::TScript>{{"/old", loopback::Redirect(301, c.location)}});
    THttpOptions options;
    options.port = server.Port();
    TPageFetcher fetcher(options);
    TPageInfo info;
    fetcher.FetchPageInfo(c.typed, info);

    const std::size_t requests = c.requestLine.empty() ? 0 : c.location.empty() ? 1 : 2;
    EXPECT_TRUE(server.WaitForFinished(requests));
    const auto connections = server.Connections();
    ASSERT_EQ(connections.size(), requests);
    if (requests > 0) {
      EXPECT_EQ(connections.back().received, c.requestLine + "\r\n" + c.hostLine + "\r\n" + userAgent + "\r\n");
    }
    EXPECT_EQ(info.URL, c.location.starts_with("http") ? c.location : c.typed);
    EXPECT_EQ(info.Host, c.host);
    EXPECT_EQ(info.Page, c.page);
    EXPECT_EQ(info.Error, c.requestLine.empty() ? "[" + c.host + "] IS INVALID ADDRSS." : "");
  }
}

}  // namespace
}  // namespace vellumark
