// The clipboard's HTML form ("HTML Format", CF_HTML) of the lines a Build
// copies: rich editors paste its fragment as markup, so tag lines become
// live links. Portable text functions; the clipboard itself is Windows code
// (Clipboard_win32.cpp).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vellumark::forms {

// `text` with & < > " as character references: text that shows as itself
// wherever HTML puts it (element content or a quoted attribute).
std::string HtmlEscape(std::string_view text);

// The fragment of UTF-8 `lines`: joined by "<br>" plus CR LF. With `markup`
// the lines go in as they are (tag lines); without, escaped, so that text
// from a template that holds no markup stays text.
std::string HtmlClipboardFragment(std::span<const std::string> lines, bool markup);

// The clipboard document around a UTF-8 fragment: the "Version:0.9" header
// with the StartHTML, EndHTML, StartFragment and EndFragment byte offsets
// (ten decimal digits each), then <html><body>, the fragment between its
// StartFragment and EndFragment comments, and </body></html>. StartFragment
// is the first byte of the fragment, EndFragment the byte after it, EndHTML
// the document's length.
std::string HtmlClipboardDocument(std::string_view utf8Fragment);

}  // namespace vellumark::forms
