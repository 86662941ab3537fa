#include "Http/ProxyExchange.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "Common/AsciiCase.h"
#include "Common/Error.h"
#include "Common/IntConvert.h"
#include "Http/Connect.h"
#include "Http/ProxySignIn.h"
#include "Http/ReplyHead.h"
#include "Http/Tls.h"

namespace vellumark {

namespace {

// The most requests of one Negotiate or NTLM sign-in; NTLM takes two.
constexpr int MaxSignInRounds = 4;

// A request to the proxy with the given Proxy-Authorization value (none
// when empty), on a connection to be kept open for the next round or not.
using TCompose = std::function<std::string(std::string_view authorization, bool keepAlive)>;

// What the proxy has answered on one connection so far: the bytes received
// and the length of the head at their start (npos when the proxy closed
// before the head was complete).
struct TTalk {
  TOwnedSocket socket;
  std::string received;
  std::size_t headLength = std::string::npos;

  std::string_view Head() const { return std::string_view(received).substr(0, headLength); }
  bool Answered() const { return headLength != std::string::npos; }
};

TWaitLimits WaitsOf(const THttpOptions& options) {
  return {options.receiveTimeoutMs, options.cancelled, options.deadline};
}

// A connection to the proxy. Any failure but cancelling and the deadline
// means the proxy cannot be reached, and says which proxy.
TOwnedSocket ConnectToProxy(const THttpProxy& proxy, const THttpOptions& options) {
  try {
    return TOwnedSocket(ConnectToHost(proxy.host, proxy.hostKind, proxy.port,
                                      {options.connectTimeoutMs, options.cancelled, options.deadline}));
  } catch (const TError& failure) {
    const std::string_view why = failure.what();
    if (why == CancelledMessage || why == DeadlineMessage) throw;
    throw TProxyUnreachable("the proxy " + proxy.Shown() + " cannot be reached: " + std::string(why));
  }
}

// Receives until the head of the answer is complete, the proxy closes, or
// more than MaxProxyHeadSize bytes came without the end of a head (then
// the answer is taken as having no head).
void ReadHead(TTalk& talk, const TWaitLimits& waits) {
  std::array<char, ReceiveBufferSize> buffer;
  while (talk.received.size() <= MaxProxyHeadSize) {
    ThrowIfCancelled(waits);
    const int count = ReceivePlain(talk.socket.Get(), buffer.data(), ReceiveBufferSize, waits);
    if (count <= 0) return;
    talk.received.append(buffer.data(), static_cast<std::size_t>(count));
    talk.headLength = HeadLength(talk.received);
    if (talk.Answered()) return;
  }
}

// Receives the rest of a 407 answer's body, so the next request can go on
// the same connection. False when that cannot be: the proxy closes the
// connection, or the body has no length given in advance.
bool SkipBody(TTalk& talk, const TWaitLimits& waits) {
  const std::string_view head = talk.Head();
  for (const std::string_view name : {"connection", "proxy-connection"}) {
    for (const auto value : HeaderValues(head, name)) {
      if (EqualsIgnoreCase(value, "close")) return false;
    }
  }
  const auto lengths = HeaderValues(head, "content-length");
  if (lengths.size() != 1 || !HeaderValues(head, "transfer-encoding").empty()) return false;
  const auto given = TryStrToInt(lengths.front());
  if (!given || *given < 0 || static_cast<std::size_t>(*given) > MaxProxyHeadSize) return false;
  const auto length = static_cast<std::size_t>(*given);
  std::array<char, ReceiveBufferSize> buffer;
  while (talk.received.size() - talk.headLength < length) {
    ThrowIfCancelled(waits);
    const int count = ReceivePlain(talk.socket.Get(), buffer.data(), ReceiveBufferSize, waits);
    if (count <= 0) return false;
    talk.received.append(buffer.data(), static_cast<std::size_t>(count));
  }
  return talk.received.size() - talk.headLength == length;
}

// Signs in by a scheme of several round trips on a new connection. The
// answer to the last request, or nothing when the sign-in broke off.
std::optional<TTalk> SignIn(TProxySignIn& signIn, const THttpProxy& proxy, const TCompose& compose,
                            const THttpOptions& options) {
  const TWaitLimits waits = WaitsOf(options);
  TTalk talk{ConnectToProxy(proxy, options), {}, std::string::npos};
  std::optional<std::string> token = signIn.NextToken({});
  for (int round = 0; token && round < MaxSignInRounds; ++round) {
    // Only the first token expects a challenge back on the same connection.
    talk.received.clear();
    talk.headLength = std::string::npos;
    SendAll(talk.socket.Get(), compose(signIn.Scheme() + " " + *token, round == 0), waits);
    ReadHead(talk, waits);
    if (!talk.Answered()) return std::nullopt;
    if (HeadStatusCode(talk.Head()) != 407) return talk;
    const auto challenge = ProxyChallenge(talk.Head(), signIn.Scheme());
    if (!challenge || challenge->empty() || !SkipBody(talk, waits)) return std::nullopt;
    token = signIn.NextToken(*challenge);
  }
  return std::nullopt;
}

// Sends the composed request to the proxy and reads the head of its answer.
// A 407 that offers Negotiate or NTLM, which the system can do, is answered
// by signing in; when that fails, the first 407 stands.
TTalk Ask(const THttpProxy& proxy, const TCompose& compose, const THttpOptions& options) {
  const TWaitLimits waits = WaitsOf(options);
  TTalk talk{ConnectToProxy(proxy, options), {}, std::string::npos};
  SendAll(talk.socket.Get(), compose(proxy.authorization, false), waits);
  ReadHead(talk, waits);
  if (!talk.Answered() || HeadStatusCode(talk.Head()) != 407) return talk;
  for (const std::string_view scheme : {"Negotiate", "NTLM"}) {
    if (!ProxyChallenge(talk.Head(), scheme)) continue;
    const auto signIn = StartProxySignIn(scheme, proxy.host, proxy.username, proxy.password);
    if (!signIn) continue;
    if (auto signedIn = SignIn(*signIn, proxy, compose, options)) return std::move(*signedIn);
    break;
  }
  return talk;
}

// The status line of a head, printable ASCII only, for a message.
std::string StatusLineShown(std::string_view head) {
  std::string line;
  for (const char c : head.substr(0, std::min(head.find_first_of("\r\n"), std::size_t{120}))) {
    if (c >= 0x20 && c <= 0x7E) line += c;
  }
  return line;
}

// `host:port` of the server, as CONNECT names it: always with the port.
std::string Authority(const TUrl& url) {
  const std::string host = url.hostKind == THostKind::IPv6 ? '[' + url.host + ']' : url.host;
  return host + ":" + std::to_string(url.EffectivePort());
}

bool TunnelExchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                    const THttpOptions& options) {
  const THttpProxy& proxy = *options.proxy;
  const std::string authority = Authority(url);
  const TCompose compose = [&](std::string_view authorization, bool keepAlive) {
    std::string text = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!authorization.empty()) text += "Proxy-Authorization: " + std::string(authorization) + "\r\n";
    if (keepAlive) text += "Proxy-Connection: keep-alive\r\n";
    return text + "\r\n";
  };
  TTalk talk = Ask(proxy, compose, options);
  const std::string named = "the proxy " + proxy.Shown();
  if (!talk.Answered()) throw TError(named + " gave no answer to the request for a tunnel to " + authority);
  const int status = HeadStatusCode(talk.Head());
  if (status == 407) throw TError(ProxyAsksMessage(proxy));
  if (status < 200 || status > 299) {
    throw TError(named + " did not open a tunnel to " + authority + " (" + StatusLineShown(talk.Head()) + ")");
  }
  // The server speaks first only after the handshake: anything already here
  // is no part of the tunnel.
  if (talk.received.size() != talk.headLength) throw TError(named + " sent more than the answer to CONNECT");

