// TLS on Linux through the system's OpenSSL. One client context serves every
// session of the process (OpenSSL locks what sessions share, so exchanges on
// many threads use it at once). A later connection to a server resumes the
// last session with it, as browsers do, which spares both sides most of the
// handshake's work. The session's bytes move through a small BIO
// over the program's own socket layer: no SIGPIPE when the peer has gone,
// the platform's error codes kept for the messages, and every wait goes
// through WaitSocket, so each is bounded and can be cancelled.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <mutex>
#include <unordered_map>

#include "Common/Error.h"
#include "Http/CertificateName.h"
#include "Http/SystemMessage.h"
#include "Http/Tls.h"

namespace vellumark {

namespace {

// The socket under one session, and what the last transfer on it saw.
struct TSocketLink {
  socketapi::THandle socket = socketapi::InvalidHandle;
  int error = 0;        // the platform's code of a failed send or receive
  bool closed = false;  // the peer ended the connection
};

TSocketLink& LinkOf(BIO* bio) { return *static_cast<TSocketLink*>(BIO_get_data(bio)); }

int LinkWrite(BIO* bio, const char* data, int count) {
  BIO_clear_retry_flags(bio);
  TSocketLink& link = LinkOf(bio);
  const auto sent = socketapi::Send(link.socket, data, count);
  if (sent.wouldBlock) {
    BIO_set_retry_write(bio);
    return -1;
  }
  if (sent.error != 0) {
    link.error = sent.error;
    return -1;
  }
  return sent.count;
}

int LinkRead(BIO* bio, char* buffer, int size) {
  BIO_clear_retry_flags(bio);
  TSocketLink& link = LinkOf(bio);
  const auto received = socketapi::Receive(link.socket, buffer, size);
  if (received.wouldBlock) {
    BIO_set_retry_read(bio);
    return -1;
  }
  if (received.error != 0) {
    link.error = received.error;
    return -1;
  }
  if (received.count == 0) link.closed = true;
  return received.count;
}

long LinkControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

// Made once, on first use; C++ makes that safe on any number of threads.
const BIO_METHOD* LinkMethod() {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "vellumark socket");
    if (made != nullptr) {
      BIO_meth_set_write(made, LinkWrite);
      BIO_meth_set_read(made, LinkRead);
      BIO_meth_set_ctrl(made, LinkControl);
    }
    return made;
  }();
  return method;
}

// Sessions to resume, one per server: the host name as checked and the
// address and port connected to. Only a handshake that passed every check
// yields a session, and a resumed session stands for that same name, so
// resuming checks nothing less. At most MaxKeptSessions are kept.
class TSessionCache {
 public:
  static constexpr std::size_t MaxKeptSessions = 256;

  // The session kept for `key`, with a reference for the caller, or null.
  SSL_SESSION* Find(const std::string& key) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(key);
    if (found == sessions_.end() || SSL_SESSION_up_ref(found->second) != 1) return nullptr;
    return found->second;
  }

  // Keeps `session` (the cache takes the caller's reference) for `key`,
  // in place of the one kept before.
  void Keep(const std::string& key, SSL_SESSION* session) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto found = sessions_.find(key);
    if (found != sessions_.end()) {
      SSL_SESSION_free(found->second);
      found->second = session;
      return;
    }
    if (sessions_.size() >= MaxKeptSessions) {
      SSL_SESSION_free(sessions_.begin()->second);
      sessions_.erase(sessions_.begin());
    }
    sessions_.emplace(key, session);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, SSL_SESSION*> sessions_;
};

// Never destroyed: sessions must not be freed after OpenSSL's own clean-up
// at exit.
TSessionCache& Sessions() {
  static TSessionCache* const cache = new TSessionCache;
  return *cache;
}

// OpenSSL hands over each new session of a connection whose handshake
// succeeded; the connection's key says which server it belongs to.
int KeepNewSession(SSL* ssl, SSL_SESSION* session) {
  const auto* key = static_cast<const std::string*>(SSL_get_app_data(ssl));
  if (key == nullptr || key->empty()) return 0;
  Sessions().Keep(*key, session);
  return 1;
}

