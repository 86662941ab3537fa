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

const wchar_t* const HtmlClipboardFormat = L"HTML Format";

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

namespace {

// Puts `size` bytes from `data` followed by `terminator` zero bytes on the
// open clipboard in `format`. The clipboard owns the block once it is set.
void PutOnClipboard(UINT format, const void* data, std::size_t size, std::size_t terminator) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + terminator);
  if (block == nullptr) throw TError(ClipboardOpenError);
  auto* target = static_cast<char*>(GlobalLock(block));
  std::memcpy(target, data, size);
  std::memset(target + size, 0, terminator);
  GlobalUnlock(block);
  if (SetClipboardData(format, block) == nullptr) {
    GlobalFree(block);
    throw TError(ClipboardOpenError);
  }
}

void PutTextOnClipboard(std::wstring_view text) {
  PutOnClipboard(CF_UNICODETEXT, text.data(), text.size() * sizeof(wchar_t), sizeof(wchar_t));
}

}  // namespace

void SetClipboardTextW(std::wstring_view text) {
  TOpenClipboard open;
  EmptyClipboard();
  PutTextOnClipboard(text);
}

void SetClipboardTextAndHtmlW(std::wstring_view text, std::string_view htmlDocument) {
  TOpenClipboard open;
  EmptyClipboard();
  PutTextOnClipboard(text);
  const UINT html = RegisterClipboardFormatW(HtmlClipboardFormat);
  if (html == 0) throw TError(ClipboardOpenError);
  PutOnClipboard(html, htmlDocument.data(), htmlDocument.size(), 1);
}

void SetClipboardText(std::string_view text) { SetClipboardTextW(Wide(text)); }

}  // namespace vellumark::forms
