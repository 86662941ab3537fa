#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SystemMessage.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using loopback::TLoopbackServer;
using loopback::TScript;

// The socket library is up for the whole test program, as in main() of the
// real programs.
const TSocketLibrary socketLibrary;

const std::string Request =
    "GET /dir/page.html HTTP/1.0\r\nHOST: 127.0.0.1:80\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n\r\n";

// Addresses of the loopback server as the address parser gives them: by its
// IPv4 address, and by name.
TUrl At(std::string host, THostKind kind) {
  TUrl url;
  url.host = std::move(host);
  url.hostKind = kind;
  return url;
}
const TUrl ByAddress = At("127.0.0.1", THostKind::IPv4);
const TUrl ByName = At("localhost", THostKind::Domain);

// Short bounds, so a hanging exchange fails the test instead of stalling it.
THttpOptions Options(std::uint16_t port, int timeoutMs = 5000) {
  THttpOptions options;
  options.port = port;
  options.connectTimeoutMs = timeoutMs;
  options.receiveTimeoutMs = timeoutMs;
  return options;
}

// A sink that keeps every block as it came.
struct TBlocks {
  std::vector<std::string> blocks;
  TReceiveSink Sink(bool goOn = true) {
    return [this, goOn](const char* data, int count) {
      blocks.emplace_back(data, static_cast<std::size_t>(count));
      return goOn;
    };
  }
  std::string Joined() const {
    std::string all;
    for (const auto& block : blocks) all += block;
    return all;
  }
};

// `size` bytes running through every byte value, zero included.
std::string Pattern(std::size_t size, int seed = 0) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) % 256);
  return bytes;
}

std::string FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const TError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(HttpExchange, BlocksReachTheSinkWholeInOrderWithZeroBytesAndAtMost1025Each) {
  const std::string first = Pattern(1025);
  const std::string rest = Pattern(3000, 3);
  TLoopbackServer server(TScript().ReadRequest().Send(first).Delay(100).Send(rest).Close());
  TBlocks got;
  EXPECT_TRUE(HttpExchange(ByAddress, Request, got.Sink(), Options(server.Port())));

  ASSERT_FALSE(got.blocks.empty());
  // A receive that fills the whole buffer hands over all 1025 bytes.
  EXPECT_EQ(got.blocks.front().size(), 1025u);
  for (const auto& block : got.blocks) {
    EXPECT_GE(block.size(), 1u);
    EXPECT_LE(block.size(), 1025u);
  }
  EXPECT_EQ(got.Joined(), first + rest);
}

TEST(HttpExchange, TheRequestArrivesByteForByte) {
  TLoopbackServer server(TScript().ReadRequest().Send("HTTP/1.0 200 OK\r\n\r\n").Close());
  TBlocks got;
  EXPECT_TRUE(HttpExchange(ByName, Request, got.Sink(), Options(server.Port())));
  ASSERT_TRUE(server.WaitForFinished(1));
  const auto connections = server.Connections();
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].received, Request);
  EXPECT_EQ(got.Joined(), "HTTP/1.0 200 OK\r\n\r\n");
}

TEST(HttpExchange, ALargeRequestGoesOutCompletely) {
  // Far more than the socket buffers hold, so single sends take only part.
  const std::string request = Pattern(8 << 20, 1);
  TLoopbackServer server(TScript().ReadBytes(request.size()).Send("done").Close());
  TBlocks got;
  EXPECT_TRUE(HttpExchange(ByAddress, request, got.Sink(), Options(server.Port())));
  ASSERT_TRUE(server.WaitForFinished(1));
  const auto received = server.Connections().at(0).received;
  EXPECT_EQ(received.size(), request.size());
  EXPECT_TRUE(received == request);
  EXPECT_EQ(got.Joined(), "done");
}

TEST(HttpExchange, PeerClosingWithoutAWordEndsNormallyWithoutCallingTheSink) {
  TLoopbackServer server(TScript().ReadRequest().Close());
  TBlocks got;
  EXPECT_TRUE(HttpExchange(ByAddress, Request, got.Sink(), Options(server.Port())));
  EXPECT_TRUE(got.blocks.empty());
}

