#include "cli/Console.h"

#include <unistd.h>

#include <csignal>

namespace vellumark {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void UseBinaryStandardStreams() {}

void ReportClosedOutputAsWriteFailure() { std::signal(SIGPIPE, SIG_IGN); }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace vellumark
