// The stop marker of a page fetch: receiving ends once the collected text
// holds "<body" in any letter case. The text is read only up to its first
// zero byte, so a zero byte before the body tag keeps the receive going until
// the server closes.
#pragma once

#include <cstddef>
#include <string_view>

namespace vellumark {

inline constexpr std::string_view BodyMarker = "<body";

// Whether `text` holds "<body" in any letter case (ASCII letters only: the
// marker's bytes cannot be the second byte of a Shift_JIS character, so a
// byte search finds exactly the characters). Reads all of `text`, zero bytes
// included; callers cut the text where they want the search to end.
bool ContainsBodyMarker(std::string_view text);

// Answers "does the collected text, up to its first zero byte, hold the
// marker?" after each appended block while looking only at the new block and
// the 4 bytes before it: a marker not found before can only end inside the
// new block. The cost over a whole response is linear in its length.
class TBodyMarkerScan {
 public:
  // Forgets everything: the next call sees a new response.
  void Reset();

  // `collected` is the whole text received so far; its last `added` bytes
  // arrived since the previous call (or since Reset).
  bool Update(std::string_view collected, std::size_t added);

 private:
  bool found_ = false;
  bool zeroSeen_ = false;  // a zero byte ends the searched text for good
};

}  // namespace vellumark
