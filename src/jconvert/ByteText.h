// Internal to the encoding unit: the 1-based byte reader every scan and
// conversion reads its input through, and the cursor that builds a result.
//
// The reader yields 0 one position past the end of the text (the text acts as
// if followed by one zero byte) and nothing further exists. A read at
// position 0 or beyond Length() + 1 is a fault in this unit; debug and
// sanitizer builds stop there at once, so the tests and fuzzers see it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__)
#define VELLUMARK_JCONVERT_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define VELLUMARK_JCONVERT_CHECKED 1
#endif
#endif
#ifndef VELLUMARK_JCONVERT_CHECKED
#define VELLUMARK_JCONVERT_CHECKED 0
#endif

namespace vellumark::jconvert_detail {

inline constexpr unsigned char Esc = 0x1B;

class TByteText {
 public:
  explicit TByteText(std::string_view text) noexcept
      : data_(reinterpret_cast<const unsigned char*>(text.data())), length_(text.size()) {}

  std::size_t Length() const noexcept { return length_; }

  // The byte at 1-based position `pos`, or 0 at Length() + 1.
  unsigned char At(std::size_t pos) const noexcept {
#if VELLUMARK_JCONVERT_CHECKED
    if (pos == 0 || pos > length_ + 1) __builtin_trap();
#endif
    return pos <= length_ ? data_[pos - 1] : 0;
  }

 private:
  const unsigned char* data_;
  std::size_t length_;
};

// Appends bytes to a result that is sized once up front and grows only when
// the first estimate was too small; Finish() cuts it to what was written.
class TByteSink {
 public:
  explicit TByteSink(std::size_t expected) {
    out_.resize(expected < 16 ? 16 : expected);
    pos_ = 0;
  }

  void Put(unsigned char b) {
    if (pos_ == out_.size()) Grow(1);
    out_[pos_++] = static_cast<char>(b);
  }

  void Put(unsigned char a, unsigned char b) {
    if (out_.size() - pos_ < 2) Grow(2);
    out_[pos_] = static_cast<char>(a);
    out_[pos_ + 1] = static_cast<char>(b);
    pos_ += 2;
  }

  void Put(unsigned char a, unsigned char b, unsigned char c) {
    if (out_.size() - pos_ < 3) Grow(3);
    out_[pos_] = static_cast<char>(a);
    out_[pos_ + 1] = static_cast<char>(b);
    out_[pos_ + 2] = static_cast<char>(c);
    pos_ += 3;
  }

  // Copies a run of bytes that need no conversion.
  void PutRun(const char* bytes, std::size_t count) {
    if (out_.size() - pos_ < count) Grow(count);
    std::memcpy(out_.data() + pos_, bytes, count);
    pos_ += count;
  }

  std::string Finish() && {
    out_.resize(pos_);
    return std::move(out_);
  }

 private:
  void Grow(std::size_t atLeast) {
    std::size_t size = out_.size() * 2;
    if (size - pos_ < atLeast) size = pos_ + atLeast;
    out_.resize(size);
  }

  std::string out_;
  std::size_t pos_;
};

}  // namespace vellumark::jconvert_detail
