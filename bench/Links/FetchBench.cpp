// What a page fetch costs: whole fetches of a typical 30 KiB page head from a
// loopback server, and the extraction alone (the patterns and the charset
// conversion) for a 30 KiB and a 1 MiB head.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "Common/Codepage.h"
#include "Links/PageFetcher.h"
#include "Links/PageFetcherExtract.h"
#include "support/LoopbackServer.h"

namespace {

using namespace vellumark;

const std::string kTitleSjis = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b\x83\x57";
const std::string kTitleEuc = "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xda\xa1\xbc\xa5\xb8";
const std::string kTitleUtf8 =
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8";

// A page head as sites send them: the title and description near the top,
// then style sheets, scripts and link elements up to `size` bytes, then the
// body tag. An empty charset leaves the page undeclared.
std::string ResponseText(std::size_t size, const std::string& charset, const std::string& title) {
  const std::string parameter = charset.empty() ? "" : "; charset=" + charset;
  std::string text = "HTTP/1.1 200 OK\r\nServer: bench\r\nContent-Type: text/html" + parameter +
                     "\r\nCache-Control: no-cache\r\n\r\n<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n"
                     "<meta http-equiv=\"Content-Type\" content=\"text/html" + parameter +
                     "\">\r\n<title>" + title + " - bench</title>\r\n"
                     "<meta name=\"description\" content=\"" + title + " description text\">\r\n";
  const std::string filler[] = {
      "<link rel=\"stylesheet\" href=\"/css/site.css?v=20240101\" type=\"text/css\">\r\n",
      "<script type=\"text/javascript\">var config = { id: 'UA-000000-1', path: '/a/b/c' };</script>\r\n",
      "<style>.nav li a:hover { color: #336699; text-decoration: underline; }</style>\r\n",
      "<meta property=\"og:image\" content=\"https://example.com/images/share.png\">\r\n",
  };
  for (std::size_t i = 0; text.size() < size; ++i) text += filler[i % 4];
  text += "</head>\r\n<body>\r\n";
  return text;
}

void BM_ExtractPageData(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const char* charsets[] = {"Shift_JIS", "UTF-8", "EUC-JP", ""};
  const char* labels[] = {"Shift_JIS", "UTF-8", "EUC-JP", "undeclared UTF-8"};
  const std::string titles[] = {kTitleSjis, kTitleUtf8, kTitleEuc, kTitleUtf8};
  const int which = static_cast<int>(state.range(1));
  const std::string text = ResponseText(size, charsets[which], titles[which]);
  TRegExp regExp;
  TPageInfo info;
  for (auto _ : state) {
    ReadStatus(regExp, text, info);
    ExtractPageData(regExp, text, info);
    benchmark::DoNotOptimize(info.Title.data());
  }
  if (info.Title.empty()) state.SkipWithError("no title found");
  state.SetLabel(labels[which]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ExtractPageData)
    ->ArgsProduct({{30 * 1024, 1024 * 1024}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);

// The checks an undeclared page now goes through before its conversion: the
// HTML5 charset element and the UTF-8 test, over the whole head.
void BM_UndeclaredPageChecks(benchmark::State& state) {
  const std::string text = ResponseText(30 * 1024, "", kTitleUtf8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindMetaCharset(text).data());
    benchmark::DoNotOptimize(IsMultiByteUtf8(text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UndeclaredPageChecks)->Unit(benchmark::kMicrosecond);

// One fetch per iteration; 1,000 iterations make the 1,000 addresses.
void BM_FetchPageInfo(benchmark::State& state) {
  TSocketLibrary library;
  loopback::TLoopbackServer server(std::map<std::string, loopback::TScript>{
      {"/page.html", loopback::Respond(ResponseText(30 * 1024, "Shift_JIS", kTitleSjis))}});
  THttpOptions options;
  options.port = server.Port();
  TPageFetcher fetcher(options);
  TPageInfo info;
  for (auto _ : state) {
    fetcher.FetchPageInfo("http://127.0.0.1/page.html", info);
    benchmark::DoNotOptimize(info.Title.data());
  }
  if (info.StatusCode != 200) state.SkipWithError("fetch failed");
}
BENCHMARK(BM_FetchPageInfo)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
