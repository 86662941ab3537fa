// Throughput of the encoding unit on a 1 MiB Japanese page, beside glibc's
// iconv doing the same conversion in the same run. The page is built at run
// time: a fixed Japanese paragraph in UTF-8 inside ASCII markup, repeated
// and converted by iconv into EUC-JP, Shift_JIS and ISO-2022-JP. Before
// timing, the program checks that our results equal iconv's.
#include <iconv.h>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "jconvert/jconvert.h"

namespace vellumark {
namespace {

constexpr std::size_t kPageBytes = 1 << 20;

// Lines of a page: markup and addresses in ASCII, sentences in Japanese
// (kanji, hiragana, katakana and full-width punctuation of JIS X 0208).
const char* const kLines[] = {
    "<div class=\"entry\" id=\"e%d\">\n",
    "<h2><a href=\"http://www.example.co.jp/archives/%d.html\">吾輩は猫である</a></h2>\n",
    "<p>吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
    "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。</p>\n",
    "<p>ウェブページのタイトルと説明文を取得して、リンクタグを作成します。"
    "更新日：2004年12月31日（金曜日）、価格は1,980円です。</p>\n",
    "<ul><li>東京都千代田区</li><li>大阪府大阪市</li><li>ソフトウェア開発</li></ul>\n",
    "</div>\n",
};

class TIconv {
 public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts `in` into `out`, whose capacity is reused between calls.
  void Convert(const std::string& in, std::string& out) {
    if (out.size() < in.size() * 2 + 16) out.resize(in.size() * 2 + 16);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
      throw std::runtime_error("iconv failed");
    }
    length_ = out.size() - dstLeft;
  }
  std::size_t Length() const { return length_; }

 private:
  iconv_t cd_;
  std::size_t length_ = 0;
};

std::string Reencode(const std::string& utf8, const char* to) {
  TIconv conv(to, "UTF-8");
  std::string out;
  conv.Convert(utf8, out);
  out.resize(conv.Length());
  return out;
}

struct TPages {
  std::string euc;
  std::string sjis;
  std::string jis;
  std::string sevenBit;  // the JIS page without its escape sequences
};

const TPages& Pages() {
  static const TPages pages = [] {
    // Grow the UTF-8 page until its EUC-JP form passes 1 MiB.
    std::string utf8;
    char line[512];
    int entry = 0;
    while (Reencode(utf8, "EUC-JP").size() < kPageBytes) {
      for (int k = 0; k < 64; ++k, ++entry) {
        for (const char* format : kLines) {
          std::snprintf(line, sizeof line, format, entry);
          utf8 += line;
        }
      }
    }
    TPages p;
    p.euc = Reencode(utf8, "EUC-JP");
    p.sjis = Reencode(utf8, "SHIFT_JIS");
    p.jis = Reencode(utf8, "ISO-2022-JP");
    for (std::size_t i = 0; i < p.jis.size(); ++i) {
      if (p.jis[i] == '\x1b') {
        i += 2;
      } else {
        p.sevenBit.push_back(p.jis[i]);
      }
    }
    return p;
  }();
  return pages;
}

void Verify() {
  const TPages& p = Pages();
  const bool ok = EucToSjis(p.euc) == p.sjis && JisToSjis(p.jis) == p.sjis && SjisToEuc(p.sjis) == p.euc &&
                  DetectJapaneseCode(p.euc) == jcEuc && DetectJapaneseCode(p.sjis) == jcSjis &&
                  DetectJapaneseCode(p.jis) == jcJisNew && DetectJapaneseCode(p.sevenBit) == jcAscii;
  if (!ok) throw std::runtime_error("our conversions disagree with iconv on the benchmark page");
  std::printf("page: EUC-JP %zu bytes, Shift_JIS %zu bytes, ISO-2022-JP %zu bytes\n", p.euc.size(),
              p.sjis.size(), p.jis.size());
}

void Ours(benchmark::State& state, std::string (*convert)(std::string_view), const std::string& input) {
  for (auto _ : state) {
    std::string out = convert(input);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void Iconv(benchmark::State& state, const char* to, const char* from, const std::string& input) {
  TIconv conv(to, from);
  std::string out;
  for (auto _ : state) {
    conv.Convert(input, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void BM_DetectJapaneseCode_EucPage(benchmark::State& state) {
  // Stops at the first deciding pair: this measures the early exit.
  const std::string& text = Pages().euc;
  for (auto _ : state) benchmark::DoNotOptimize(DetectJapaneseCode(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_DetectJapaneseCode_SevenBitPage(benchmark::State& state) {
  // Nothing decides: the scan runs to the end.
  const std::string& text = Pages().sevenBit;
  for (auto _ : state) benchmark::DoNotOptimize(DetectJapaneseCode(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_EucToSjis(benchmark::State& state) { Ours(state, &EucToSjis, Pages().euc); }
void BM_iconv_EucToSjis(benchmark::State& state) { Iconv(state, "SHIFT_JIS", "EUC-JP", Pages().euc); }
void BM_JisToSjis(benchmark::State& state) { Ours(state, &JisToSjis, Pages().jis); }
void BM_iconv_JisToSjis(benchmark::State& state) { Iconv(state, "SHIFT_JIS", "ISO-2022-JP", Pages().jis); }
void BM_SjisToEuc(benchmark::State& state) { Ours(state, &SjisToEuc, Pages().sjis); }
void BM_iconv_SjisToEuc(benchmark::State& state) { Iconv(state, "EUC-JP", "SHIFT_JIS", Pages().sjis); }

BENCHMARK(BM_DetectJapaneseCode_EucPage);
BENCHMARK(BM_DetectJapaneseCode_SevenBitPage);
BENCHMARK(BM_EucToSjis);
BENCHMARK(BM_iconv_EucToSjis);
BENCHMARK(BM_JisToSjis);
BENCHMARK(BM_iconv_JisToSjis);
BENCHMARK(BM_SjisToEuc);
BENCHMARK(BM_iconv_SjisToEuc);

// Keeps each benchmark's throughput so the ratios to iconv can be printed
// after the table.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found != run.counters.end() && run.run_type == Run::RT_Iteration) {
        rates_[run.benchmark_name()] = found->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    for (const char* name : {"EucToSjis", "JisToSjis", "SjisToEuc"}) {
      const auto ours = rates_.find(std::string("BM_") + name);
      const auto theirs = rates_.find(std::string("BM_iconv_") + name);
      if (ours == rates_.end() || theirs == rates_.end() || theirs->second <= 0) continue;
      std::printf("%-10s ours %8.1f MB/s  iconv %7.1f MB/s  ratio %5.1fx\n", name, ours->second / 1e6,
                  theirs->second / 1e6, ours->second / theirs->second);
    }
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace
}  // namespace vellumark

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    vellumark::Verify();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_jconvert: %s\n", e.what());
    return 1;
  }
  vellumark::TRatioReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
