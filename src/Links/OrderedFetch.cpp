#include "Links/OrderedFetch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

#include "Common/Error.h"

namespace vellumark {
namespace {

// The threads of every run that have not ended yet. Never destroyed: a
// thread of a stopped run may end while the program shuts down.
struct TLiveThreads {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
};

TLiveThreads& LiveThreads() {
  static auto* live = new TLiveThreads;
  return *live;
}

void CountThread(int change) {
  TLiveThreads& live = LiveThreads();
  {
    const std::lock_guard<std::mutex> lock(live.mutex);
    live.count += change;
  }
  live.changed.notify_all();
}

}  // namespace

// What the threads of one run share: the work, the finished lines, the stop
// flag. Owned jointly by the run's threads and its owner.
struct TOrderedFetch::TState {
  std::vector<std::string> addresses;
  TLineRenderer render;
  TFetchCallbacks callbacks;
  std::function<void()> finished;
  TFetcherFactory factory;
  std::size_t workerCount = 0;
  std::shared_ptr<std::atomic<bool>> stop;
  std::atomic<bool> ownerStopped{false};

  std::mutex mutex;  // guards lines and done
  std::condition_variable ready;
  std::vector<std::optional<std::string>> lines;
  std::size_t done = 0;
  std::atomic<std::size_t> next{0};
  // Held while a callback runs, so that Stop can wait for the one under way.
  std::mutex callbackMutex;

  bool Stopped() const { return stop->load(); }

  void RequestStop() {
    stop->store(true);
    { const std::lock_guard<std::mutex> lock(mutex); }
    ready.notify_all();
  }

  // One worker: takes the next address until there is none or the run stops.
  void Work() {
    // The worker's own fetcher, made on its own thread. Without one, every
    // address it takes gives the line of a failed fetch.
    TFetchFunction fetch;
    try {
      fetch = factory();
    } catch (...) {
    }
    if (!fetch) fetch = [](std::string_view, TPageInfo&) { throw TError("no fetcher"); };
    const std::size_t total = addresses.size();
    TPageInfo info;
    while (!Stopped()) {
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
      ready.notify_all();
    }
  }

  // Hands the lines out in order, each as soon as it and all before it are
  // ready, until all are out or the run stops. What a callback throws comes
  // out of here.
  void HandOut() {
    const std::size_t total = addresses.size();
    std::size_t emitted = 0;
    std::size_t reported = 0;
    while (emitted < total) {
      std::vector<std::string> batch;
      std::size_t doneNow = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return Stopped() || lines[emitted].has_value() || done != reported; });
        if (Stopped()) return;
        for (std::size_t i = emitted; i < total && lines[i].has_value(); ++i) {
          batch.push_back(std::move(*lines[i]));
          lines[i].reset();
        }
        doneNow = done;
      }
      const std::lock_guard<std::mutex> lock(callbackMutex);
      if (Stopped()) return;
      for (std::size_t k = 0; k < batch.size(); ++k) {
        if (callbacks.emit) callbacks.emit(emitted + k, batch[k]);
      }
      emitted += batch.size();
      if (doneNow != reported && callbacks.progress) callbacks.progress(doneNow, total);
      reported = doneNow;
    }
  }

  // Starts a thread that runs `body` with its own share of the state, which
  // it lets go before it counts itself out.
  std::thread Start(const std::shared_ptr<TState>& self, std::function<void(TState&)> body) {
    std::function<void()> run = [held = self, body = std::move(body)]() mutable {
      {
        const std::shared_ptr<TState> state = std::move(held);
        body(*state);
      }
      CountThread(-1);
    };
    CountThread(+1);
    try {
      return callbacks.startThread ? callbacks.startThread(std::move(run)) : std::thread(std::move(run));
    } catch (...) {
      CountThread(-1);
      throw;
    }
  }

  // Starts the workers. A thread that cannot be started (the system's
  // thread limit) leaves the work to those already running; with none at
  // all, TError.
  std::vector<std::thread> StartWorkers(const std::shared_ptr<TState>& self) {
    std::vector<std::thread> workers;
    std::string failure;
    for (std::size_t w = 0; w < workerCount; ++w) {
      try {
        workers.push_back(Start(self, [](TState& state) { state.Work(); }));
      } catch (const std::exception& e) {
        failure = e.what();
        break;
      }
    }
    if (workers.empty() && workerCount > 0) {
      throw TError("cannot start a worker thread: " + failure);
    }
    return workers;
  }
};

