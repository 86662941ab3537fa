// What parsing one address costs: a plain ASCII address (the ASCII fast
// path, no IDNA), one with a Japanese path and query (UTF-8 percent-encoded),
// one with a Japanese domain (the platform's IDNA), and a redirect target
// resolved against a base.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

#include "Url/Url.h"

namespace {

using namespace vellumark;

void Parse(benchmark::State& state, std::string_view address) {
  for (auto _ : state) {
    auto url = ParseUrl(address);
    benchmark::DoNotOptimize(url);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(address.size()));
}

void BM_ParseAscii(benchmark::State& state) {
  Parse(state, "https://www.example.com/news/2024/06/article.html?page=2&sort=date#comments");
}

void BM_ParseJapanesePath(benchmark::State& state) {
  Parse(state, "https://ja.wikipedia.org/wiki/日本語の文字?検索=東京都#歴史");
}

void BM_ParseIdnHost(benchmark::State& state) {
  Parse(state, "http://日本語ドメイン.jp/index.html");
}

void BM_ResolveRelative(benchmark::State& state) {
  const auto base = ParseUrl("https://www.example.com/news/2024/06/article.html?page=2");
  for (auto _ : state) {
    auto url = ParseUrl("../../archive/index.html?year=2023", &*base);
    benchmark::DoNotOptimize(url);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ParseAscii);
BENCHMARK(BM_ParseJapanesePath);
BENCHMARK(BM_ParseIdnHost);
BENCHMARK(BM_ResolveRelative);

}  // namespace

BENCHMARK_MAIN();
