// A bot check is not a page. Sites behind an anti-bot service answer a
// program they do not trust with a check page ("Just a moment...") in place
// of the page asked for; its title is not the page's title, so the record
// reports the check as an error instead of taking its data.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

// Why this reply is a bot check (a site's check instead of the page), or
// nothing: the message names the sign that gave it away. `text` is the
// reply (head as received, then decoded body), `head` its head.
std::optional<std::string> BotCheckOf(int statusCode, std::string_view head, std::string_view text);

}  // namespace vellumark
