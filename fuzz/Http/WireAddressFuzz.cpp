// Random address texts through the wire rules. Byte 0 picks where the text
// came from (typed Shift_JIS or server bytes); the rest is the address.
// Whatever comes in, a request target holds only printable ASCII other than
// the space and no '#', a printable ASCII page without '#' goes out as it
// is, and a host either is refused with the one message or comes out
// unchanged (ASCII) or as a usable ASCII name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/WireAddress.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsPrintable(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const TAddressOrigin origin = data[0] & 1 ? TAddressOrigin::Server : TAddressOrigin::Typed;
  const std::string_view address(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string target = RequestTarget(address, origin);
  Check(IsPrintable(target) && target.find('#') == std::string::npos);
  if (IsPrintable(address) && address.find('#') == std::string_view::npos) Check(target == address);

  std::string host;
  std::string page;
  if (!SplitUrl(WithoutFragment(TrimAddressBlanks(address)), host, page)) return 0;
  const bool asciiHost =
      std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  try {
    const std::string sent = WireHost(host, origin);
    Check(asciiHost ? sent == host
                    : IsPrintable(sent) && sent.find_first_of("#%/<>?@[\\]^|") == std::string::npos);
  } catch (const TError& error) {
    Check(!asciiHost);
    // what() ends at a zero byte the host text may hold.
    const std::string message = "[" + host + "] IS INVALID ADDRSS.";
    Check(error.what() == message.substr(0, message.find('\0')));
  }
  return 0;
}
