// What decoding a reply costs: a typical 30 KiB page head sent plain, gzip
// compressed, and gzip compressed in chunks, fed to TReplyDecoder in blocks
// of 1025 bytes (the receive block size). Decode: the decoder alone. Fetch
// side: the decoder, the body marker scan after each block, and the status
// and page data extraction, as a fetch does them; the gzip rows' cost over
// the plain row's is what compression adds to a fetch.
#include <benchmark/benchmark.h>

#define ZLIB_CONST
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Links/PageFetcherExtract.h"
#include "Links/PageFetcherMarker.h"
#include "Reply/ReplyDecoder.h"

namespace {

using namespace vellumark;

constexpr std::size_t kBlock = 1025;
constexpr std::size_t kCap = 4 * 1024 * 1024;
const char* const kLabels[] = {"plain", "gzip", "chunked gzip"};

std::string PageHead() {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"UTF-8\">\r\n"
      "<title>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8 - bench</title>\r\n"
      "<meta name=\"description\" content=\"bench description text\">\r\n";
  const std::string filler[] = {
      "<link rel=\"stylesheet\" href=\"/css/site.css?v=20240101\" type=\"text/css\">\r\n",
      "<script type=\"text/javascript\">var config = { id: 'UA-000000-1', path: '/a/b/c' };</script>\r\n",
      "<style>.nav li a:hover { color: #336699; text-decoration: underline; }</style>\r\n",
      "<meta property=\"og:image\" content=\"https://example.com/images/share.png\">\r\n",
  };
  for (std::size_t i = 0; page.size() < 30 * 1024; ++i) page += filler[i % 4];
  return page + "</head>\r\n<body>\r\n";
}

std::string Gzip(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<const Bytef*>(text.data());
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// The reply of row `kind`: 0 plain, 1 gzip, 2 gzip in 4 KiB chunks.
std::string Reply(int kind) {
  const std::string page = PageHead();
  const std::string head = "HTTP/1.1 200 OK\r\nServer: bench\r\nContent-Type: text/html; charset=UTF-8\r\n";
  if (kind == 0) return head + "Content-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page;
  const std::string body = Gzip(page);
  if (kind == 1) {
    return head + "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  std::string reply = head + "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (std::size_t at = 0; at < body.size(); at += 4096) {
    const std::string chunk = body.substr(at, 4096);
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
    reply += size + chunk + "\r\n";
  }
  return reply + "0\r\n\r\n";
}

// The reply fed block by block, as the receive loop does; with `scan`, the
// body marker scan after each block ends it as a fetch would.
std::string Receive(const std::string& reply, bool scan) {
  TReplyDecoder decoder(kCap);
  TBodyMarkerScan marker;
  std::string text;
  for (std::size_t at = 0; at < reply.size(); at += kBlock) {
    const std::size_t before = text.size();
    const bool more = decoder.Feed(std::string_view(reply).substr(at, kBlock), text);
    if (scan && marker.Update(text, text.size() - before)) break;
    if (!more) break;
  }
  return text;
}

void BM_Decode(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string reply = Reply(kind);
  std::size_t decoded = 0;
  for (auto _ : state) {
    const std::string text = Receive(reply, false);
    decoded = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetLabel(kLabels[kind]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * decoded));
}
BENCHMARK(BM_Decode)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_FetchSide(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string reply = Reply(kind);
  TRegExp regExp;
  TPageInfo info;
  for (auto _ : state) {
    std::string text = Receive(reply, true);
    ReadStatus(regExp, text, info);
    ExtractPageData(regExp, std::move(text), info);
    benchmark::DoNotOptimize(info.Title.data());
  }
  if (info.Title.empty()) state.SkipWithError("no title found");
  state.SetLabel(kLabels[kind]);
}
BENCHMARK(BM_FetchSide)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
