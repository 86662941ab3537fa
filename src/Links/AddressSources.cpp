#include "Links/AddressSources.h"

#include <algorithm>
#include <cstdint>

#include "Common/Codepage.h"
#include "Common/TextLines.h"

namespace vellumark {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// HTML's white space; a CR counts too (the tokenizer reads it as LF).
bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// `lower` is lower case already.
bool StartsWithNoCase(std::string_view text, std::string_view lower) {
  if (text.size() < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (AsciiLower(text[i]) != lower[i]) return false;
  }
  return true;
}
bool EqualsNoCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() && StartsWithNoCase(text, lower);
}

template <typename IsBlank>
std::string_view Trim(std::string_view text, IsBlank isBlank) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}
// What a URL parser strips around an address: C0 controls and space.
bool IsC0OrSpace(char c) { return static_cast<unsigned char>(c) <= 0x20; }
// Blanks around a line of a text or a .url file.
bool IsLineBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool IsWebAddress(std::string_view address) {
  return StartsWithNoCase(address, "http:") || StartsWithNoCase(address, "https:");
}

// Character references in an attribute value: decimal and hexadecimal ones,
// and the named ones an address can need. As in a browser, the legacy names
// also count without ';' unless a letter, digit or '=' follows (so a query
// like "?a=1&ampx=2" keeps its text).
std::string DecodeCharacterReferences(std::string_view value) {
  struct TNamed {
    std::string_view name;
    char text;
    bool legacy;
  };
  static constexpr TNamed named[] = {
      {"amp", '&', true}, {"lt", '<', true}, {"gt", '>', true}, {"quot", '"', true}, {"apos", '\'', false}};
  std::string out;
  out.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    if (value[i] != '&') {
      out += value[i++];
      continue;
    }
    std::size_t j = i + 1;
    if (j < value.size() && value[j] == '#') {
      ++j;
      const bool hex = j < value.size() && (value[j] == 'x' || value[j] == 'X');
      if (hex) ++j;
      const std::size_t digits = j;
      std::uint32_t code = 0;
      for (; j < value.size(); ++j) {
        const char c = AsciiLower(value[j]);
        std::uint32_t digit;
        if (IsAsciiDigit(c)) {
          digit = static_cast<std::uint32_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
          digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else {
          break;
        }
        code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + digit, 0x110000);  // saturates
      }
      if (j == digits) {  // "&#" without digits is text
        out += value[i++];
        continue;
      }
      if (j < value.size() && value[j] == ';') ++j;
      if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
      AppendUtf8(out, code);
      i = j;
      continue;
    }
    bool decoded = false;
    for (const TNamed& ref : named) {
      if (value.substr(j, ref.name.size()) != ref.name) continue;
      const std::size_t end = j + ref.name.size();
      if (end < value.size() && value[end] == ';') {
        i = end + 1;
      } else if (ref.legacy && (end == value.size() || !(IsAsciiAlpha(value[end]) || IsAsciiDigit(value[end]) ||
                                                         value[end] == '='))) {
        i = end;
      } else {
        break;
      }
      out += ref.text;
      decoded = true;
      break;
    }
    if (!decoded) out += value[i++];
  }
  return out;
}

// One tag read the way a browser's tokenizer reads it: the name, then
// attributes whose values may be double-quoted, single-quoted or unquoted;
// inside a tag a '<' is just a character.
struct TTagScan {
  std::string_view name;
  std::optional<std::string_view> href;  // the first href, as written
  std::size_t end = npos;                // just past its '>'; npos when the text ends inside it
};

// `pos` is at the first letter of the tag's name.
TTagScan ScanTag(std::string_view html, std::size_t pos) {
  TTagScan tag;
  const std::size_t n = html.size();
  const std::size_t nameStart = pos;
  while (pos < n && !IsHtmlSpace(html[pos]) && html[pos] != '/' && html[pos] != '>') ++pos;
  tag.name = html.substr(nameStart, pos - nameStart);
  for (;;) {
    while (pos < n && (IsHtmlSpace(html[pos]) || html[pos] == '/')) ++pos;
    if (pos >= n) return tag;
    if (html[pos] == '>') {
      tag.end = pos + 1;
      return tag;
    }
    const std::size_t attributeStart = pos++;  // a leading '=' belongs to the name
    while (pos < n && !IsHtmlSpace(html[pos]) && html[pos] != '/' && html[pos] != '>' && html[pos] != '=') ++pos;
    const std::string_view attribute = html.substr(attributeStart, pos - attributeStart);
    while (pos < n && IsHtmlSpace(html[pos])) ++pos;
    std::string_view value;
    if (pos < n && html[pos] == '=') {
      ++pos;
      while (pos < n && IsHtmlSpace(html[pos])) ++pos;
      if (pos >= n) return tag;
      const char quote = html[pos];
      if (quote == '"' || quote == '\'') {
        const std::size_t close = html.find(quote, pos + 1);
        if (close == npos) return tag;
        value = html.substr(pos + 1, close - pos - 1);
        pos = close + 1;
      } else if (quote != '>') {  // "href=>": an empty value, and the tag ends
        const std::size_t valueStart = pos;
        while (pos < n && !IsHtmlSpace(html[pos]) && html[pos] != '>') ++pos;
        value = html.substr(valueStart, pos - valueStart);
      }
    }
    if (!tag.href && EqualsNoCase(attribute, "href")) tag.href = value;  // a repeated attribute is ignored
  }
}

