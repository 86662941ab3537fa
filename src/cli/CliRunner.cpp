#include "cli/CliRunner.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <thread>

#include "Common/DateFormat.h"
#include "Common/Error.h"
#include "Links/PageFetcher.h"
#include "Links/TagExpansion.h"
#include "Proxy/ProcessEnvironment.h"
#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/CliSettings.h"

namespace vellumark {

namespace {

// The progress counter "done/total" on one line of a terminal, rewritten in
// place. Standard output is often the same terminal, so the counter is wiped
// before any output line is written (the line then starts at the left edge
// instead of after the counter) and drawn again after it; it is also wiped
// when the run ends.
class TProgressCounter {
 public:
  TProgressCounter(std::ostream* err, bool enabled) : err_(err), enabled_(enabled && err) {}
  void Show(std::size_t done, std::size_t total) {
    if (!enabled_) return;
    const std::string text = std::to_string(done) + "/" + std::to_string(total);
    width_ = std::max(width_, text.size());
    *err_ << '\r' << text << std::flush;
    visible_ = true;
  }
  void Clear() {
    if (!visible_) return;
    *err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    visible_ = false;
  }

 private:
  std::ostream* err_;
  bool enabled_;
  std::size_t width_ = 0;
  bool visible_ = false;
};

}  // namespace

int RunCli(const std::vector<std::string>& args, const TCliEnvironment& env) {
  std::ostream& out = *env.out;
  std::ostream& err = *env.err;
  auto fail = [&](const std::string& message) {
    err << "vellumark-cli: " << message << "\n" << std::flush;
    return 2;
  };
  auto writeFailure = [&] {
    err << "vellumark-cli: cannot write standard output\n" << std::flush;
    return 1;
  };

  TCliOptions options;
  TRunTemplate run;
  std::vector<std::string> addresses;
  try {
    options = ParseCliOptions(args);
    if (options.help) {
      out << CliUsageText() << std::flush;
      return out ? 0 : writeFailure();
    }
    if (options.version) {
      out << CliVersionText() << "\n" << std::flush;
      return out ? 0 : writeFailure();
    }
    run = ResolveRunTemplate(options);
    std::size_t skippedLinks = 0;
    addresses = ReadAddresses(options.files, *env.in, &skippedLinks);
    if (skippedLinks > 0) {
      err << "vellumark-cli: " << skippedLinks << (skippedLinks == 1 ? " link" : " links")
          << " skipped (not http or https)\n" << std::flush;
    }
  } catch (const TError& e) {
    return fail(e.what());
  }

  TLineRenderer render;
  if (options.json) {
    render = [](const TPageInfo& info) { return FormatJsonLine(info) + "\n"; };
  } else {
    render = [&run, encoding = options.encoding](const TPageInfo& info) {
      const TDateTime now = run.fixedNow ? *run.fixedNow : NowLocal();
      return EncodeTagLine(ExpandTag(run.tagTemplate, info, run.date, now), encoding);
    };
  }

  TFetcherFactory factory = env.fetcherFactory;
  if (!factory) {
    // One finder for all workers: Windows' auto-detection and script run
    // at most once a run, and its answers are kept for every worker.
    auto proxies = MakeProxyFinder({env.environment ? env.environment : ProcessEnvironment(), run.proxy,
                                    run.iniProxy, /*useSystem=*/true});
    factory = [httpOptions = env.httpOptions, request = run.request, proxies]() -> TFetchFunction {
      auto fetcher = std::make_shared<TPageFetcher>(httpOptions, request, proxies);
      return [fetcher](std::string_view address, TPageInfo& info) {
        fetcher->FetchUtf8PageInfo(address, info);
      };
    };
  }

  TProgressCounter progress(&err, env.errIsTerminal && !options.quiet);
  // Thrown by the emit callback when a line could not be written: it stops
  // the run, so no further address is fetched.
  struct TOutputFailed {};
  TFetchCallbacks callbacks;
  callbacks.emit = [&](std::size_t, const std::string& bytes) {
    progress.Clear();  // drawn again by the progress call after the lines
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) throw TOutputFailed{};
  };
  callbacks.progress = [&](std::size_t done, std::size_t total) { progress.Show(done, total); };
  callbacks.startThread = env.startThread;

  try {
    FetchInOrder(addresses, options.jobs, factory, render, callbacks);
  } catch (const TOutputFailed&) {
    progress.Clear();
    return writeFailure();
  } catch (const TError& e) {
    progress.Clear();
    return fail(e.what());
  }
  progress.Clear();
  return 0;
}

}  // namespace vellumark
