// The address list of vellumark-cli: the lines of the input files (or of
// standard input), taken the way the main window takes the lines of its
// address list.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "Links/AddressLine.h"

namespace vellumark {

// The addresses of one input text (UTF-8): a leading byte-order mark is
// skipped, the text split into lines, each line cut to at most
// MaxAddressLineBytes at a character boundary. The lines stay UTF-8: the
// fetch parses them as Unicode (TPageFetcher::FetchUtf8PageInfo), so no
// character of an address is lost to Shift_JIS on its way to the server.
std::vector<std::string> AddressesFromText(std::string_view utf8Text);

// Reads the whole of a stream (in binary).
std::string ReadAll(std::istream& in);

// The addresses of every file in turn ("-" is `standardInput`), or of
// `standardInput` alone when `files` is empty. A text that is a browser's
// bookmark export gives its http and https links instead of its lines (each
// cut like a line); the links left out for their scheme are added to
// `*skippedLinks` when it is given. A file that cannot be read raises TError
// naming it; nothing is fetched then.
std::vector<std::string> ReadAddresses(const std::vector<std::string>& files,
                                       std::istream& standardInput,
                                       std::size_t* skippedLinks = nullptr);

}  // namespace vellumark
