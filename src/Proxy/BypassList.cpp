#include "Proxy/BypassList.h"

#include <string>

#include "Common/AsciiCase.h"

namespace vellumark {

namespace {

bool IsSeparator(char c) { return c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether `pattern` ("*" for any run) matches the whole of `text`, letter
// case ignored. On a mismatch after a "*", the "*" takes one more character
// and the rest is tried again: at most pattern × text steps.
bool WildcardMatches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0;
  std::size_t star = std::string_view::npos, starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starText = t;
    } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(text[t])) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool EntryMatches(std::string_view entry, const TUrl& url, std::string_view host) {
  if (const auto separator = entry.find("://"); separator != std::string_view::npos) {
    if (!EqualsIgnoreCase(entry.substr(0, separator), url.Secure() ? "https" : "http")) return false;
    entry.remove_prefix(separator + 3);
  }
  if (entry.ends_with('.')) entry.remove_suffix(1);
  if (EqualsIgnoreCase(entry, "<local>")) {
    return url.hostKind == THostKind::Domain && host.find('.') == std::string_view::npos;
  }
  const std::string bracketed = url.hostKind == THostKind::IPv6 ? '[' + std::string(host) + ']' : std::string(host);
  return WildcardMatches(entry, host) || WildcardMatches(entry, bracketed) ||
         WildcardMatches(entry, bracketed + ":" + std::to_string(url.EffectivePort()));
}

}  // namespace

bool BypassListMatches(std::string_view list, const TUrl& url) {
  std::string_view host = url.host;
  if (host.ends_with('.')) host.remove_suffix(1);
  for (std::size_t start = 0; start < list.size();) {
    std::size_t end = start;
    while (end < list.size() && !IsSeparator(list[end])) ++end;
    if (end > start && EntryMatches(list.substr(start, end - start), url, host)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace vellumark
