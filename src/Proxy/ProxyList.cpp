#include "Proxy/ProxyList.h"

#include <algorithm>
#include <initializer_list>

#include "Common/AsciiCase.h"

namespace vellumark {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `text` split at blanks, empty words left out.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

bool IsOneOf(std::string_view word, std::initializer_list<std::string_view> keywords) {
  return std::any_of(keywords.begin(), keywords.end(), [&](std::string_view k) { return EqualsIgnoreCase(word, k); });
}

}  // namespace

std::vector<TProxyRoute> ParseProxyList(std::string_view answer, TUrlScheme scheme) {
  std::vector<TProxyRoute> routes;
  const auto addProxy = [&](std::string_view address) {
    if (auto proxy = ParseProxyAddress(address)) routes.push_back(std::move(*proxy));
  };
  const std::string_view schemeName = scheme == TUrlScheme::Https ? "https" : "http";

  for (std::size_t start = 0; start <= answer.size();) {
    const auto end = std::min(answer.find(';', start), answer.size());
    const auto words = Words(answer.substr(start, end - start));
    start = end + 1;
    if (words.empty()) continue;
    if (IsOneOf(words[0], {"DIRECT"})) {
      routes.push_back(std::nullopt);
    } else if (IsOneOf(words[0], {"PROXY", "HTTP"})) {
      if (words.size() > 1) addProxy(words[1]);
    } else if (!IsOneOf(words[0], {"SOCKS", "SOCKS4", "SOCKS5", "HTTPS", "QUIC"})) {
      // The WinHTTP form: each word is "[scheme=]address".
      for (const auto word : words) {
        const auto equals = word.find('=');
        if (equals == std::string_view::npos) {
          addProxy(word);
        } else if (EqualsIgnoreCase(word.substr(0, equals), schemeName)) {
          addProxy(word.substr(equals + 1));
        }
      }
    }
  }
  if (routes.empty()) routes.push_back(std::nullopt);
  return routes;
}

}  // namespace vellumark
