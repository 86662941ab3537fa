// Fetching a list of addresses several at a time, one worker thread and one
// fetcher per address under way, while handing the finished lines back
// strictly in input order: each line as soon as it and every line before it
// are ready. vellumark-cli runs the hand-out on its own thread and waits
// (FetchInOrder); the window runs it on a coordinating thread of its own
// (TOrderedFetch), so that the window's thread stays free for its messages,
// and can stop it at any moment without waiting for a fetch.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Links/PageInfo.h"

namespace vellumark {

// Fills `info` for one address; never throws (a TPageFetcher's FetchPageInfo).
using TFetchFunction = std::function<void(std::string_view address, TPageInfo& info)>;
// Makes the fetch function of one worker. Each worker makes its own on its
// own thread as it starts, and uses it there only; several workers may call
// the factory at the same time.
using TFetcherFactory = std::function<TFetchFunction()>;
// Turns a fetched record into the bytes handed out for it (line end
// included, if any). Runs on the worker's thread.
using TLineRenderer = std::function<std::string(const TPageInfo& info)>;

struct TFetchCallbacks {
  // The bytes of line `index`, called on the handing-out thread in input
  // order.
  std::function<void(std::size_t index, const std::string& bytes)> emit;
  // Called on the handing-out thread whenever more fetches have finished,
  // after the lines that became ready with them have been emitted.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // Starts one thread; empty: std::thread. Tests replace it to make
  // starting fail as it does at the system's thread limit.
  std::function<std::thread(std::function<void()> body)> startThread;
};

// Fetches every address, with at most `jobs` fetches under way at once (one
// worker thread each, each with its own fetch function made by `factory`),
// renders each record on its worker and hands the lines to
// `callbacks.emit` on the calling thread in the order of `addresses`, each as
// soon as it and every line before it are ready. An address whose fetch or
// rendering throws (or whose worker could not make its fetcher) still gives
// a line: the one for a record that holds only the address.
// When a callback throws, no further address is handed out; the fetches
// under way end, and then the exception comes out of FetchInOrder. When a
// worker thread cannot be started, the ones already running do all the work;
// when none can, TError is raised before anything is fetched.
void FetchInOrder(const std::vector<std::string>& addresses, int jobs,
                  const TFetcherFactory& factory, const TLineRenderer& render,
                  const TFetchCallbacks& callbacks);

// The same run, handed out on a coordinating thread of its own: `emit` and
// `progress` are called there, and `finished` last, once, when every line
// has been handed out (or a callback has thrown, which stops the run). The
// callbacks must not wait for the thread that owns the object.
//
// The threads share what they use with this object and with nothing else,
// so the object may stop the run, or go, at any moment without waiting: a
// worker caught in a wait that cannot be cut short (a host-name lookup)
// finishes it later on its own and then ends, touching only that shared
// state. `cancelled` is the run's stop flag: Stop makes it true, and a
// factory that hands it to its fetchers (THttpOptions::cancelled) ends the
// exchanges under way with it. Null: the run makes its own.
class TOrderedFetch {
 public:
  // Starts the run. Throws TError when no thread can be started; then
  // nothing is fetched.
  TOrderedFetch(std::vector<std::string> addresses, int jobs, const TFetcherFactory& factory,
                TLineRenderer render, TFetchCallbacks callbacks, std::function<void()> finished,
                std::shared_ptr<std::atomic<bool>> cancelled = nullptr);
  // Stops the run (Stop) and leaves its threads to end on their own.
  ~TOrderedFetch();
  TOrderedFetch(const TOrderedFetch&) = delete;
  TOrderedFetch& operator=(const TOrderedFetch&) = delete;

  // No further address is handed to a worker, `cancelled` becomes true, and
  // once Stop returns no callback runs any more (one under way is let
  // finish first). Returns without waiting for any fetch.
  void Stop();

  struct TState;

 private:
  std::shared_ptr<TState> state_;
};

// Waits up to `timeoutMs` for every thread of every run (stopped ones
// included) to end; true when none is left. A program ending with threads
// still caught in a host-name lookup need not wait for them.
bool WaitForFetchThreads(int timeoutMs);

}  // namespace vellumark
