// gzip and deflate through zlib's inflate. "deflate" means the zlib format,
// but some servers send raw deflate data under that name, as browsers accept:
// the first two bytes decide, by the zlib header's own check.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

#include "Reply/ContentDecoder.h"

namespace vellumark {

namespace {

enum class TFormat { Gzip, Deflate };

// Whether two bytes open a zlib stream: method 8 (deflate), a window of at
// most 32 KiB, and the header check (the two bytes as a number are a
// multiple of 31).
bool IsZlibHeader(unsigned char cmf, unsigned char flg) {
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

class TZlibDecoder final : public TContentDecoder {
 public:
  explicit TZlibDecoder(TFormat format) : format_(format) {
    if (format_ == TFormat::Gzip) Start(16 + MAX_WBITS);
  }
  ~TZlibDecoder() override {
    if (started_) inflateEnd(&stream_);
  }
  TZlibDecoder(const TZlibDecoder&) = delete;
  TZlibDecoder& operator=(const TZlibDecoder&) = delete;

  std::string_view Name() const override { return format_ == TFormat::Gzip ? "gzip" : "deflate"; }

 protected:
  TRun Run(std::string_view& input, char*& out, std::size_t& outLeft) override {
    if (!started_) {
      // Deflate: the first two bytes are kept until both are here.
      while (headerSize_ < 2 && !input.empty()) {
        header_[headerSize_++] = static_cast<unsigned char>(input.front());
        input.remove_prefix(1);
      }
      if (headerSize_ < 2) return TRun::Progress;
      Start(IsZlibHeader(header_[0], header_[1]) ? MAX_WBITS : -MAX_WBITS);
    }
    if (headerUsed_ < headerSize_) {
      std::string_view kept(reinterpret_cast<const char*>(header_) + headerUsed_, headerSize_ - headerUsed_);
      const TRun run = Inflate(kept, out, outLeft);
      headerUsed_ = headerSize_ - kept.size();
      if (run != TRun::Progress || !kept.empty()) return run;
    }
    return Inflate(input, out, outLeft);
  }

 private:
  void Start(int windowBits) {
    if (inflateInit2(&stream_, windowBits) != Z_OK) throw std::bad_alloc();
    started_ = true;
  }

  TRun Inflate(std::string_view& input, char*& out, std::size_t& outLeft) {
    // zlib counts in uInt; a step is far smaller, the input need not be.
    const std::size_t offered = std::min<std::size_t>(input.size(), UINT_MAX);
    stream_.next_in = reinterpret_cast<const Bytef*>(input.data());
    stream_.avail_in = static_cast<uInt>(offered);
    stream_.next_out = reinterpret_cast<Bytef*>(out);
    stream_.avail_out = static_cast<uInt>(outLeft);
    const int result = inflate(&stream_, Z_NO_FLUSH);
    input.remove_prefix(offered - stream_.avail_in);
    out += outLeft - stream_.avail_out;
    outLeft = stream_.avail_out;
    switch (result) {
      case Z_OK:
      case Z_BUF_ERROR: return TRun::Progress;  // Z_BUF_ERROR: nothing to do until more comes
      case Z_STREAM_END: return TRun::End;
      case Z_MEM_ERROR: throw std::bad_alloc();
      default: return TRun::Damaged;  // Z_DATA_ERROR, Z_NEED_DICT (no dictionary is known)
    }
  }

  TFormat format_;
  z_stream stream_{};
  bool started_ = false;
  unsigned char header_[2] = {};
  std::size_t headerSize_ = 0;
  std::size_t headerUsed_ = 0;
};

}  // namespace

std::unique_ptr<TContentDecoder> MakeGzipDecoder() { return std::make_unique<TZlibDecoder>(TFormat::Gzip); }

std::unique_ptr<TContentDecoder> MakeDeflateDecoder() {
  return std::make_unique<TZlibDecoder>(TFormat::Deflate);
}

}  // namespace vellumark
