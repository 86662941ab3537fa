#include "Links/PageFetcher.h"

#include <algorithm>
#include <utility>

#include "Common/AsciiCase.h"
#include "Links/PageFetcherExtract.h"

namespace vellumark {

namespace {

bool StartsWithHttpAnyCase(std::string_view text) { return StartsWithIgnoreCase(text, "http"); }

}  // namespace

std::string BuildRequestText(std::string_view page, std::string_view host) {
  std::string request;
  request.reserve(page.size() + host.size() + 110);
  request += "GET ";
  request += page;
  request += " HTTP/1.0\r\nHOST: ";
  request += host;
  request += ":80\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n\r\n";
  return request;
}

TPageFetcher::TPageFetcher(const THttpOptions& options) : options_(options) {}

void TPageFetcher::ConvertByCharset(std::string& text, std::string_view charset) {
  vellumark::ConvertByCharset(text, charset);
}

void TPageFetcher::BeginResponse() {
  responseBuffer_.clear();
  markerScan_.Reset();
}

bool TPageFetcher::ReceiveChunk(const char* data, int count) {
  if (count <= 0 || data == nullptr) return true;
  const std::size_t room = MaxResponseSize - std::min(MaxResponseSize, responseBuffer_.size());
  const std::size_t added = std::min(static_cast<std::size_t>(count), room);
  responseBuffer_.append(data, added);
  if (markerScan_.Update(responseBuffer_, added)) return false;
  return responseBuffer_.size() < MaxResponseSize;
}

std::string TPageFetcher::Exchange(const std::string& host, const std::string& page) {
  // The buffer is emptied on every way out, errors included, so a failed
  // request leaves nothing behind for the next one.
  struct TRelease {
    TPageFetcher& self;
    ~TRelease() {
      std::string().swap(self.responseBuffer_);
      self.markerScan_.Reset();
    }
  } release{*this};

  BeginResponse();
  const std::string request = BuildRequestText(page, host);
  const TReceiveSink sink = [this](const char* data, int count) {
    return ReceiveChunk(data, count);
  };
  HttpExchange(host, request, sink, options_);
  return std::exchange(responseBuffer_, std::string());
}

void TPageFetcher::FetchPageInfo(std::string_view address, TPageInfo& info) noexcept {
  // Whatever way the fetch ends, the pattern engine keeps none of the page
  // text (up to 4 MiB, several times that as wide text) once it is over, so
  // an idle fetcher, one per worker in vellumark-cli, holds no page memory.
  struct TReleaseOnExit {
    TRegExp& regExp;
    ~TReleaseOnExit() { regExp.ForgetSubject(); }
  } release{regExp_};
  try {
    // `address` may point into `info` itself (fetching a record's own URL
    // again), so it is copied before the record is emptied.
    std::string url(address);
    info = TPageInfo{};
    info.URL = std::move(url);

    std::string host;
    std::string page;
    if (!SplitUrl(info.URL, host, page)) return;

    for (int attempt = 1;; ++attempt) {
      info.Host = host;
      info.Page = page;

      std::string response = Exchange(host, page);

      ReadStatus(regExp_, response, info);
      if (info.StatusCode < 0) return;

      if (info.StatusCode == 301 || info.StatusCode == 302) {
        std::string target = ReadRedirectTarget(regExp_, response);
        if (StartsWithHttpAnyCase(target)) {
          info.URL = EncodeMarkupInAddress(target);
          if (!SplitUrl(info.URL, host, page)) return;
        } else {
          // Relative: same host; a missing Location gives an empty page.
          page = EncodeMarkupInAddress(target);
        }
        if (attempt < MaxRequestsPerAddress) continue;
        return;
      }

      if (info.StatusCode == 200) ExtractPageData(regExp_, std::move(response), info);
      return;
    }
  } catch (...) {
    // Every failure of a fetch (unknown host, refused connection, time-out,
    // engine error, memory) ends it quietly; the record keeps what it has.
  }
}

}  // namespace vellumark