// "address port" of the connected peer (IPv4 or IPv6), or empty.
std::string PeerText(socketapi::THandle socket) {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  if (getpeername(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&peer), &size) != 0) return {};
  const void* address = nullptr;
  in_port_t port = 0;
  if (peer.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(peer);
    address = &v4.sin_addr;
    port = v4.sin_port;
  } else if (peer.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(peer);
    address = &v6.sin6_addr;
    port = v6.sin6_port;
  } else {
    return {};
  }
  char text[INET6_ADDRSTRLEN] = {};
  if (inet_ntop(peer.ss_family, address, text, sizeof text) == nullptr) return {};
  return std::string(text) + ' ' + std::to_string(ntohs(port));
}

// The client context: TLS 1.2 and 1.3, the peer's certificate checked against
// OpenSSL's default verify paths (the system's store; SSL_CERT_FILE and
// SSL_CERT_DIR name others, as OpenSSL documents).
SSL_CTX* ClientContext() {
  static SSL_CTX* const context = [] {
    SSL_CTX* made = SSL_CTX_new(TLS_client_method());
    if (made == nullptr) return made;
    SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(made, TLS1_3_VERSION);
    SSL_CTX_set_verify(made, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(made);
    SSL_CTX_set_session_cache_mode(made, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(made, KeepNewSession);
    return made;
  }();
  return context;
}

TTlsFailure FailureOfVerifyResult(long result) {
  switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID: return TTlsFailure::Expired;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED: return TTlsFailure::Untrusted;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return TTlsFailure::NameMismatch;
    default: return TTlsFailure::Certificate;
  }
}

// SSL_get_error's codes, plus one for a wait that ended without the socket
// becoming ready.
constexpr int WaitFailed = -1;

class TOpenSslSession final : public TTlsSession {
 public:
  TOpenSslSession(socketapi::THandle socket, const std::string& serverName)
      : host_(serverName), ssl_(SSL_new(ClientContext())) {
    link_.socket = socket;
  }

  ~TOpenSslSession() override {
    if (ssl_ == nullptr) return;
    // The connection simply ends (HTTP/1.0 needs no close_notify, and a
    // response is often left unread). Marked as shut down, OpenSSL does not
    // take that for a broken session, so the server's session stays
    // resumable.
    if (SSL_is_init_finished(ssl_)) SSL_set_shutdown(ssl_, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
    SSL_free(ssl_);
  }

  TOpenSslSession(const TOpenSslSession&) = delete;
  TOpenSslSession& operator=(const TOpenSslSession&) = delete;

  void Handshake(const TWaitLimits& limits) {
    if (ssl_ == nullptr || LinkMethod() == nullptr) Fail(TTlsFailure::Handshake, LastReason());
    BIO* bio = BIO_new(LinkMethod());
    if (bio == nullptr) Fail(TTlsFailure::Handshake, LastReason());
    BIO_set_data(bio, &link_);
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl_, bio, bio);

    // The certificate must name the host in its subjectAltName (never only
    // in the subject's common name): an address as an IP address entry, sent
    // without SNI; a domain as a DNS name, one whole-label wildcard at most.
    const TTlsIdentity identity = TlsIdentityOf(host_);
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl_);
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
    if (!identity.address.empty()) {
      const auto* address = reinterpret_cast<const unsigned char*>(identity.address.data());
      if (X509_VERIFY_PARAM_set1_ip(check, address, identity.address.size()) != 1) Fail(TTlsFailure::NameMismatch);
    } else if (identity.name.empty() ||
               X509_VERIFY_PARAM_set1_host(check, identity.name.c_str(), identity.name.size()) != 1) {
      Fail(TTlsFailure::NameMismatch);
    } else {
      SSL_set_tlsext_host_name(ssl_, identity.name.c_str());
    }

    if (const std::string peer = PeerText(link_.socket); !peer.empty()) {
      sessionKey_ = host_ + ' ' + peer;
      SSL_set_app_data(ssl_, &sessionKey_);
      if (SSL_SESSION* kept = Sessions().Find(sessionKey_)) {
        SSL_set_session(ssl_, kept);
        SSL_SESSION_free(kept);
      }
    }

    int waitError = 0;
    int result = 0;
    const int outcome = Drive([&] { return SSL_connect(ssl_); }, limits, result, waitError);
    if (outcome == SSL_ERROR_NONE) return;
    if (waitError == socketapi::TimedOutCode()) Fail(TTlsFailure::TimedOut);
    if (waitError != 0) Fail(TTlsFailure::Handshake, SystemMessageText(waitError));
    const long verified = SSL_get_verify_result(ssl_);
    if (verified != X509_V_OK) {
      const TTlsFailure failure = FailureOfVerifyResult(verified);
      Fail(failure, failure == TTlsFailure::Certificate ? X509_verify_cert_error_string(verified) : "");
    }
    const unsigned long queued = ERR_peek_last_error();
    const bool endedEarly = link_.closed || outcome == SSL_ERROR_ZERO_RETURN ||
                            (outcome == SSL_ERROR_SYSCALL && link_.error == 0) ||
                            ERR_GET_REASON(queued) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
    if (endedEarly) Fail(TTlsFailure::PeerClosed);
    if (link_.error == ECONNRESET || link_.error == EPIPE) {
      Fail(TTlsFailure::PeerClosed, SystemMessageText(link_.error));
    }
    if (link_.error != 0) Fail(TTlsFailure::Handshake, SystemMessageText(link_.error));
    Fail(TTlsFailure::Handshake, LastReason());
  }

  void SendAll(std::string_view data, const TWaitLimits& limits) override {
    while (!data.empty()) {
      const int ask = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX / 2));
      int waitError = 0;
      int sent = 0;
      const int outcome =
          Drive([&] { return SSL_write(ssl_, data.data(), ask); }, limits, sent, waitError);
      if (outcome != SSL_ERROR_NONE) {
        if (waitError != 0) throw TError(SystemMessageText(waitError));
        if (link_.error != 0) throw TError(SystemMessageText(link_.error));
        Fail(TTlsFailure::Handshake, LastReason());
      }
      data.remove_prefix(static_cast<std::size_t>(sent));
    }
  }

  int Receive(char* buffer, int size, const TWaitLimits& limits) override {
    int waitError = 0;
    int received = 0;
    const int outcome =
        Drive([&] { return SSL_read(ssl_, buffer, size); }, limits, received, waitError);
    if (outcome == SSL_ERROR_NONE) return received;
    if (waitError == socketapi::TimedOutCode()) throw TError(SystemMessageText(waitError));
    // The peer's close_notify, or a plain close of the connection, ends the
    // response; anything else ends it quietly as a failed receive does.
    if (outcome == SSL_ERROR_ZERO_RETURN || link_.closed) return 0;
    return -1;
  }

 private:
  // Runs one OpenSSL call until it is done, waiting for the socket whenever
  // OpenSSL asks to. Returns SSL_ERROR_NONE with the call's positive result,
  // WaitFailed with the wait's error code, or SSL_get_error's code.
  template <typename TCall>
  int Drive(const TCall& call, const TWaitLimits& limits, int& result, int& waitError) {
    for (;;) {
      ERR_clear_error();
      result = call();
      if (result > 0) return SSL_ERROR_NONE;
      const int error = SSL_get_error(ssl_, result);
      if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return error;
      const auto what = error == SSL_ERROR_WANT_READ ? socketapi::TWaitFor::Read : socketapi::TWaitFor::Write;
      if (const int waited = WaitSocket(link_.socket, what, limits)) {
        waitError = waited;
        return WaitFailed;
      }
    }
  }

  // OpenSSL's own words for the latest failure of this thread, or none.
  static std::string LastReason() {
    const char* reason = ERR_reason_error_string(ERR_peek_last_error());
    return reason != nullptr ? reason : "";
  }

  [[noreturn]] void Fail(TTlsFailure failure, std::string_view detail = {}) const {
    throw TError(TlsFailureMessage(failure, host_, detail));
  }

  std::string host_;
  std::string sessionKey_;  // which server's session this connection keeps
  SSL* ssl_;
  TSocketLink link_;
};

}  // namespace

std::unique_ptr<TTlsSession> StartTlsSession(socketapi::THandle socket, const std::string& serverName,
                                             const TWaitLimits& limits) {
  auto session = std::make_unique<TOpenSslSession>(socket, serverName);
  session->Handshake(limits);
  return session;
}

}  // namespace vellumark
