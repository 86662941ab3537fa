// The current user's proxy settings through WinHTTP. WinHTTP answers only
// the question of which proxy to use; the connection itself stays the
// program's own.
//
// Auto-configuration (a named script, or one found by auto-detection) is
// asked per address with WinHttpGetProxyForUrl on one session. Its answers
// are kept per scheme, host and port. The first failure (no script found,
// a script that cannot be loaded or run, a call that takes too long) ends
// auto-configuration for the finder's life: from then on the manual proxy of
// the settings applies, or none.
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "Common/Codepage.h"
#include "Proxy/BypassList.h"
#include "Proxy/SystemProxy.h"

namespace vellumark {

namespace {

// Each wait of one question to WinHTTP (resolving, connecting, sending,
// receiving while the script loads).
constexpr int kWaitMs = 5000;
// The whole of one question. The waits above need not cover every step of
// auto-detection, and Wine ignores them: there a script server that accepts
// the connection and never answers holds the call for good (closing the
// session does not end it either). So each call runs on a thread of its
// own, and past this limit the finder stops waiting for it and counts
// auto-configuration as failed.
constexpr auto kCallLimit = std::chrono::seconds(15);

// WinHTTP's strings are UTF-16; wchar_t is UTF-16LE on Windows.
std::string ToUtf8(const wchar_t* text) {
  if (text == nullptr) return {};
  return Utf16LeToUtf8({reinterpret_cast<const char*>(text), std::wcslen(text) * sizeof(wchar_t)});
}

// Takes a string WinHTTP allocated for the caller, and frees it.
std::string TakeString(LPWSTR text) {
  std::string utf8 = ToUtf8(text);
  if (text != nullptr) GlobalFree(text);
  return utf8;
}

TProxyRoutes Direct() { return {{std::nullopt}, {}}; }

// The settings as WinHttpGetIEProxyConfigForCurrentUser reports them.
struct TSettings {
  bool autoDetect = false;
  std::wstring autoConfigUrl;  // empty: no script named
  std::string proxy;           // manual proxy list; empty: none
  std::string bypass;
};

std::optional<TSettings> ReadSettings() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return std::nullopt;
  TSettings settings;
  settings.autoDetect = config.fAutoDetect != FALSE;
  if (config.lpszAutoConfigUrl != nullptr) {
    settings.autoConfigUrl = config.lpszAutoConfigUrl;
    GlobalFree(config.lpszAutoConfigUrl);
  }
  settings.proxy = TakeString(config.lpszProxy);
  settings.bypass = TakeString(config.lpszProxyBypass);
  return settings;
}

// One WinHTTP session for every question of a finder. Calls that outlive
// the finder hold it too, so it closes when the last of them ends.
class TSession {
 public:
  TSession()
      : handle_(WinHttpOpen(L"Vellumark", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0)) {
    if (handle_ != nullptr) WinHttpSetTimeouts(handle_, kWaitMs, kWaitMs, kWaitMs, kWaitMs);
  }
  ~TSession() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  HINTERNET Handle() const { return handle_; }