// Where the text of a raw-text element (script, style ...) that starts at
// `pos` ends: at its "</name" end tag, or at the end of the text.
std::size_t EndOfRawText(std::string_view html, std::size_t pos, std::string_view lowerName) {
  for (;; pos += 2) {
    pos = html.find("</", pos);
    if (pos == npos) return html.size();
    const std::size_t after = pos + 2 + lowerName.size();
    if (after <= html.size() && EqualsNoCase(html.substr(pos + 2, lowerName.size()), lowerName) &&
        (after == html.size() || IsHtmlSpace(html[after]) || html[after] == '/' || html[after] == '>')) {
      return pos;
    }
  }
}

// Just past a comment whose "<!--" ends before `pos`: "<!-->" and "<!--->"
// close at once, as in a browser.
std::size_t EndOfComment(std::string_view html, std::size_t pos) {
  if (html.substr(pos, 1) == ">") return pos + 1;
  if (html.substr(pos, 2) == "->") return pos + 2;
  const std::size_t close = html.find("-->", pos);
  return close == npos ? npos : close + 3;
}

std::size_t PastNext(std::string_view html, std::size_t pos, char c) {
  const std::size_t found = html.find(c, pos);
  return found == npos ? npos : found + 1;
}

std::string_view SkipUtf8Bom(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

}  // namespace

bool IsBookmarkExport(std::string_view text) {
  text = SkipUtf8Bom(text);
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  return StartsWithNoCase(text, "<!doctype netscape-bookmark-file-1>");
}

TFoundAddresses AddressesOfHtml(std::string_view html) {
  TFoundAddresses found;
  // Every step moves `pos` forward and never back, so the scan is linear.
  std::size_t pos = 0;
  while (pos != npos && (pos = html.find('<', pos)) != npos) {
    ++pos;
    const std::string_view rest = html.substr(pos);
    if (!rest.empty() && IsAsciiAlpha(rest[0])) {
      const TTagScan tag = ScanTag(html, pos);
      pos = tag.end;  // a tag cut off by the end of the text is no tag
      if (pos == npos) break;
      if (EqualsNoCase(tag.name, "a")) {
        if (!tag.href) continue;
        std::string address = DecodeCharacterReferences(*tag.href);
        const std::string_view trimmed = Trim(std::string_view(address), IsC0OrSpace);
        if (IsWebAddress(trimmed)) {
          found.addresses.emplace_back(trimmed);
        } else {
          ++found.skipped;
        }
      } else {
        for (std::string_view raw : {"script", "style", "textarea", "title"}) {
          if (EqualsNoCase(tag.name, raw)) pos = EndOfRawText(html, pos, raw);
        }
      }
    } else if (rest.size() >= 2 && rest[0] == '/' && IsAsciiAlpha(rest[1])) {
      pos = ScanTag(html, pos + 1).end;  // an end tag; its attributes are read only to skip them
    } else if (rest.starts_with("!--")) {
      pos = EndOfComment(html, pos + 3);
    } else if (rest.starts_with("!") || rest.starts_with("?") || rest.starts_with("/")) {
      pos = PastNext(html, pos, '>');  // <!DOCTYPE ...>, <?xml ...?>, "</>" and the like
    }
    // Anything else: the '<' was text.
  }
  return found;
}

std::optional<std::string> AddressOfInternetShortcut(std::string_view text) {
  std::optional<std::string> address;
  bool inShortcut = false;
  for (const std::string& whole : SplitLines(SkipUtf8Bom(text))) {
    const std::string_view line = Trim(whole, IsLineBlank);
    if (line.starts_with('[') && line.ends_with(']')) {
      inShortcut = EqualsNoCase(line.substr(1, line.size() - 2), "internetshortcut");
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inShortcut || equals == npos || !EqualsNoCase(Trim(line.substr(0, equals), IsLineBlank), "url")) {
      continue;
    }
    const std::string_view value = Trim(line.substr(equals + 1), IsLineBlank);
    if (!value.empty()) address.emplace(value);
    break;
  }
  return address;
}

TFoundAddresses AddressesOfFile(std::string_view fileName, std::string_view bytes) {
  std::string converted;
  if (bytes.starts_with("\xFF\xFE")) {
    converted = Utf16LeToUtf8(bytes.substr(2));
    bytes = converted;
  }
  const std::string_view text = SkipUtf8Bom(bytes);

  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string_view baseName = slash == npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = baseName.rfind('.');
  const std::string_view extension = dot == npos ? std::string_view() : baseName.substr(dot);

  TFoundAddresses found;
  if (EqualsNoCase(extension, ".url")) {
    if (auto address = AddressOfInternetShortcut(text)) {
      if (IsWebAddress(*address)) {
        found.addresses.push_back(std::move(*address));
      } else {
        found.skipped = 1;
      }
    }
  } else if (IsBookmarkExport(text) || EqualsNoCase(extension, ".html") || EqualsNoCase(extension, ".htm")) {
    found = AddressesOfHtml(text);
  } else {
    for (const std::string& whole : SplitLines(text)) {
      const std::string_view line = Trim(whole, IsLineBlank);
      if (!line.empty()) found.addresses.emplace_back(line);
    }
  }
  return found;
}

}  // namespace vellumark
