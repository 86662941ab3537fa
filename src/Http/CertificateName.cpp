// The name rule of Http/CertificateName.h. Its wildcard rule is OpenSSL's
// with partial wildcards refused (what the Linux build asks OpenSSL to
// apply), so both platforms accept and refuse the same certificates.
#include "Http/CertificateName.h"

#include <algorithm>
#include <cstdint>

namespace vellumark {

namespace {

constexpr auto npos = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char lower = Lower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// A number as the URL Standard reads an IPv4 part: digits, or "0x" and hex
// digits.
bool IsNumber(std::string_view label) {
  if (label.size() >= 2 && label[0] == '0' && Lower(label[1]) == 'x') {
    return std::all_of(label.begin() + 2, label.end(), [](char c) { return HexValue(c) >= 0; });
  }
  return !label.empty() && std::all_of(label.begin(), label.end(), IsDigit);
}

// Four dotted decimal parts of 0 to 255 without leading zeros, or nothing.
std::string DottedDecimalBytes(std::string_view text) {
  std::string bytes;
  for (;;) {
    const std::size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0') ||
        !std::all_of(part.begin(), part.end(), IsDigit)) {
      return {};
    }
    int value = 0;
    for (const char digit : part) value = value * 10 + (digit - '0');
    if (value > 255) return {};
    bytes.push_back(static_cast<char>(value));
    if (dot == npos) break;
    text.remove_prefix(dot + 1);
  }
  return bytes.size() == 4 ? bytes : std::string();
}

// Appends the colon-separated groups of one to four hex digits in `text`
// (none when it is empty). False when a group is malformed.
bool ReadGroups(std::string_view text, std::vector<std::uint16_t>& groups) {
  while (!text.empty()) {
    const std::size_t colon = text.find(':');
    const std::string_view group = text.substr(0, colon);
    if (group.empty() || group.size() > 4) return false;
    unsigned value = 0;
    for (const char c : group) {
      const int digit = HexValue(c);
      if (digit < 0) return false;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    groups.push_back(static_cast<std::uint16_t>(value));
    if (colon == npos) return true;
    text.remove_prefix(colon + 1);
    if (text.empty()) return false;  // a final single ':'
  }
  return true;
}

// The 16 bytes of an IPv6 address in hex groups, at most one "::" standing
// for the zero groups left out; nothing for any other text.
std::string IPv6Bytes(std::string_view text) {
  std::vector<std::uint16_t> head;
  std::vector<std::uint16_t> tail;
  const std::size_t gap = text.find("::");
  if (gap == npos) {
    if (!ReadGroups(text, head) || head.size() != 8) return {};
  } else {
    const std::string_view after = text.substr(gap + 2);
    if (after.find("::") != npos || !ReadGroups(text.substr(0, gap), head) || !ReadGroups(after, tail) ||
        head.size() + tail.size() > 7) {
      return {};
    }
    head.resize(8 - tail.size(), 0);
    head.insert(head.end(), tail.begin(), tail.end());
  }
  std::string bytes;
  for (const std::uint16_t group : head) {
    bytes.push_back(static_cast<char>(group >> 8));
    bytes.push_back(static_cast<char>(group & 0xFF));
  }
  return bytes;
}

bool IsLabelCharacter(char c) { return IsLetter(c) || IsDigit(c) || c == '-'; }

// What a DNS name "*.<rest>" stands for, when it is a wildcard OpenSSL
// accepts: `rest` of two labels or more, each of letters, digits and inner
// hyphens. Empty otherwise.
std::string_view WildcardSuffix(std::string_view pattern) {
  if (pattern.size() < 2 || pattern[0] != '*' || pattern[1] != '.') return {};
  const std::string_view rest = pattern.substr(2);
  std::size_t labels = 0;
  for (std::size_t start = 0; start <= rest.size(); ++labels) {
    const std::size_t dot = std::min(rest.find('.', start), rest.size());
    const std::string_view label = rest.substr(start, dot - start);
    if (label.empty() || label.front() == '-' || label.back() == '-' ||
        !std::all_of(label.begin(), label.end(), IsLabelCharacter)) {
      return {};
    }
    start = dot + 1;
  }
  return labels >= 2 ? rest : std::string_view{};
}

bool NameMatches(std::string_view name, std::string_view pattern) {
  if (pattern.find('\0') != npos) return false;
  if (const std::string_view suffix = WildcardSuffix(pattern); !suffix.empty()) {
    if (name.size() < suffix.size() + 2) return false;
    const std::size_t dot = name.size() - suffix.size() - 1;
    const std::string_view label = name.substr(0, dot);
    return name[dot] == '.' && SameLetters(name.substr(dot + 1), suffix) &&
           std::all_of(label.begin(), label.end(), IsLabelCharacter);
  }
  return SameLetters(name, pattern);
}

}  // namespace

TTlsIdentity TlsIdentityOf(std::string_view host) {
  TTlsIdentity identity;
  if (host.find(':') != npos) {
    identity.address = IPv6Bytes(host);
    return identity;
  }
  const std::string_view name = host.ends_with('.') ? host.substr(0, host.size() - 1) : host;
  const std::size_t lastDot = name.rfind('.');
  if (IsNumber(lastDot == npos ? name : name.substr(lastDot + 1))) {
    identity.address = DottedDecimalBytes(host);
    return identity;
  }
  if (name.empty() || name.find('\0') != npos) return identity;
  identity.name.reserve(name.size());
  for (const char c : name) identity.name.push_back(Lower(c));
  return identity;
}

std::optional<TAltNames> ReadAltNames(std::string_view der) {
  // One DER element from the front of `input`: a one-byte tag (the only
  // kind GeneralName uses) and a definite length in short or long form.
  const auto next = [](std::string_view& input, unsigned char& tag, std::string_view& value) {
    if (input.size() < 2 || (input[0] & 0x1F) == 0x1F) return false;
    tag = static_cast<unsigned char>(input[0]);
    std::size_t length = static_cast<unsigned char>(input[1]);
    std::size_t at = 2;
    if (length & 0x80) {
      const std::size_t bytes = length & 0x7F;
      if (bytes == 0 || bytes > 4 || input.size() < at + bytes) return false;
      length = 0;
      for (std::size_t i = 0; i < bytes; ++i) length = (length << 8) | static_cast<unsigned char>(input[at++]);
    }
    if (input.size() - at < length) return false;
    value = input.substr(at, length);
    input.remove_prefix(at + length);
    return true;
  };
  constexpr unsigned char Sequence = 0x30;
  constexpr unsigned char DnsName = 0x82;    // [2] IA5String
  constexpr unsigned char IpAddress = 0x87;  // [7] OCTET STRING
  unsigned char tag = 0;
  std::string_view entries;
  if (!next(der, tag, entries) || tag != Sequence || !der.empty()) return std::nullopt;
  TAltNames names;
  while (!entries.empty()) {
    std::string_view value;
    if (!next(entries, tag, value)) return std::nullopt;
    if (tag == DnsName) names.dnsNames.emplace_back(value);
    if (tag == IpAddress) names.addresses.emplace_back(value);
  }
  return names;
}

bool CertificateNames(const TTlsIdentity& identity, const TAltNames& names) {
  if (!identity.address.empty()) {
    return std::find(names.addresses.begin(), names.addresses.end(), identity.address) != names.addresses.end();
  }
  if (identity.name.empty()) return false;
  return std::any_of(names.dnsNames.begin(), names.dnsNames.end(),
                     [&](const std::string& pattern) { return NameMatches(identity.name, pattern); });
}

}  // namespace vellumark
