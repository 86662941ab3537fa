// The chunked transfer coding read as it arrives, in pieces of any size: each
// chunk's size line (hexadecimal size, extensions ignored), its data, and the
// line break after it, up to the last chunk (size 0). Trailer fields are not
// read: the body is complete once the last chunk's size line has ended.
// Servers ending lines with a bare LF are accepted too.
#pragma once

#include <cstddef>
#include <string_view>

namespace vellumark {

class TChunkedDecoder {
 public:
  enum class TResult {
    More,    // the framing so far is sound; more may come
    End,     // the last chunk arrived
    Broken,  // the bytes are no chunked framing
  };

  // Reads framing from the start of `data` (advancing it) until chunk data
  // begins, and returns in `body` the run of chunk data that follows, as far
  // as the chunk and `data` reach (advancing past it too). `body` is empty
  // when `data` ran out first or the result is End or Broken.
  TResult Read(std::string_view& data, std::string_view& body);

 private:
  enum class TState { Size, Extension, Data, DataCr, DataLf };

  TResult EndSizeLine();

  TState state_ = TState::Size;
  std::size_t size_ = 0;  // the size being read, then what is left of the chunk
  bool digits_ = false;   // the size line has a digit
};

}  // namespace vellumark