 private:
  HINTERNET handle_;
};

// What auto-configuration said for one address.
struct TAnswer {
  DWORD accessType = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::string proxy;
  std::string bypass;
};

// How to run auto-configuration.
struct TAutoConfig {
  DWORD flags = 0;
  std::wstring scriptUrl;
};

// Asks WinHTTP for `url`'s proxy on a thread of its own; nothing when the
// call fails or has not ended within kCallLimit.
std::optional<TAnswer> AskWinHttp(const std::shared_ptr<const TSession>& session, const TAutoConfig& config,
                                  std::wstring url) {
  struct TCall {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::optional<TAnswer> answer;
  };
  auto call = std::make_shared<TCall>();
  std::thread([session, config, call, url = std::move(url)] {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = config.flags;
    if ((config.flags & WINHTTP_AUTOPROXY_AUTO_DETECT) != 0) {
      options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if ((config.flags & WINHTTP_AUTOPROXY_CONFIG_URL) != 0) options.lpszAutoConfigUrl = config.scriptUrl.c_str();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    std::optional<TAnswer> answer;
    if (WinHttpGetProxyForUrl(session->Handle(), url.c_str(), &options, &info)) {
      answer = TAnswer{info.dwAccessType, TakeString(info.lpszProxy), TakeString(info.lpszProxyBypass)};
    }
    {
      const std::lock_guard lock(call->mutex);
      call->answer = std::move(answer);
      call->done = true;
    }
    call->ended.notify_all();
  }).detach();

  std::unique_lock lock(call->mutex);
  if (!call->ended.wait_for(lock, kCallLimit, [&] { return call->done; })) return std::nullopt;
  return std::move(call->answer);
}

TProxyRoutes RoutesOf(const TAnswer& answer, const TUrl& url) {
  if (answer.accessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || answer.proxy.empty()) return Direct();
  if (BypassListMatches(answer.bypass, url)) return Direct();
  return {ParseProxyList(answer.proxy, url.scheme), {}};
}

class TAutoProxyFinder final : public TProxyFinder {
 public:
  TAutoProxyFinder(TAutoConfig config, const TSettings& settings)
      : session_(std::make_shared<const TSession>()), config_(std::move(config)) {
    if (!settings.proxy.empty()) manual_ = std::make_unique<TListProxyFinder>(settings.proxy, settings.bypass);
    failed_ = session_->Handle() == nullptr;
  }

  // One question at a time: the first may take long (auto-detection,
  // loading the script), and when it fails the callers waiting for it must
  // not each wait again. Later ones are quick, and under Wine questions that
  // overlap fail (ERROR_CAN_NOT_COMPLETE) even on sessions of their own.
  TProxyRoutes RoutesFor(const TUrl& url) const override {
    const std::string key = (url.Secure() ? "https://" : "http://") + url.HostAndPort();
    std::unique_lock lock(mutex_);
    for (;;) {
      if (failed_) return Fallback(url);
      if (const auto known = answers_.find(key); known != answers_.end()) return known->second;
      if (!asking_) break;
      settled_.wait(lock);
    }
    asking_ = true;
    lock.unlock();
    const auto answer = AskWinHttp(session_, config_, AddressForScript(url));
    lock.lock();
    asking_ = false;
    settled_.notify_all();
    if (!answer) {
      failed_ = true;
      return Fallback(url);
    }
    return answers_.emplace(key, RoutesOf(*answer, url)).first->second;
  }

 private:
  // The script sees the address without its user name, password and
  // fragment: they are no business of a script that may come from the
  // network.
  static std::wstring AddressForScript(TUrl url) {
    url.username.clear();
    url.password.clear();
    url.fragment.reset();
    const std::string text = url.Serialize();  // printable ASCII only
    return std::wstring(text.begin(), text.end());
  }

  TProxyRoutes Fallback(const TUrl& url) const { return manual_ ? manual_->RoutesFor(url) : Direct(); }

  std::shared_ptr<const TSession> session_;
  TAutoConfig config_;
  std::unique_ptr<TListProxyFinder> manual_;  // null: none, go direct

  mutable std::mutex mutex_;
  mutable std::condition_variable settled_;
  mutable bool asking_ = false;  // a question is with WinHTTP
  mutable bool failed_ = false;  // auto-configuration is over
  mutable std::map<std::string, TProxyRoutes> answers_;
};

}  // namespace

std::shared_ptr<const TProxyFinder> SystemProxyFinder() {
  const auto settings = ReadSettings();
  if (!settings) return nullptr;
  TAutoConfig config;
  if (settings->autoDetect) config.flags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
  if (!settings->autoConfigUrl.empty()) {
    config.flags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    config.scriptUrl = settings->autoConfigUrl;
  }
  if (config.flags != 0) return std::make_shared<TAutoProxyFinder>(std::move(config), *settings);
  if (!settings->proxy.empty()) return std::make_shared<TListProxyFinder>(settings->proxy, settings->bypass);
  return nullptr;
}

}  // namespace vellumark
