// vellumark-cli: page addresses in, HTML link tag lines out.
#include <iostream>

#include "Http/Http.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"

int main(int argc, char** argv) {
  vellumark::UseBinaryStandardStreams();
  vellumark::ReportClosedOutputAsWriteFailure();
  std::ios::sync_with_stdio(false);
  const vellumark::TSocketLibrary socketLibrary;

  vellumark::TCliEnvironment env;
  env.in = &std::cin;
  env.out = &std::cout;
  env.err = &std::cerr;
  env.errIsTerminal = vellumark::StandardErrorIsTerminal();
  return vellumark::RunCli(vellumark::Utf8Arguments(argc, argv), env);
}
