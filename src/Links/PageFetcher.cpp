#include "Links/PageFetcher.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include "Common/AsciiCase.h"
#include "Common/Error.h"
#include "Http/WireAddress.h"
#include "Links/PageFetcherExtract.h"

namespace vellumark {

namespace {

bool StartsWithHttpAnyCase(std::string_view text) { return StartsWithIgnoreCase(text, "http"); }

}  // namespace

std::string BuildRequestText(std::string_view page, std::string_view host, std::uint16_t port) {
  std::string request;
  request.reserve(page.size() + host.size() + 110);
  request += "GET ";
  request += page;
  request += " HTTP/1.0\r\nHOST: ";
  request += host;
  request += ':';
  request += std::to_string(port);
  request += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n\r\n";
  return request;
}

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

std::string TPageFetcher::Exchange(const std::string& host, bool secure, const std::string& page) {
  // The buffer is emptied on every way out, errors included, so a failed
  // request leaves nothing behind for the next one.
  struct TRelease {
    TPageFetcher& self;
    ~TRelease() {
      std::string().swap(self.responseBuffer_);
      self.markerScan_.Reset();
    }
  } release{*this};

  // A port that is no number from 1 to 65535 names no host to go to.
  const auto endpoint = EndpointOf(host, secure);
  if (!endpoint) throw TError("[" + host + "] IS INVALID ADDRSS.");

  BeginResponse();
  const std::string request = BuildRequestText(page, endpoint->host, endpoint->port);
  const TReceiveSink sink = [this](const char* data, int count) {
    return ReceiveChunk(data, count);
  };
  HttpExchange(*endpoint, request, sink, options_);
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

    // Host and Page show the address as typed, without the blanks around it
    // (so a line pasted with a leading blank is fetched too; SplitUrl still
    // takes only an address that begins with "http"). What is sent comes
    // from the same address without its fragment (Http/WireAddress.h).
    const std::string typed(TrimAddressBlanks(info.URL));
    std::string host;
    std::string page;
    if (!SplitUrl(typed, host, page)) return;
    bool secure = IsSecureAddress(typed);
    std::string wireHost;
    std::string wirePage;
    SplitUrl(WithoutFragment(typed), wireHost, wirePage);
    TAddressOrigin hostOrigin = TAddressOrigin::Typed;
    TAddressOrigin pageOrigin = TAddressOrigin::Typed;

    for (int attempt = 1;; ++attempt) {
      info.Host = host;
      info.Page = page;

      std::string response =
          Exchange(WireHost(wireHost, hostOrigin), secure, RequestTarget(wirePage, pageOrigin));

      ReadStatus(regExp_, response, info);
      if (info.StatusCode < 0) return;

      if (IsFollowedRedirect(info.StatusCode)) {
        std::string target = ReadRedirectTarget(regExp_, response);
        if (StartsWithHttpAnyCase(target)) {
          info.URL = EncodeMarkupInAddress(target);
          if (!SplitUrl(info.URL, host, page)) return;
          secure = IsSecureAddress(info.URL);
          SplitUrl(WithoutFragment(info.URL), wireHost, wirePage);
          hostOrigin = TAddressOrigin::Server;
        } else {
          // Relative: same host; a missing Location gives an empty page.
          page = EncodeMarkupInAddress(target);
          wirePage = page;
        }
        pageOrigin = TAddressOrigin::Server;
        if (attempt < MaxRequestsPerAddress) continue;
        return;
      }

      if (info.StatusCode == 200) ExtractPageData(regExp_, std::move(response), info);
      return;
    }
  } catch (const std::exception& failure) {
    // Every failure of a fetch (unknown host, refused connection, time-out,
    // certificate, handshake, engine error, memory) ends it; the record
    // keeps what it has and says why in Error.
    try {
      info.Error = failure.what();
    } catch (...) {
      // No room even for the message: the record stays as it is.
    }
  } catch (...) {
  }
}

}  // namespace vellumark
