#include "cli/Console.h"

#include <unistd.h>

namespace vellumark {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void UseBinaryStandardStreams() {}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace vellumark
