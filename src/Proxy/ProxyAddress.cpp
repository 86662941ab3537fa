#include "Proxy/ProxyAddress.h"

#include <algorithm>

#include "Common/AsciiCase.h"
#include "Url/PercentEncode.h"

namespace vellumark {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether `text` has the form of a scheme: a letter, then letters, digits,
// "+", "-" or ".".
bool IsScheme(std::string_view text) {
  const auto isLetter = [](char c) { return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z'; };
  return !text.empty() && isLetter(text[0]) && std::all_of(text.begin(), text.end(), [&](char c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
  });
}

}  // namespace

std::string TProxy::Shown() const {
  const std::string name = hostKind == THostKind::IPv6 ? '[' + host + ']' : host;
  return name + ":" + std::to_string(port);
}

std::optional<TProxy> ParseProxyAddress(std::string_view text, TUrlFailure* failure) {
  const auto fail = [&](TUrlFailure why) -> std::optional<TProxy> {
    if (failure) *failure = why;
    return std::nullopt;
  };
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (const auto separator = text.find("://"); separator != std::string_view::npos) {
    const std::string_view scheme = text.substr(0, separator);
    if (IsScheme(scheme)) {
      if (!EqualsIgnoreCase(scheme, "http")) return fail(TUrlFailure::OtherScheme);
      text.remove_prefix(separator + 3);
    }
  }

  const std::string authority(text);
  const auto url = ParseUrl("http://" + authority);
  if (!url) return fail(TUrlFailure::Invalid);
  // An http address drops a written ":80" as its default port, which for a
  // proxy is no default: read as https, the same text keeps it.
  std::uint16_t port = DefaultProxyPort;
  if (url->port) {
    port = *url->port;
  } else if (const auto secure = ParseUrl("https://" + authority); secure && secure->port == 80) {
    port = 80;
  }
  if (failure) *failure = TUrlFailure::None;
  return TProxy{url->host, url->hostKind, port, url::PercentDecode(url->username), url::PercentDecode(url->password)};
}

}  // namespace vellumark
