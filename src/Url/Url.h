// Page addresses as a browser reads them: the URL Standard's parser for the
// two schemes the program fetches, http and https (scheme in any letter
// case). An address is parsed once into a TUrl, and that one value carries
// what every later step needs: the connection (canonical host and port), the
// request target, the Host line, the TLS identity and the resolution of a
// redirect target against the address that was answered.
//
// What goes on the wire comes only from a TUrl, and a TUrl holds only
// printable ASCII: the host is canonical (an ASCII domain after IDNA, dotted
// decimal IPv4, or compressed IPv6), and the path and query are
// percent-encoded by the standard's sets. What the user sees (URL, Host and
// Page of a record) stays as typed and never comes from here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

enum class TUrlScheme { Http, Https };

// What the host of an address is once canonical.
enum class THostKind {
  Domain,  // an ASCII domain: lower case, IDNA applied ("xn--wgv71a119e.jp")
  IPv4,    // dotted decimal, four parts ("127.0.0.1")
  IPv6,    // the standard's compressed form, without brackets ("2001:db8::1")
};

struct TUrl {
  TUrlScheme scheme = TUrlScheme::Http;
  // The userinfo as the standard keeps it (percent-encoded by the userinfo
  // set); empty when the address has none. Never sent in the request line
  // or the Host line.
  std::string username;
  std::string password;
  std::string host;
  THostKind hostKind = THostKind::Domain;
  // The port written in the address; none when it is absent or the
  // scheme's default (80 for http, 443 for https).
  std::optional<std::uint16_t> port;
  // Starts with "/"; dot segments resolved; percent-encoded.
  std::string path = "/";
  // Without the "?"; none when the address has no "?" at all (an empty
  // query "?" is kept as an empty text).
  std::optional<std::string> query;
  // Without the "#"; never sent, kept so that a parsed address serialises
  // back to itself.
  std::optional<std::string> fragment;

  bool Secure() const { return scheme == TUrlScheme::Https; }
  // The port to connect to: the written one, or the scheme's default.
  std::uint16_t EffectivePort() const { return port ? *port : (Secure() ? 443 : 80); }
  // What the request line names: the path, then "?" and the query if any.
  std::string RequestTarget() const;
  // The host as the Host line writes it: IPv6 in brackets, then ":port"
  // only when the port is not the scheme's default.
  std::string HostAndPort() const;
  // The whole address in the standard's serialisation ("href"), fragment
  // included.
  std::string Serialize() const;

  // Field by field: a parsed address and the parse of its href are equal.
  friend bool operator==(const TUrl&, const TUrl&) = default;
};

// Why an address text gives no TUrl.
enum class TUrlFailure {
  None,
  Invalid,      // not an address by the standard's rules
  OtherScheme,  // an address, but of a scheme other than http and https
};

// Parses `input`, UTF-8 text (malformed UTF-8 fails), by the URL Standard's
// basic URL parser. With `base`, a relative reference (a path, "../x",
// "?q", "//host/x", "#f") is resolved against it, as a browser resolves a
// redirect's Location; without it only an absolute address parses.
// Returns nothing when the text is no http/https address; `failure`, when
// given, then says why.
std::optional<TUrl> ParseUrl(std::string_view input, const TUrl* base = nullptr,
                             TUrlFailure* failure = nullptr);

}  // namespace vellumark
