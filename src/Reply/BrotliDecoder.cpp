// br through the Brotli reference decoder (built only where one is found).
#include <brotli/decode.h>

#include <cstdint>
#include <new>

#include "Reply/ContentDecoder.h"

namespace vellumark {

namespace {

class TBrotliDecoder final : public TContentDecoder {
 public:
  TBrotliDecoder() : state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {
    if (state_ == nullptr) throw std::bad_alloc();
  }
  ~TBrotliDecoder() override { BrotliDecoderDestroyInstance(state_); }
  TBrotliDecoder(const TBrotliDecoder&) = delete;
  TBrotliDecoder& operator=(const TBrotliDecoder&) = delete;

  std::string_view Name() const override { return "Brotli"; }

 protected:
  // The decoder is given one byte per call. It writes out what it holds
  // whenever it needs more input, so fed bytes in bulk it would hold more
  // undelivered output when it meets damaged data than fed byte by byte,
  // and whether the cap or the damage comes first would depend on the sizes
  // of the pieces received. One byte per call gives the same text for any
  // pieces, at about three times the decoding time.
  TRun Run(std::string_view& input, char*& out, std::size_t& outLeft) override {
    auto* nextOut = reinterpret_cast<std::uint8_t*>(out);
    BrotliDecoderResult result = BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT;
    while (outLeft != 0 && (!input.empty() || BrotliDecoderHasMoreOutput(state_))) {
      static constexpr std::uint8_t kNone = 0;
      std::size_t inLeft = input.empty() ? 0 : 1;
      const auto* next = input.empty() ? &kNone : reinterpret_cast<const std::uint8_t*>(input.data());
      result = BrotliDecoderDecompressStream(state_, &inLeft, &next, &outLeft, &nextOut, nullptr);
      if (inLeft == 0 && !input.empty()) input.remove_prefix(1);
      if (result == BROTLI_DECODER_RESULT_SUCCESS || result == BROTLI_DECODER_RESULT_ERROR) break;
    }
    out = reinterpret_cast<char*>(nextOut);
    switch (result) {
      case BROTLI_DECODER_RESULT_SUCCESS: return TRun::End;
      case BROTLI_DECODER_RESULT_ERROR: {
        // The allocation failures are numbered -21 to -30; every other error is the data's.
        const int error = BrotliDecoderGetErrorCode(state_);
        if (error <= BROTLI_DECODER_ERROR_ALLOC_CONTEXT_MODES && error >= BROTLI_DECODER_ERROR_ALLOC_BLOCK_TYPE_TREES) {
          throw std::bad_alloc();
        }
        return TRun::Damaged;
      }
      default: return TRun::Progress;
    }
  }

 private:
  BrotliDecoderState* state_;
};

}  // namespace

std::unique_ptr<TContentDecoder> MakeBrotliDecoder() { return std::make_unique<TBrotliDecoder>(); }

}  // namespace vellumark
