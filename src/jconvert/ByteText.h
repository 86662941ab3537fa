// Internal to the encoding unit: the 1-based byte reader every scan and
// conversion reads its input through, and the cursor that builds a result.
//
// The reader yields 0 one position past the end of the text (the text acts as
// if followed by one zero byte), and 0 at position 0, before the text, which
// a caller's 1-based index can name. A read beyond Length() + 1 is a fault in
// this unit; debug and sanitizer builds stop there at once, so the tests and
// fuzzers see it.
#pragma once

#include <cstddef>
#include <cstdint>
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

  // The `count` bytes from 1-based position `pos` on, all inside the text:
  // for the bulk loops that copy or test several bytes at once.
  const unsigned char* Bytes(std::size_t pos, std::size_t count) const noexcept {
#if VELLUMARK_JCONVERT_CHECKED
    if (pos == 0 || count == 0 || pos - 1 + count > length_) __builtin_trap();
#else
    (void)count;
#endif
    return data_ + (pos - 1);
  }

  // The byte at 1-based position `pos`, or 0 at position 0 and at
  // Length() + 1 (pos - 1 wraps for pos 0, so one test covers both).
  unsigned char At(std::size_t pos) const noexcept {
#if VELLUMARK_JCONVERT_CHECKED
    if (pos > length_ + 1) __builtin_trap();
#endif
    return pos - 1 < length_ ? data_[pos - 1] : 0;
  }

  // `pos` when it lies in 1..Length() + 1, else 0: a position taken from a
  // caller, made safe to read (both ends then read as 0).
  std::size_t Readable(std::size_t pos) const noexcept { return pos - 1 <= length_ ? pos : 0; }

 private:
  const unsigned char* data_;
  std::size_t length_;
};

// Appends bytes to a result that is sized once up front and grows only when
// the first estimate was too small; Finish() cuts it to what was written.
class TByteSink {
 public:
  explicit TByteSink(std::size_t expected) {
    out_.resize(expected);
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

  // Room for at least `count` more bytes, written through the returned
  // cursor by a bulk loop and handed back with Commit().
  char* Room(std::size_t count) {
    if (out_.size() - pos_ < count) Grow(count);
    room_ = count;
    return out_.data() + pos_;
  }

  void Commit(const char* cursor) {
    const auto written = static_cast<std::size_t>(cursor - (out_.data() + pos_));
#if VELLUMARK_JCONVERT_CHECKED
    if (written > room_) __builtin_trap();
#endif
    (void)room_;
    pos_ += written;
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
  std::size_t room_ = 0;
};

// Bulk steps over long single-byte stretches. Each starts at position `i`
// and takes eight bytes at a time while all eight lie at or before position
// `last` and pass its test (the copies write them to `cursor`, which moves
// on). Each returns the position of the first byte not taken; the caller
// handles that byte, and a tail of fewer than eight, one at a time.
inline constexpr std::uint64_t EveryByte(std::uint8_t b) { return 0x0101010101010101ULL * b; }

inline std::uint64_t LoadGroup(const TByteText& in, std::size_t i) {
  std::uint64_t group;
  std::memcpy(&group, in.Bytes(i, 8), 8);
  return group;
}

// Nonzero when some byte of `group` is below `n` (for n <= 0x80 and a group
// whose bytes are all below 0x80; exact as a yes/no answer).
inline constexpr std::uint64_t AnyByteBelow(std::uint64_t group, std::uint8_t n) {
  return (group - EveryByte(n)) & ~group & EveryByte(0x80);
}

// Groups of 7-bit bytes (< 0x80).
inline std::size_t CopySevenBitRun(const TByteText& in, std::size_t i, std::size_t last, char*& cursor) {
  while (i + 7 <= last) {
    const std::uint64_t group = LoadGroup(in, i);
    if ((group & EveryByte(0x80)) != 0) break;
    std::memcpy(cursor, &group, 8);
    cursor += 8;
    i += 8;
  }
  return i;
}

// Groups without the byte `stop`.
inline std::size_t CopyRunWithout(const TByteText& in, std::size_t i, std::size_t last, std::uint8_t stop,
                                  char*& cursor) {
  while (i + 7 <= last) {
    const std::uint64_t group = LoadGroup(in, i);
    // x has a zero byte where `stop` was; the test finds one exactly.
    const std::uint64_t x = group ^ EveryByte(stop);
    if (((x - EveryByte(0x01)) & ~x & EveryByte(0x80)) != 0) break;
    std::memcpy(cursor, &group, 8);
    cursor += 8;
    i += 8;
  }
  return i;
}

// Groups of bytes 0x08..0x7F other than ESC: the bytes detection passes over.
inline std::size_t SkipPlainRun(const TByteText& in, std::size_t i, std::size_t last) {
  while (i + 7 <= last) {
    const std::uint64_t group = LoadGroup(in, i);
    if ((group & EveryByte(0x80)) != 0 || AnyByteBelow(group, 0x08) != 0 ||
        AnyByteBelow(group ^ EveryByte(Esc), 0x01) != 0) {
      break;
    }
    i += 8;
  }
  return i;
}

}  // namespace vellumark::jconvert_detail
