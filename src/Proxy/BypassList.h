// The hosts Windows' proxy settings reach directly: the bypass list of
// Internet Options and WinHTTP ("<local>;*.corp.example;10.*").
#pragma once

#include <string_view>

#include "Url/Url.h"

namespace vellumark {

// Whether `list` names the host of `url`. Entries are separated by ";" or
// blanks:
//
// - "<local>" names every host name without a dot ("intranet", not
//   "intranet.corp", nor any IP address);
// - any other entry is a pattern in which "*" stands for any run of
//   characters (none too), letter case ignored, matched against the whole
//   canonical host ("*.corp.example" covers "a.corp.example", not
//   "corp.example"; "10.*" covers 10.0.0.1), or against "host:port" with the
//   port the connection uses ("example.com:8080", "*:8080"). IPv6 hosts are
//   matched with and without brackets.
// - An entry may start with a scheme, "http://" or "https://", and then
//   counts only for addresses of that scheme.
bool BypassListMatches(std::string_view list, const TUrl& url);

}  // namespace vellumark
