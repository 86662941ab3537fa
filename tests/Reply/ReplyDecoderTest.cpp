// The reply decoder row by row: each row is a raw reply and the text, the
// failure and the last answer of Feed it must give, fed whole, in 1-byte
// pieces and in 7-byte pieces alike, then finished as a closed connection.
#include <gtest/gtest.h>

#define ZLIB_CONST
#include <zlib.h>

#ifdef VELLUMARK_HAVE_BROTLI
#include <brotli/encode.h>
constexpr bool kHaveBrotli = true;
#else
constexpr bool kHaveBrotli = false;
#endif

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Reply/ReplyDecoder.h"

namespace vellumark {
namespace {

constexpr std::size_t kCap = 1 << 20;

// zlib's encoder: windowBits 16 + 15 makes gzip, 15 zlib, -15 raw deflate.
// The input is `repeat` copies of `text`, so a bomb needs no large buffer.
std::string Compress(std::string_view text, int windowBits, int repeat = 1) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out;
  char buffer[16384];
  for (int i = 0; i < repeat; ++i) {
    stream.next_in = reinterpret_cast<const Bytef*>(text.data());
    stream.avail_in = static_cast<uInt>(text.size());
    const int flush = i + 1 == repeat ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = reinterpret_cast<Bytef*>(buffer);
      stream.avail_out = sizeof buffer;
      deflate(&stream, flush);
      out.append(buffer, sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  return out;
}

std::string Gzip(std::string_view text) { return Compress(text, 16 + MAX_WBITS); }

#ifdef VELLUMARK_HAVE_BROTLI
std::string Brotli(std::string_view text) {
  std::string out(BrotliEncoderMaxCompressedSize(text.size()), '\0');
  std::size_t size = out.size();
  EXPECT_TRUE(BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, text.size(),
                                    reinterpret_cast<const std::uint8_t*>(text.data()), &size,
                                    reinterpret_cast<std::uint8_t*>(out.data())));
  out.resize(size);
  return out;
}
#endif

// `body` in chunks of `size` bytes, then the last chunk.
std::string Chunked(std::string_view body, std::size_t size) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t at = 0; at < body.size(); at += size) {
    const std::string_view chunk = body.substr(at, size);
    std::string hex;
    for (std::size_t n = chunk.size(); n != 0; n /= 16) hex.insert(hex.begin(), kHex[n % 16]);
    out += hex + "\r\n" + std::string(chunk) + "\r\n";
  }
  return out + "0\r\n\r\n";
}

// A page head of some 60 KiB: more than one decoding step, Japanese text.
std::string Page() {
  std::string page = "<html><head><title>\xE6\x97\xA5\xE6\x9C\xAC</title>\n";
  for (int i = 0; page.size() < 60000; ++i) page += "<meta name=\"n" + std::to_string(i * 7919 % 10007) + "\">\n";
  return page + "</head><body>";
}

std::string Damaged(std::string data) {
  data[data.size() - 8] ^= 0x55;  // the gzip trailer's CRC-32
  return data;
}

struct TRow {
  std::string name;
  std::string reply;
  std::string head;  // the final head that starts the text; empty: the reply passes through
  std::string body;  // the text after it
  bool wanting;      // Feed's last answer
  std::string failure = {};
  std::size_t cap = kCap;
};

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string kChunked = kOk + "Transfer-Encoding: chunked\r\n";

std::string With(const std::string& head, const std::string& encoding) {
  return head + "Content-Encoding: " + encoding + "\r\n\r\n";
}

