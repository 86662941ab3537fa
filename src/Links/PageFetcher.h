// Fetching one page address into a TPageInfo record: the address is parsed
// once as a browser parses it (Url/Url.h), then an HTTP/1.1 GET
// (Links/RequestText.h) goes to its canonical host and port, over TLS for an
// https address, following 301, 302, 303, 307 and 308 redirects resolved
// against the address answered, with the cookies the chain's replies set
// (Links/CookieJar.h), reading the reply through its chunked and compressed
// codings (Reply/ReplyDecoder.h) only up to the start of the page body, then
// picking the page's data out of what arrived; a bot check instead of the
// page is named in Error (Links/BotCheck.h). The whole address, redirects
// and all, gets one deadline. URL, Host and Page show the address as typed.
//
// One TPageFetcher serves one thread: it owns its regular-expression object
// and its receive buffer (the main window keeps one fetcher for them), and
// nothing is shared between fetchers, so each worker of vellumark-cli can
// fetch on its own thread at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Http/Http.h"
#include "Links/PageFetcherMarker.h"
#include "Links/PageInfo.h"
#include "Links/RequestText.h"
#include "Proxy/ProxyFinder.h"
#include "RegExp/RegExp.h"
#include "Reply/ReplyDecoder.h"
#include "Url/Url.h"

namespace vellumark {

// The most requests made for one address, the first one included: at most
// nine redirects are followed.
inline constexpr int MaxRequestsPerAddress = 10;

// Receiving stops once this much of a response has been collected (decoded
// bytes: a compressed reply counts what it unpacks to), so a page without a
// body tag, a large binary or a compression bomb cannot exhaust memory.
inline constexpr std::size_t MaxResponseSize = 4 * 1024 * 1024;

// True for the redirect codes a fetch follows: 301, 302, 303, 307 and 308.
bool IsFollowedRedirect(std::int32_t statusCode);

class TPageFetcher {
 public:
  // `proxies` says how each address is reached (Proxy/ProxyFinder.h); null:
  // directly.
  explicit TPageFetcher(const THttpOptions& options = {}, TRequestSettings request = {},
                        std::shared_ptr<const TProxyFinder> proxies = nullptr);

  TPageFetcher(const TPageFetcher&) = delete;
  TPageFetcher& operator=(const TPageFetcher&) = delete;

  // Empties `info`, then fills it as far as the fetch gets. Never throws:
  // the record shows how far the fetch went, and its Error holds the message
  // of a failure that ended it. `address` is typed text in Shift_JIS (the
  // window's address list); it is read as Unicode for the parser.
  void FetchPageInfo(std::string_view address, TPageInfo& info) noexcept;

  // The same for an address in UTF-8 (vellumark-cli's input), parsed as it
  // is; the record shows it in Shift_JIS, a character code page 932 lacks as
  // its "&#NNNN;" reference.
  void FetchUtf8PageInfo(std::string_view utf8Address, TPageInfo& info) noexcept;

  // The receive sink of one exchange: reads the block through the reply
  // decoder into the response buffer; false (stop receiving) once the buffer
  // holds "<body" in any letter case before its first zero byte, has reached
  // MaxResponseSize, or the reply is complete or cannot be decoded.
  bool ReceiveChunk(const char* data, int count);

  // The text received so far for the request under way (empty between
  // fetches).
  const std::string& ResponseBuffer() const { return responseBuffer_; }

  // Empties the response buffer for a new request.
  void BeginResponse();

  static void ConvertByCharset(std::string& text, std::string_view charset);

 private:
  // The fetch of both entry points: `shown` goes into the record, `utf8` to
  // the parser.
  void Fetch(std::string shown, std::string_view utf8, TPageInfo& info) noexcept;
  void FollowAddress(std::string_view utf8, const THttpOptions& options, TPageInfo& info);

  // What arrived for one request: the head as received, then the decoded
  // body; where the body starts (npos without a complete head); and why the
  // body could not be decoded (empty when it could); the proxy it came
  // through.
  struct TReply {
    std::string text;
    std::size_t bodyStart;
    std::string failure;
    std::optional<THttpProxy> proxy;
  };
  TReply Exchange(const TUrl& url, std::string_view authorization, std::string_view cookie,
                  const THttpOptions& options);

  THttpOptions options_;
  TRequestSettings request_;
  std::shared_ptr<const TProxyFinder> proxies_;
  // The decoder of the reply under way; a fresh one for each request.
  std::optional<TReplyDecoder> decoder_;
  TRegExp regExp_;
  std::string responseBuffer_;
  TBodyMarkerScan markerScan_;
};

}  // namespace vellumark
