#include "Links/PageFetcherMarker.h"

#include "Common/AsciiCase.h"

namespace vellumark {

bool ContainsBodyMarker(std::string_view text) {
  const std::size_t n = BodyMarker.size();
  if (text.size() < n) return false;
  for (std::size_t i = 0; i + n <= text.size(); ++i) {
    if (text[i] != '<') continue;
    std::size_t k = 1;
    while (k < n && AsciiLower(text[i + k]) == BodyMarker[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

void TBodyMarkerScan::Reset() {
  found_ = false;
  zeroSeen_ = false;
}

bool TBodyMarkerScan::Update(std::string_view collected, std::size_t added) {
  if (found_) return true;
  if (zeroSeen_) return false;
  if (added > collected.size()) added = collected.size();
  const std::size_t start = collected.size() - added;
  // The bytes before `start` hold no zero byte (else zeroSeen_ would be set)
  // and no marker; keep the last BodyMarker.size()-1 of them so that a marker
  // split across blocks is seen.
  const std::size_t overlap = BodyMarker.size() - 1;
  const std::size_t from = start > overlap ? start - overlap : 0;
  std::string_view window = collected.substr(from);
  const std::size_t zero = window.find('\0', start - from);
  if (zero != std::string_view::npos) {
    zeroSeen_ = true;
    window = window.substr(0, zero);
  }
  found_ = ContainsBodyMarker(window);
  return found_;
}

}  // namespace vellumark
