#include "Links/OrderedFetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Common/Error.h"
#include "support/FakeFetch.h"

namespace vellumark {
namespace {

using testing_support::CountingFactory;
using testing_support::FakeFactory;
using testing_support::ThreadLimit;

TEST(FetchInOrder, LinesComeOutInInputOrderWhateverFinishesFirst) {
  std::vector<std::string> addresses;
  for (int i = 0; i < 40; ++i) addresses.push_back((i % 3 == 0 ? "slow" : "fast") + std::to_string(i));
  std::atomic<int> made{0};
  std::vector<std::size_t> order;
  std::vector<std::string> lines;
  std::size_t lastDone = 0;
  bool progressWentBack = false;
  TFetchCallbacks callbacks;
  callbacks.emit = [&](std::size_t index, const std::string& bytes) {
    order.push_back(index);
    lines.push_back(bytes);
  };
  callbacks.progress = [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, 40u);
    if (done < lastDone) progressWentBack = true;
    lastDone = done;
  };
  FetchInOrder(addresses, 8, FakeFactory(&made),
               [](const TPageInfo& info) { return info.URL + "\n"; }, callbacks);
  ASSERT_EQ(lines.size(), addresses.size());
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    EXPECT_EQ(order[i], i);
    EXPECT_EQ(lines[i], addresses[i] + "\n");
  }
  EXPECT_EQ(made.load(), 8);  // one fetch function per worker
  EXPECT_EQ(lastDone, 40u);
  EXPECT_FALSE(progressWentBack);
}

