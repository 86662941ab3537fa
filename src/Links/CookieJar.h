// The cookies of one address's redirect chain. Many sites set a cookie on
// their first answer and redirect to themselves, expecting it back; without
// it they redirect in a loop or answer with a sign-in page. A jar lives for
// one address only (the fetcher makes a fresh one per address), so nothing a
// site sets outlives the chain.
//
// The rules are RFC 6265's (section 5) as far as they matter within a chain:
// name=value split at the first "=", attributes in any letter case, Domain
// (kept only when the request host domain-matches it; a name without any dot
// is refused unless it is the host itself, as no public-suffix list is at
// hand; an IP host only takes a Domain equal to it), Path (defaulting to the
// request path's directory), Secure (sent only over https, and taken only
// from an https answer), Max-Age and Expires (an expired cookie removes the
// one it replaces; Max-Age wins). HttpOnly and SameSite do not matter here.
//
// A hostile server cannot grow the jar or the request: a Set-Cookie field
// longer than 4096 bytes is ignored, at most 50 cookies are kept (the oldest
// goes first), and a cookie whose name or value holds a control character
// (CR, LF and NUL among them; a tab is allowed) is refused, so the Cookie
// line never splits the request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Url/Url.h"

namespace vellumark {

class TCookieJar {
 public:
  // The longest Set-Cookie value taken, and the most cookies kept.
  static constexpr std::size_t MaxSetCookieSize = 4096;
  static constexpr std::size_t MaxCookies = 50;

  // Takes every Set-Cookie field of a reply head received from `from`.
  void Receive(const TUrl& from, std::string_view head);

  // The value of the Cookie header for a request to `to` ("a=1; b=2"):
  // longer paths first, then the earlier set first; empty when none applies.
  std::string CookieHeader(const TUrl& to) const;

 private:
  struct TCookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, no leading dot
    std::string path;
    bool hostOnly = true;
    bool secure = false;
    std::uint64_t created = 0;  // the order of setting; a replacement keeps it
  };

  void Take(const TUrl& from, std::string_view setCookie, std::int64_t now);

  std::vector<TCookie> cookies_;
  std::uint64_t nextCreated_ = 0;
};

}  // namespace vellumark
