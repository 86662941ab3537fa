#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SystemMessage.h"
#include "support/LoopbackSocket.h"

namespace vellumark {
namespace {

// The 32-bit value whose bytes in memory are a.b.c.d (network byte order).
std::uint32_t Address(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  const unsigned char bytes[4] = {a, b, c, d};
  std::uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::string ResolveFailure(const std::string& host) {
  try {
    const std::uint32_t address = ResolveHost(host);
    return "resolved to " + std::to_string(address);
  } catch (const TError& error) {
    return error.what();
  }
}

TEST(ResolveHost, LoopbackByNameAndByDottedAddress) {
  EXPECT_EQ(ResolveHost("localhost"), Address(127, 0, 0, 1));
  EXPECT_EQ(ResolveHost("127.0.0.1"), Address(127, 0, 0, 1));
}

TEST(ResolveHost, DottedAddressWithoutReverseEntryIsUsedAsItIs) {
  // Private and documentation addresses have no reverse entry here; they are
  // still reachable by the address itself.
  EXPECT_EQ(ResolveHost("192.168.0.1"), Address(192, 168, 0, 1));
  EXPECT_EQ(ResolveHost("192.0.2.77"), Address(192, 0, 2, 77));
  EXPECT_EQ(ResolveHost("10.0.0.255"), Address(10, 0, 0, 255));
}

TEST(ResolveHost, EveryFailureCarriesTheOneMessageWithTheHostTextUnchanged) {
  // A port is never split off: the whole text goes to the name lookup.
  EXPECT_EQ(ResolveFailure("localhost:8080"), "[localhost:8080] IS INVALID ADDRSS.");
  EXPECT_EQ(ResolveFailure("host:8080"), "[host:8080] IS INVALID ADDRSS.");
  EXPECT_EQ(ResolveFailure("no-such-host.invalid"), "[no-such-host.invalid] IS INVALID ADDRSS.");
  // Passes the dotted-address test but converts to the all-ones value.
  EXPECT_EQ(ResolveFailure("255.255.255.255"), "[255.255.255.255] IS INVALID ADDRSS.");
  // Passes the dotted-address test, but the platform conversion does not
  // accept the "$" spelling.
  EXPECT_EQ(ResolveFailure("$7F.0.0.1"), "[$7F.0.0.1] IS INVALID ADDRSS.");
  EXPECT_EQ(ResolveFailure(""), "[] IS INVALID ADDRSS.");
  // A zero byte would cut the name short for the lookup, which would then
  // find "localhost".
  EXPECT_THROW(ResolveHost(std::string("localhost\0.invalid", 18)), TError);
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
