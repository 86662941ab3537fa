// The race between a host's addresses (RFC 8305), on 127.0.0.1 alone:
// which address answers is decided by what listens at each port. The same
// race over both families, by name, runs in HappyEyeballsTest.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Common/Error.h"
#include "Http/Connect.h"
#include "Http/Http.h"
#include "Http/SystemMessage.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using socketapi::TAddress;
using socketapi::TFamily;
using Clock = std::chrono::steady_clock;

const TSocketLibrary socketLibrary;

// "6a 4b": an IPv6 address marked a, an IPv4 address marked b.
std::vector<TAddress> Addresses(const std::string& text) {
  std::vector<TAddress> addresses;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    TAddress address;
    address.family = word[0] == '6' ? TFamily::IPv6 : TFamily::IPv4;
    address.bytes[0] = static_cast<std::uint8_t>(word[1]);
    addresses.push_back(address);
  }
  return addresses;
}

// The message a race ends with, or "" when it connects.
std::string FailureOf(const std::vector<TAddress>& addresses, const TWaitLimits& limits,
                      int delayMs = AttemptDelayMs) {
  try {
    socketapi::Close(ConnectFirst(addresses, limits, delayMs));
    return "";
  } catch (const TError& error) {
    return error.what();
  }
}

std::string Text(const std::vector<TAddress>& addresses) {
  std::string text;
  for (const auto& address : addresses) {
    if (!text.empty()) text += ' ';
    text += address.family == TFamily::IPv6 ? '6' : '4';
    text += static_cast<char>(address.bytes[0]);
  }
  return text;
}

TEST(AttemptOrder, AlternatesTheFamiliesStartingWithIPv6AndKeepsEachFamilysOrder) {
  const struct {
    const char* given;
    const char* tried;
  } cases[] = {
      {"", ""},
      {"4a 4b", "4a 4b"},
      {"6a 6b", "6a 6b"},
      {"4a 6b", "6b 4a"},
      {"4a 4b 6c 6d", "6c 4a 6d 4b"},
      {"6a 6b 6c 4d", "6a 4d 6b 6c"},
      {"4a 4b 4c 6d", "6d 4a 4b 4c"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(AttemptOrder(Addresses(c.given))), c.tried) << c.given;
}

// What listens at one address of a race.
enum class TPeer {
  Serving,  // accepts
  Refused,  // nothing listens
  Stalled,  // a full queue: the attempt neither succeeds nor fails
  Fails,    // stalled, then gone: the attempt's next SYN (after about 1 s) is refused
};

// One address of 127.0.0.1 with its peer, made for one race.
struct TEndpointUnderTest {
  explicit TEndpointUnderTest(TPeer peer) {
    if (peer == TPeer::Serving) {
      server = std::make_unique<loopback::TLoopbackServer>(loopback::TScript().AwaitPeerClose());
      port = server->Port();
    } else if (peer == TPeer::Refused) {
      port = loopback::net::UnusedPort();
    } else {
      stalled = std::make_unique<loopback::TUnansweredPort>();
      port = stalled->Port();
      holds = stalled->Holds();
      if (peer == TPeer::Fails) {
        goes = std::jthread([this] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          stalled.reset();
        });
      }
    }
  }
  std::unique_ptr<loopback::TLoopbackServer> server;
  std::unique_ptr<loopback::TUnansweredPort> stalled;
  std::uint16_t port = 0;
  bool holds = true;
  std::jthread goes;
};

TEST(ConnectFirst, TriesTheAddressesByRfc8305) {
  const std::string timedOut = SystemMessageText(socketapi::TimedOutCode());
  const std::string refused = SystemMessageText(loopback::net::ConnectionRefusedCode());
  const struct {
    const char* name;
    std::vector<TPeer> peers;
    int delayMs;
    int timeoutMs;
    int winner;           // index of the peer that gets the connection, or -1
    std::string failure;  // when there is no winner
    int atLeastMs;        // the race lasts at least this long...
    int belowMs;          // ...and ends before this
  } cases[] = {
      // A delay far beyond the bound: only the failure can start the next.
      {"a refusal starts the next at once", {TPeer::Refused, TPeer::Serving}, 60000, 10000, 1, "", 0, 5000},
      {"a failure under way starts the next at once", {TPeer::Fails, TPeer::Serving}, 60000, 10000, 1, "", 0,
       5000},
      {"a stall gives the next its turn after the delay",
       {TPeer::Stalled, TPeer::Serving}, 300, 10000, 1, "", 300, 5000},
      {"the first to connect wins and the next never starts",
       {TPeer::Serving, TPeer::Serving}, 250, 10000, 0, "", 0, 5000},
      {"a refusal while another is under way ends nothing",
       {TPeer::Stalled, TPeer::Refused}, 100, 600, -1, timedOut, 600, 5000},
      // Bounds of their own would let the third attempt run until 3.5 s.
      {"every address stalls: the bound is the whole race's",
       {TPeer::Stalled, TPeer::Stalled, TPeer::Stalled}, 1000, 1500, -1, timedOut, 1500, 3000},
      {"every address refuses", {TPeer::Refused, TPeer::Refused}, 250, 10000, -1, refused, 0, 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::unique_ptr<TEndpointUnderTest>> peers;
    std::vector<TAddress> addresses;
    for (const TPeer peer : c.peers) {
      peers.push_back(std::make_unique<TEndpointUnderTest>(peer));
      if (!peers.back()->holds) {
        GTEST_SKIP() << "this host refuses or accepts attempts on a full queue";
      }
      addresses.push_back(ResolveHost("127.0.0.1", THostKind::IPv4, peers.back()->port).at(0));
    }
    const auto start = Clock::now();
    EXPECT_EQ(FailureOf(addresses, {c.timeoutMs, nullptr}, c.delayMs), c.failure);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(took, c.atLeastMs);
    EXPECT_LT(took, c.belowMs);
    // The winner's peer sees the connection (and its close); by then an
    // attempt that should never have started would have been seen too.
    if (c.winner >= 0) {
      EXPECT_TRUE(peers[static_cast<std::size_t>(c.winner)]->server->WaitForFinished(1, 5000));
    }
    for (std::size_t i = 0; i < peers.size(); ++i) {
      if (peers[i]->server && static_cast<int>(i) != c.winner) {
        EXPECT_TRUE(peers[i]->server->Connections().empty()) << i;
      }
    }
  }
}

TEST(ConnectFirst, CancellingEndsTheRaceAtOnce) {
  const loopback::TUnansweredPort stalled;
  if (!stalled.Holds()) GTEST_SKIP() << "this host refuses or accepts attempts on a full queue";
  const auto addresses = ResolveHost("127.0.0.1", THostKind::IPv4, stalled.Port());
  std::atomic<bool> cancelled{false};
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancelled = true;
  });
  const auto start = Clock::now();
  EXPECT_EQ(FailureOf(addresses, {10000, &cancelled}), CancelledMessage);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  canceller.join();

  // A race whose flag is already set starts no attempt.
  const loopback::TLoopbackServer server(loopback::TScript().AwaitPeerClose());
  EXPECT_EQ(FailureOf(ResolveHost("127.0.0.1", THostKind::IPv4, server.Port()), {10000, &cancelled}),
            CancelledMessage);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(server.Connections().empty());
}

}  // namespace
}  // namespace vellumark
