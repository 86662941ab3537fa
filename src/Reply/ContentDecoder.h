// Undoing one content coding of a reply body as it arrives (gzip, deflate
// and, where built with a Brotli decoder, br), writing the decoded bytes
// straight into the caller's string in bounded steps: the string is grown by
// at most one step, the decoder writes into it, and the unused part is cut
// off again. Memory stays bounded whatever the data expands to.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vellumark {

enum class TDecodeStep {
  NeedInput,   // all of the input is used; more may come
  OutputFull,  // the output reached its limit; more output may be pending
  End,         // the coded stream is complete; bytes after it are not read
  Damaged,     // the data is not in the coding it claims
};

class TContentDecoder {
 public:
  virtual ~TContentDecoder() = default;

  // Decodes from the start of `input` (advancing it past what was used) and
  // appends the result to `out`, which never grows beyond `limit` bytes.
  TDecodeStep Decode(std::string_view& input, std::string& out, std::size_t limit);

  // The coding's name in a message: "gzip", "deflate", "Brotli".
  virtual std::string_view Name() const = 0;

 protected:
  enum class TRun { Progress, End, Damaged };

  // Decodes into the `outLeft` bytes at `out` (advancing both) until the
  // input is used up or the room is full: Progress; or to the stream's end
  // or a fault.
  virtual TRun Run(std::string_view& input, char*& out, std::size_t& outLeft) = 0;
};

// The decoder for a coding name as a reply names it (lower case, blanks
// trimmed): "gzip" and "x-gzip", "deflate", "br" where built. Null for any
// other name.
std::unique_ptr<TContentDecoder> MakeContentDecoder(std::string_view coding);

// The zlib decoders (ZlibDecoder.cpp): gzip, or deflate with or without its
// zlib wrapper.
std::unique_ptr<TContentDecoder> MakeGzipDecoder();
std::unique_ptr<TContentDecoder> MakeDeflateDecoder();

#ifdef VELLUMARK_HAVE_BROTLI
std::unique_ptr<TContentDecoder> MakeBrotliDecoder();
#endif

}  // namespace vellumark
