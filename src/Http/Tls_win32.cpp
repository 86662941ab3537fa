// TLS client sessions through Schannel (SSPI, secur32) with the certificate
// checked by CryptoAPI (crypt32). Schannel is told to leave validation to
// us: what it checks by itself differs between Windows versions (and under
// Wine it accepts untrusted and wrong-name servers), so the session builds
// the peer's chain against the system store, applies the SSL policy, and
// matches the server's name against the certificate's subjectAltName with
// the portable rule (Http/CertificateName.h): CryptoAPI's own name check
// falls back to the subject's common name, which browsers no longer accept.
//
// Every wait goes through WaitSocket with the caller's limits, so the
// handshake is bounded and cancellable like any other exchange.
#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS are declared only with this.
#define SCHANNEL_USE_BLACKLISTS
// CERT_CHAIN_PARA with its time limit for fetching missing issuers.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include <windows.h>
#include <winternl.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Common/Error.h"
#include "Http/CertificateName.h"
#include "Http/SspiBuffer_win32.h"
#include "Http/SystemMessage.h"
#include "Http/Tls.h"

namespace vellumark {

namespace {

using socketapi::THandle;

// What the caller asks of every context: a confidential stream with
// sequence and replay detection, its tokens in buffers Schannel allocates.
constexpr DWORD RequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                               ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

// Bytes read from the socket per call. A TLS record is at most 16 KiB of
// data plus its overhead.
constexpr std::size_t ReadChunk = 17 * 1024;
// More unprocessed input than this is no TLS a client needs to accept: a
// record can never be that large, and a handshake message that keeps
// growing is a peer to stop talking to.
constexpr std::size_t MaxPendingInput = 1024 * 1024;
// How often InitializeSecurityContext may give the same status again
// without taking any of the server's bytes (or asking for more) before the
// handshake is given up: it would otherwise go round in circles.
constexpr int MaxRepeatsWithoutProgress = 2;

// A TError that still knows which failure it reports, so that the data
// phase can tell a time-out of a post-handshake exchange from the rest.
class TTlsError : public TError {
 public:
  TTlsError(TTlsFailure failure, const std::string& message) : TError(message), failure_(failure) {}
  TTlsFailure Failure() const { return failure_; }

 private:
  TTlsFailure failure_;
};

// The system's words for a status or error code; where the system has
// none (Wine has few for SSPI), words of our own for the codes a failed
// handshake gives, and the code in hex only for the rest.
std::string CodeText(long code) {
  std::string text = SystemMessageText(static_cast<int>(code));
  if (!text.empty()) return text;
  struct TWords {
    SECURITY_STATUS code;
    const char* text;
  };
  static constexpr TWords Words[] = {
      {SEC_E_ALGORITHM_MISMATCH, "no TLS version or cipher in common with the server"},
      {SEC_E_ILLEGAL_MESSAGE, "the server sent a message that is not valid TLS"},
      {SEC_E_INVALID_TOKEN, "the server sent a message that is not valid TLS"},
      {SEC_E_MESSAGE_ALTERED, "a message was altered on the way"},
      {SEC_E_DECRYPT_FAILURE, "a message could not be decrypted"},
      {SEC_E_INTERNAL_ERROR, "the system's TLS gave up: no version in common, or the server sent an alert"},
      {SEC_E_UNSUPPORTED_FUNCTION, "the system's TLS does not support this"},
      {SEC_E_NO_CREDENTIALS, "the system's TLS is not available"},
      {SEC_E_UNKNOWN_CREDENTIALS, "the system's TLS is not available"},
  };
  for (const TWords& entry : Words) {
    if (entry.code == code) return entry.text;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  return hex;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  }
  return wide;
}

// Whether `input` can be the start of a TLS record: a content type from 20
// to 24, major version 3 and a length a record can have. Given other bytes
// (a server answering in plain HTTP), Schannel would wait for the "record"
// they seem to announce until the peer closes or the wait runs out.
bool CanStartRecord(const std::vector<char>& input) {
  constexpr int MaxRecord = 16384 + 2048;
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(input[at]); };
  if (!input.empty() && (byte(0) < 20 || byte(0) > 24)) return false;
  if (input.size() >= 2 && byte(1) != 3) return false;
  return input.size() < 5 || ((byte(3) << 8) | byte(4)) <= MaxRecord;
}

// The credentials every session shares, acquired once (thread-safely, as a
// function's static) and kept for the life of the process: Schannel keeps
// its session cache per credential, so later connections to a server can
// resume instead of paying for a full handshake.
struct TCredentials {
  CredHandle handle{};
  SECURITY_STATUS status = SEC_E_INTERNAL_ERROR;

