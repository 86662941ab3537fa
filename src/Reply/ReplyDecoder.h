// One HTTP reply decoded as its bytes arrive: the final head as it came, then
// the body with its transfer coding (chunked) and content codings (gzip,
// deflate, br where built) undone, all within a size cap that counts decoded
// bytes, so a compression bomb stops at the cap in bounded memory. The text
// is the same whatever the sizes of the pieces it arrives in.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Reply/ChunkedDecoder.h"
#include "Reply/ContentDecoder.h"

namespace vellumark {

// The content codings this build can undo, as the Accept-Encoding value:
// "gzip, deflate" or, where built with a Brotli decoder, "gzip, deflate, br".
std::string_view AcceptedEncodings();

// The most content codings one reply may stack; more are refused as a
// failure, so a head cannot make the decoder hold an unbounded chain.
inline constexpr std::size_t MaxContentCodings = 5;

class TReplyDecoder {
 public:
  explicit TReplyDecoder(std::size_t cap);

  TReplyDecoder(TReplyDecoder&&) = default;
  TReplyDecoder& operator=(TReplyDecoder&&) = default;

  // Reads the next received bytes of one reply and appends to `text` (the
  // same string on every call) what they give: the final reply's head
  // exactly as received (interim 1xx replies are dropped whole), then its
  // body with the transfer coding undone (chunked, whatever the HTTP version;
  // chunk extensions and trailers ignored) and the content codings undone
  // (gzip, x-gzip, deflate zlib-wrapped or raw, br where built, identity; a
  // list like "gzip, br" undone in reverse order). `text` never grows beyond
  // `cap` bytes. Returns false once nothing more is wanted: the reply is
  // complete (the last chunk; Content-Length bytes on the wire; the end of
  // the compressed data; no body for 204 and 304), the cap is reached, or
  // decoding failed. On a failure the body decoded so far is taken out of
  // `text` again (the head stays): a damaged body never passes for a page.
  // Text that does not start with "HTTP/" is passed through unchanged; so is
  // everything when no end of head arrives before the cap.
  bool Feed(std::string_view data, std::string& text);

  // The reply ended (the connection closed) with a head still waiting for
  // its end: that head passes through as it came, so a reply cut short in
  // its head still shows what arrived. Does nothing otherwise.
  void Finish(std::string& text);

  // Empty, or why the body could not be decoded, in one line. A stream cut
  // short (the connection closed, or the caller stopped reading) is no
  // failure: what was decoded so far stands.
  const std::string& Failure() const { return failure_; }

  // Where the body starts in `text` (just after the head), npos until the
  // head is complete, and for ever when the text is passed through.
  std::size_t BodyStart() const { return bodyStart_; }

 private:
  enum class TPhase { Head, PassThrough, Body, Done, Failed };
  enum class TFraming { Chunked, Length, UntilClose };

  void ReadHead(std::string_view& data, std::string& text);
  void StartBody(std::string_view head, std::string& text);
  void ReadBody(std::string_view& data, std::string& text);
  void PassThrough(std::string_view data, std::string& text);
  // Appends as much of `data` as the cap leaves room for; false once full.
  bool Append(std::string_view data, std::string& text) const;
  // The body bytes after the transfer coding, through the content codings
  // from `index` on, into `text`.
  void Decode(std::size_t index, std::string_view data, std::string& text);
  void Fail(std::string message, std::string& text);

  std::size_t cap_;
  TPhase phase_ = TPhase::Head;
  std::string head_;  // the head received so far
  std::size_t bodyStart_ = std::string::npos;
  TFraming framing_ = TFraming::UntilClose;
  std::size_t lengthLeft_ = 0;  // body bytes still due by Content-Length
  TChunkedDecoder chunked_;
  // The content codings in the order they are undone, and the bounded
  // buffer between each one and the next.
  std::vector<std::unique_ptr<TContentDecoder>> codings_;
  std::array<std::string, MaxContentCodings> between_;
  std::string failure_;
};

}  // namespace vellumark
