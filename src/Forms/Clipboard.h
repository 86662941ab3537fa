// The clipboard in text form. The platform keeps the text as UTF-16 and
// offers it in the other text formats itself; the program's texts are
// Shift_JIS, converted with code page 932 whatever the system's locale.
#pragma once

#include <string>
#include <string_view>

namespace vellumark::forms {

// "クリップボードを開くことができません": the clipboard cannot be opened.
extern const char* const ClipboardOpenError;

// The clipboard text; empty when it holds no text. Throws TError with
// ClipboardOpenError when the clipboard cannot be opened.
std::wstring ClipboardTextW();
std::string ClipboardText();
// Replaces the clipboard's contents with `text`. Throws like ClipboardTextW.
void SetClipboardTextW(std::wstring_view text);
void SetClipboardText(std::string_view text);

// The registered name of the clipboard's HTML form.
extern const wchar_t* const HtmlClipboardFormat;
// Replaces the clipboard's contents with `text` and, in the HTML form, with
// `htmlDocument` (UTF-8, from HtmlClipboardDocument): both at once, so a
// program pasting sees one copy. Throws like ClipboardTextW.
void SetClipboardTextAndHtmlW(std::wstring_view text, std::string_view htmlDocument);

}  // namespace vellumark::forms
