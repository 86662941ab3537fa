// A small threaded TCP server on 127.0.0.1 (ephemeral port; or another
// loopback address and a given port) that tests
// script connection by connection: exact byte blocks, pauses, orderly or
// abortive closes, silence, endless streams; it records what each peer sent.
// A second mode serves canned HTTP responses by request path.
//
//   loopback::TLoopbackServer server(
//       loopback::TScript().ReadRequest().Send(head).Delay(50).Send(rest).Close());
//   HttpExchange("127.0.0.1", request, sink, {.port = server.Port()});
//   server.WaitForFinished(1);
//   server.Connections()[0].received  // the request bytes
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "Http/Http.h"
#include "support/LoopbackSocket.h"

namespace vellumark::loopback {

// What the server does on one connection, step by step. After the last step
// the connection is closed in an orderly way (unless a step closed it).
class TScript {
 public:
  // Reads until the request head is complete (an empty line), the peer
  // closes, or 5 s pass.
  TScript& ReadRequest();
  // Reads exactly `count` bytes (fewer if the peer closes, or 10 s pass).
  TScript& ReadBytes(std::size_t count);
  // Sends the bytes, all of them, as one block.
  TScript& Send(std::string bytes);
  TScript& Delay(int milliseconds);
  // Runs `action` on the connection's thread, e.g. to wait for a signal from
  // the test before going on.
  TScript& Call(std::function<void()> action);
  // Orderly close (what the end of a script does anyway).
  TScript& Close();
  // Abortive close: the peer's next receive fails with a reset.
  TScript& Reset();
  // Says nothing and keeps the connection open until the peer closes it or
  // the server stops.
  TScript& Silent();
  // Sends blocks of `blockSize` bytes without end, until the peer goes away
  // or the server stops.
  TScript& Stream(std::size_t blockSize);
  // Reads and discards until the peer closes (or resets) the connection, at
  // most `timeoutMs`; the record's peerClosed tells whether it did.
  TScript& AwaitPeerClose(int timeoutMs = 5000);

  struct TStep {
    enum class TKind {
      ReadRequest,
      ReadBytes,
      Send,
      Delay,
      Call,
      Close,
      Reset,
      Silent,
      Stream,
      AwaitPeerClose
    };
    TKind kind;
    std::string bytes;
    std::size_t count = 0;
    int milliseconds = 0;
    std::function<void()> action;
  };
  const std::vector<TStep>& Steps() const { return steps_; }

 private:
  TScript& Add(TStep step);
  std::vector<TStep> steps_;
};

// What happened on one connection.
struct TConnectionRecord {
  std::string received;     // every byte read from the peer, in order
  std::string path;         // HTTP mode: the path of the request line
  std::size_t sent = 0;     // bytes the server managed to send
  bool peerClosed = false;  // the peer closed while Silent/AwaitPeerClose waited
  bool finished = false;    // the script has run to its end
};

// "<statusLine>\r\n<name>: <value>\r\n...\r\n<body>", e.g. status line
// "HTTP/1.1 200 OK".
using THeaders = std::vector<std::pair<std::string, std::string>>;
std::string HttpResponseText(std::string_view statusLine, const THeaders& headers, std::string_view body);

// A script that sends `response` and closes; for HTTP mode routes.
TScript Respond(std::string response);
// A 301 or 302 response with the given Location; for HTTP mode routes.
TScript Redirect(int code, std::string_view location);

class TLoopbackServer {
 public:
  // Every connection runs `script`. The server listens on `address` (a
  // loopback literal: "127.0.0.1", "::1") at `port`, or at an ephemeral
  // port when it is 0.
  explicit TLoopbackServer(TScript script, const std::string& address = "127.0.0.1",
                           std::uint16_t port = 0);
  // HTTP mode: the server reads the request head, takes the path from its
  // request line and runs that path's script (a 404 response when the path
  // has none).
  explicit TLoopbackServer(std::map<std::string, TScript> routes);
  ~TLoopbackServer();
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  std::uint16_t Port() const { return port_; }

  // A copy of the records, in the order the connections were accepted.
  std::vector<TConnectionRecord> Connections() const;

  // Waits until `count` connections have run their scripts to the end.
  // True when they have within `timeoutMs`.
  bool WaitForFinished(std::size_t count, int timeoutMs = 10000) const;

 private:
  void AcceptLoop();
  void Serve(net::THandle socket, std::size_t index);
  const TScript& ScriptFor(const std::string& path) const;

  // Step helpers; each returns false when the connection is gone.
  bool ReadUntil(net::THandle socket, std::size_t index, const std::function<bool(const std::string&)>& done,
                 int timeoutMs);
  bool SendAll(net::THandle socket, std::size_t index, std::string_view bytes);
  bool Sleep(int milliseconds) const;
  void AppendReceived(std::size_t index, const char* data, std::size_t count);
  std::string Received(std::size_t index) const;

  TSocketLibrary library_;
  bool httpMode_;
  TScript script_;
  std::map<std::string, TScript> routes_;
  std::uint16_t port_ = 0;
  net::THandle listener_ = net::InvalidHandle;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<TConnectionRecord> records_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A port whose connection attempts go unanswered: a listener whose queue of
// waiting connections is full and never served. Connecting to it neither
// succeeds nor fails, so only a connect time-out ends the attempt. Holds()
// tells whether this host behaves so (the host's network stack must drop
// attempts on a full queue, as Linux does). The listener sits on `address`
// at `port`, or at an ephemeral port when it is 0.
class TUnansweredPort {
 public:
  explicit TUnansweredPort(const std::string& address = "127.0.0.1", std::uint16_t port = 0);
  ~TUnansweredPort();
  TUnansweredPort(const TUnansweredPort&) = delete;
  TUnansweredPort& operator=(const TUnansweredPort&) = delete;

  std::uint16_t Port() const { return port_; }
  bool Holds() const { return holds_; }

 private:
  TSocketLibrary library_;
  std::uint16_t port_;
  net::THandle listener_ = net::InvalidHandle;
  std::vector<net::THandle> fillers_;
  bool holds_ = false;
};

// The options of an exchange with `server`: "port 80" is its port, and the
// connect and receive limits are short enough for a test.
THttpOptions OptionsFor(const TLoopbackServer& server, int receiveTimeoutMs = 5000);

}  // namespace vellumark::loopback
