#include "Links/OrderedFetch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>

#include "Common/Error.h"

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

}  // namespace vellumark