  TCredentials() {
    // Newer Schannel takes SCH_CREDENTIALS, which is what allows TLS 1.3;
    // the older structure serves systems that do not know it.
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols =
        SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
    SCH_CREDENTIALS current{};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    status = Acquire(&current);
    if (status == SEC_E_OK) return;
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    status = Acquire(&older);
  }

  SECURITY_STATUS Acquire(void* data) {
    return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                     nullptr, data, nullptr, nullptr, &handle, nullptr);
  }

  static const TCredentials& Shared() {
    static const TCredentials credentials;
    return credentials;
  }
};

class TCertificate {
 public:
  explicit TCertificate(PCCERT_CONTEXT context = nullptr) : context_(context) {}
  ~TCertificate() {
    if (context_ != nullptr) CertFreeCertificateContext(context_);
  }
  TCertificate(const TCertificate&) = delete;
  TCertificate& operator=(const TCertificate&) = delete;
  PCCERT_CONTEXT* Out() { return &context_; }
  PCCERT_CONTEXT Get() const { return context_; }

 private:
  PCCERT_CONTEXT context_;
};

// One build of a peer's chain, owned jointly by the session that waits for
// it and the thread that makes it; whichever lets go last frees it.
// Building may fetch from the network: an issuer the server left out (from
// the address its certificate gives) and, on Windows, a root the system has
// not downloaded yet. CertGetCertificateChain cannot be stopped, and its
// own time limit is per address fetched (Wine ignores it, and its fetch can
// wait for ever), so the build runs on a thread of its own, which the
// session stops waiting for when the exchange's time is up or it is
// cancelled; the thread then ends alone. The thread is a plain Win32 one:
// winpthreads, under std::thread, can hand a thread detached at once the
// state of another.
class TChainBuild {
 public:
  struct TRelease {
    void operator()(TChainBuild* build) const { build->Release(); }
  };
  using TShare = std::unique_ptr<TChainBuild, TRelease>;

  // Starts building the chain of `certificate` for server authentication,
  // with the certificates the server sent, each fetch limited to
  // `fetchTimeoutMs`; on this thread when no other can be made.
  static TShare Start(PCCERT_CONTEXT certificate, DWORD fetchTimeoutMs) {
    TShare build(new TChainBuild(certificate, fetchTimeoutMs));
    if (build->finished_ != nullptr) {
      build->owners_.fetch_add(1);
      if (const HANDLE thread = CreateThread(nullptr, 0, Run, build.get(), 0, nullptr)) {
        CloseHandle(thread);
        return build;
      }
      build->owners_.fetch_sub(1);
    }
    build->Build();
    return build;
  }

  TChainBuild(const TChainBuild&) = delete;
  TChainBuild& operator=(const TChainBuild&) = delete;

  // Waits at most `milliseconds` for the build to end; true when it has.
  bool Wait(DWORD milliseconds) const {
    return finished_ == nullptr || WaitForSingleObject(finished_, milliseconds) == WAIT_OBJECT_0;
  }
  // Once ended: the chain, or null and why there is none.
  PCCERT_CHAIN_CONTEXT Chain() const { return chain_; }
  DWORD Error() const { return error_; }

 private:
  TChainBuild(PCCERT_CONTEXT certificate, DWORD fetchTimeoutMs)
      : certificate_(CertDuplicateCertificateContext(certificate)),
        store_(CertDuplicateStore(certificate->hCertStore)),
        fetchTimeoutMs_(fetchTimeoutMs),
        finished_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  ~TChainBuild() {
    if (chain_ != nullptr) CertFreeCertificateChain(chain_);
    CertFreeCertificateContext(certificate_);
    CertCloseStore(store_, 0);
    if (finished_ != nullptr) CloseHandle(finished_);
  }

  static DWORD WINAPI Run(void* build) {
    auto* self = static_cast<TChainBuild*>(build);
    self->Build();
    self->Release();
    return 0;
  }

