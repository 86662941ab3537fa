// Exchanges over TLS against real servers: the certificate checks and the
// handshake's failures, each ending in one message that names the host (the
// names a certificate must carry: TlsSessionTest.cpp).
// Run through tests/support/run-tls-tests, which starts the servers and says
// where they listen (VELLUMARK_TLS_*_PORT) and trusts their test root.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SystemMessage.h"
#include "Http/Tls.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using loopback::TLoopbackServer;
using loopback::TScript;

const TSocketLibrary socketLibrary;

std::uint16_t ServerPort(const char* name) {
  const std::string variable = std::string("VELLUMARK_TLS_") + name + "_PORT";
  const char* value = std::getenv(variable.c_str());
  if (value == nullptr) {
    ADD_FAILURE() << variable << " is not set: run this program through tests/support/run-tls-tests";
    return 0;
  }
  return static_cast<std::uint16_t>(std::atoi(value));
}

std::string Request(const std::string& path) {
  return "GET " + path + " HTTP/1.0\r\nHOST: localhost\r\n\r\n";
}

struct TOutcome {
  std::string received;
  std::string failure;
};

TOutcome Fetch(const std::string& host, std::uint16_t port, const std::string& path, int timeoutMs = 5000) {
  THttpOptions options;
  options.connectTimeoutMs = timeoutMs;
  options.receiveTimeoutMs = timeoutMs;
  TOutcome outcome;
  try {
    // An IPv6 host goes in brackets in the address.
    const std::string authority = host.find(':') == std::string::npos ? host : "[" + host + "]";
    const auto url = ParseUrl("https://" + authority + ":" + std::to_string(port) + "/");
    if (!url) return {"", "no address: " + host};
    HttpExchange(*url, Request(path),
                 [&](const char* data, int count) {
                   outcome.received.append(data, static_cast<std::size_t>(count));
                   return true;
                 },
                 options);
  } catch (const TError& error) {
    outcome.failure = error.what();
  }
  return outcome;
}

TEST(TlsExchange, CertificatesAreCheckedAndRefusalsNameTheHostInWords) {
  struct TRow {
    const char* server;
    const char* host;
    bool accepted;
    TTlsFailure failure;
  };
  const TRow rows[] = {
      {"GOOD", "localhost", true, {}},
      {"GOOD", "127.0.0.1", true, {}},
      {"ADDRESSES6", "::1", true, {}},  // over IPv6, named by its IP address entry
      {"EXPIRED", "localhost", false, TTlsFailure::Expired},
      {"SELFSIGNED", "localhost", false, TTlsFailure::Untrusted},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.server) + " as " + row.host);
    const TOutcome outcome = Fetch(row.host, ServerPort(row.server), "/page");
    if (row.accepted) {
      EXPECT_EQ(outcome.failure, "");
      EXPECT_NE(outcome.received.find("<title>secure /page</title>"), std::string::npos) << outcome.received;
    } else {
      EXPECT_TRUE(outcome.failure.starts_with(TlsFailureMessage(row.failure, row.host))) << outcome.failure;
      EXPECT_EQ(outcome.failure.find_first_of("\r\n"), std::string::npos) << outcome.failure;
      EXPECT_EQ(outcome.received, "");
    }
  }
}

TEST(TlsExchange, PeersThatBreakTheHandshakeEndItWithAMessage) {
  struct TRow {
    const char* what;
    TScript script;
    TTlsFailure failure;
  };
  const TRow rows[] = {
      {"accepts and never answers", TScript().Silent(), TTlsFailure::TimedOut},
      {"closes after part of the hello", TScript().ReadBytes(5).Close(), TTlsFailure::PeerClosed},
      {"resets after part of the hello", TScript().ReadBytes(5).Reset(), TTlsFailure::PeerClosed},
      {"answers in plain HTTP", TScript().ReadBytes(5).Send("HTTP/1.0 200 OK\r\n\r\n<body>"),
       TTlsFailure::Handshake},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    TLoopbackServer server(row.script);
    const TOutcome outcome = Fetch("127.0.0.1", server.Port(), "/", 400);
    EXPECT_TRUE(outcome.failure.starts_with(TlsFailureMessage(row.failure, "127.0.0.1"))) << outcome.failure;
    EXPECT_EQ(outcome.received, "");
  }
}

TEST(TlsExchange, ASilentServerAfterTheHandshakeIsCutOffByTheReceiveTimeOut) {
  const TOutcome outcome = Fetch("localhost", ServerPort("GOOD"), "/silent", 400);
  EXPECT_EQ(outcome.failure, SystemMessageText(socketapi::TimedOutCode()));
}

TEST(TlsExchange, ALaterConnectionResumesTheSessionOfTheSameHostNameOnly) {
  // Schannel keeps its own session cache on Windows; OpenSSL's resumption is
  // the program's own.
#ifdef _WIN32
  constexpr bool resumes = false;
#else
  constexpr bool resumes = true;
#endif
  const std::uint16_t port = ServerPort("RESUME");
  struct TRow {
    const char* host;
    bool mustResume;
    bool mustNotResume;
  };
  const TRow rows[] = {{"localhost", false, true},
                       {"localhost", resumes, false},
                       {"127.0.0.1", false, true},  // a session of another host name
                       {"127.0.0.1", resumes, false}};
  for (const TRow& row : rows) {
    const TOutcome outcome = Fetch(row.host, port, "/resumed");
    EXPECT_EQ(outcome.failure, "");
    const bool resumed = outcome.received.find("<title>resumed</title>") != std::string::npos;
    if (row.mustResume) {
      EXPECT_TRUE(resumed) << row.host;
    }
    if (row.mustNotResume) {
      EXPECT_FALSE(resumed) << row.host;
    }
  }
}

TEST(TlsExchange, SessionsOnManyThreadsAtOnce) {
  const std::uint16_t port = ServerPort("GOOD");
  std::vector<TOutcome> outcomes(32);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    threads.emplace_back([&, i] { outcomes[i] = Fetch("localhost", port, "/t" + std::to_string(i)); });
  }
  for (auto& thread : threads) thread.join();
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].failure, "");
    EXPECT_NE(outcomes[i].received.find("secure /t" + std::to_string(i) + "<"), std::string::npos);
  }
}

}  // namespace
}  // namespace vellumark
