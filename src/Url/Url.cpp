// The URL Standard's basic URL parser, narrowed to the special schemes http
// and https: the states and their steps are the standard's, one for one, so
// any difference from it is a bug here. The input is walked byte by byte:
// everything that steers the parser is ASCII, and a non-ASCII byte only ever
// gets copied or percent-encoded.
#include "Url/Url.h"

#include <cstddef>

#include "Common/AsciiCase.h"
#include "Url/Host.h"
#include "Url/PercentEncode.h"

namespace vellumark {

namespace {

using url::TEncodeSet;

enum class TState {
  SchemeStart,
  Scheme,
  NoScheme,
  SpecialRelativeOrAuthority,
  Relative,
  RelativeSlash,
  SpecialAuthoritySlashes,
  SpecialAuthorityIgnoreSlashes,
  Authority,
  Host,
  Port,
  PathStart,
  Path,
  Query,
  Fragment,
};

constexpr int kEof = -1;

bool IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Where the authority (and so the host and the port) ends. "\" counts as
// "/" in a special scheme.
bool EndsAuthority(int c) { return c == kEof || c == '/' || c == '\\' || c == '?' || c == '#'; }

bool IsSingleDot(std::string_view segment) { return segment == "." || EqualsIgnoreCase(segment, "%2e"); }

bool IsDoubleDot(std::string_view segment) {
  return segment == ".." || EqualsIgnoreCase(segment, ".%2e") || EqualsIgnoreCase(segment, "%2e.") ||
         EqualsIgnoreCase(segment, "%2e%2e");
}

// The path is kept serialised: "/" before each segment.
void ShortenPath(std::string& path) { path.erase(path.empty() ? 0 : path.rfind('/')); }

// Without the C0 controls and spaces around it, and without any tab, LF or
// CR inside.
std::string Cleaned(std::string_view input) {
  while (!input.empty() && static_cast<unsigned char>(input.front()) <= 0x20) input.remove_prefix(1);
  while (!input.empty() && static_cast<unsigned char>(input.back()) <= 0x20) input.remove_suffix(1);
  std::string cleaned;
  cleaned.reserve(input.size());
  for (const char c : input) {
    if (c != '\t' && c != '\n' && c != '\r') cleaned.push_back(c);
  }
  return cleaned;
}

void CopyAuthority(const TUrl& from, TUrl& to) {
  to.username = from.username;
  to.password = from.password;
  to.host = from.host;
  to.hostKind = from.hostKind;
  to.port = from.port;
}

std::optional<TUrl> Parse(const std::string& input, const TUrl* base, TUrlFailure& failure) {
  TUrl url;
  url.path.clear();  // built segment by segment, each with its "/"
  TState state = TState::SchemeStart;
  std::string buffer;
  bool atSignSeen = false;
  bool insideBrackets = false;
  bool passwordTokenSeen = false;

  const auto setHost = [&] {
    auto host = url::ParseHost(buffer);
    if (!host) return false;
    url.host = std::move(host->text);
    url.hostKind = host->kind;
    buffer.clear();
    return true;
  };

  const auto size = static_cast<std::ptrdiff_t>(input.size());
  for (std::ptrdiff_t p = 0;; ++p) {
    const int c = p < size ? static_cast<unsigned char>(input[static_cast<std::size_t>(p)]) : kEof;
    const bool nextIsSlash = p + 1 < size && input[static_cast<std::size_t>(p + 1)] == '/';
    switch (state) {
      case TState::SchemeStart:
        if (IsAlpha(c)) {
          buffer.push_back(AsciiLower(static_cast<char>(c)));
          state = TState::Scheme;
        } else {
          state = TState::NoScheme;
          --p;
        }
        break;

      case TState::Scheme:
        if (IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.') {
          buffer.push_back(AsciiLower(static_cast<char>(c)));
        } else if (c == ':') {
          if (buffer == "http") {
            url.scheme = TUrlScheme::Http;
          } else if (buffer == "https") {
            url.scheme = TUrlScheme::Https;
          } else {
            failure = TUrlFailure::OtherScheme;
            return std::nullopt;
          }
          buffer.clear();
          // "http:foo" against an http base is relative to it.
          state = base && base->scheme == url.scheme ? TState::SpecialRelativeOrAuthority
                                                     : TState::SpecialAuthoritySlashes;
        } else {
          // No scheme after all: start over as a relative reference.
          buffer.clear();
          state = TState::NoScheme;
          p = -1;
        }
        break;

      case TState::NoScheme:
        if (!base) return std::nullopt;
        state = TState::Relative;
        --p;
        break;

      case TState::SpecialRelativeOrAuthority:
        if (c == '/' && nextIsSlash) {
          state = TState::SpecialAuthorityIgnoreSlashes;
          ++p;
        } else {
          state = TState::Relative;
          --p;
        }
        break;

      case TState::Relative:
        url.scheme = base->scheme;
        if (c == '/' || c == '\\') {
          state = TState::RelativeSlash;
          break;
        }
        CopyAuthority(*base, url);
        url.path = base->path;
        url.query = base->query;
        if (c == '?') {
          url.query = "";
          state = TState::Query;
        } else if (c == '#') {
          url.fragment = "";
          state = TState::Fragment;
        } else if (c != kEof) {
          url.query.reset();
          ShortenPath(url.path);
          state = TState::Path;
          --p;
        }
        break;

      case TState::RelativeSlash:
        if (c == '/' || c == '\\') {
          state = TState::SpecialAuthorityIgnoreSlashes;
        } else {
          CopyAuthority(*base, url);
          state = TState::Path;
          --p;
        }
        break;

      case TState::SpecialAuthoritySlashes:
        state = TState::SpecialAuthorityIgnoreSlashes;
        if (c == '/' && nextIsSlash) {
          ++p;
        } else {
          --p;
        }
        break;

      case TState::SpecialAuthorityIgnoreSlashes:
        if (c != '/' && c != '\\') {
          state = TState::Authority;
          --p;
        }
        break;

      case TState::Authority:
        if (c == '@') {
          // Only the last "@" ends the userinfo; earlier ones belong to it.
          if (atSignSeen) buffer.insert(0, "%40");
          atSignSeen = true;
          for (const char b : buffer) {
            if (b == ':' && !passwordTokenSeen) {
              passwordTokenSeen = true;
              continue;
            }
            url::AppendEncoded(passwordTokenSeen ? url.password : url.username, b, TEncodeSet::Userinfo);
          }
          buffer.clear();
        } else if (EndsAuthority(c)) {
          // Read the host and port again from the start of the buffer (an
          // empty host after "user@" fails there).
          p -= static_cast<std::ptrdiff_t>(buffer.size()) + 1;
          buffer.clear();
          state = TState::Host;
        } else {
          buffer.push_back(static_cast<char>(c));
        }
        break;

      case TState::Host:
        if (c == ':' && !insideBrackets) {
          if (buffer.empty() || !setHost()) return std::nullopt;
          state = TState::Port;
        } else if (EndsAuthority(c)) {
          --p;
          if (buffer.empty() || !setHost()) return std::nullopt;
          state = TState::PathStart;
        } else {
          if (c == '[') insideBrackets = true;
          if (c == ']') insideBrackets = false;
          buffer.push_back(static_cast<char>(c));
        }
        break;

      case TState::Port:
        if (IsDigit(c)) {
          buffer.push_back(static_cast<char>(c));
        } else if (EndsAuthority(c)) {
          // Leading zeros are fine, however many; an empty port is none.
          if (!buffer.empty()) {
            unsigned port = 0;
            for (const char digit : buffer) {
              port = port * 10 + static_cast<unsigned>(digit - '0');
              if (port > 65535) return std::nullopt;
            }
            const unsigned defaultPort = url.scheme == TUrlScheme::Https ? 443 : 80;
            if (port == defaultPort) {
              url.port.reset();
            } else {
              url.port = static_cast<std::uint16_t>(port);
            }
            buffer.clear();
          }
          state = TState::PathStart;
          --p;
        } else {
          return std::nullopt;
        }
        break;

      case TState::PathStart:
        state = TState::Path;
        if (c != '/' && c != '\\') --p;
        break;

      case TState::Path:
        if (c == kEof || c == '/' || c == '\\' || c == '?' || c == '#') {
          const bool slash = c == '/' || c == '\\';
          if (IsDoubleDot(buffer)) {
            ShortenPath(url.path);
            if (!slash) url.path.push_back('/');
          } else if (IsSingleDot(buffer)) {
            if (!slash) url.path.push_back('/');
          } else {
            url.path.push_back('/');
            url.path += buffer;
          }
          buffer.clear();
          if (c == '?') {
            url.query = "";
            state = TState::Query;
          } else if (c == '#') {
            url.fragment = "";
            state = TState::Fragment;
          }
        } else {
          url::AppendEncoded(buffer, static_cast<char>(c), TEncodeSet::Path);
        }
        break;

      case TState::Query:
        if (c == '#') {
          url.fragment = "";
          state = TState::Fragment;
        } else if (c != kEof) {
          url::AppendEncoded(*url.query, static_cast<char>(c), TEncodeSet::SpecialQuery);
        }
        break;

      case TState::Fragment:
        if (c != kEof) url::AppendEncoded(*url.fragment, static_cast<char>(c), TEncodeSet::Fragment);
        break;
    }
    if (p >= size) break;
  }
  return url;
}

}  // namespace

std::string TUrl::RequestTarget() const { return query ? path + '?' + *query : path; }

std::string TUrl::HostAndPort() const {
  std::string text = hostKind == THostKind::IPv6 ? '[' + host + ']' : host;
  if (port) text += ':' + std::to_string(*port);
  return text;
}

std::string TUrl::Serialize() const {
  std::string text = Secure() ? "https://" : "http://";
  if (!username.empty() || !password.empty()) {
    text += username;
    if (!password.empty()) text += ':' + password;
    text += '@';
  }
  text += HostAndPort();
  text += RequestTarget();
  if (fragment) text += '#' + *fragment;
  return text;
}

std::optional<TUrl> ParseUrl(std::string_view input, const TUrl* base, TUrlFailure* failure) {
  TUrlFailure why = TUrlFailure::Invalid;
  auto url = url::IsUtf8(input) ? Parse(Cleaned(input), base, why) : std::nullopt;
  if (failure) *failure = url ? TUrlFailure::None : why;
  return url;
}

}  // namespace vellumark
