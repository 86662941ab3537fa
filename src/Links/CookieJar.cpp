#include "Links/CookieJar.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <utility>

#include "Common/AsciiCase.h"
#include "Http/ReplyHead.h"

namespace vellumark {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A control character other than a tab: it has no place in a request line.
bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
  });
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = AsciiLower(c);
  return lowered;
}

// The date algorithm of RFC 6265 5.1.1 -----------------------------------

bool IsDateDelimiter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == 0x09 || (byte >= 0x20 && byte <= 0x2F) || (byte >= 0x3B && byte <= 0x40) ||
         (byte >= 0x5B && byte <= 0x60) || (byte >= 0x7B && byte <= 0x7E);
}

// The number written by the digits at `pos` (moved past them): at least
// `minDigits`, at most `maxDigits` and not followed by another digit, or -1.
int ReadNumber(std::string_view token, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits) {
  int value = 0;
  std::size_t count = 0;
  for (; pos < token.size() && IsDigit(token[pos]); ++pos, ++count) {
    if (count == maxDigits) return -1;
    value = value * 10 + (token[pos] - '0');
  }
  return count >= minDigits ? value : -1;
}

int WholeNumber(std::string_view token, std::size_t minDigits, std::size_t maxDigits) {
  std::size_t pos = 0;
  return ReadNumber(token, pos, minDigits, maxDigits);
}

// hh:mm:ss, each of one or two digits, anything after.
std::optional<std::array<int, 3>> TimeOf(std::string_view token) {
  std::array<int, 3> time{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < time.size(); ++i) {
    if (i > 0 && (pos >= token.size() || token[pos++] != ':')) return std::nullopt;
    time[i] = ReadNumber(token, pos, 1, 2);
    if (time[i] < 0) return std::nullopt;
  }
  return time;
}

