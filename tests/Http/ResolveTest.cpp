#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Common/Error.h"
#include "Http/Connect.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SystemMessage.h"
#include "support/LoopbackSocket.h"

namespace vellumark {
namespace {

using socketapi::TAddress;
using socketapi::TFamily;

TAddress Endpoint(TFamily family, std::vector<std::uint8_t> bytes, std::uint16_t port) {
  TAddress address;
  address.family = family;
  std::copy(bytes.begin(), bytes.end(), address.bytes.begin());
  address.port = port;
  return address;
}

std::string ResolveFailure(const std::string& host, THostKind kind) {
  try {
    return "resolved to " + std::to_string(ResolveHost(host, kind, 80).size()) + " addresses";
  } catch (const TError& error) {
    return error.what();
  }
}

TEST(ResolveHost, ALiteralIsTheOneAddressAsWritten) {
  const TAddress v6Loopback = Endpoint(TFamily::IPv6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 8080);
  const struct {
    const char* host;
    THostKind kind;
    TAddress address;
  } cases[] = {
      {"127.0.0.1", THostKind::IPv4, Endpoint(TFamily::IPv4, {127, 0, 0, 1}, 8080)},
      // No reverse entry, and none is looked for: the address as typed.
      {"192.0.2.77", THostKind::IPv4, Endpoint(TFamily::IPv4, {192, 0, 2, 77}, 8080)},
      {"::1", THostKind::IPv6, v6Loopback},
      {"2001:db8::a:1", THostKind::IPv6,
       Endpoint(TFamily::IPv6, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0a, 0, 1}, 8080)},
  };
  for (const auto& c : cases) {
    const auto addresses = ResolveHost(c.host, c.kind, 8080);
    ASSERT_EQ(addresses.size(), 1u) << c.host;
    EXPECT_TRUE(addresses[0] == c.address) << c.host;
  }
}

TEST(ResolveHost, ADomainGoesToTheSystemsResolver) {
  const auto addresses = ResolveHost("localhost", THostKind::Domain, 8080);
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), Endpoint(TFamily::IPv4, {127, 0, 0, 1}, 8080)),
            addresses.end());
}

TEST(ResolveHost, EveryFailureCarriesTheOneMessageWithTheHostUnchanged) {
  const struct {
    std::string host;
    THostKind kind;
  } cases[] = {
      {"no-such-host.invalid", THostKind::Domain},
      {"localhost:8080", THostKind::Domain},
      {"", THostKind::Domain},
      // A literal is never looked up, so a name given as one finds nothing.
      {"localhost", THostKind::IPv4},
      {"localhost", THostKind::IPv6},
      {"::1", THostKind::IPv4},
      {"127.0.0.1", THostKind::IPv6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveFailure(c.host, c.kind), "[" + c.host + "] IS INVALID ADDRSS.");
  }
  // A zero byte would cut the name short for the lookup, which would then
  // find "localhost".
  EXPECT_THROW(ResolveHost(std::string("localhost\0.invalid", 18), THostKind::Domain, 80), TError);
}

TEST(SystemMessage, TrimsTrailingBlanksControlCharactersAndFullStops) {
  EXPECT_EQ(TrimSystemMessage("Connection refused.\r\n"), "Connection refused");
  EXPECT_EQ(TrimSystemMessage("Timed out . .\t \x01"), "Timed out");
  EXPECT_EQ(TrimSystemMessage("..."), "");
  EXPECT_EQ(TrimSystemMessage(""), "");
  // Only the end is trimmed.
  EXPECT_EQ(TrimSystemMessage(" a.b\r\nc"), " a.b\r\nc");
  // Bytes above 127 (the second byte of a Shift_JIS character here) are
  // text, not control characters.
  EXPECT_EQ(TrimSystemMessage("\x82\xa0\x81\x42\r\n"), "\x82\xa0\x81\x42");
}

TEST(SystemMessage, TheRefusalTextIsTheSystemsOwnWithoutItsEnding) {
  const int code = loopback::net::ConnectionRefusedCode();
  const std::string raw = socketapi::RawErrorText(code);
  const std::string text = SystemMessageText(code);
  // Both platforms have a text for a refused connection.
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(raw.starts_with(text)) << raw;
  EXPECT_GT(static_cast<unsigned char>(text.back()), 32);
  EXPECT_NE(text.back(), '.');
}

// A fetch that ends in a time-out or a refusal always says so in words, also
// where the system keeps no text for the code (Wine has none for a
// time-out): otherwise its Error would read like that of a fetch that ended
// normally.
TEST(SystemMessage, TheFailuresOfAConnectionHaveWordsOnEveryPlatform) {
  for (const int code : {socketapi::TimedOutCode(), loopback::net::ConnectionRefusedCode()}) {
    EXPECT_FALSE(SystemMessageText(code).empty()) << code;
  }
}

}  // namespace
}  // namespace vellumark