TEST(HttpExchange, SinkSayingStopEndsReceivingAtOnceAndClosesTheConnection) {
  TLoopbackServer server(
      TScript().ReadRequest().Send(std::string(1025, 'a')).Send(std::string(1025, 'b')).AwaitPeerClose());
  TBlocks got;
  EXPECT_TRUE(HttpExchange(ByAddress, Request, got.Sink(false), Options(server.Port())));
  ASSERT_EQ(got.blocks.size(), 1u);
  EXPECT_EQ(got.blocks[0], std::string(1025, 'a'));
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_TRUE(server.Connections()[0].peerClosed);
}

TEST(HttpExchange, SinkErrorsLeaveWithTheSameMessageAndTheConnectionClosed) {
  TLoopbackServer server(TScript().ReadRequest().Send("HTTP/1.0 200 OK\r\n").AwaitPeerClose());
  const auto throwing = [](auto failure) { return [failure](const char*, int) -> bool { throw failure; }; };
  EXPECT_EQ(FailureOf([&] {
              HttpExchange(ByAddress, Request, throwing(TError("sink gave up")), Options(server.Port()));
            }),
            "sink gave up");
  // Another error kind from the sink arrives as the program's error kind.
  EXPECT_EQ(FailureOf([&] {
              HttpExchange(ByAddress, Request, throwing(std::runtime_error("\x82\xa0 out of room")),
                           Options(server.Port()));
            }),
            "\x82\xa0 out of room");
  ASSERT_TRUE(server.WaitForFinished(2));
  for (const auto& connection : server.Connections()) EXPECT_TRUE(connection.peerClosed);
}

TEST(HttpExchange, ResetAfterSomeBlocksEndsQuietlyAndKeepsTheBlocks) {
  const std::string sent = Pattern(1025) + Pattern(500, 9);
  std::promise<void> allArrived;
  auto arrived = allArrived.get_future();
  // The server resets only once the client has taken every byte, so the
  // reset lands on the next receive.
  TLoopbackServer server(TScript()
                             .ReadRequest()
                             .Send(sent.substr(0, 1025))
                             .Delay(50)
                             .Send(sent.substr(1025))
                             .Call([&] { arrived.wait_for(std::chrono::seconds(5)); })
                             .Reset());
  std::string got;
  bool signalled = false;
  const auto sink = [&](const char* data, int count) {
    got.append(data, static_cast<std::size_t>(count));
    if (got.size() == sent.size() && !signalled) {
      signalled = true;
      allArrived.set_value();
    }
    return true;
  };
  EXPECT_TRUE(HttpExchange(ByAddress, Request, sink, Options(server.Port())));
  EXPECT_EQ(got, sent);
}

TEST(HttpExchange, RefusedConnectionRaisesTheSystemText) {
  const std::uint16_t port = loopback::net::UnusedPort();
  const std::string expected = SystemMessageText(loopback::net::ConnectionRefusedCode());
  EXPECT_EQ(FailureOf([&] { HttpExchange(ByAddress, Request, TBlocks().Sink(), Options(port)); }),
            expected);
}

TEST(HttpExchange, UnresolvableHostsRaiseTheResolutionMessageAndSendNothing) {
  TLoopbackServer server(TScript().ReadRequest().Send("HTTP/1.0 200 OK\r\n\r\n").Close());
  const auto options = Options(server.Port());
  for (const TUrl& url : {At("no-such-host.invalid", THostKind::Domain), At("localhost", THostKind::IPv4)}) {
    EXPECT_EQ(FailureOf([&] { HttpExchange(url, Request, TBlocks().Sink(), options); }),
              "[" + url.host + "] IS INVALID ADDRSS.");
  }
  EXPECT_TRUE(server.Connections().empty());
}

TEST(HttpExchange, ConnectsToTheAddressesPortAndTheTestPortOnlyInsteadOfPlainPort80) {
  TLoopbackServer server(TScript().ReadRequest().Send("answer").Close());
  TUrl url = ByAddress;
  url.port = server.Port();
  TBlocks got;
  // The test port leads elsewhere; a written port is used as it is.
  EXPECT_TRUE(HttpExchange(url, Request, got.Sink(), Options(loopback::net::UnusedPort())));
  EXPECT_EQ(got.Joined(), "answer");
  url.scheme = TUrlScheme::Https;
  url.port = std::nullopt;
  // https goes to 443, never to the test port (where a plain server listens).
  EXPECT_NE(FailureOf([&] { HttpExchange(url, Request, TBlocks().Sink(), Options(server.Port(), 1000)); }),
            "(no error)");
  EXPECT_EQ(server.Connections().size(), 1u);
}

