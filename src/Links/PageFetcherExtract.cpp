#include "Links/PageFetcherExtract.h"

#include <algorithm>

#include "Common/AsciiCase.h"
#include "Common/Codepage.h"
#include "Common/IntConvert.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// The white space of the patterns' "\s": blank, tab, LF, VT, FF, CR.
bool IsPatternSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether `text` holds `lowerWord` at `pos`, ignoring ASCII letter case.
bool HasWordAt(std::string_view text, std::size_t pos, std::string_view lowerWord) {
  if (pos > text.size() || text.size() - pos < lowerWord.size()) return false;
  for (std::size_t k = 0; k < lowerWord.size(); ++k) {
    if (AsciiLower(text[pos + k]) != lowerWord[k]) return false;
  }
  return true;
}

std::size_t FindWord(std::string_view text, std::string_view lowerWord, std::size_t from) {
  // Every word searched for begins with '<', which is never a second byte.
  for (std::size_t pos = text.find(lowerWord.front(), from); pos != std::string_view::npos;
       pos = text.find(lowerWord.front(), pos + 1)) {
    if (HasWordAt(text, pos, lowerWord)) return pos;
  }
  return std::string_view::npos;
}

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsPatternSpace(text[pos])) ++pos;
  return pos;
}

}  // namespace

std::string_view TrimControls(std::string_view text) {
  auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
  return text;
}

std::string EncodeMarkupInAddress(std::string_view address) {
  if (address.find_first_of("\"<>'") == std::string_view::npos) return std::string(address);
  std::string out;
  out.reserve(address.size() + 8);
  for (char c : address) {
    switch (c) {
      case '"': out += "%22"; break;
      case '<': out += "%3C"; break;
      case '>': out += "%3E"; break;
      case '\'': out += "%27"; break;
      default: out += c;
    }
  }
  return out;
}

std::string EscapeMarkup(std::string_view text) {
  if (text.find_first_of("<>\"'") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string_view FindMetaCharset(std::string_view text) {
  constexpr std::size_t npos = std::string_view::npos;
  for (std::size_t from = 0;;) {
    const std::size_t start = FindWord(text, "<meta", from);
    if (start == npos) return {};
    from = start + 1;
    std::size_t pos = start + 5;
    if (pos >= text.size() || !IsPatternSpace(text[pos])) continue;
    pos = SkipSpace(text, pos);
    if (!HasWordAt(text, pos, "charset")) continue;
    pos = SkipSpace(text, pos + 7);
    if (pos >= text.size() || text[pos] != '=') continue;
    pos = SkipSpace(text, pos + 1);
    std::size_t end = pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      const char quote = text[pos++];
      end = text.find(quote, pos);
      if (end == npos) continue;  // no closing quote: not a charset element
    } else {
      while (end < text.size() && !IsPatternSpace(text[end]) && text[end] != '/' && text[end] != '>') {
        ++end;
      }
    }
    return TrimControls(text.substr(pos, end - pos));
  }
}

std::string FindTitle(std::string_view text) {
  // "<title[^>]*>([^<]*)</title>": from a start, "[^>]*" can only end at the
  // first ">" and "[^<]*" at the first "<" after it, so each start has one
  // outcome. Every start before that ">" shares it; a failure skips them all.
  constexpr std::size_t npos = std::string_view::npos;
  for (std::size_t from = 0;;) {
    const std::size_t start = FindWord(text, "<title", from);
    if (start == npos) return {};
    const std::size_t close = text.find('>', start + 6);
    if (close == npos) return {};
    const std::size_t end = text.find('<', close + 1);
    if (end == npos) return {};
    if (HasWordAt(text, end, "</title>")) return std::string(text.substr(close + 1, end - close - 1));
    from = close + 1;
  }
}

std::string FindDescriptionElement(std::string_view text) {
  // "<meta[\s]*name[\s]*=[\s]*"?description"?[\s]*([^>]*)>": the part
  // before the group has one way to match (the optional quotes and the
  // blanks are taken greedily, and giving them back never helps), and the
  // group then runs to the first ">". Without a ">" after the first start
  // that gets that far, no later start matches either.
  constexpr std::size_t npos = std::string_view::npos;
  for (std::size_t from = 0;;) {
    const std::size_t start = FindWord(text, "<meta", from);
    if (start == npos) return {};
    from = start + 1;
    std::size_t pos = SkipSpace(text, start + 5);
    if (!HasWordAt(text, pos, "name")) continue;
    pos = SkipSpace(text, pos + 4);
    if (pos >= text.size() || text[pos] != '=') continue;
    pos = SkipSpace(text, pos + 1);
    if (pos < text.size() && text[pos] == '"') ++pos;
    if (!HasWordAt(text, pos, "description")) continue;
    pos += 11;
    if (pos < text.size() && text[pos] == '"') ++pos;
    pos = SkipSpace(text, pos);
    const std::size_t close = text.find('>', pos);
    if (close == npos) return {};
    return std::string(text.substr(pos, close - pos));
  }
}

void ConvertByCharset(std::string& text, std::string_view charset) {
  if (ContainsIgnoreCase(charset, "shift_jis") || ContainsIgnoreCase(charset, "xsjis")) return;
  if (ContainsIgnoreCase(charset, "utf-8")) {
    text = Utf8ToSjis(text, TMissingChar::CharacterReference);
  } else if (ContainsIgnoreCase(charset, "euc")) {
    text = EucToSjis(text);
  } else if (IsMultiByteUtf8(text)) {
    // Undeclared (or unknown) but UTF-8 through and through: today's
    // default, which the Japanese detection would take for Shift_JIS.
    text = Utf8ToSjis(text, TMissingChar::CharacterReference);
  } else {
    text = ConvertJapaneseCode(text, jcSjis);
  }
}

void ReadStatus(TRegExp& regExp, std::string_view responseText, TPageInfo& info) {
  const std::string status = MatchFirstGroup(regExp, responseText, StatusLinePattern);
  info.StatusCode = StrToIntDef(MatchFirstGroup(regExp, status, StatusCodePattern), -1);
  info.Status = EscapeMarkup(status);
}

std::string ReadRedirectTarget(TRegExp& regExp, std::string_view responseText) {
  return MatchFirstGroup(regExp, responseText, LocationPattern);
}

void ExtractPageData(TRegExp& regExp, std::string responseText, TPageInfo& info) {
  info.ContentType = MatchFirstGroup(regExp, responseText, ContentTypePattern);
  if (info.ContentType.empty()) {
    info.ContentType =
        TrimControls(MatchFirstGroup(regExp, responseText, HttpEquivContentTypePattern));
  }
  info.ContentType = EscapeMarkup(info.ContentType);
  std::string charset(TrimControls(MatchFirstGroup(regExp, responseText, CharsetPattern)));
  if (charset.empty()) charset = FindMetaCharset(responseText);
  info.Charset = EscapeMarkup(charset);

  ConvertByCharset(responseText, charset);

  std::string title = FindTitle(responseText);
  if (title.empty()) {
    // Only the second attempt joins the lines: a title found the first time
    // keeps its line breaks.
    std::erase_if(responseText, IsLineBreak);
    title = FindTitle(responseText);
  }
  info.Title = EscapeMarkup(title);

  const std::string element(TrimControls(FindDescriptionElement(responseText)));
  info.Description = EscapeMarkup(MatchFirstGroup(regExp, element, DescriptionContentPattern));
}

}  // namespace vellumark
