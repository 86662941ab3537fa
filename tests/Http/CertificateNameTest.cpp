// The rule that decides whether a certificate names the host (the Windows
// session applies it; the Linux one asks OpenSSL for the same rule, and
// TlsSessionTest.cpp checks both against real servers), and the reading of
// a subjectAltName extension that feeds it on Windows.
#include "Http/CertificateName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellumark {
namespace {

// "7f000001" → the four bytes.
std::string Hex(const std::string& digits) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

const std::string Loopback4 = Hex("7f000001");
const std::string Loopback6 = Hex("00000000000000000000000000000001");

TEST(CertificateName, TheHostMustBeNamedByASubjectAltNameOfItsKind) {
  struct TRow {
    const char* host;
    std::vector<std::string> dnsNames;
    std::vector<std::string> addresses;
    bool named;
  };
  const TRow rows[] = {
      {"localhost", {"wrong.test", "LocalHost"}, {}, true},
      {"localhost", {}, {Loopback4}, false},
      {"EXAMPLE.com.", {"example.com"}, {}, true},  // letter case and a final dot do not count
      {"a.example.com", {"*.example.com"}, {}, true},
      {"xn--bcher-kva.example.com", {"*.EXAMPLE.com"}, {}, true},
      {"a.b.example.com", {"*.example.com"}, {}, false},  // one label only
      {"example.com", {"*.example.com"}, {}, false},
      {"a.com", {"*.com"}, {}, false},  // two labels after the star at least
      {"a_b.example.com", {"*.example.com"}, {}, false},
      {"foo.example.com", {"f*.example.com", "*oo.example.com"}, {}, false},  // partial wildcards
      {"www.example.com", {"www.*.com", "*.*.com"}, {}, false},
      {"localhost", {std::string("localhost\0.evil.test", 20)}, {}, false},
      {"127.0.0.1", {}, {Hex("7f000002"), Loopback4}, true},
      {"127.0.0.1", {"127.0.0.1"}, {}, false},  // a DNS name is no address
      {"127.0.0.1", {}, {Hex("00000000000000000000ffff7f000001")}, false},  // IPv4-mapped IPv6
      {"::1", {}, {Loopback4, Loopback6}, true},
      {"::1", {"::1"}, {Loopback4}, false},
      {"2001:DB8::8:800:200c:417a", {}, {Hex("20010db8000000000008" "0800200c417a")}, true},
      {"1:2:3:4:5:6:7:8", {}, {Hex("00010002000300040005000600070008")}, true},
      {"::", {}, {Hex("00000000000000000000000000000000")}, true},
      // Texts that are no canonical host name nothing, whatever the certificate.
      {"0177.0.0.1", {"0177.0.0.1"}, {Loopback4, Hex("b1000001")}, false},
      {"0x7f.0.0.1", {"0x7f.0.0.1"}, {Loopback4}, false},
      {"127.1", {"127.1"}, {Loopback4, Hex("7f000100")}, false},
      {"127.0.0.1.", {"127.0.0.1."}, {Loopback4}, false},
      {"256.0.0.1", {"256.0.0.1"}, {}, false},
      {"1.2.3.4.5", {"1.2.3.4.5"}, {Hex("01020304")}, false},
      {":::1", {}, {Loopback6}, false},
      {"1::2::3", {}, {Hex("00010000000000020000000000000003")}, false},
      {"1:2:3:4:5:6:7::8", {}, {Hex("00010002000300040005000600070008")}, false},
      {"1:2:3:4:5:6:7:8:9", {}, {Hex("00010002000300040005000600070008")}, false},
      {"12345::1", {}, {}, false},
      {"1:", {}, {Hex("00010000000000000000000000000000")}, false},
      {"fe80::1%1", {}, {Hex("fe800000000000000000000000000001")}, false},
      {"::ffff:127.0.0.1", {}, {Loopback4, Hex("00000000000000000000ffff7f000001")}, false},
      {"", {""}, {}, false},
      {".", {"", "."}, {}, false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.host);
    EXPECT_EQ(CertificateNames(TlsIdentityOf(row.host), TAltNames{row.dnsNames, row.addresses}), row.named);
  }
}

TEST(CertificateName, TheIdentityIsTheDomainAsSentOrTheAddressBytes) {
  EXPECT_EQ(TlsIdentityOf("Www.Example.COM.").name, "www.example.com");
  EXPECT_EQ(TlsIdentityOf("Www.Example.COM.").address, "");
  EXPECT_EQ(TlsIdentityOf("10.0.0.255").name, "");
  EXPECT_EQ(TlsIdentityOf("10.0.0.255").address, Hex("0a0000ff"));
}

// One DER element with a short or long form length.
std::string Element(unsigned char tag, const std::string& value) {
  std::string element(1, static_cast<char>(tag));
  if (value.size() < 0x80) {
    element.push_back(static_cast<char>(value.size()));
  } else {
    element += {'\x82', static_cast<char>(value.size() >> 8), static_cast<char>(value.size() & 0xFF)};
  }
  return element + value;
}

TEST(CertificateName, AltNamesAreReadWholeAndMalformedOnesNameNothing) {
  const std::string longName = std::string(300, 'a') + ".test";
  const std::string entries = Element(0xA0, Element(0x06, "\x2b\x06") + Element(0xA0, Element(0x0C, "x"))) +
                              Element(0x81, "mail@a.test") + Element(0x82, "a.test") +
                              Element(0x86, "http://b.test/") + Element(0x87, Loopback4) +
                              Element(0x82, longName) + Element(0x87, Loopback6);
  const std::string valid = Element(0x30, entries);
  struct TRow {
    const char* what;
    std::string der;
    bool read;
    std::vector<std::string> dnsNames;
    std::vector<std::string> addresses;
  };
  const TRow rows[] = {
      {"every kind of entry", valid, true, {"a.test", longName}, {Loopback4, Loopback6}},
      {"no entries", Element(0x30, ""), true, {}, {}},
      {"a zero byte kept", Element(0x30, Element(0x82, std::string("a\0b", 3))), true, {std::string("a\0b", 3)}, {}},
      {"empty", "", false, {}, {}},
      {"not a sequence", Element(0x31, entries), false, {}, {}},
      {"cut short", valid.substr(0, valid.size() - 1), false, {}, {}},
      {"bytes after it", valid + '\0', false, {}, {}},
      {"entry longer than the sequence", Element(0x30, "\x82\x05" "a.b"), false, {}, {}},
      {"entry length cut", Element(0x30, "\x82"), false, {}, {}},
      {"indefinite length", "\x30\x80" + entries + std::string(2, '\0'), false, {}, {}},
      {"length of five bytes", "\x30\x85" + std::string(4, '\0') + "\x02\x82", false, {}, {}},
      {"long length cut", std::string("\x30\x82\x01", 3), false, {}, {}},
      {"multi-byte tag", Element(0x30, "\x9f\x1f\x01x"), false, {}, {}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    const auto names = ReadAltNames(row.der);
    EXPECT_EQ(names.has_value(), row.read);
    if (names) {
      EXPECT_EQ(names->dnsNames, row.dnsNames);
      EXPECT_EQ(names->addresses, row.addresses);
    }
  }
}

}  // namespace
}  // namespace vellumark
