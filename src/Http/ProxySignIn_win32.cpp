// Negotiate and NTLM sign-ins to a proxy through SSPI (secur32): the
// package makes every token, we only carry them. The credentials are the
// ones given (DOMAIN\user or user, and a password) or, with no user name,
// the signed-in user's. Each sign-in holds its own credentials and context,
// both freed when it ends.
//
// Under Wine both packages are NTLM through Samba's ntlm_auth (package
// winbind), Negotiate sending the same raw NTLM messages. A user name and
// password are all it needs; the signed-in user's credentials would need a
// running winbindd, so without a user name Negotiate fails at the first
// token (SEC_E_NO_CREDENTIALS) and NTLM at the answer to the challenge
// (SEC_E_INVALID_TOKEN).
#define SECURITY_WIN32
#include <windows.h>
#include <security.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "Common/AsciiCase.h"
#include "Common/Base64.h"
#include "Common/Codepage.h"
#include "Http/ProxySignIn.h"
#include "Http/SspiBuffer_win32.h"

namespace vellumark {

namespace {

// A connection-oriented context, its tokens in buffers the package
// allocates.
constexpr DWORD RequestFlags = ISC_REQ_CONNECTION | ISC_REQ_ALLOCATE_MEMORY;

class TSspiSignIn final : public TProxySignIn {
 public:
  TSspiSignIn(std::string scheme, std::wstring target) : scheme_(std::move(scheme)), target_(std::move(target)) {}

  ~TSspiSignIn() override {
    if (hasContext_) DeleteSecurityContext(&context_);
    if (hasCredentials_) FreeCredentialsHandle(&credentials_);
    SecureZeroMemory(password_.data(), password_.size() * sizeof(wchar_t));
  }

  TSspiSignIn(const TSspiSignIn&) = delete;
  TSspiSignIn& operator=(const TSspiSignIn&) = delete;

  // Acquires the package's credentials: the given user's when `username`
  // is not empty, else the signed-in user's. False when the system
  // refuses (no such package, no credentials to be had).
  bool Acquire(const wchar_t* package, std::string_view username, std::string_view password) {
    SEC_WINNT_AUTH_IDENTITY_W identity{};
    SEC_WINNT_AUTH_IDENTITY_W* given = nullptr;
    if (!username.empty()) {
      const std::size_t slash = username.find('\\');
      if (slash != std::string_view::npos) {
        domain_ = Utf8ToUtf16(username.substr(0, slash));
        user_ = Utf8ToUtf16(username.substr(slash + 1));
      } else {
        user_ = Utf8ToUtf16(username);
      }
      password_ = Utf8ToUtf16(password);
      identity.User = reinterpret_cast<unsigned short*>(user_.data());
      identity.UserLength = static_cast<unsigned long>(user_.size());
      identity.Domain = domain_.empty() ? nullptr : reinterpret_cast<unsigned short*>(domain_.data());
      identity.DomainLength = static_cast<unsigned long>(domain_.size());
      identity.Password = reinterpret_cast<unsigned short*>(password_.data());
      identity.PasswordLength = static_cast<unsigned long>(password_.size());
      identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
      given = &identity;
    }
    TimeStamp expiry{};
    const SECURITY_STATUS status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(package),
                                                             SECPKG_CRED_OUTBOUND, nullptr, given, nullptr,
                                                             nullptr, &credentials_, &expiry);
    hasCredentials_ = status == SEC_E_OK;
    return hasCredentials_;
  }

  std::string Scheme() const override { return scheme_; }

  std::optional<std::string> NextToken(std::string_view challenge) override {
    // An empty challenge starts over: a new connection, a new context.
    if (challenge.empty()) {
      if (hasContext_) DeleteSecurityContext(&context_);
      hasContext_ = false;
      ended_ = false;
    } else if (!hasContext_ || ended_) {
      return std::nullopt;
    }
    std::string received;
    if (!challenge.empty()) {
      std::optional<std::string> decoded = Base64Decode(challenge);
      if (!decoded || decoded->empty()) return std::nullopt;
      received = std::move(*decoded);
    }
    SecBuffer input[1] = {{static_cast<unsigned long>(received.size()), SECBUFFER_TOKEN, received.data()}};
    SecBufferDesc inputDescription{SECBUFFER_VERSION, 1, input};
    SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outputDescription{SECBUFFER_VERSION, 1, output};
    DWORD granted = 0;
    TimeStamp expiry{};
    const bool first = !hasContext_;
    SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials_, first ? nullptr : &context_, target_.data(), RequestFlags, 0, SECURITY_NATIVE_DREP,
        first ? nullptr : &inputDescription, 0, &context_, &outputDescription, &granted, &expiry);
    const TContextBuffer token(output[0].pvBuffer);
    if (first && !FAILED(status)) hasContext_ = true;
    if (status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE) {
      const SECURITY_STATUS completed = CompleteAuthToken(&context_, &outputDescription);
      if (FAILED(completed)) status = completed;
      else status = status == SEC_I_COMPLETE_NEEDED ? SEC_E_OK : SEC_I_CONTINUE_NEEDED;
    }
    // Complete or failed, the context takes no further token from the
    // proxy; only a new start does.
    ended_ = status != SEC_I_CONTINUE_NEEDED;
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) return std::nullopt;
    // The last step of a context that needs no answer from us can leave
    // nothing to send: an empty token then.
    if (output[0].pvBuffer == nullptr || output[0].cbBuffer == 0) return std::string();
    return Base64Encode(std::string_view(static_cast<const char*>(output[0].pvBuffer), output[0].cbBuffer));
  }

 private:
  std::string scheme_;
  std::wstring target_;
  std::wstring domain_;
  std::wstring user_;
  std::wstring password_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool hasCredentials_ = false;
  bool hasContext_ = false;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<TProxySignIn> StartProxySignIn(std::string_view scheme, std::string_view proxyHost,
                                               std::string_view username, std::string_view password) {
  const wchar_t* package = nullptr;
  std::string name;
  if (EqualsIgnoreCase(scheme, "Negotiate")) {
    package = L"Negotiate";
    name = "Negotiate";
  } else if (EqualsIgnoreCase(scheme, "NTLM")) {
    package = L"NTLM";
    name = "NTLM";
  } else {
    return nullptr;
  }
  // The service principal name a proxy's HTTP service is known by.
  auto signIn = std::make_unique<TSspiSignIn>(std::move(name), L"HTTP/" + Utf8ToUtf16(proxyHost));
  if (!signIn->Acquire(package, username, password)) return nullptr;
  return signIn;
}

}  // namespace vellumark
