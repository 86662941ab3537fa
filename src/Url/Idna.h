// The platform's UTS #46 ToASCII for a domain, with the options the URL
// Standard asks for: non-transitional processing (so "ß" stays "ß"),
// CheckBidi and CheckJoiners on, UseSTD3ASCIIRules, CheckHyphens and
// VerifyDnsLength off. ICU on Linux, IdnToAscii on Windows. Only Host.cpp
// calls it, and only for a domain the ASCII fast path does not settle; the
// checks on what comes back (empty, forbidden code points) are portable and
// live there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellumark::url {

// The ASCII form of the UTF-8 domain `utf8Domain`, or nothing when the
// platform reports an error for it.
std::optional<std::string> DomainToAsciiPlatform(std::string_view utf8Domain);

}  // namespace vellumark::url
