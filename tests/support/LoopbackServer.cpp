#include "support/LoopbackServer.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace vellumark::loopback {

namespace {

// Every wait of the server is cut into slices of this length, so that a
// stopping server is noticed quickly.
constexpr int SliceMs = 50;

bool HeadComplete(const std::string& bytes) { return bytes.find("\r\n\r\n") != std::string::npos; }

// The second word of the request line: "GET <path> HTTP/1.0".
std::string RequestPath(const std::string& request) {
  const auto lineEnd = request.find("\r\n");
  const std::string line = request.substr(0, lineEnd);
  const auto first = line.find(' ');
  if (first == std::string::npos) return {};
  const auto second = line.find(' ', first + 1);
  return line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}

}  // namespace

TScript& TScript::Add(TStep step) {
  steps_.push_back(std::move(step));
  return *this;
}

TScript& TScript::ReadRequest() { return Add({TStep::TKind::ReadRequest, {}, 0, 5000, {}}); }
TScript& TScript::ReadBytes(std::size_t count) {
  return Add({TStep::TKind::ReadBytes, {}, count, 10000, {}});
}
TScript& TScript::Send(std::string bytes) { return Add({TStep::TKind::Send, std::move(bytes), 0, 0, {}}); }
TScript& TScript::Delay(int milliseconds) { return Add({TStep::TKind::Delay, {}, 0, milliseconds, {}}); }
TScript& TScript::Call(std::function<void()> action) {
  return Add({TStep::TKind::Call, {}, 0, 0, std::move(action)});
}
TScript& TScript::Close() { return Add({TStep::TKind::Close, {}, 0, 0, {}}); }
TScript& TScript::Reset() { return Add({TStep::TKind::Reset, {}, 0, 0, {}}); }
TScript& TScript::Silent() { return Add({TStep::TKind::Silent, {}, 0, 0, {}}); }
TScript& TScript::Stream(std::size_t blockSize) { return Add({TStep::TKind::Stream, {}, blockSize, 0, {}}); }
TScript& TScript::AwaitPeerClose(int timeoutMs) {
  return Add({TStep::TKind::AwaitPeerClose, {}, 0, timeoutMs, {}});
}

std::string HttpResponseText(std::string_view statusLine, const THeaders& headers, std::string_view body) {
  std::string text(statusLine);
  text += "\r\n";
  for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
  text += "\r\n";
  text += body;
  return text;
}

TScript Respond(std::string response) { return TScript().Send(std::move(response)).Close(); }

TScript Redirect(int code, std::string_view location) {
  const char* status = code == 301 ? "HTTP/1.1 301 Moved Permanently" : "HTTP/1.1 302 Found";
  return Respond(HttpResponseText(status, {{"Location", std::string(location)}}, {}));
}

TLoopbackServer::TLoopbackServer(TScript script, const std::string& address, std::uint16_t port)
    : httpMode_(false), script_(std::move(script)), port_(port) {
  listener_ = net::Listen(16, port_, address);
  acceptor_ = std::thread(&TLoopbackServer::AcceptLoop, this);
}

TLoopbackServer::TLoopbackServer(std::map<std::string, TScript> routes)
    : httpMode_(true),
      script_(Respond(HttpResponseText("HTTP/1.1 404 Not Found", {{"Content-Type", "text/html"}},
                                       "<html><head><title>Not Found</title></head><body></body></html>"))),
      routes_(std::move(routes)) {
  listener_ = net::Listen(16, port_);
  acceptor_ = std::thread(&TLoopbackServer::AcceptLoop, this);
}

TLoopbackServer::~TLoopbackServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  acceptor_.join();
  // No worker is added once the acceptor has ended.
  for (auto& worker : workers_) worker.join();
  net::Close(listener_);
}

std::vector<TConnectionRecord> TLoopbackServer::Connections() const {
  const std::lock_guard lock(mutex_);
  return records_;
}

bool TLoopbackServer::WaitForFinished(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return std::count_if(records_.begin(), records_.end(), [](const auto& r) { return r.finished; }) >=
           static_cast<std::ptrdiff_t>(count);
  });
}

void TLoopbackServer::AcceptLoop() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    if (!net::WaitReady(listener_, net::TWait::Read, SliceMs)) continue;
    const net::THandle socket = net::Accept(listener_);
    if (socket == net::InvalidHandle) continue;
    const std::lock_guard lock(mutex_);
    records_.emplace_back();
    workers_.emplace_back(&TLoopbackServer::Serve, this, socket, records_.size() - 1);
  }
}

const TScript& TLoopbackServer::ScriptFor(const std::string& path) const {
  const auto route = routes_.find(path);
  return route == routes_.end() ? script_ : route->second;
}

