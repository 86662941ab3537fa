// Fetching one page address into a TPageInfo record: an HTTP/1.0 GET to the
// page's host and port, over TLS for an https address, following 301, 302,
// 303, 307 and 308 redirects, reading only up to the start of the page body,
// then picking the page's data out of what arrived.
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

namespace vellumark {

// The most requests made for one address, the first one included: at most
// nine redirects are followed.
inline constexpr int MaxRequestsPerAddress = 10;

// Receiving stops once this much of a response has been collected, so a page
// without a body tag, or a large binary, cannot exhaust memory.
inline constexpr std::size_t MaxResponseSize = 4 * 1024 * 1024;

// The request for one page: the page text, then the host and the port the
// request goes to (the HOST line names both).
std::string BuildRequestText(std::string_view page, std::string_view host,
                             std::uint16_t port = HttpPort);

// True for the redirect codes a fetch follows: 301, 302, 303, 307 and 308.
bool IsFollowedRedirect(std::int32_t statusCode);

class TPageFetcher {
 public:
  explicit TPageFetcher(const THttpOptions& options = {});

  TPageFetcher(const TPageFetcher&) = delete;
  TPageFetcher& operator=(const TPageFetcher&) = delete;

  // Empties `info`, then fills it as far as the fetch gets. Never throws:
  // the record shows how far the fetch went, and its Error holds the message
  // of a failure that ended it.
  void FetchPageInfo(std::string_view address, TPageInfo& info) noexcept;

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
  // One request to the host text's endpoint; the text that arrived for it.
  std::string Exchange(const std::string& host, bool secure, const std::string& page);

  THttpOptions options_;
  TRegExp regExp_;
  std::string responseBuffer_;
  TBodyMarkerScan markerScan_;
};

}  // namespace vellumark
