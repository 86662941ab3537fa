// Connecting by name over both families, in a private network namespace
// (tests/Http/run-happy-eyeballs) whose hosts file (happy-eyeballs.hosts)
// gives the test names their addresses. Every server of a case listens on
// the same port, one per address, so the address alone decides which one
// answers; a stalled address is a listener whose queue is full.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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

using Clock = std::chrono::steady_clock;

const TSocketLibrary socketLibrary;

// One listener of a case: at `address`, answering `answer`, or stalled when
// the answer is empty.
struct TListener {
  std::string address;
  std::string answer;
};

// The listeners of one case, all at one port.
class TSite {
 public:
  explicit TSite(const std::vector<TListener>& listeners) {
    for (const auto& listener : listeners) {
      if (listener.answer.empty()) {
        stalled_.push_back(std::make_unique<loopback::TUnansweredPort>(listener.address, port_));
        port_ = stalled_.back()->Port();
        holds_ = holds_ && stalled_.back()->Holds();
      } else {
        servers_.push_back(std::make_unique<loopback::TLoopbackServer>(
            loopback::TScript().ReadRequest().Send(listener.answer), listener.address, port_));
        port_ = servers_.back()->Port();
      }
    }
  }
  std::uint16_t Port() const { return port_; }
  bool Holds() const { return holds_; }
  // How many servers have seen a connection.
  std::size_t Reached() const {
    std::size_t reached = 0;
    for (const auto& server : servers_) reached += server->Connections().empty() ? 0 : 1;
    return reached;
  }

 private:
  std::uint16_t port_ = 0;
  bool holds_ = true;
  std::vector<std::unique_ptr<loopback::TUnansweredPort>> stalled_;
  std::vector<std::unique_ptr<loopback::TLoopbackServer>> servers_;
};

TEST(HappyEyeballs, ConnectsByNameOverTheFamilyThatAnswers) {
  const std::string timedOut = SystemMessageText(socketapi::TimedOutCode());
  const struct {
    const char* name;
    const char* host;
    THostKind kind;
    std::vector<TListener> listeners;
    int connectTimeoutMs;
    std::string answer;   // the page that arrives, or
    std::string failure;  // the failure ("*": any system message)
    int belowMs;          // and all within this
  } cases[] = {
      {"IPv6 stalls, IPv4 answers", "dual.test", THostKind::Domain,
       {{"::1", ""}, {"127.0.0.1", "four"}}, 15000, "four", "", 1500},
      {"IPv6 answers and wins", "dual.test", THostKind::Domain,
       {{"::1", "six"}, {"127.0.0.1", "four"}}, 15000, "six", "", 1500},
      {"an IPv6 literal", "::1", THostKind::IPv6, {{"::1", "six"}, {"127.0.0.1", "four"}}, 15000, "six", "",
       1500},
      // 127.0.0.2's reverse entry names a host whose first address is
      // 127.0.0.1: the literal is still where the connection goes.
      {"an IPv4 literal is used as written", "127.0.0.2", THostKind::IPv4,
       {{"127.0.0.1", "one"}, {"127.0.0.2", "two"}}, 15000, "two", "", 1500},
      {"a name whose one address stalls", "v6only.test", THostKind::Domain, {{"::1", ""}}, 800, "", timedOut,
       3000},
      {"a name whose one address has no route", "noroute.test", THostKind::Domain, {}, 15000, "", "*", 3000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TSite site(c.listeners);
    if (!site.Holds()) GTEST_SKIP() << "this host refuses or accepts attempts on a full queue";
    TUrl url;
    url.host = c.host;
    url.hostKind = c.kind;
    url.port = site.Port();
    THttpOptions options;
    options.connectTimeoutMs = c.connectTimeoutMs;
    options.receiveTimeoutMs = 5000;

    std::string answer;
    std::string failure;
    const auto start = Clock::now();
    try {
      HttpExchange(
          url, "GET / HTTP/1.1\r\n\r\n",
          [&](const char* data, int count) {
            answer.append(data, static_cast<std::size_t>(count));
            return true;
          },
          options);
    } catch (const TError& error) {
      failure = error.what();
    }
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(c.belowMs));
    EXPECT_EQ(answer, c.answer);
    if (c.failure == "*") {
      EXPECT_FALSE(failure.empty() || failure.starts_with("[")) << failure;
    } else {
      EXPECT_EQ(failure, c.failure);
    }
    if (c.failure == timedOut) {
      EXPECT_GE(took, std::chrono::milliseconds(c.connectTimeoutMs));
    }
    // Only the server that answered was reached: the other family's attempt
    // never started, or never got through.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(site.Reached(), c.answer.empty() ? 0u : 1u);
  }
}

}  // namespace
}  // namespace vellumark
