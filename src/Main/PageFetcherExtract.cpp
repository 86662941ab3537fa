#include "Main/PageFetcherExtract.h"

#include <algorithm>

#include "Common/Codepage.h"
#include "Common/IntConvert.h"
#include "jconvert/jconvert.h"

namespace vellumark {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive (ASCII) "contains"; `needle` is given in lower case.
bool ContainsNoCase(std::string_view text, std::string_view lowerNeedle) {
  if (lowerNeedle.size() > text.size()) return false;
  for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < lowerNeedle.size() && LowerAscii(text[i + k]) == lowerNeedle[k]) ++k;
    if (k == lowerNeedle.size()) return true;
  }
  return false;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string_view TrimControls(std::string_view text) {
  auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
  return text;
}

std::string EncodeMarkupInAddress(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (char c : address) {
    switch (c) {
      case '"': out += "%22"; break;
      case '<': out += "%3C"; break;
      case '>': out += "%3E"; break;
      default: out += c;
    }
  }
  return out;
}

std::string EscapeLessThan(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else {
      out += c;
    }
  }
  return out;
}

void ConvertByCharset(std::string& text, std::string_view charset) {
  if (ContainsNoCase(charset, "shift_jis") || ContainsNoCase(charset, "xsjis")) return;
  if (ContainsNoCase(charset, "utf-8")) {
    text = Utf8ToSjis(text);
  } else if (ContainsNoCase(charset, "euc")) {
    text = EucToSjis(text);
  } else {
    text = ConvertJapaneseCode(text, jcSjis);
  }
}

void ReadStatus(TRegExp& regExp, std::string_view responseText, TPageInfo& info) {
  info.Status = MatchFirstGroup(regExp, responseText, StatusLinePattern);
  info.StatusCode = StrToIntDef(MatchFirstGroup(regExp, info.Status, StatusCodePattern), -1);
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
  info.Charset = TrimControls(MatchFirstGroup(regExp, responseText, CharsetPattern));

  ConvertByCharset(responseText, info.Charset);

  info.Title = MatchFirstGroup(regExp, responseText, TitlePattern);
  if (info.Title.empty()) {
    // Only the second attempt joins the lines: a title found the first time
    // keeps its line breaks.
    std::erase_if(responseText, IsLineBreak);
    info.Title = MatchFirstGroup(regExp, responseText, TitlePattern);
  }

  const std::string element(
      TrimControls(MatchFirstGroup(regExp, responseText, DescriptionMetaPattern)));
  info.Description =
      EscapeLessThan(MatchFirstGroup(regExp, element, DescriptionContentPattern));
}

}  // namespace vellumark
