// The platform's IDNA conversion of a host name to its ASCII form (UTS #46
// processing, non-transitional where the platform offers the choice, as
// browsers do): Windows IdnToAscii, libidn2 on Linux. Only WireAddress.cpp
// calls it; the rules around it (which hosts go through it, what the result
// may hold) are portable and live there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellumark::idna {

// The ASCII form of the UTF-8 host name `utf8Name` (no port), or nothing
// when the platform refuses the name (malformed UTF-8 included).
std::optional<std::string> ToAscii(std::string_view utf8Name);

}  // namespace vellumark::idna
