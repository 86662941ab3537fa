// Random replies through the reply decoder. The first byte picks what comes
// before the rest: nothing (the data is the whole reply), or a head that
// sends the data through chunked gzip, plain gzip, deflate or, where built,
// Brotli. The second byte sets the cap (small, so bombs meet it), the next
// four the sizes of the pieces fed, in turn. Whatever comes in: the text
// never exceeds the cap, and the text, the failure, Feed's last answer and
// the body's start are the same fed whole, in those pieces and byte by byte,
// then finished.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Reply/ReplyDecoder.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr std::string_view kHeads[] = {
    "",
    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n",
    "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n",
    "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n",
    "HTTP/1.1 200 OK\r\nContent-Encoding: br\r\n\r\n",
};

struct TOutcome {
  std::string text;
  std::string failure;
  bool wanting = true;
  std::size_t bodyStart = 0;

  bool operator==(const TOutcome&) const = default;
};

// Feeds `reply` in pieces of pieceSize(0), pieceSize(1), ... bytes until
// the decoder wants no more.
template <typename TPieceSize>
TOutcome Decode(std::string_view reply, std::size_t cap, TPieceSize pieceSize) {
  TReplyDecoder decoder(cap);
  TOutcome outcome;
  for (std::size_t at = 0, turn = 0; outcome.wanting && at < reply.size(); ++turn) {
    const std::size_t piece = pieceSize(turn);
    outcome.wanting = decoder.Feed(reply.substr(at, piece), outcome.text);
    Check(outcome.text.size() <= cap);
    at += piece;
  }
  decoder.Finish(outcome.text);
  Check(outcome.text.size() <= cap);
  outcome.failure = decoder.Failure();
  outcome.bodyStart = decoder.BodyStart();
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  std::string reply(kHeads[data[0] % std::size(kHeads)]);
  reply.append(reinterpret_cast<const char*>(data) + 6, size - 6);
  const std::size_t cap = 1 + data[1] * std::size_t{64};

  const TOutcome whole = Decode(reply, cap, [&](std::size_t) { return reply.size(); });
  Check(Decode(reply, cap, [](std::size_t) { return std::size_t{1}; }) == whole);
  Check(Decode(reply, cap, [&](std::size_t turn) { return std::size_t{data[2 + turn % 4]} + 1; }) == whole);
  return 0;
}
