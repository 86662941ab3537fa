// The Windows socket layer's waits on a connected socket (Windows Sockets
// under Windows or Wine), with a loopback peer made by the test support.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SocketWait.h"
#include "support/LoopbackSocket.h"

namespace vellumark {
namespace {

namespace net = loopback::net;

const TSocketLibrary socketLibrary;

// A connected pair: the client made by the socket layer under test, the
// server end accepted by the test support.
class SocketWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::uint16_t port = 0;
    listener_ = net::Listen(1, port);
    int error = 0;
    client_ = socketapi::OpenStream(error);
    ASSERT_NE(client_, socketapi::InvalidHandle) << error;
    ASSERT_EQ(ConnectSocket(client_, htonl(INADDR_LOOPBACK), port, {5000, nullptr}), 0);
    for (int i = 0; i < 100 && server_ == net::InvalidHandle; ++i) {
      net::WaitReady(listener_, net::TWait::Read, 50);
      server_ = net::Accept(listener_);
    }
    ASSERT_NE(server_, net::InvalidHandle);
  }
  void TearDown() override {
    if (client_ != socketapi::InvalidHandle) socketapi::Close(client_);
    if (server_ != net::InvalidHandle) net::Close(server_);
    if (listener_ != net::InvalidHandle) net::Close(listener_);
  }

  net::THandle listener_ = net::InvalidHandle;
  net::THandle server_ = net::InvalidHandle;
  socketapi::THandle client_ = socketapi::InvalidHandle;
};

TEST_F(SocketWaitTest, UrgentDataDoesNotEndAWaitForData) {
  ASSERT_EQ(send(static_cast<SOCKET>(server_), "!", 1, MSG_OOB), 1);
  Sleep(100);
  // A plain receive does not take the urgent byte, so the wait for data
  // goes on until its time is up...
  EXPECT_EQ(socketapi::WaitReady(client_, socketapi::TWaitFor::Read, 400), socketapi::TimedOutCode());
  // ...and the receive after it still finds nothing.
  char buffer[16];
  EXPECT_TRUE(socketapi::Receive(client_, buffer, sizeof buffer).wouldBlock);

  // Ordinary data ends the wait at once, and then the peer's close does.
  ASSERT_EQ(net::Send(server_, "data", 4), 4);
  EXPECT_EQ(socketapi::WaitReady(client_, socketapi::TWaitFor::Read, 5000), 0);
  const socketapi::TTransfer got = socketapi::Receive(client_, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got.count > 0 ? got.count : 0)), "data");
  net::Close(server_);
  server_ = net::InvalidHandle;
  EXPECT_EQ(socketapi::WaitReady(client_, socketapi::TWaitFor::Read, 5000), 0);
  EXPECT_EQ(socketapi::Receive(client_, buffer, sizeof buffer).count, 0);
}

}  // namespace
}  // namespace vellumark
