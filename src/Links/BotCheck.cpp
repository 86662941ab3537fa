#include "Links/BotCheck.h"

#include <array>

#include "Common/AsciiCase.h"
#include "Links/PageFetcherExtract.h"
#include "Http/ReplyHead.h"

namespace vellumark {

namespace {

// Where a sign of a check is found.
enum class TWhere {
  Header,  // a header field `name` whose value is `value` in any letter case
  Text,    // `value` anywhere in the reply
  Title,   // the page title, without the controls around it, is exactly `value`
};

struct TSign {
  TWhere where;
  // Whether the sign counts only in a refusal (403, 429 or 503): the words
  // alone could be any page's.
  bool refusalOnly;
  std::string_view name;
  std::string_view value;
};

// One row per sign; the first that matches names the check.
constexpr std::array kSigns = {
    TSign{TWhere::Header, false, "cf-mitigated", "challenge"},
    TSign{TWhere::Text, true, {}, "/cdn-cgi/challenge-platform/"},
    TSign{TWhere::Title, true, {}, "Just a moment..."},
    TSign{TWhere::Title, true, {}, "Attention Required! | Cloudflare"},
};

bool IsRefusal(int statusCode) { return statusCode == 403 || statusCode == 429 || statusCode == 503; }

// `title` is read on first use, the text's title without the controls
// around it.
bool Shows(const TSign& sign, std::string_view head, std::string_view text, std::optional<std::string>& title) {
  switch (sign.where) {
    case TWhere::Header:
      for (const std::string_view value : HeaderValues(head, sign.name)) {
        if (EqualsIgnoreCase(value, sign.value)) return true;
      }
      return false;
    case TWhere::Text: return text.find(sign.value) != std::string_view::npos;
    case TWhere::Title:
      if (!title) title = std::string(TrimControls(FindTitle(text)));
      return *title == sign.value;
  }
  return false;
}

std::string Described(const TSign& sign) {
  switch (sign.where) {
    case TWhere::Header: return "header \"" + std::string(sign.name) + ": " + std::string(sign.value) + "\"";
    case TWhere::Text: return "text \"" + std::string(sign.value) + "\"";
    case TWhere::Title: return "title \"" + std::string(sign.value) + "\"";
  }
  return {};
}

}  // namespace

std::optional<std::string> BotCheckOf(int statusCode, std::string_view head, std::string_view text) {
  // The status first: the text, up to megabytes, is read only for a refusal.
  const bool refusal = IsRefusal(statusCode);
  std::optional<std::string> title;
  for (const TSign& sign : kSigns) {
    if ((!sign.refusalOnly || refusal) && Shows(sign, head, text, title)) {
      return "the site answered with a bot check instead of the page (" + Described(sign) + ")";
    }
  }
  return std::nullopt;
}

}  // namespace vellumark