namespace {

std::shared_ptr<TOrderedFetch::TState> MakeState(std::vector<std::string> addresses, int jobs,
                                                 const TFetcherFactory& factory, TLineRenderer render,
                                                 TFetchCallbacks callbacks,
                                                 std::shared_ptr<std::atomic<bool>> stop) {
  auto state = std::make_shared<TOrderedFetch::TState>();
  state->addresses = std::move(addresses);
  state->render = std::move(render);
  state->callbacks = std::move(callbacks);
  state->stop = stop ? std::move(stop) : std::make_shared<std::atomic<bool>>(false);
  state->lines.resize(state->addresses.size());
  state->factory = factory;
  state->workerCount =
      std::min<std::size_t>(state->addresses.size(), static_cast<std::size_t>(std::max(jobs, 1)));
  return state;
}

}  // namespace

void FetchInOrder(const std::vector<std::string>& addresses, int jobs,
                  const TFetcherFactory& factory, const TLineRenderer& render,
                  const TFetchCallbacks& callbacks) {
  if (addresses.empty()) return;
  const auto state = MakeState(addresses, jobs, factory, render, callbacks, nullptr);
  std::vector<std::thread> workers = state->StartWorkers(state);
  // An exception from the callbacks stops the handing out of addresses; the
  // fetches under way still end before this returns.
  std::exception_ptr failure;
  try {
    state->HandOut();
  } catch (...) {
    failure = std::current_exception();
    state->RequestStop();
  }
  for (auto& t : workers) t.join();
  if (failure) std::rethrow_exception(failure);
}

TOrderedFetch::TOrderedFetch(std::vector<std::string> addresses, int jobs,
                             const TFetcherFactory& factory, TLineRenderer render,
                             TFetchCallbacks callbacks, std::function<void()> finished,
                             std::shared_ptr<std::atomic<bool>> cancelled)
    : state_(MakeState(std::move(addresses), jobs, factory, std::move(render), std::move(callbacks),
                       std::move(cancelled))) {
  state_->finished = std::move(finished);
  std::vector<std::thread> threads = state_->StartWorkers(state_);
  try {
    threads.push_back(state_->Start(state_, [](TState& state) {
      try {
        state.HandOut();
      } catch (...) {
        state.RequestStop();
      }
      const std::lock_guard<std::mutex> lock(state.callbackMutex);
      if (!state.ownerStopped.load() && state.finished) {
        try {
          state.finished();
        } catch (...) {
        }
      }
    }));
  } catch (const std::exception& e) {
    state_->RequestStop();
    for (auto& t : threads) t.detach();
    throw TError(std::string("cannot start a worker thread: ") + e.what());
  }
  // Nobody waits for them: each holds its share of the state.
  for (auto& t : threads) t.detach();
}

TOrderedFetch::~TOrderedFetch() { Stop(); }

void TOrderedFetch::Stop() {
  if (!state_) return;
  state_->ownerStopped.store(true);
  state_->RequestStop();
  const std::lock_guard<std::mutex> lock(state_->callbackMutex);
}

bool WaitForFetchThreads(int timeoutMs) {
  TLiveThreads& live = LiveThreads();
  std::unique_lock<std::mutex> lock(live.mutex);
  return live.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return live.count == 0; });
}

}  // namespace vellumark