  void Build() {
    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    parameters.dwUrlRetrievalTimeout = fetchTimeoutMs_;
    if (!CertGetCertificateChain(nullptr, certificate_, nullptr, store_, &parameters, 0, nullptr, &chain_)) {
      chain_ = nullptr;
      error_ = GetLastError();
    }
    if (finished_ != nullptr) SetEvent(finished_);
  }

  void Release() {
    if (owners_.fetch_sub(1) == 1) delete this;
  }

  PCCERT_CONTEXT certificate_;
  HCERTSTORE store_;
  DWORD fetchTimeoutMs_;
  HANDLE finished_;  // set when the build has ended
  PCCERT_CHAIN_CONTEXT chain_ = nullptr;
  DWORD error_ = 0;
  std::atomic<int> owners_{1};
};

// The DNS names and IP addresses the certificate's subjectAltName lists;
// none when it has none or it is malformed.
TAltNames AltNamesOf(PCCERT_CONTEXT certificate) {
  const CERT_INFO* info = certificate->pCertInfo;
  const PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  if (extension == nullptr) return {};
  const std::string_view value(reinterpret_cast<const char*>(extension->Value.pbData), extension->Value.cbData);
  return ReadAltNames(value).value_or(TAltNames{});
}

// Words for the chain's trust error bits that are neither a time nor a
// trust fault.
std::string ChainFaultText(DWORD errors) {
  struct TBit {
    DWORD bit;
    const char* text;
  };
  static constexpr TBit Bits[] = {
      {CERT_TRUST_IS_REVOKED, "revoked"},
      {CERT_TRUST_IS_NOT_SIGNATURE_VALID, "signature not valid"},
      {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "not valid for server authentication"},
      {CERT_TRUST_IS_CYCLIC, "cyclic chain"},
      {CERT_TRUST_INVALID_EXTENSION, "invalid extension"},
      {CERT_TRUST_INVALID_POLICY_CONSTRAINTS, "invalid policy constraints"},
      {CERT_TRUST_INVALID_BASIC_CONSTRAINTS, "invalid basic constraints"},
      {CERT_TRUST_INVALID_NAME_CONSTRAINTS, "invalid name constraints"},
  };
  for (const TBit& entry : Bits) {
    if ((errors & entry.bit) != 0) return entry.text;
  }
  return "chain not valid";
}

class TSchannelSession final : public TTlsSession {
 public:
  TSchannelSession(THandle socket, const std::string& serverName)
      : socket_(socket), host_(serverName), identity_(TlsIdentityOf(serverName)),
        wideName_(Widen(identity_.name)) {}

  ~TSchannelSession() override {
    if (hasContext_) DeleteSecurityContext(&context_);
  }

  TSchannelSession(const TSchannelSession&) = delete;
  TSchannelSession& operator=(const TSchannelSession&) = delete;

  void Start(const TWaitLimits& limits) {
    const TCredentials& credentials = TCredentials::Shared();
    if (credentials.status != SEC_E_OK) Fail(TTlsFailure::Handshake, CodeText(credentials.status));
    if (identity_.name.empty() && identity_.address.empty()) Fail(TTlsFailure::NameMismatch);
    Negotiate(limits);
    Validate(limits);
    const SECURITY_STATUS sized = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (sized != SEC_E_OK) Fail(TTlsFailure::Handshake, CodeText(sized));
  }

  void SendAll(std::string_view data, const TWaitLimits& limits) override {
    std::vector<char> record;
    while (!data.empty()) {
      const std::size_t count = std::min<std::size_t>(data.size(), sizes_.cbMaximumMessage);
      record.assign(sizes_.cbHeader + count + sizes_.cbTrailer, '\0');
      char* const start = record.data();
      std::memcpy(start + sizes_.cbHeader, data.data(), count);
      SecBuffer buffers[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, start},
          {static_cast<unsigned long>(count), SECBUFFER_DATA, start + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, start + sizes_.cbHeader + count},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = EncryptMessage(&context_, 0, &description, 0);
      if (status != SEC_E_OK) Fail(TTlsFailure::Handshake, CodeText(status));
      SendRaw(start, buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer, limits, false);
      data.remove_prefix(count);
    }
  }

