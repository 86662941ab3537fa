#include "Links/PageFetcher.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "Common/AsciiCase.h"
#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Common/HexDigits.h"
#include "Http/SocketWait.h"
#include "Links/BasicSignIn.h"
#include "Links/BotCheck.h"
#include "Links/CookieJar.h"
#include "Links/PageFetcherExtract.h"
#include "Url/SplitUrl.h"

namespace vellumark {

namespace {

bool StartsWithHttpAnyCase(std::string_view text) { return StartsWithIgnoreCase(text, "http"); }

// The address without the spaces and tabs at its start and end, as Host and
// Page show it.
std::string_view TrimAddressBlanks(std::string_view address) {
  while (!address.empty() && (address.front() == ' ' || address.front() == '\t')) address.remove_prefix(1);
  while (!address.empty() && (address.back() == ' ' || address.back() == '\t')) address.remove_suffix(1);
  return address;
}

// Host and Page as the record shows them: SplitUrl's cut of the text as
// written, for an address that begins with "http" in any letter case (the
// parser takes the scheme in any case too).
bool SplitForDisplay(std::string_view address, std::string& host, std::string& page) {
  if (!StartsWithHttpAnyCase(address)) return false;
  std::string lowered(address);
  for (std::size_t i = 0; i < 4; ++i) lowered[i] = AsciiLower(lowered[i]);
  return SplitUrl(lowered, host, page);
}

// A Location value as the parser reads it. Servers send UTF-8, but some send
// other bytes; every byte outside ASCII goes in as %XX, which parses to the
// same address as the UTF-8 text would and keeps any other bytes as they
// came instead of refusing them.
std::string ServerAddressText(std::string_view location) {
  std::string text;
  text.reserve(location.size());
  for (const char c : location) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += '%';
      text += UpperHexDigits[byte >> 4];
      text += UpperHexDigits[byte & 0x0F];
    }
  }
  return text;
}

}  // namespace

bool IsFollowedRedirect(std::int32_t statusCode) {
  switch (statusCode) {
    case 301:
    case 302:
    case 303:
    case 307:
    case 308: return true;
    default: return false;
  }
}

TPageFetcher::TPageFetcher(const THttpOptions& options, TRequestSettings request,
                           std::shared_ptr<const TProxyFinder> proxies)
    : options_(options), request_(std::move(request)), proxies_(std::move(proxies)) {}

void TPageFetcher::ConvertByCharset(std::string& text, std::string_view charset) {
  vellumark::ConvertByCharset(text, charset);
}

void TPageFetcher::BeginResponse() {
  responseBuffer_.clear();
  markerScan_.Reset();
  decoder_.emplace(MaxResponseSize);
}

bool TPageFetcher::ReceiveChunk(const char* data, int count) {
  if (count <= 0 || data == nullptr) return true;
  if (!decoder_) decoder_.emplace(MaxResponseSize);
  const std::size_t before = responseBuffer_.size();
  const bool more = decoder_->Feed(std::string_view(data, static_cast<std::size_t>(count)), responseBuffer_);
  // A body that fails to decode is taken back out, so the text may shrink.
  const std::size_t added = responseBuffer_.size() > before ? responseBuffer_.size() - before : 0;
  if (added > 0 && markerScan_.Update(responseBuffer_, added)) return false;
  return more && responseBuffer_.size() < MaxResponseSize;
}

TPageFetcher::TReply TPageFetcher::Exchange(const TUrl& url, std::string_view authorization,
                                            std::string_view cookie, const THttpOptions& options) {
  // The buffer is emptied on every way out, errors included, so a failed
  // request leaves nothing behind for the next one.
  struct TRelease {
    TPageFetcher& self;
    ~TRelease() {
      std::string().swap(self.responseBuffer_);
      self.markerScan_.Reset();
      self.decoder_.reset();
    }
  } release{*this};

  // The ways to the server in order: the next is tried when the proxy of
  // one cannot be reached (an auto-config answer "PROXY a:8080; DIRECT").
  TProxyRoutes routes = proxies_ ? proxies_->RoutesFor(url) : TProxyRoutes{{std::nullopt}, {}};
  if (!routes.error.empty()) throw TError(routes.error);
  if (routes.routes.empty()) routes.routes.emplace_back();
  const TReceiveSink sink = [this](const char* data, int count) {
    return ReceiveChunk(data, count);
  };
  THttpOptions through = options;
  for (std::size_t route = 0;; ++route) {
    BeginResponse();
    through.proxy.reset();
    if (routes.routes[route]) through.proxy = HttpProxyOf(*routes.routes[route]);
    const std::string request = BuildRequestText(url, request_, authorization, cookie, through.proxy.has_value());
    try {
      HttpExchange(url, request, sink, through);
      break;
    } catch (const TProxyUnreachable&) {
      if (route + 1 >= routes.routes.size()) throw;
    }
  }
  decoder_->Finish(responseBuffer_);
  return {std::exchange(responseBuffer_, std::string()), decoder_->BodyStart(), decoder_->Failure(),
          std::move(through.proxy)};
}

