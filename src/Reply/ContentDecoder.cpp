#include "Reply/ContentDecoder.h"

#include <algorithm>

namespace vellumark {

namespace {

// A step's room: a small input rarely expands beyond eight times its size,
// so small pieces cost no large zero-filled growth; once a step fills up the
// next one takes the full size.
constexpr std::size_t kMinStep = 1024;
constexpr std::size_t kMaxStep = 16 * 1024;

}  // namespace

TDecodeStep TContentDecoder::Decode(std::string_view& input, std::string& out, std::size_t limit) {
  std::size_t step = std::clamp(input.size() * 8, kMinStep, kMaxStep);
  for (;;) {
    const std::size_t used = out.size();
    if (used >= limit) return TDecodeStep::OutputFull;
    const std::size_t room = std::min(step, limit - used);
    out.resize(used + room);
    char* next = out.data() + used;
    std::size_t left = room;
    const TRun run = Run(input, next, left);
    out.resize(used + room - left);
    if (run == TRun::End) return TDecodeStep::End;
    if (run == TRun::Damaged) return TDecodeStep::Damaged;
    if (left != 0) return TDecodeStep::NeedInput;
    step = kMaxStep;
  }
}

std::unique_ptr<TContentDecoder> MakeContentDecoder(std::string_view coding) {
  if (coding == "gzip" || coding == "x-gzip") return MakeGzipDecoder();
  if (coding == "deflate") return MakeDeflateDecoder();
#ifdef VELLUMARK_HAVE_BROTLI
  if (coding == "br") return MakeBrotliDecoder();
#endif
  return nullptr;
}

}  // namespace vellumark
