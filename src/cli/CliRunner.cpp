#include "cli/CliRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "Common/DateFormat.h"
#include "Common/Error.h"
#include "Main/PageFetcher.h"
#include "Main/TagExpansion.h"
#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/CliSettings.h"

namespace vellumark {

void FetchInOrder(const std::vector<std::string>& addresses, int jobs,
                  const TFetcherFactory& factory, const TLineRenderer& render,
                  const TFetchCallbacks& callbacks) {
  const std::size_t total = addresses.size();
  if (total == 0) return;
  const std::size_t workerCount =
      std::min<std::size_t>(total, static_cast<std::size_t>(std::max(jobs, 1)));

  std::vector<TFetchFunction> fetchers;
  fetchers.reserve(workerCount);
  for (std::size_t w = 0; w < workerCount; ++w) fetchers.push_back(factory());

  std::mutex mutex;
  std::condition_variable ready;
  std::vector<std::optional<std::string>> lines(total);
  std::size_t done = 0;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};  // set when writing fails: no more addresses

  auto work = [&](TFetchFunction& fetch) {
    TPageInfo info;
    for (;;) {
      if (stop.load()) return;
      const std::size_t i = next.fetch_add(1);
      if (i >= total) return;
      std::string bytes;
      try {
        fetch(addresses[i], info);
        bytes = render(info);
      } catch (...) {
        // Every address gives its line, whatever went wrong with it.
        info = TPageInfo{};
        info.URL = addresses[i];
        try {
          bytes = render(info);
        } catch (...) {
          bytes = "\n";
        }
      }
      {
        const std::lock_guard<std::mutex> lock(mutex);
        lines[i] = std::move(bytes);
        ++done;
      }
      ready.notify_one();
    }
  };

  // A thread that cannot be started (the system's thread limit) leaves the
  // work to the workers already running; with none at all, the run fails.
  std::vector<std::thread> workers;
  workers.reserve(workerCount);
  std::string startFailure;
  for (std::size_t w = 0; w < workerCount; ++w) {
    std::function<void()> body = [&work, &fetcher = fetchers[w]] { work(fetcher); };
    try {
      workers.push_back(callbacks.startThread ? callbacks.startThread(std::move(body))
                                              : std::thread(std::move(body)));
    } catch (const std::exception& e) {
      startFailure = e.what();
      break;
    }
  }
  if (workers.empty()) throw TError("cannot start a worker thread: " + startFailure);

  // Write the lines in order from this thread, as soon as each is ready. An
  // exception from the callbacks stops the writing and the handing out of
  // addresses; the fetches under way still end before this returns (the
  // workers hold references into this frame).
  std::exception_ptr failure;
  std::size_t emitted = 0;
  std::size_t reported = 0;
  while (emitted < total && !failure) {
    std::vector<std::string> batch;
    std::size_t doneNow = 0;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return lines[emitted].has_value() || done != reported; });
      for (std::size_t i = emitted; i < total && lines[i].has_value(); ++i) {
        batch.push_back(std::move(*lines[i]));
        lines[i].reset();
      }
      doneNow = done;
    }
    try {
      for (std::size_t k = 0; k < batch.size(); ++k) {
        if (callbacks.emit) callbacks.emit(emitted + k, batch[k]);
      }
      if (doneNow != reported && callbacks.progress) callbacks.progress(doneNow, total);
    } catch (...) {
      failure = std::current_exception();
      stop.store(true);
    }
    emitted += batch.size();
    reported = doneNow;
  }
  for (auto& t : workers) t.join();
  if (failure) std::rethrow_exception(failure);
}

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
    addresses = ReadAddresses(options.files, *env.in);
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
    factory = [httpOptions = env.httpOptions]() -> TFetchFunction {
      auto fetcher = std::make_shared<TPageFetcher>(httpOptions);
      return [fetcher](std::string_view address, TPageInfo& info) {
        fetcher->FetchPageInfo(address, info);
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
