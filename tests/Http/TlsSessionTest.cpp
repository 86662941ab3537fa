// The TLS session itself, below the exchange: a request larger than one
// record, answers taken in pieces of any size up to the peer's close, and a
// stalled handshake that a cancellation ends. Run through
// tests/support/run-tls-tests like TlsTest.cpp.
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

std::uint16_t GoodPort() {
  const char* value = std::getenv("VELLUMARK_TLS_GOOD_PORT");
  if (value == nullptr) ADD_FAILURE() << "run this program through tests/support/run-tls-tests";
  return value == nullptr ? 0 : static_cast<std::uint16_t>(std::atoi(value));
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
    const TConnection connection(GoodPort());
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

TEST(TlsSession, ACancellationEndsAStalledHandshake) {
  loopback::TLoopbackServer server(loopback::TScript().Silent());
  const TConnection connection(server.Port());
  std::atomic<bool> cancelled{false};
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancelled = true;
  });
  std::string failure;
  try {
    StartTlsSession(connection.Handle(), "localhost", {60000, &cancelled});
  } catch (const TError& error) {
    failure = error.what();
  }
  canceller.join();
  EXPECT_EQ(failure, CancelledMessage);
}

}  // namespace
}  // namespace vellumark