  int Receive(char* buffer, int size, const TWaitLimits& limits) override {
    for (;;) {
      if (plainAt_ < plain_.size()) {
        const std::size_t count = std::min(plain_.size() - plainAt_, static_cast<std::size_t>(std::max(size, 0)));
        std::memcpy(buffer, plain_.data() + plainAt_, count);
        plainAt_ += count;
        return static_cast<int>(count);
      }
      plain_.clear();
      plainAt_ = 0;
      if (ended_) return 0;
      if (failed_) return -1;
      if (!incoming_.empty() && Decrypt(limits)) continue;
      switch (ReadData(limits)) {
        case TRead::Data: break;
        case TRead::Closed: ended_ = true; break;
        case TRead::Failed: failed_ = true; break;
      }
    }
  }

 private:
  enum class TRead { Data, Closed, Failed };

  // The name Schannel sends as SNI, which names domains only: none for an
  // address (Schannel would send the address text).
  wchar_t* TargetName() { return identity_.name.empty() ? nullptr : wideName_.data(); }

  [[noreturn]] void Fail(TTlsFailure failure, const std::string& detail = {}) const {
    throw TTlsError(failure, TlsFailureMessage(failure, host_, detail));
  }

  // Runs InitializeSecurityContext until the context is complete: the
  // first handshake (no context yet) or a post-handshake exchange that the
  // data phase met (the peer's message waiting in incoming_). Bytes that
  // follow the handshake stay in incoming_ for the data phase.
  void Negotiate(const TWaitLimits& limits) {
    const TCredentials& credentials = TCredentials::Shared();
    DWORD flags = RequestFlags;
    // A post-handshake exchange starts with what is already here, even
    // nothing: Schannel may have taken the whole message in DecryptMessage,
    // and what the socket brings next may be application data.
    bool needInput = false;
    SECURITY_STATUS previous = SEC_E_OK;
    int repeats = 0;
    for (;;) {
      if (needInput) ReadHandshake(limits);
      if (!CanStartRecord(incoming_)) Fail(TTlsFailure::Handshake, "the server did not answer in TLS");
      SecBuffer input[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
      SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc outputDescription{SECBUFFER_VERSION, 1, output};
      DWORD granted = 0;
      const bool first = !hasContext_;
      const SECURITY_STATUS status = InitializeSecurityContextW(
          const_cast<CredHandle*>(&credentials.handle), first ? nullptr : &context_, TargetName(), flags, 0,
          0, first ? nullptr : &inputDescription, 0, first ? &context_ : nullptr, &outputDescription, &granted,
          nullptr);
      const TContextBuffer token(output[0].pvBuffer);
      if (first && !FAILED(status)) hasContext_ = true;
      if (status == SEC_E_INCOMPLETE_MESSAGE) {
        needInput = true;
        continue;
      }
      if (FAILED(status)) Fail(TTlsFailure::Handshake, CodeText(status));
      if (output[0].cbBuffer > 0 && output[0].pvBuffer != nullptr) {
        SendRaw(static_cast<const char*>(output[0].pvBuffer), output[0].cbBuffer, limits, true);
      }
      const std::size_t had = incoming_.size();
      switch (status) {
        case SEC_E_OK:
        case SEC_I_CONTINUE_NEEDED:
          if (!first) {
            if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0) {
              incoming_.erase(incoming_.begin(), incoming_.end() - input[1].cbBuffer);
            } else {
              incoming_.clear();
            }
          }
          if (status == SEC_E_OK) return;
          needInput = incoming_.empty();
          break;
        case SEC_I_INCOMPLETE_CREDENTIALS:
          // The server asked for a client certificate. A browser without
          // one goes on without it, and so does this session: Schannel takes
          // the same input again, told to send none of its own choosing.
          flags |= ISC_REQ_USE_SUPPLIED_CREDS;
          needInput = false;
          break;
        default:
          Fail(TTlsFailure::Handshake, CodeText(status));
      }
      if (needInput || incoming_.size() != had || status != previous) {
        repeats = 0;
      } else if (++repeats >= MaxRepeatsWithoutProgress) {
        Fail(TTlsFailure::Handshake, status == SEC_I_INCOMPLETE_CREDENTIALS
                                         ? "the server requires a client certificate"
                                         : "the handshake made no progress");
      }
      previous = status;
    }
  }