void TLoopbackServer::AppendReceived(std::size_t index, const char* data, std::size_t count) {
  const std::lock_guard lock(mutex_);
  records_[index].received.append(data, count);
}

std::string TLoopbackServer::Received(std::size_t index) const {
  const std::lock_guard lock(mutex_);
  return records_[index].received;
}

bool TLoopbackServer::Sleep(int milliseconds) const {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return stopping_; });
}

bool TLoopbackServer::ReadUntil(net::THandle socket, std::size_t index,
                                const std::function<bool(const std::string&)>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string got;
  char buffer[4096];
  while (!done(got)) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) return true;
    if (!net::WaitReady(socket, net::TWait::Read, SliceMs)) continue;
    const long count = net::Receive(socket, buffer, sizeof buffer);
    if (count == net::kWouldBlock) continue;
    if (count <= 0) return false;
    got.append(buffer, static_cast<std::size_t>(count));
    AppendReceived(index, buffer, static_cast<std::size_t>(count));
  }
  return true;
}

bool TLoopbackServer::SendAll(net::THandle socket, std::size_t index, std::string_view bytes) {
  while (!bytes.empty()) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    const long count = net::Send(socket, bytes.data(), bytes.size());
    if (count == net::kFailed) return false;
    if (count == net::kWouldBlock || count == 0) {
      net::WaitReady(socket, net::TWait::Write, SliceMs);
      continue;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
    const std::lock_guard lock(mutex_);
    records_[index].sent += static_cast<std::size_t>(count);
  }
  return true;
}

void TLoopbackServer::Serve(net::THandle socket, std::size_t index) {
  const TScript* script = &script_;
  bool alive = true;
  if (httpMode_) {
    alive = ReadUntil(socket, index, HeadComplete, 5000);
    const std::string path = RequestPath(Received(index));
    {
      const std::lock_guard lock(mutex_);
      records_[index].path = path;
    }
    script = &ScriptFor(path);
  }

  using TKind = TScript::TStep::TKind;
  bool open = true;
  for (const auto& step : script->Steps()) {
    if (!alive || !open) break;
    switch (step.kind) {
      case TKind::ReadRequest:
        alive = ReadUntil(socket, index, HeadComplete, step.milliseconds);
        break;
      case TKind::ReadBytes:
        alive = ReadUntil(
            socket, index, [&](const std::string& got) { return got.size() >= step.count; },
            step.milliseconds);
        break;
      case TKind::Send:
        alive = SendAll(socket, index, step.bytes);
        break;
      case TKind::Delay:
        alive = Sleep(step.milliseconds);
        break;
      case TKind::Call:
        step.action();
        break;
      case TKind::Close:
        net::Close(socket);
        open = false;
        break;
      case TKind::Reset:
        net::Reset(socket);
        open = false;
        break;
      case TKind::Silent:
        alive = ReadUntil(
            socket, index, [](const std::string&) { return false; }, std::numeric_limits<int>::max());
        break;
      case TKind::Stream: {
        const std::string block(std::max<std::size_t>(step.count, 1), 'a');
        while (SendAll(socket, index, block)) {
        }
        alive = false;
        break;
      }
      case TKind::AwaitPeerClose:
        alive = ReadUntil(
            socket, index, [](const std::string&) { return false; }, step.milliseconds);
        break;
    }
    if (!alive && (step.kind == TKind::Silent || step.kind == TKind::AwaitPeerClose)) {
      const std::lock_guard lock(mutex_);
      records_[index].peerClosed = !stopping_;
    }
  }
  if (open) net::Close(socket);
  {
    const std::lock_guard lock(mutex_);
    records_[index].finished = true;
  }
  changed_.notify_all();
}

TUnansweredPort::TUnansweredPort(const std::string& address, std::uint16_t port) : port_(port) {
  listener_ = net::Listen(0, port_, address);
  // Fill the listener's queue until an attempt neither completes nor fails.
  for (int attempt = 0; attempt < 8 && !holds_; ++attempt) {
    const net::THandle filler = net::StartConnect(port_, address);
    if (filler == net::InvalidHandle) break;
    fillers_.push_back(filler);
    holds_ = !net::WaitReady(filler, net::TWait::Write, 300);
  }
}

TUnansweredPort::~TUnansweredPort() {
  for (const auto filler : fillers_) net::Close(filler);
  net::Close(listener_);
}

THttpOptions OptionsFor(const TLoopbackServer& server, int receiveTimeoutMs) {
  THttpOptions options;
  options.port = server.Port();
  options.connectTimeoutMs = 5000;
  options.receiveTimeoutMs = receiveTimeoutMs;
  return options;
}

}  // namespace vellumark::loopback
