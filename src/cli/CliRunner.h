// Running vellumark-cli: fetching the addresses on several workers at once
// while writing the lines in input order, and the whole program behind its
// thin main (options in, exit status out).
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <istream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Http/Http.h"
#include "Links/OrderedFetch.h"
#include "Links/PageInfo.h"
#include "Proxy/ProxyChoice.h"

namespace vellumark {

// What the program is run with besides its arguments.
struct TCliEnvironment {
  std::istream* in = nullptr;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  bool errIsTerminal = false;  // show the progress counter
  THttpOptions httpOptions;    // the product's defaults; tests change the port
  // Where curl's proxy variables are read from; empty: the process's
  // environment.
  TEnvironmentLookup environment;
  TFetcherFactory fetcherFactory;  // empty: a TPageFetcher with httpOptions per worker
  std::function<std::thread(std::function<void()> body)> startThread;  // empty: std::thread
};

// The program: parses `args` (without the program name), reads the
// addresses, fetches and writes the lines. Returns the exit status: 0 when
// every line was written; 2 after a one-line message on `err` for a bad
// option, an unreadable file or settings file, or when no worker thread could
// be started; 1 after a one-line message when standard output could not be
// written (the usage and version texts included), and then no further
// address is fetched.
int RunCli(const std::vector<std::string>& args, const TCliEnvironment& env);

}  // namespace vellumark
