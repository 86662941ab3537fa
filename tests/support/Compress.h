// Compressed bodies for tests of replies: the three forms servers send with
// Content-Encoding gzip or deflate, made with zlib.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vellumark::testing {

std::string Gzip(std::string_view data);
// Content-Encoding "deflate" as the standard says: zlib-wrapped.
std::string ZlibDeflate(std::string_view data);
// Content-Encoding "deflate" as some servers send it: the bare stream.
std::string RawDeflate(std::string_view data);

// `body` in chunked transfer coding, cut at each of `cuts` (offsets into the
// body, ascending), the first chunk with an extension, and a trailer line.
std::string Chunked(std::string_view body, std::initializer_list<std::size_t> cuts);

}  // namespace vellumark::testing
