// The few things vellumark-cli needs from the console it runs in.
#pragma once

#include <string>
#include <vector>

namespace vellumark {

// The program's arguments (without the program name) as UTF-8 texts. On
// Windows they are taken from the wide command line, so any character
// arrives intact whatever the console's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes standard input and output carry bytes unchanged (no CR LF
// translation on Windows).
void UseBinaryStandardStreams();

// A closed standard output (`vellumark-cli ... | head -1`) makes the next
// write fail, which ends the run with status 1 and its message, instead of
// a signal ending the process (SIGPIPE on Linux; Windows has none).
void ReportClosedOutputAsWriteFailure();

// Whether standard error is a terminal (then the progress counter shows).
bool StandardErrorIsTerminal();

}  // namespace vellumark