std::vector<TRow> Rows() {
  const std::string page = Page();
  const std::string gzipHead = With(kOk, "gzip");
  const std::string sizedHead = With(kOk + "Content-Length: " + std::to_string(Gzip(page).size()) + "\r\n", "gzip");
  const std::string bomb = Compress(std::string(1 << 20, '\0'), 16 + MAX_WBITS, 100);  // 100 MiB of zeros
  std::vector<TRow> rows = {
      {"chunked, extensions, trailer", kChunked + "\r\n5;a=b\r\nHello\r\n7 ; q=\"x\"\r\n, world\r\n0\r\nT: 1\r\n\r\n",
       kChunked + "\r\n", "Hello, world", false},
      {"chunk ends inside a character", kChunked + "\r\n2\r\n\xE6\x97\r\n4\r\n\xA5\xE6\x9C\xAC\r\n0\r\n\r\n",
       kChunked + "\r\n", "\xE6\x97\xA5\xE6\x9C\xAC", false},
      {"chunked gzip", With(kChunked, "gzip") + Chunked(Gzip(page), 1000), With(kChunked, "gzip"), page, false},
      {"gzip, Content-Length", sizedHead + Gzip(page) + "junk", sizedHead, page, false},
      {"x-gzip", With(kOk, "X-Gzip") + Gzip(page), With(kOk, "X-Gzip"), page, false},
      {"zlib deflate", With(kOk, "deflate") + Compress(page, MAX_WBITS), With(kOk, "deflate"), page, false},
      {"raw deflate", With(kOk, "deflate") + Compress(page, -MAX_WBITS), With(kOk, "deflate"), page, false},
      {"two codings, identity", With(kOk, "deflate, identity, gzip") + Gzip(Compress(page, MAX_WBITS)),
       With(kOk, "deflate, identity, gzip"), page, false},
      {"gzip cut short", gzipHead + Gzip(page).substr(0, 10), gzipHead, "", true},
      {"unknown coding", With(kOk, "zstd") + "(\xB5/\xFD", With(kOk, "zstd"), "", false,
       "the page came in a content coding Vellumark cannot decode: zstd"},
      {"too many codings", With(kOk, "gzip,gzip,gzip,gzip,gzip,gzip") + "x", With(kOk, "gzip,gzip,gzip,gzip,gzip,gzip"),
       "", false, "the page came in more content codings than Vellumark undoes (5)"},
      {"damaged gzip", gzipHead + Damaged(Gzip(page)), gzipHead, "", false, "the reply's gzip data is damaged"},
      {"broken chunk size", kChunked + "\r\n5\r\nHello\r\nzz\r\n", kChunked + "\r\n", "", false,
       "the reply's chunked framing is broken"},
      {"chunk without its line end", kChunked + "\r\n2\r\nabc\r\n", kChunked + "\r\n", "", false,
       "the reply's chunked framing is broken"},
      {"1xx then 200",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n" + kOk +
           "Content-Length: 5\r\n\r\nHello",
       kOk + "Content-Length: 5\r\n\r\n", "Hello", false},
      {"Content-Length stops", kOk + "Content-Length: 5\r\n\r\nHelloMORE", kOk + "Content-Length: 5\r\n\r\n", "Hello",
       false},
      {"until close", "HTTP/1.0 200 OK\nServer: lax\n\nHello", "HTTP/1.0 200 OK\nServer: lax\n\n", "Hello", true},
      {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\nstray", "HTTP/1.1 204 No Content\r\n\r\n", "", false},
      {"not HTTP", "<html><title>old</title>", "", "<html><title>old</title>", true},
      {"head cut short", kOk + "Server: x\r\n", "", kOk + "Server: x\r\n", true},
      {"no head end within the cap", kOk + "Server: x\r\nVary: *", "", (kOk + "Server: x\r\nVary: *").substr(0, 20),
       false, "", 20},
      {"bomb", gzipHead + bomb, gzipHead, std::string(65536 - gzipHead.size(), '\0'), false, "", 65536},
  };
#ifdef VELLUMARK_HAVE_BROTLI
  rows.push_back({"br", With(kChunked, "br") + Chunked(Brotli(page), 333), With(kChunked, "br"), page, false});
  rows.push_back({"gzip, br", With(kOk, "gzip, br") + Brotli(Gzip(page)), With(kOk, "gzip, br"), page, false});
#endif
  return rows;
}

struct TOutcome {
  std::string text;
  std::string failure;
  bool wanting = true;
  std::size_t bodyStart = std::string::npos;
};

TOutcome Decode(const TRow& row, std::size_t piece) {
  TReplyDecoder decoder(row.cap);
  TOutcome outcome;
  for (std::size_t at = 0; outcome.wanting && at < row.reply.size(); at += piece) {
    outcome.wanting = decoder.Feed(std::string_view(row.reply).substr(at, piece), outcome.text);
    EXPECT_LE(outcome.text.size(), row.cap);
  }
  decoder.Finish(outcome.text);
  outcome.failure = decoder.Failure();
  outcome.bodyStart = decoder.BodyStart();
  return outcome;
}

TEST(ReplyDecoder, Rows) {
  EXPECT_EQ(AcceptedEncodings(), kHaveBrotli ? "gzip, deflate, br" : "gzip, deflate");
  for (const TRow& row : Rows()) {
    for (const std::size_t piece : {row.reply.size(), std::size_t{1}, std::size_t{7}}) {
      SCOPED_TRACE(row.name + ", pieces of " + std::to_string(piece));
      const TOutcome outcome = Decode(row, piece);
      EXPECT_EQ(outcome.text, row.head + row.body);
      EXPECT_EQ(outcome.failure, row.failure);
      EXPECT_EQ(outcome.wanting, row.wanting);
      EXPECT_EQ(outcome.bodyStart, row.head.empty() ? std::string::npos : row.head.size());
    }
  }
}

}  // namespace
}  // namespace vellumark
