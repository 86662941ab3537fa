// Fetching one page address into a TPageInfo record: the address is parsed
// once as a browser parses it (Url/Url.h), then an HTTP/1.0 GET goes to its
// canonical host and port, over TLS for an https address, following 301,
// 302, 303, 307 and 308 redirects resolved against the address answered,
// reading only up to the start of the page body, then picking the page's
// data out of what arrived. URL, Host and Page show the address as typed.
//
// One TPageFetcher serves one thread: it owns its regular-expression object
// and its receive buffer (the main window keeps one fetcher for them), and
// nothing is shared between fetchers, so each worker of vellumark-cli can
// fetch on its own thread at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Http/Http.h"
#include "Links/PageFetcherMarker.h"
#include "Links/PageInfo.h"
#include "RegExp/RegExp.h"
#include "Url/Url.h"

namespace vellumark {

// The most requests made for one address, the first one included: at most
// nine redirects are followed.
inline constexpr int MaxRequestsPerAddress = 10;

// Receiving stops once this much of a response has been collected, so a page
// without a body tag, or a large binary, cannot exhaust memory.
inline constexpr std::size_t MaxResponseSize = 4 * 1024 * 1024;

// The request for one page: the request target, then the host and the port
// the request goes to (the HOST line names both), and, when not empty, the
// value of an Authorization header.
std::string BuildRequestText(std::string_view page, std::string_view host,
                             std::uint16_t port = HttpPort, std::string_view authorization = {});

// The request for a parsed address: its target, and its canonical host (an
// IPv6 address in brackets) with the port connected to.
std::string BuildRequestText(const TUrl& url, std::string_view authorization = {});

// True for the redirect codes a fetch follows: 301, 302, 303, 307 and 308.
bool IsFollowedRedirect(std::int32_t statusCode);

class TPageFetcher {
 public:
  explicit TPageFetcher(const THttpOptions& options = {});

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

  // The receive sink of one exchange: appends the block to the response
  // buffer; false (stop receiving) once the buffer holds "<body" in any
  // letter case before its first zero byte, or has reached MaxResponseSize.
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
  void FollowAddress(std::string_view utf8, TPageInfo& info);

  // One request for `url`; the text that arrived for it.
  std::string Exchange(const TUrl& url, std::string_view authorization);

  THttpOptions options_;
  TRegExp regExp_;
  std::string responseBuffer_;
  TBodyMarkerScan markerScan_;
};

}  // namespace vellumark
