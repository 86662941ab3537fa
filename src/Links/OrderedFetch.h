// Fetching many addresses at once while handing the results back in input
// order: the parallel fetch of both front ends.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Links/PageInfo.h"

namespace vellumark {

// Fills `info` for one address; never throws (a TPageFetcher's FetchPageInfo).
using TFetchFunction = std::function<void(std::string_view address, TPageInfo& info)>;
// Makes the fetch function of one worker. Each worker gets its own, and uses
// it on its own thread only.
using TFetcherFactory = std::function<TFetchFunction()>;
// Turns a fetched record into the bytes written for it (line end included).
// Runs on the worker's thread.
using TLineRenderer = std::function<std::string(const TPageInfo& info)>;

struct TFetchCallbacks {
  // The bytes of line `index`, called on the calling thread in input order.
  std::function<void(std::size_t index, const std::string& bytes)> emit;
  // Called on the calling thread whenever more fetches have finished, after
  // the lines that became ready with them have been emitted.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // Starts one worker thread; empty: std::thread. Tests replace it to make
  // starting fail as it does at the system's thread limit.
  std::function<std::thread(std::function<void()> body)> startThread;
};

// Fetches every address, with at most `jobs` fetches under way at once (one
// worker thread each, each with its own fetch function made by `factory` up
// front), renders each record on its worker and hands the lines to
// `callbacks.emit` in the order of `addresses`, each as soon as it and every
// line before it are ready. An address whose fetch or rendering throws still
// gives a line: the one for a record that holds only the address.
// When a callback throws, no further address is handed out; the fetches
// under way end, and then the exception comes out of FetchInOrder. When a
// worker thread cannot be started, the ones already running do all the work;
// when none can, TError is raised before anything is fetched.
void FetchInOrder(const std::vector<std::string>& addresses, int jobs,
                  const TFetcherFactory& factory, const TLineRenderer& render,
                  const TFetchCallbacks& callbacks);

}  // namespace vellumark