void TPageFetcher::FetchPageInfo(std::string_view address, TPageInfo& info) noexcept {
  try {
    // `address` may point into `info` itself (fetching a record's own URL
    // again), so it is copied before the record is emptied.
    std::string shown(address);
    const std::string utf8 = SjisToUtf8(shown);
    Fetch(std::move(shown), utf8, info);
  } catch (...) {
    // No memory even for the copies: the record stays as it is.
  }
}

void TPageFetcher::FetchUtf8PageInfo(std::string_view utf8Address, TPageInfo& info) noexcept {
  try {
    const std::string utf8(utf8Address);
    Fetch(Utf8ToSjis(utf8, TMissingChar::CharacterReference), utf8, info);
  } catch (...) {
  }
}

void TPageFetcher::Fetch(std::string shown, std::string_view utf8, TPageInfo& info) noexcept {
  // Whatever way the fetch ends, the pattern engine keeps none of the page
  // text (up to 4 MiB, several times that as wide text) once it is over, so
  // an idle fetcher, one per worker in vellumark-cli, holds no page memory.
  struct TReleaseOnExit {
    TRegExp& regExp;
    ~TReleaseOnExit() { regExp.ForgetSubject(); }
  } release{regExp_};
  try {
    info = TPageInfo{};
    info.URL = std::move(shown);
    // One deadline for the whole address: every connection, handshake and
    // wait of every request of its redirect chain ends by then.
    THttpOptions options = options_;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request_.deadlineSeconds);
    FollowAddress(utf8, options, info);
  } catch (const std::exception& failure) {
    // Every failure of a fetch (refused address, unknown host, refused
    // connection, time-out, the deadline, certificate, handshake, a redirect
    // that leads nowhere, a reply that cannot be decoded, a bot check,
    // engine error, memory) ends it; the record keeps what it has and says
    // why in Error.
    try {
      info.Error = failure.what();
      if (info.Error == DeadlineMessage) info.Error += " (" + std::to_string(request_.deadlineSeconds) + " s)";
    } catch (...) {
      // No room even for the message: the record stays as it is.
    }
  } catch (...) {
  }
}

void TPageFetcher::FollowAddress(std::string_view utf8, const THttpOptions& options, TPageInfo& info) {
  // Host and Page show the address as typed, without the blanks around it;
  // an address that does not begin with "http" is no page address, and
  // nothing but URL is set. What is sent comes from the parsed address
  // alone: canonical host, encoded target, no fragment, no userinfo.
  std::string host;
  std::string page;
  if (!SplitForDisplay(TrimAddressBlanks(info.URL), host, page)) return;
  std::optional<TUrl> url = ParseUrl(utf8);
  if (!url) {
    info.Host = host;
    info.Page = page;
    throw TError("[" + host + "] IS INVALID ADDRSS.");
  }

  // The credentials of the address answered, once it has asked for them;
  // the cookies its chain's replies have set, for this address alone.
  std::string authorization;
  TCookieJar cookies;
  for (int attempt = 1;; ++attempt) {
    info.Host = host;
    info.Page = page;

    TReply reply = Exchange(*url, authorization, cookies.CookieHeader(*url), options);
    std::string& response = reply.text;

    ReadStatus(regExp_, response, info);
    if (info.StatusCode < 0) return;
    // A proxy that wants credentials answers a plain-http request itself.
    if (info.StatusCode == 407 && reply.proxy) throw TError(ProxyAsksMessage(*reply.proxy));
    const std::string_view head = std::string_view(response).substr(0, reply.bodyStart);
    cookies.Receive(*url, head);

    if (IsFollowedRedirect(info.StatusCode)) {
      const std::string target = ReadRedirectTarget(regExp_, response);
      // The record shows the target as the server wrote it, markup encoded:
      // an absolute one becomes URL, Host and Page; a relative one only
      // Page. The address requested next is the one shown.
      const std::string shown = EncodeMarkupInAddress(target);
      if (StartsWithHttpAnyCase(target)) {
        info.URL = shown;
        SplitForDisplay(info.URL, host, page);
      } else {
        page = shown;
      }
      if (target.empty()) throw TError("the redirect names no address (no Location header)");
      TUrlFailure failure = TUrlFailure::None;
      std::optional<TUrl> next = ParseUrl(ServerAddressText(shown), &*url, &failure);
      if (!next) {
        throw TError(failure == TUrlFailure::OtherScheme
                         ? "the redirect leads to an address that is not http or https: " + shown
                         : "the redirect leads to no valid address: " + shown);
      }
      url = std::move(next);
      authorization.clear();
      if (attempt < MaxRequestsPerAddress) continue;
      return;
    }

    // A site's check for robots in place of the page: named, never taken
    // for the page's title.
    if (auto check = BotCheckOf(info.StatusCode, head, response)) throw TError(*check);

    // Asked to sign in: once, with the credentials of the address answered.
    if (info.StatusCode == 401 && authorization.empty() && attempt < MaxRequestsPerAddress &&
        AsksForBasicSignIn(response)) {
      if (auto credentials = BasicAuthorization(*url)) {
        authorization = std::move(*credentials);
        continue;
      }
    }

    if (info.StatusCode != 200) return;
    // A body that could not be decoded gives no page data at all, never a
    // garbled title.
    if (!reply.failure.empty()) throw TError(reply.failure);
    ExtractPageData(regExp_, std::move(response), info);
    return;
  }
}

}  // namespace vellumark
