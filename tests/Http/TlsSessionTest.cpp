// The TLS session itself, below the exchange: whom a certificate must name
// for each kind of host, a request larger than one record, answers taken in
// pieces of any size up to the peer's close, and a stalled handshake or
// issuer fetch that the time-out or a cancellation ends. Run through tests/support/run-tls-tests like
// TlsTest.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SocketWait.h"
#include "Http/Tls.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

const TSocketLibrary socketLibrary;

// A socket connected to 127.0.0.1:port, closed when the test is done.
class TConnection {
 public:
  explicit TConnection(std::uint16_t port) {
    int error = 0;
    socket_ = socketapi::OpenStream(error);
    EXPECT_NE(socket_, socketapi::InvalidHandle) << error;
    EXPECT_EQ(ConnectSocket(socket_, socketapi::ParseDottedAddress("127.0.0.1"), port, {}), 0);
  }
  ~TConnection() { socketapi::Close(socket_); }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  socketapi::THandle Handle() const { return socket_; }

 private:
  socketapi::THandle socket_ = socketapi::InvalidHandle;
};

std::uint16_t ServerPort(const std::string& server) {
  const char* value = std::getenv(("VELLUMARK_TLS_" + server + "_PORT").c_str());
  if (value == nullptr) ADD_FAILURE() << "run this program through tests/support/run-tls-tests";
  return value == nullptr ? 0 : static_cast<std::uint16_t>(std::atoi(value));
}

// Everything the peer sends up to its close.
std::string ReceiveAll(TTlsSession& session, const TWaitLimits& limits) {
  std::string answer;
  char buffer[4096];
  int count = 0;
  while ((count = session.Receive(buffer, sizeof buffer, limits)) > 0) answer.append(buffer, count);
  return answer;
}

TEST(TlsSession, TheCertificateMustNameTheHostInASubjectAltNameOfItsKind) {
  // Every server is on 127.0.0.1: the identity checked is the host given,
  // whatever the address connected to (make-test-certs says which names
  // each certificate carries, and where).
  struct TRow {
    const char* server;
    const char* host;
    const char* sni;  // the name the server saw ("-": none), or null: refused as a name mismatch
  };
  const TRow rows[] = {
      {"GOOD", "localhost", "localhost"},
      {"GOOD", "localhost.", "localhost"},  // a final dot is no part of the name
      {"GOOD", "127.0.0.1", "-"},
      {"GOOD", "::1", nullptr},  // the certificate names 127.0.0.1 only
      {"GOOD", "0x7f.0.0.1", nullptr},  // not dotted decimal: no address a certificate names
      {"WRONGNAME", "localhost", nullptr},
      {"WRONGNAME", "127.0.0.1", nullptr},
      {"CNONLY", "localhost", nullptr},  // the name in the common name only
      {"ADDRESSES", "127.0.0.1", "-"},
      {"ADDRESSES", "::1", "-"},
      {"ADDRESSES", "localhost", nullptr},  // the common name says localhost
      {"DNSADDRESS", "127.0.0.1", nullptr},  // a DNS name is no IP address name
      {"WILDCARD", "a.wild.test", "a.wild.test"},
      {"WILDCARD", "a.b.wild.test", nullptr},
      {"WILDCARD", "wild.test", nullptr},
      {"CLIENTCERT", "localhost", "localhost"},  // asks for a client certificate; goes on without
  };
  const TWaitLimits limits{5000, nullptr};
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.server) + " as " + row.host);
    const TConnection connection(ServerPort(row.server));
    std::string answer;
    std::string failure;
    try {
      const auto session = StartTlsSession(connection.Handle(), row.host, limits);
      session->SendAll("GET /sni HTTP/1.0\r\n\r\n", limits);
      answer = ReceiveAll(*session, limits);
    } catch (const TError& error) {
      failure = error.what();
    }
    if (row.sni == nullptr) {
      EXPECT_EQ(failure, TlsFailureMessage(TTlsFailure::NameMismatch, row.host));
    } else {
      EXPECT_EQ(failure, "");
      EXPECT_NE(answer.find("<title>sni " + std::string(row.sni) + "</title>"), std::string::npos) << answer;
    }
  }
}

TEST(TlsSession, LongRequestAndAnswerInPiecesOfAnySizeUpToThePeersClose) {
  // A head of about 40 KiB goes out in several records and comes back (as
  // the page's title) in several; every piece size takes it whole.
  std::string head = "GET /echo HTTP/1.0\r\nHOST: localhost\r\n";
  for (int i = 0; i < 800; ++i) {
    head += "X-Filler-" + std::to_string(i) + ": " + std::string(40, static_cast<char>('a' + i % 26)) + "\r\n";
  }
  head += "\r\n";
  for (const int size : {1, 7, 1025, 70000}) {
    SCOPED_TRACE(size);
    const TConnection connection(ServerPort("GOOD"));
    const TWaitLimits limits{5000, nullptr};
    const auto session = StartTlsSession(connection.Handle(), "localhost", limits);
    session->SendAll(head, limits);
    std::string answer;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    int count = 0;
    while ((count = session->Receive(buffer.data(), size, limits)) > 0) {
      ASSERT_LE(count, size);
      answer.append(buffer.data(), static_cast<std::size_t>(count));
    }
    EXPECT_EQ(count, 0);
    EXPECT_NE(answer.find("<title>" + head + "</title>"), std::string::npos) << answer.size();
  }
}

TEST(TlsSession, AStalledHandshakeOrIssuerFetchEndsAtTheTimeOutOrACancellation) {
  // The NOISSUER server leaves out its certificate's issuer; Windows fetches
  // it from the three addresses the certificate gives, where nothing ever
  // answers: the whole chain build must end with the exchange's limits.
  // OpenSSL fetches nothing and refuses the chain at once.
#ifdef _WIN32
  const std::string stalledFetchTimedOut = TlsFailureMessage(TTlsFailure::TimedOut, "localhost");
  const std::string stalledFetchCancelled = CancelledMessage;
#else
  const std::string stalledFetchTimedOut = TlsFailureMessage(TTlsFailure::Untrusted, "localhost");
  const std::string stalledFetchCancelled = stalledFetchTimedOut;
#endif
  loopback::TLoopbackServer silent(loopback::TScript().Silent());
  struct TRow {
    const char* what;
    std::uint16_t port;
    int timeoutMs;
    bool cancel;
    std::string failure;
  };
  const TRow rows[] = {
      {"silent peer, cancelled", silent.Port(), 60000, true, CancelledMessage},
      {"issuer fetch, timed out", ServerPort("NOISSUER"), 500, false, stalledFetchTimedOut},
      {"issuer fetch, cancelled", ServerPort("NOISSUER"), 60000, true, stalledFetchCancelled},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    const TConnection connection(row.port);
    std::atomic<bool> cancelled{false};
    std::thread canceller([&] {
      if (!row.cancel) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      cancelled = true;
    });
    std::string failure;
    try {
      StartTlsSession(connection.Handle(), "localhost", {row.timeoutMs, &cancelled});
    } catch (const TError& error) {
      failure = error.what();
    }
    canceller.join();
    EXPECT_EQ(failure, row.failure);
  }
}

}  // namespace
}  // namespace vellumark
