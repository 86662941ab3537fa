// The address as the record shows it: Host and Page are cut from the text as
// typed, without any parsing, so `#HOST#` and `#PAGE#` show what the user
// wrote. What is sent never comes from here (Url/Url.h).
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// Cuts `address` into the host text (between the first "//" and the next
// "/") and the page text (the rest, always beginning with "/"). Returns false
// and leaves `host` and `page` untouched unless the address begins with the
// lower-case letters "http". Never throws.
bool SplitUrl(std::string_view address, std::string& host, std::string& page);

}  // namespace vellumark