TEST(FetchInOrder, EachWorkerKeepsItsFetcherToItselfAndRunsInParallel) {
  std::mutex mutex;
  std::map<int, std::set<std::thread::id>> threadsOfFetcher;
  std::atomic<int> running{0}, peak{0}, nextId{0};
  TFetcherFactory factory = [&]() -> TFetchFunction {
    const int id = nextId++;
    return [&, id](std::string_view, TPageInfo&) {
      {
        const std::lock_guard<std::mutex> lock(mutex);
        threadsOfFetcher[id].insert(std::this_thread::get_id());
      }
      const int now = ++running;
      int seen = peak.load();
      while (now > seen && !peak.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      --running;
    };
  };
  const std::vector<std::string> addresses(24, "a");
  FetchInOrder(addresses, 4, factory, [](const TPageInfo&) { return std::string("x"); }, {});
  EXPECT_EQ(threadsOfFetcher.size(), 4u);
  for (const auto& [id, threads] : threadsOfFetcher) EXPECT_EQ(threads.size(), 1u) << "fetcher " << id;
  EXPECT_GE(peak.load(), 2);
  EXPECT_LE(peak.load(), 4);

  // Fewer addresses than jobs: no idle workers are made.
  nextId = 0;
  threadsOfFetcher.clear();
  FetchInOrder({"a", "b"}, 32, factory, [](const TPageInfo&) { return std::string("x"); }, {});
  EXPECT_EQ(nextId.load(), 2);
  FetchInOrder({}, 8, factory, [](const TPageInfo&) { return std::string("x"); }, {});
  EXPECT_EQ(nextId.load(), 2);
}

TEST(FetchInOrder, AFailingFetchStillGivesItsLineAndAFailingWriterStopsCleanly) {
  std::vector<std::string> lines;
  TFetchCallbacks callbacks;
  callbacks.emit = [&](std::size_t, const std::string& bytes) { lines.push_back(bytes); };
  FetchInOrder({"http://a/", "boom", "http://b/"}, 2, FakeFactory(),
               [](const TPageInfo& info) { return info.URL + "|" + info.Title + "\n"; }, callbacks);
  EXPECT_EQ(lines, (std::vector<std::string>{"http://a/|T:http://a/\n", "boom|\n", "http://b/|T:http://b/\n"}));

  int emitted = 0;
  callbacks.emit = [&](std::size_t, const std::string&) {
    ++emitted;
    throw std::runtime_error("disk full");
  };
  // Nothing more is fetched than the addresses already under way (at most
  // one per worker, plus the next one each worker may take before the
  // failure is seen).
  std::atomic<int> fetches{0};
  const std::vector<std::string> many(100, "slow");
  EXPECT_THROW(FetchInOrder(many, 4, CountingFactory(fetches),
                            [](const TPageInfo&) { return std::string("x"); }, callbacks),
               std::runtime_error);
  EXPECT_EQ(emitted, 1);
  EXPECT_LE(fetches.load(), 12);
}

TEST(FetchInOrder, AThreadThatCannotStartLeavesTheWorkToTheOthers) {
  std::vector<std::string> addresses;
  for (int i = 0; i < 30; ++i) addresses.push_back("http://h/" + std::to_string(i));
  std::vector<std::string> lines;
  std::mutex mutex;
  std::set<std::thread::id> threads;
  std::atomic<int> started{0};
  TFetchCallbacks callbacks;
  callbacks.emit = [&](std::size_t, const std::string& bytes) { lines.push_back(bytes); };
  callbacks.startThread = ThreadLimit(2, started);
  FetchInOrder(addresses, 8, FakeFactory(),
               [&](const TPageInfo& info) {
                 const std::lock_guard<std::mutex> lock(mutex);
                 threads.insert(std::this_thread::get_id());
                 return info.URL + "\n";
               },
               callbacks);
  EXPECT_EQ(started.load(), 2);
  EXPECT_LE(threads.size(), 2u);
  ASSERT_EQ(lines.size(), addresses.size());
  for (std::size_t i = 0; i < addresses.size(); ++i) EXPECT_EQ(lines[i], addresses[i] + "\n");

  // Not one thread: an error before anything is fetched.
  started = 0;
  std::atomic<int> fetches{0};
  callbacks.startThread = ThreadLimit(0, started);
  EXPECT_THROW(FetchInOrder(addresses, 8, CountingFactory(fetches),
                            [](const TPageInfo&) { return std::string("x"); }, callbacks),
               TError);
  EXPECT_EQ(fetches.load(), 0);
}

// A run on its own thread: the lines in order on that thread, then
// `finished` once. Stopped while workers are deaf to the stop (as in a
// host-name lookup), Stop returns at once, sets `cancelled`, and nothing is
// handed out after it; the deaf workers end on their own later.
TEST(OrderedFetch, RunsOnItsOwnThreadAndStopsWithoutWaitingForAnyFetch) {
  for (const bool stop : {false, true}) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines;
    std::set<std::thread::id> threads;
    int finished = 0;
    bool release = false;
    int deaf = 0;
    TFetcherFactory factory = [&]() -> TFetchFunction {
      return [&](std::string_view address, TPageInfo& info) {
        info.URL = std::string(address);
        std::unique_lock<std::mutex> lock(mutex);
        if (address != "deaf") return;
        ++deaf;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
      };
    };
    TFetchCallbacks callbacks;
    callbacks.emit = [&](std::size_t, const std::string& bytes) {
      const std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(bytes);
      threads.insert(std::this_thread::get_id());
      changed.notify_all();
    };
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    const std::vector<std::string> addresses =
        stop ? std::vector<std::string>{"a", "deaf", "b", "deaf", "c"} : std::vector<std::string>{"a", "b", "c"};
    auto run = std::make_unique<TOrderedFetch>(
        addresses, 4, factory, [](const TPageInfo& info) { return info.URL; }, callbacks,
        [&] {
          const std::lock_guard<std::mutex> lock(mutex);
          ++finished;
          changed.notify_all();
        },
        cancelled);
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return stop ? lines.size() == 1 && deaf == 2 : finished == 1; }));
    if (!stop) {
      EXPECT_EQ(lines, addresses);
      EXPECT_EQ(threads.size(), 1u);
      EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
      continue;
    }
    lock.unlock();
    run->Stop();
    EXPECT_TRUE(cancelled->load());
    EXPECT_FALSE(WaitForFetchThreads(50)) << "the deaf workers are still in their fetch";
    run.reset();
    lock.lock();
    release = true;
    changed.notify_all();
    lock.unlock();
    EXPECT_TRUE(WaitForFetchThreads(10000));
    EXPECT_EQ(lines, std::vector<std::string>{"a"}) << "nothing is handed out after Stop";
    EXPECT_EQ(finished, 0);
  }
}

}  // namespace
}  // namespace vellumark