  // Checks the peer's certificate: its chain must reach a trusted root
  // with no error (revocation that could not be checked aside), the SSL
  // policy must accept it, and its subjectAltName must name the host. The
  // chain is built within the exchange's time limit and ends with its
  // cancellation.
  void Validate(const TWaitLimits& limits) {
    TCertificate peer;
    const SECURITY_STATUS got = QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, peer.Out());
    if (got != SEC_E_OK || peer.Get() == nullptr) Fail(TTlsFailure::Certificate, CodeText(got));
    const PCCERT_CONTEXT certificate = peer.Get();
    if (certificate->cbCertEncoded == validated_.size() &&
        std::equal(validated_.begin(), validated_.end(), certificate->pbCertEncoded)) {
      return;
    }

    const TChainBuild::TShare build =
        TChainBuild::Start(certificate, static_cast<DWORD>(std::max(limits.timeoutMs, 1)));
    AwaitChain(*build, limits);
    const PCCERT_CHAIN_CONTEXT chain = build->Chain();
    if (chain == nullptr) Fail(TTlsFailure::Certificate, CodeText(static_cast<long>(build->Error())));
    const DWORD errors = chain->TrustStatus.dwErrorStatus &
                         ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    if ((errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) != 0) Fail(TTlsFailure::Untrusted);
    if ((errors & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID)) != 0) {
      Fail(TTlsFailure::Expired);
    }
    if (errors != 0) Fail(TTlsFailure::Certificate, ChainFaultText(errors));

    // The policy checks no name (none given, and its check turned off): it
    // would accept a certificate that names the server in the common name
    // only.
    constexpr DWORD IgnoreNameCheck = 0x00001000;  // SECURITY_FLAG_IGNORE_CERT_CN_INVALID (winhttp.h)
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = IgnoreNameCheck;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS outcome{};
    outcome.cbSize = sizeof outcome;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &outcome)) {
      Fail(TTlsFailure::Certificate, CodeText(static_cast<long>(GetLastError())));
    }
    switch (static_cast<HRESULT>(outcome.dwError)) {
      case S_OK: break;
      case CERT_E_EXPIRED: Fail(TTlsFailure::Expired);
      case CERT_E_UNTRUSTEDROOT:
      case CERT_E_CHAINING: Fail(TTlsFailure::Untrusted);
      default: Fail(TTlsFailure::Certificate, CodeText(static_cast<long>(outcome.dwError)));
    }
    if (!CertificateNames(identity_, AltNamesOf(certificate))) Fail(TTlsFailure::NameMismatch);
    validated_.assign(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
  }

  // Waits for the chain build as long as any wait of the exchange may last,
  // ending early when the exchange is cancelled.
  void AwaitChain(const TChainBuild& build, const TWaitLimits& limits) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = WaitEnd(limits, limits.timeoutMs);
    for (;;) {
      const long long left = std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
      const long long slice = limits.cancelled == nullptr ? left : std::min<long long>(left, CancelCheckMs);
      if (build.Wait(static_cast<DWORD>(slice))) return;
      ThrowIfCancelled(limits);
      if (slice == left) {
        if (deadline == limits.deadline) throw TError(DeadlineMessage);
        Fail(TTlsFailure::TimedOut);
      }
    }
  }

  // Decrypts what incoming_ holds. Returns false when a whole record has
  // not arrived yet (read more), true when it made progress or ended the
  // session.
  bool Decrypt(const TWaitLimits& limits) {
    SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
    // Whether the record is an alert (content type 21, visible before TLS
    // 1.3 only, and Schannel under Wine speaks no TLS 1.3).
    const bool alert = static_cast<unsigned char>(incoming_.front()) == 21;
    const std::size_t hadPlain = plain_.size();
    const SECURITY_STATUS status = DecryptMessage(&context_, &description, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
      failed_ = true;
      return true;
    }
    std::size_t extra = 0;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
        const char* data = static_cast<const char*>(buffer.pvBuffer);
        plain_.insert(plain_.end(), data, data + buffer.cbBuffer);
      }
      if (buffer.BufferType == SECBUFFER_EXTRA) extra = buffer.cbBuffer;
    }
    incoming_.erase(incoming_.begin(), incoming_.end() - static_cast<std::ptrdiff_t>(extra));
    // Windows reports the peer's close_notify as SEC_I_CONTEXT_EXPIRED;
    // Wine's Schannel as success with no data, which for an alert record
    // means the same: nothing more comes.
    if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert && plain_.size() == hadPlain)) {
      ended_ = true;
    } else if (status == SEC_I_RENEGOTIATE) {
      // A handshake message after the handshake (TLS 1.3 session tickets,
      // a key update, a renegotiation): Schannel takes it through
      // InitializeSecurityContext with the bytes that follow.
      try {
        Negotiate(limits);
        Validate(limits);
      } catch (const TTlsError& failure) {
        if (failure.Failure() == TTlsFailure::TimedOut) {
          throw TError(SystemMessageText(socketapi::TimedOutCode()));
        }
        failed_ = true;
      }
    }
    return true;
  }

  // Reads the next bytes of the handshake into incoming_.
  void ReadHandshake(const TWaitLimits& limits) {
    for (;;) {
      switch (ReadData(limits, true)) {
        case TRead::Data: return;
        case TRead::Closed: Fail(TTlsFailure::PeerClosed);
        case TRead::Failed: Fail(TTlsFailure::PeerClosed, lastError_ != 0 ? CodeText(lastError_) : "");
      }
    }
  }

  // Appends the next bytes from the socket to incoming_. A time-out is
  // raised: as a TLS failure during a handshake, with the socket's own
  // message otherwise.
  TRead ReadData(const TWaitLimits& limits, bool handshaking = false) {
    if (incoming_.size() > MaxPendingInput) {
      if (handshaking) Fail(TTlsFailure::Handshake, "message too long");
      return TRead::Failed;
    }
    const std::size_t had = incoming_.size();
    incoming_.resize(had + ReadChunk);
    for (;;) {
      const auto received = socketapi::Receive(socket_, incoming_.data() + had, static_cast<int>(ReadChunk));
      if (received.wouldBlock) {
        const int error = WaitSocket(socket_, socketapi::TWaitFor::Read, limits);
        if (error == 0) continue;
        incoming_.resize(had);
        if (error == socketapi::TimedOutCode()) {
          if (handshaking) Fail(TTlsFailure::TimedOut);
          throw TError(SystemMessageText(error));
        }
        lastError_ = error;
        return TRead::Failed;
      }
      if (received.error != 0 || received.count <= 0) {
        incoming_.resize(had);
        lastError_ = received.error;
        return received.error != 0 ? TRead::Failed : TRead::Closed;
      }
      incoming_.resize(had + static_cast<std::size_t>(received.count));
      return TRead::Data;
    }
  }

  // Sends every byte, each wait for room bounded by the limits.
  void SendRaw(const char* data, std::size_t count, const TWaitLimits& limits, bool handshaking) {
    while (count > 0) {
      const auto sent = socketapi::Send(socket_, data, static_cast<int>(std::min<std::size_t>(count, 1 << 30)));
      if (sent.error != 0) {
        if (handshaking) Fail(TTlsFailure::PeerClosed, CodeText(sent.error));
        throw TError(SystemMessageText(sent.error));
      }
      if (sent.wouldBlock || sent.count <= 0) {
        if (const int error = WaitSocket(socket_, socketapi::TWaitFor::Write, limits)) {
          if (handshaking) {
            Fail(error == socketapi::TimedOutCode() ? TTlsFailure::TimedOut : TTlsFailure::PeerClosed,
                 error == socketapi::TimedOutCode() ? "" : CodeText(error));
          }
          throw TError(SystemMessageText(error));
        }
        continue;
      }
      data += sent.count;
      count -= static_cast<std::size_t>(sent.count);
    }
  }

  THandle socket_;
  std::string host_;
  TTlsIdentity identity_;
  std::wstring wideName_;  // identity_.name, for Schannel
  CtxtHandle context_{};
  bool hasContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::vector<char> incoming_;  // received, not yet processed by Schannel
  std::vector<char> plain_;     // decrypted, not yet given to the caller
  std::size_t plainAt_ = 0;
  std::vector<BYTE> validated_;  // the encoded certificate that passed Validate
  bool ended_ = false;
  bool failed_ = false;
  int lastError_ = 0;
};

}  // namespace

std::unique_ptr<TTlsSession> StartTlsSession(socketapi::THandle socket, const std::string& serverName,
                                             const TWaitLimits& limits) {
  auto session = std::make_unique<TSchannelSession>(socket, serverName);
  session->Start(limits);
  return session;
}

}  // namespace vellumark
