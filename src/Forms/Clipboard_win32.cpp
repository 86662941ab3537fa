#include "Forms/Clipboard.h"

#include <windows.h>

#include <cstring>

#include "Common/Error.h"
#include "Forms/Application.h"
#include "Forms/Text.h"

namespace vellumark::forms {

// "クリップボードを開くことができません" in Shift_JIS.
const char* const ClipboardOpenError =
    "\x83\x4e\x83\x8a\x83\x62\x83\x76\x83\x7b\x81\x5b\x83\x68\x82\xf0\x8a\x4a\x82\xad"
    "\x82\xb1\x82\xc6\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";

namespace {

// Holds the clipboard open for one read or write. Another program may have
// it open for a moment, so opening is tried a few times before it fails.
class TOpenClipboard {
 public:
  TOpenClipboard() {
    HWND owner = TApplication::Instance().Handle();
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (OpenClipboard(owner)) return;
      Sleep(10);
    }
    throw TError(ClipboardOpenError);
  }
  ~TOpenClipboard() { CloseClipboard(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

}  // namespace

std::wstring ClipboardTextW() {
  TOpenClipboard open;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return {};
  const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
  if (text == nullptr) return {};
  // The text ends at its first zero or at the end of the block, whichever
  // comes first.
  const std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < limit && text[length] != L'\0') ++length;
  std::wstring result(text, length);
  GlobalUnlock(data);
  return result;
}

std::string ClipboardText() { return Sjis(ClipboardTextW()); }

void SetClipboardTextW(std::wstring_view text) {
  TOpenClipboard open;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (block == nullptr) throw TError(ClipboardOpenError);
  auto* target = static_cast<wchar_t*>(GlobalLock(block));
  std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
  target[text.size()] = L'\0';
  GlobalUnlock(block);
  if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
    GlobalFree(block);
    throw TError(ClipboardOpenError);
  }
}

void SetClipboardText(std::string_view text) { SetClipboardTextW(Wide(text)); }

}  // namespace vellumark::forms
