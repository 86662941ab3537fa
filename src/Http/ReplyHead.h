// The head of an HTTP reply as it arrives: where it ends, and the values of
// its header fields. Pure functions over the received text, for the reply
// decoder, the cookie jar, the bot-check rule and a proxy's answers alike.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace vellumark {

// The length of the head at the start of `text`: the status line and the
// header lines up to and including the empty line that ends them ("\r\n\r\n"
// or, from a lax server, "\n\n"; the first of either counts). npos while the
// empty line has not arrived.
std::size_t HeadLength(std::string_view text);

// The values of every header field called `name` (letter case ignored) in
// `head`, in the order they came, each without the blanks around it. The
// status line is no field; a line without a colon is skipped.
std::vector<std::string_view> HeaderValues(std::string_view head, std::string_view name);

// The status code of the status line at the start of `head` ("HTTP/x.y NNN"),
// or -1 when there is none.
int HeadStatusCode(std::string_view head);

}  // namespace vellumark
