#include "Links/PageFetcherExtract.h"

#include <algorithm>

#include "Common/AsciiCase.h"
#include "Common/Codepage.h"
#include "Common/IntConvert.h"
#include "Http/ReplyHead.h"
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

// What may end an attribute's name in an element: white space, "/", ">".
bool EndsAttributeName(char c) { return IsPatternSpace(c) || c == '/' || c == '>'; }

bool IsLabelCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// The encoding label a charset value starts with, after any bytes 0 to 32:
// its ASCII letters, digits and "-_.:" up to the first other byte, so that
// a closing quote, a ">" or whatever a careless page puts after the name
// stays out of it.
std::string_view CharsetLabel(std::string_view value) {
  std::size_t pos = 0;
  while (pos < value.size() && static_cast<unsigned char>(value[pos]) <= 32) ++pos;
  std::size_t end = pos;
  while (end < value.size() && IsLabelCharacter(value[end])) ++end;
  return value.substr(pos, end - pos);
}

// The labels of UTF-8 in the WHATWG Encoding Standard.
bool NamesUtf8(std::string_view label) {
  for (std::string_view name :
       {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8"}) {
    if (EqualsIgnoreCase(label, name)) return true;
  }
  return false;
}

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// `text` without the comments of the part from `bodyStart` on: a comment
// runs from "<!--" to the end of the next "-->", found from its third byte
// on so that "<!-->" and "<!--->" end at once, as in HTML; one left open
// runs to the end of the text. Only a text with a comment is copied, into
// `scratch`.
std::string_view WithoutComments(std::string_view text, std::size_t bodyStart, std::string& scratch) {
  constexpr std::size_t npos = std::string_view::npos;
  std::size_t open = text.find("<!--", bodyStart);
  if (open == npos) return text;
  scratch.reserve(text.size());
  std::size_t from = 0;
  while (open != npos) {
    scratch.append(text, from, open - from);
    const std::size_t close = text.find("-->", open + 2);
    if (close == npos) return scratch;
    from = close + 3;
    open = text.find("<!--", from);
  }
  scratch.append(text, from);
  return scratch;
}

// The character set the page declares: the first charset parameter (the
// header's comes before any in the page), or else the first HTML5 charset
// element; neither counts inside a comment of the body.
std::string DeclaredCharset(TRegExp& regExp, std::string_view text, std::size_t bodyStart) {
  std::string scratch;
  const std::string_view searched = WithoutComments(text, bodyStart, scratch);
  std::string charset(CharsetLabel(MatchFirstGroup(regExp, searched, CharsetPattern)));
  if (charset.empty()) charset = FindMetaCharset(searched);
  return charset;
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
  // One pass over the elements' attributes, as a browser's pre-scan reads
  // them: a quoted value is passed over whole, so a ">" in it ends nothing,
  // and each "<meta" search goes on after the element before it.
  constexpr std::size_t npos = std::string_view::npos;
  const std::size_t size = text.size();
  for (std::size_t from = 0;;) {
    const std::size_t start = FindWord(text, "<meta", from);
    if (start == npos) return {};
    std::size_t pos = start + 5;
    from = pos;
    if (pos >= size || !(IsPatternSpace(text[pos]) || text[pos] == '/')) continue;
    for (;;) {
      while (pos < size && (IsPatternSpace(text[pos]) || text[pos] == '/')) ++pos;
      if (pos >= size) return {};
      if (text[pos] == '>') break;
      const std::size_t nameStart = pos++;  // a name takes its first byte, even "="
      while (pos < size && !EndsAttributeName(text[pos]) && text[pos] != '=') ++pos;
      const bool isCharset = EqualsIgnoreCase(text.substr(nameStart, pos - nameStart), "charset");
      pos = SkipSpace(text, pos);
      if (pos >= size || text[pos] != '=') continue;  // an attribute without a value
      pos = SkipSpace(text, pos + 1);
      if (pos < size && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos++];
        // The label ends where it ends, with or without the closing quote.
        if (isCharset) return CharsetLabel(text.substr(pos));
        pos = text.find(quote, pos);
        if (pos == npos) return {};  // the element never ends
        ++pos;
      } else {
        const std::size_t valueStart = pos;
        while (pos < size && !IsPatternSpace(text[pos]) && text[pos] != '>') ++pos;
        if (isCharset) return CharsetLabel(text.substr(valueStart, pos - valueStart));
      }
    }
    from = pos + 1;
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
    switch (DetectJapaneseCode(text)) {
      case jcJisNew:
      case jcJisOld:
        text = JisToSjis(text);
        break;
      case jcEuc:
        text = EucToSjis(text);
        break;
      case jcEucOrSjis:
        // Valid as both: with nothing declared, the reading that looks
        // more like Japanese text; a name the dispatch does not know keeps
        // the bytes as they are.
        if (charset.empty() && MorePlausibleReading(text) == jcEuc) text = EucToSjis(text);
        break;
      default:
        break;
    }
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
  const std::size_t bodyStart = std::min(HeadLength(responseText), responseText.size());
  std::string charset = DeclaredCharset(regExp, responseText, bodyStart);
  // A byte order mark decides over every declaration, and is no text.
  const bool utf8Bom = std::string_view(responseText).substr(bodyStart).starts_with(Utf8ByteOrderMark);
  if (utf8Bom) {
    responseText.erase(bodyStart, Utf8ByteOrderMark.size());
    if (!NamesUtf8(charset)) charset = "UTF-8";
  }
  info.Charset = EscapeMarkup(charset);

  ConvertByCharset(responseText, utf8Bom ? "UTF-8" : charset);

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