TEST(HttpExchange, APeerThatSaysNothingIsCutOffByTheReceiveTimeOut) {
  TLoopbackServer server(TScript().ReadRequest().Send("HTTP/1.0 200 OK\r\n").Silent());
  TBlocks got;
  const std::string timedOut = SystemMessageText(socketapi::TimedOutCode());
  EXPECT_EQ(FailureOf([&] { HttpExchange(ByAddress, Request, got.Sink(), Options(server.Port(), 300)); }),
            timedOut);
  // What came before the silence did reach the sink.
  EXPECT_EQ(got.Joined(), "HTTP/1.0 200 OK\r\n");
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_TRUE(server.Connections()[0].peerClosed);
}

TEST(HttpExchange, AConnectionAttemptThatIsNeverAnsweredIsCutOffByTheConnectTimeOut) {
  const loopback::TUnansweredPort port;
  if (!port.Holds()) GTEST_SKIP() << "this host refuses or accepts attempts on a full queue";
  THttpOptions options = Options(port.Port());
  options.connectTimeoutMs = 300;
  EXPECT_EQ(FailureOf([&] { HttpExchange(ByAddress, Request, TBlocks().Sink(), options); }),
            SystemMessageText(socketapi::TimedOutCode()));
}

TEST(HttpExchange, APeerThatResetsWhileTheRequestIsGoingOutMakesTheSendFail) {
  TLoopbackServer server(TScript().Reset());
  const std::string request = Pattern(8 << 20);
  const std::string failure =
      FailureOf([&] { HttpExchange(ByAddress, request, TBlocks().Sink(), Options(server.Port())); });
  EXPECT_NE(failure, "(no error)");
  EXPECT_FALSE(failure.starts_with("[")) << failure;
}

TEST(HttpExchange, StopsAnEndlessStreamWhenTheSinkSaysSo) {
  TLoopbackServer server(TScript().ReadRequest().Stream(4096));
  std::size_t total = 0;
  const auto sink = [&](const char*, int count) {
    total += static_cast<std::size_t>(count);
    return total < (1u << 20);
  };
  EXPECT_TRUE(HttpExchange(ByAddress, Request, sink, Options(server.Port())));
  EXPECT_GE(total, 1u << 20);
  EXPECT_LT(total, (1u << 20) + 1025);
}

TEST(HttpExchange, ServesCannedPagesByPathAndRunsOnSeveralThreadsAtOnce) {
  std::map<std::string, TScript> routes;
  for (int i = 0; i < 8; ++i) {
    routes["/page" + std::to_string(i)] = loopback::Respond(
        loopback::HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html"}},
                                   "<title>page " + std::to_string(i) + "</title>" + Pattern(5000, i)));
  }
  routes["/moved"] = loopback::Redirect(302, "/page0");
  TLoopbackServer server(std::move(routes));

  std::vector<std::string> bodies(10);
  std::vector<std::thread> threads;
  const std::vector<std::string> paths = {"/page0", "/page1", "/page2", "/page3", "/page4",
                                          "/page5", "/page6", "/page7", "/moved", "/missing"};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    threads.emplace_back([&, i] {
      const std::string request = "GET " + paths[i] + " HTTP/1.0\r\nHOST: localhost:80\r\n\r\n";
      TBlocks got;
      try {
        HttpExchange(ByName, request, got.Sink(), Options(server.Port()));
        bodies[i] = got.Joined();
      } catch (const TError& error) {
        bodies[i] = std::string("error: ") + error.what();
      }
    });
  }
  for (auto& thread : threads) thread.join();

  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(bodies[static_cast<std::size_t>(i)],
              loopback::HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html"}},
                                         "<title>page " + std::to_string(i) + "</title>" + Pattern(5000, i)));
  }
  EXPECT_EQ(bodies[8], "HTTP/1.1 302 Found\r\nLocation: /page0\r\n\r\n");
  EXPECT_TRUE(bodies[9].starts_with("HTTP/1.1 404 Not Found\r\n")) << bodies[9];
  ASSERT_TRUE(server.WaitForFinished(10));
  std::multiset<std::string> seen;
  for (const auto& connection : server.Connections()) seen.insert(connection.path);
  EXPECT_EQ(seen, std::multiset<std::string>(paths.begin(), paths.end()));
}

}  // namespace
}  // namespace vellumark
