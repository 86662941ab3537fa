// TLS on Linux through the system's OpenSSL. One client context serves every
// session of the process (OpenSSL locks what sessions share, so exchanges on
// many threads use it at once). The session's bytes move through a small BIO
// over the program's own socket layer: no SIGPIPE when the peer has gone,
// the platform's error codes kept for the messages, and every wait goes
// through WaitSocket, so each is bounded and can be cancelled.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>

#include "Common/Error.h"
#include "Http/Http.h"
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
    if (ssl_ != nullptr) SSL_free(ssl_);
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

    // A dotted IPv4 address is checked as an address and sent without SNI;
    // a text that looks dotted but is no address the check can read stays a
    // name, which no certificate names.
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl_);
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const bool byAddress = IsDottedAddress(host_) && X509_VERIFY_PARAM_set1_ip_asc(check, host_.c_str()) == 1;
    if (!byAddress) {
      if (X509_VERIFY_PARAM_set1_host(check, host_.c_str(), host_.size()) != 1) {
        Fail(TTlsFailure::NameMismatch);
      }
      if (!IsDottedAddress(host_)) SSL_set_tlsext_host_name(ssl_, host_.c_str());
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
