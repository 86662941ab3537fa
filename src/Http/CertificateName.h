// Whether a server certificate names the host connected to: the one rule
// both platforms apply. The host is the canonical host of the address (an
// ASCII domain, dotted-decimal IPv4 or compressed IPv6 without brackets);
// the certificate names it only in its subjectAltName extension, never in
// the subject's common name (browsers refuse certificates that name their
// server only there).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

// Who a TLS server must prove to be. Exactly one of the two is set for a
// host a certificate can name; both are empty for any other text.
struct TTlsIdentity {
  // A domain: lower case, without a final dot. It is also what goes out as
  // the server name indication (SNI).
  std::string name;
  // An IPv4 or IPv6 address: its 4 or 16 bytes in network order. An address
  // goes out without SNI and must be named by an IP address entry.
  std::string address;
};

// The identity of `host`. A text with a ':' is an IPv6 address; a text
// whose last label is a number (all digits, or "0x" and hex digits) is
// an IPv4 address and must be written in dotted decimal (four parts, no
// leading zeros): other numeric forms would name an address other than
// the one the text reads as, so they name nothing. Everything else is a
// domain.
TTlsIdentity TlsIdentityOf(std::string_view host);

// What a certificate's subjectAltName extension lists that can name a
// server: its DNS names (as written, never cut at a zero byte) and the bytes
// of its IP address entries.
struct TAltNames {
  std::vector<std::string> dnsNames;
  std::vector<std::string> addresses;
};

// Reads the value of a subjectAltName extension (DER: a SEQUENCE of
// GeneralName). Entries of other kinds are skipped. Nothing when the value
// is malformed: then the certificate names no server.
std::optional<TAltNames> ReadAltNames(std::string_view der);

// Whether a certificate with subjectAltName `names` names `identity`. A
// domain matches a DNS name equal to it in any letter case, or one whose
// first label is exactly "*" with at least two labels after it, which
// stands for one whole label of letters, digits and hyphens; an address
// matches an entry of the same bytes only, never a DNS name.
bool CertificateNames(const TTlsIdentity& identity, const TAltNames& names);

}  // namespace vellumark
