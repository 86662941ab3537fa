#include "support/Compress.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace vellumark::testing {

namespace {

std::string Deflate(std::string_view data, int windowBits) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

}  // namespace

std::string Gzip(std::string_view data) { return Deflate(data, 16 + 15); }
std::string ZlibDeflate(std::string_view data) { return Deflate(data, 15); }
std::string RawDeflate(std::string_view data) { return Deflate(data, -15); }

std::string Chunked(std::string_view body, std::initializer_list<std::size_t> cuts) {
  std::string out;
  std::size_t from = 0;
  bool first = true;
  auto chunk = [&](std::size_t to) {
    if (to <= from) return;
    char size[32];
    std::snprintf(size, sizeof size, "%zx", to - from);
    out += size;
    if (first) out += ";name=\"value\"";
    first = false;
    out += "\r\n";
    out += body.substr(from, to - from);
    out += "\r\n";
    from = to;
  };
  for (const std::size_t cut : cuts) chunk(cut);
  chunk(body.size());
  out += "0\r\nExpires: never\r\n\r\n";
  return out;
}

}  // namespace vellumark::testing
