#include "Reply/ChunkedDecoder.h"

#include <algorithm>
#include <limits>

#include "Common/HexDigits.h"

namespace vellumark {

TChunkedDecoder::TResult TChunkedDecoder::EndSizeLine() {
  if (size_ == 0) return TResult::End;
  state_ = TState::Data;
  return TResult::More;
}

TChunkedDecoder::TResult TChunkedDecoder::Read(std::string_view& data, std::string_view& body) {
  body = {};
  while (!data.empty()) {
    const char c = data.front();
    switch (state_) {
      case TState::Size: {
        data.remove_prefix(1);
        const int digit = HexDigitValue(c);
        if (digit >= 0) {
          if (size_ > (std::numeric_limits<std::size_t>::max() >> 4)) return TResult::Broken;
          size_ = size_ * 16 + static_cast<std::size_t>(digit);
          digits_ = true;
        } else if (!digits_) {
          return TResult::Broken;
        } else if (c == '\n') {
          if (EndSizeLine() == TResult::End) return TResult::End;
        } else if (c == ';' || c == ' ' || c == '\t' || c == '\r') {
          state_ = TState::Extension;  // extensions, blanks, CR: skipped to the line's end
        } else {
          return TResult::Broken;
        }
        break;
      }
      case TState::Extension: {
        const std::size_t end = data.find('\n');
        data.remove_prefix(end == std::string_view::npos ? data.size() : end + 1);
        if (end == std::string_view::npos) return TResult::More;
        if (EndSizeLine() == TResult::End) return TResult::End;
        break;
      }
      case TState::Data: {
        const std::size_t taken = std::min(size_, data.size());
        body = data.substr(0, taken);
        data.remove_prefix(taken);
        size_ -= taken;
        if (size_ == 0) state_ = TState::DataCr;
        return TResult::More;
      }
      case TState::DataCr:
      case TState::DataLf:
        data.remove_prefix(1);
        if (c == '\r' && state_ == TState::DataCr) {
          state_ = TState::DataLf;
        } else if (c == '\n') {
          state_ = TState::Size;
          digits_ = false;
        } else {
          return TResult::Broken;
        }
        break;
    }
  }
  return TResult::More;
}

}  // namespace vellumark
