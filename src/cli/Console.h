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

// Whether standard error is a terminal (then the progress counter shows).
bool StandardErrorIsTerminal();

}  // namespace vellumark
