// Code page 932 through the system's own tables. Always code page 932 by
// number, never the ANSI code page, so the result is the same on every
// Windows locale.
#include <windows.h>

#include "Common/Codepage.h"
#include "Common/CodepageBackend.h"

namespace vellumark::codepage_backend {

namespace {

constexpr UINT kCodePage = 932;
// The conversion calls take int lengths; longer texts go in pieces that end
// on a character boundary.
constexpr std::size_t kMaxPiece = 1u << 24;

}  // namespace

std::wstring DecodeWellFormed(std::string_view sjis) {
  std::wstring result;
  result.reserve(sjis.size());
  while (!sjis.empty()) {
    std::size_t pieceSize = 0;
    while (pieceSize < sjis.size() && pieceSize < kMaxPiece) {
      pieceSize += SjisCharLength(sjis, pieceSize);
    }
    const std::string_view piece = sjis.substr(0, pieceSize);
    sjis.remove_prefix(pieceSize);

    // Without MB_ERR_INVALID_CHARS an unassigned pair becomes the code
    // page's default character, U+30FB, as one character.
    const std::size_t offset = result.size();
    result.resize(offset + piece.size());
    const int written = MultiByteToWideChar(kCodePage, 0, piece.data(), static_cast<int>(piece.size()),
                                            result.data() + offset, static_cast<int>(piece.size()));
    result.resize(offset + static_cast<std::size_t>(written > 0 ? written : 0));
  }
  return result;
}

std::string EncodeBmp(std::wstring_view bmp) {
  std::string result;
  result.reserve(bmp.size() * 2);
  while (!bmp.empty()) {
    const std::wstring_view piece = bmp.substr(0, kMaxPiece);
    bmp.remove_prefix(piece.size());

    const std::size_t offset = result.size();
    result.resize(offset + piece.size() * 2);
    // No best-fit mappings: a character without its own code page 932
    // character becomes the default character "?".
    const int written = WideCharToMultiByte(
        kCodePage, WC_NO_BEST_FIT_CHARS, piece.data(), static_cast<int>(piece.size()),
        result.data() + offset, static_cast<int>(piece.size() * 2), "?", nullptr);
    result.resize(offset + static_cast<std::size_t>(written > 0 ? written : 0));
  }
  return result;
}

}  // namespace vellumark::codepage_backend
