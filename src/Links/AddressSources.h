// Address lists from what people hand the program besides typed lines: a
// browser's bookmark export or any other HTML file, an Internet Shortcut
// (.url) file, and a plain text file. Pure functions over the file's bytes;
// the window (dropped files) and vellumark-cli (input files) both use them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

// The addresses found in one file, in order, as UTF-8 texts, and how many
// links were left out because their address is not http or https
// (`ftp:`, `javascript:`, `place:`, `mailto:` ...).
struct TFoundAddresses {
  std::vector<std::string> addresses;
  std::size_t skipped = 0;
};

// Whether `text` is a browser's bookmark export: it begins (after an
// optional UTF-8 byte-order mark and white space) with
// "<!DOCTYPE NETSCAPE-Bookmark-file-1>", in any letter case.
bool IsBookmarkExport(std::string_view text);

// The href of every <a> element of an HTML text, in order, that is an http
// or https address (scheme in any letter case); other hrefs are counted in
// `skipped`. Tags are read as a browser reads them: attribute values
// double-quoted, single-quoted or unquoted, the first href of a tag counts,
// nothing inside comments, script, style, textarea or title is a link, and a
// tag cut off by the end of the text is no tag. Character references in the
// value (&amp; &#38; ...) are decoded; the value is trimmed of white space and
// controls. Linear in the size of the text.
TFoundAddresses AddressesOfHtml(std::string_view html);

// The address of an Internet Shortcut file: the value of the URL= line of
// its [InternetShortcut] section, or nothing when there is none.
std::optional<std::string> AddressOfInternetShortcut(std::string_view text);

// The addresses of a file by its name and content: a .url file by its
// shortcut, a bookmark export or a .htm/.html file by its links, anything
// else by its lines (CR LF, CR or LF; blanks around a line trimmed, empty
// lines left out). The bytes are UTF-8 (a byte-order mark skipped) or
// UTF-16LE with its byte-order mark. A .url whose address is not http or
// https counts as one skipped link.
TFoundAddresses AddressesOfFile(std::string_view fileName, std::string_view bytes);

}  // namespace vellumark