// 1..12 for a token starting with a month's short name in any letter case,
// or 0.
int MonthOf(std::string_view token) {
  static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (StartsWithIgnoreCase(token, kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

// Seconds since 1970 (UTC) of a cookie date, or nothing when the text is no
// date: its parts in any order, the first token of each kind counting, as
// browsers read the many forms servers write.
std::optional<std::int64_t> ParseCookieDate(std::string_view text) {
  std::optional<std::array<int, 3>> time;
  int day = -1;
  int month = 0;
  int year = -1;
  for (std::size_t pos = 0; pos < text.size();) {
    if (IsDateDelimiter(text[pos])) {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < text.size() && !IsDateDelimiter(text[end])) ++end;
    const std::string_view token = text.substr(pos, end - pos);
    pos = end;
    if (!time && (time = TimeOf(token))) continue;
    if (day < 0 && (day = WholeNumber(token, 1, 2)) >= 0) continue;
    if (month == 0 && (month = MonthOf(token)) != 0) continue;
    if (year < 0) year = WholeNumber(token, 2, 4);
  }
  if (!time || day < 0 || month == 0 || year < 0) return std::nullopt;
  if (year >= 70 && year <= 99) year += 1900;
  if (year >= 0 && year <= 69) year += 2000;
  const auto [hour, minute, second] = *time;
  if (year < 1601 || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;  // the 31st of February, the 0th
  const std::int64_t days = std::chrono::sys_days{date}.time_since_epoch().count();
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

// Whether Max-Age makes a cookie expire now (zero or negative), whether it
// keeps it, or nothing when the value is no integer (then it is ignored).
std::optional<bool> MaxAgeExpires(std::string_view value) {
  const bool negative = !value.empty() && value.front() == '-';
  if (negative) value.remove_prefix(1);
  if (value.empty() || !std::all_of(value.begin(), value.end(), IsDigit)) return std::nullopt;
  return negative || std::all_of(value.begin(), value.end(), [](char c) { return c == '0'; });
}

// Matching (RFC 6265 5.1.3 and 5.1.4) ------------------------------------

bool DomainMatches(const TUrl& url, std::string_view domain) {
  if (url.host == domain) return true;
  return url.hostKind == THostKind::Domain && url.host.size() > domain.size() && url.host.ends_with(domain) &&
         url.host[url.host.size() - domain.size() - 1] == '.';
}

std::string DefaultPath(std::string_view requestPath) {
  const std::size_t lastSlash = requestPath.rfind('/');
  if (requestPath.empty() || requestPath.front() != '/' || lastSlash == 0) return "/";
  return std::string(requestPath.substr(0, lastSlash));
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (!requestPath.starts_with(cookiePath)) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::int64_t SecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void TCookieJar::Receive(const TUrl& from, std::string_view head) {
  const std::int64_t now = SecondsNow();
  for (const std::string_view setCookie : HeaderValues(head, "Set-Cookie")) Take(from, setCookie, now);
}

void TCookieJar::Take(const TUrl& from, std::string_view setCookie, std::int64_t now) {
  if (setCookie.size() > MaxSetCookieSize) return;
  const std::size_t semicolon = setCookie.find(';');
  const std::string_view pair = setCookie.substr(0, semicolon);
  const std::size_t equals = pair.find('=');
  if (equals == std::string_view::npos) return;
  TCookie cookie;
  cookie.name = TrimBlanks(pair.substr(0, equals));
  cookie.value = TrimBlanks(pair.substr(equals + 1));
  if (cookie.name.empty() || HasControl(cookie.name) || HasControl(cookie.value)) return;

  // The attributes; of each one written twice the last counts.
  std::string domain;
  std::optional<std::string_view> path;
  std::optional<bool> maxAgeExpires;
  std::optional<std::int64_t> expires;
  for (std::size_t start = semicolon; start != std::string_view::npos;) {
    const std::size_t end = setCookie.find(';', start + 1);
    const std::string_view attribute =
        setCookie.substr(start + 1, end == std::string_view::npos ? end : end - start - 1);
    start = end;
    const std::size_t split = attribute.find('=');
    const std::string_view name = TrimBlanks(attribute.substr(0, split));
    const std::string_view value =
        split == std::string_view::npos ? std::string_view{} : TrimBlanks(attribute.substr(split + 1));
    if (EqualsIgnoreCase(name, "expires")) {
      if (const auto date = ParseCookieDate(value)) expires = date;
    } else if (EqualsIgnoreCase(name, "max-age")) {
      if (const auto expiresNow = MaxAgeExpires(value)) maxAgeExpires = expiresNow;
    } else if (EqualsIgnoreCase(name, "domain")) {
      if (!value.empty()) domain = Lowered(value.starts_with('.') ? value.substr(1) : value);
    } else if (EqualsIgnoreCase(name, "path")) {
      path = value;
    } else if (EqualsIgnoreCase(name, "secure")) {
      cookie.secure = true;
    }
  }

  // A Secure cookie is one an eavesdropper must not see set either.
  if (cookie.secure && !from.Secure()) return;
  // A site sets cookies for itself and the domains above it, but a dotless
  // name may be a public suffix ("com"), and an IP address is only itself:
  // those only as the host itself, and then host-only.
  cookie.domain = from.host;
  if (!domain.empty()) {
    if (domain.find('.') == std::string::npos || from.hostKind != THostKind::Domain) {
      if (domain != from.host) return;
    } else {
      if (!DomainMatches(from, domain)) return;
      cookie.domain = std::move(domain);
      cookie.hostOnly = false;
    }
  }
  cookie.path = path && path->starts_with('/') ? std::string(*path) : DefaultPath(from.path);

  const bool expired = maxAgeExpires ? *maxAgeExpires : expires && *expires < now;
  const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const TCookie& old) {
    return old.name == cookie.name && old.domain == cookie.domain && old.path == cookie.path;
  });
  cookie.created = same != cookies_.end() ? same->created : nextCreated_++;
  if (same != cookies_.end()) cookies_.erase(same);
  if (expired) return;
  cookies_.push_back(std::move(cookie));
  if (cookies_.size() > MaxCookies) {
    cookies_.erase(std::min_element(cookies_.begin(), cookies_.end(), [](const TCookie& a, const TCookie& b) {
      return a.created < b.created;
    }));
  }
}

std::string TCookieJar::CookieHeader(const TUrl& to) const {
  std::vector<const TCookie*> sent;
  for (const TCookie& cookie : cookies_) {
    if (cookie.hostOnly ? to.host == cookie.domain : DomainMatches(to, cookie.domain)) {
      if (PathMatches(to.path, cookie.path) && (!cookie.secure || to.Secure())) sent.push_back(&cookie);
    }
  }
  std::sort(sent.begin(), sent.end(), [](const TCookie* a, const TCookie* b) {
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->created < b->created;
  });
  std::string header;
  for (const TCookie* cookie : sent) {
    if (!header.empty()) header += "; ";
    header += cookie->name;
    header += '=';
    header += cookie->value;
  }
  return header;
}

}  // namespace vellumark
