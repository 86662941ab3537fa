// One request and its response over a fresh TCP connection, plain or TLS,
// straight to the server or through a proxy (Http/ProxyExchange.h).
#include <exception>

#include "Common/Error.h"
#include "Http/Connect.h"
#include "Http/Http.h"
#include "Http/ProxyExchange.h"
#include "Http/SocketIo.h"
#include "Http/Tls.h"

namespace vellumark {

namespace {

bool Exchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
              const THttpOptions& options) {
  if (options.proxy) return ExchangeThroughProxy(url, request, sink, options);
  const std::uint16_t port =
      !url.Secure() && url.EffectivePort() == HttpPort ? options.port : url.EffectivePort();
  const TOwnedSocket socket(ConnectToHost(url.host, url.hostKind, port,
                                          {options.connectTimeoutMs, options.cancelled, options.deadline}));

  const TWaitLimits waits{options.receiveTimeoutMs, options.cancelled, options.deadline};
  if (!url.Secure()) {
    SendAll(socket.Get(), request, waits);
    ReceiveAll([&](char* buffer) { return ReceivePlain(socket.Get(), buffer, ReceiveBufferSize, waits); }, sink,
               waits);
    return true;
  }
  // The session ends before its socket is closed.
  const auto session = StartTlsSession(socket.Get(), url.host, waits);
  session->SendAll(request, waits);
  ReceiveAll([&](char* buffer) { return session->Receive(buffer, ReceiveBufferSize, waits); }, sink, waits);
  return true;
}

}  // namespace

bool HttpExchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                  const THttpOptions& options) {
  try {
    return Exchange(url, request, sink, options);
  } catch (const TProxyUnreachable&) {
    // Kept as it is: the caller may try the next way to the server.
    throw;
  } catch (const std::exception& failure) {
    // Whatever went wrong inside (the sink's own error kind included)
    // leaves as the program's one error kind, with the same message.
    throw TError(failure.what());
  }
}

std::string THttpProxy::Shown() const {
  const std::string name = hostKind == THostKind::IPv6 ? '[' + host + ']' : host;
  return name + ":" + std::to_string(port);
}

std::string ProxyAsksMessage(const THttpProxy& proxy) {
  const bool sent = !proxy.authorization.empty() || !proxy.username.empty();
  return "the proxy " + proxy.Shown() + " asks for credentials" + (sent ? ": the ones given were refused" : "") +
         " (407)";
}

TSocketLibrary::TSocketLibrary() { socketapi::StartLibrary(); }

TSocketLibrary::~TSocketLibrary() { socketapi::StopLibrary(); }

}  // namespace vellumark