  const TWaitLimits waits = WaitsOf(options);
  const auto session = StartTlsSession(talk.socket.Get(), url.host, waits);
  session->SendAll(request, waits);
  ReceiveAll([&](char* buffer) { return session->Receive(buffer, ReceiveBufferSize, waits); }, sink, waits);
  return true;
}

// `request` with a Proxy-Authorization line after its request line, and
// asking to keep the connection open when `keepAlive`.
std::string PlainRequest(std::string_view request, std::string_view authorization, bool keepAlive) {
  std::string text(request);
  if (keepAlive) {
    constexpr std::string_view Close = "\r\nConnection: close\r\n";
    if (const auto at = text.find(Close); at != std::string::npos) {
      text.replace(at, Close.size(), "\r\nConnection: keep-alive\r\nProxy-Connection: keep-alive\r\n");
    }
  }
  if (!authorization.empty()) {
    const auto lineEnd = text.find("\r\n");
    if (lineEnd != std::string::npos) {
      text.insert(lineEnd + 2, "Proxy-Authorization: " + std::string(authorization) + "\r\n");
    }
  }
  return text;
}

bool PlainExchange(std::string_view request, const TReceiveSink& sink, const THttpOptions& options) {
  const TCompose compose = [&](std::string_view authorization, bool keepAlive) {
    return PlainRequest(request, authorization, keepAlive);
  };
  TTalk talk = Ask(*options.proxy, compose, options);
  // What was read to see the head goes to the sink first, in blocks as a
  // receive gives them, then the rest as it comes.
  std::string_view taken = talk.received;
  while (!taken.empty()) {
    const std::size_t count = std::min<std::size_t>(taken.size(), ReceiveBufferSize);
    if (!sink(taken.data(), static_cast<int>(count))) return true;
    taken.remove_prefix(count);
  }
  if (!talk.Answered() && talk.received.size() <= MaxProxyHeadSize) return true;  // the proxy closed
  const TWaitLimits waits = WaitsOf(options);
  ReceiveAll([&](char* buffer) { return ReceivePlain(talk.socket.Get(), buffer, ReceiveBufferSize, waits); }, sink,
             waits);
  return true;
}

}  // namespace

bool ExchangeThroughProxy(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                          const THttpOptions& options) {
  return url.Secure() ? TunnelExchange(url, request, sink, options) : PlainExchange(request, sink, options);
}

std::optional<std::string> ProxyChallenge(std::string_view head, std::string_view scheme) {
  for (std::string_view value : HeaderValues(head, "proxy-authenticate")) {
    if (!StartsWithIgnoreCase(value, scheme)) continue;
    value.remove_prefix(scheme.size());
    if (value.empty()) return std::string();
    if (value.front() != ' ' && value.front() != '\t') continue;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return std::string(value.substr(0, value.find_first_of(" \t,\r\n")));
  }
  return std::nullopt;
}

}  // namespace vellumark
