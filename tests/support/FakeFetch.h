// Stand-in fetch functions and thread starters for the tests of the ordered
// parallel fetch and of the front ends built on it: no network, and a delay
// that makes later addresses finish first.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "Links/OrderedFetch.h"

namespace vellumark::testing_support {

// A fetch function that fills the record from the address alone, after a
// pause that makes later addresses finish first.
inline TFetcherFactory FakeFactory(std::atomic<int>* made = nullptr) {
  return [made]() -> TFetchFunction {
    if (made) ++*made;
    return [](std::string_view address, TPageInfo& info) {
      info = TPageInfo{};
      info.URL = std::string(address);
      if (address.starts_with("slow")) std::this_thread::sleep_for(std::chrono::milliseconds(30));
      if (address.starts_with("boom")) throw std::runtime_error("fetch failed");
      if (address.starts_with("http")) {
        info.Title = "T:" + std::string(address);
        info.StatusCode = 200;
      }
    };
  };
}

// FakeFactory's fetch, counting the fetches of all workers.
inline TFetcherFactory CountingFactory(std::atomic<int>& fetches) {
  return [&fetches, inner = FakeFactory()]() -> TFetchFunction {
    return [&fetches, fetch = inner()](std::string_view address, TPageInfo& info) {
      ++fetches;
      fetch(address, info);
    };
  };
}

// Starts the first `allowed` threads and then fails as std::thread does at
// the system's thread limit.
inline std::function<std::thread(std::function<void()>)> ThreadLimit(int allowed, std::atomic<int>& started) {
  return [allowed, &started](std::function<void()> body) {
    if (started.load() >= allowed) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    ++started;
    return std::thread(std::move(body));
  };
}

}  // namespace vellumark::testing_support
