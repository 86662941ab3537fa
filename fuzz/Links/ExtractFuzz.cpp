// Random response texts through the page-data extraction and the charset
// conversions, plus the block-wise "<body" test against a whole-text search.
// Input layout: byte 0 picks a charset name, byte 1 seeds the block splits,
// the rest is the response text. Also checks the linear title and
// description scans against the engine running the same patterns.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Links/PageFetcher.h"
#include "Links/PageFetcherExtract.h"
#include "Links/PageFetcherMarker.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// No server text can close an attribute or open a tag in a tag line.
bool HasNoMarkup(std::string_view value) { return value.find_first_of("<>\"'") == std::string_view::npos; }

bool WholeTextHasMarker(std::string_view collected) {
  std::string text(collected.substr(0, collected.find('\0')));
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return text.find("<body") != std::string::npos;
}

void CheckMarkerScan(std::string_view text, std::uint8_t seed) {
  TBodyMarkerScan scan;
  std::string collected;
  std::size_t pos = 0;
  unsigned state = seed;
  while (pos < text.size()) {
    state = state * 1103515245u + 12345u;
    const std::size_t size = 1 + (state >> 16) % 9;
    const std::size_t added = std::min(size, text.size() - pos);
    collected.append(text.substr(pos, added));
    pos += added;
    Check(scan.Update(collected, added) == WholeTextHasMarker(collected));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const charsets[] = {"", "Shift_JIS", "xsjis", "x-sjis", "UTF-8",
                                         "EUC-JP", "x-euc-jp", "ISO-2022-JP", "utf8"};
  if (size < 2) return 0;
  const std::string_view charset = charsets[data[0] % (sizeof charsets / sizeof *charsets)];
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

  CheckMarkerScan(text, data[1]);

  std::string converted = text;
  TPageFetcher::ConvertByCharset(converted, charset);
  // Unknown or no charset: well-formed UTF-8 is read as UTF-8.
  if ((charset.empty() || charset == "utf8") && IsMultiByteUtf8(text)) {
    Check(converted == Utf8ToSjis(text, TMissingChar::CharacterReference));
  }

  Check(HasNoMarkup(EncodeMarkupInAddress(text)));
  Check(HasNoMarkup(EscapeMarkup(text)));
  const std::string_view metaCharset = FindMetaCharset(text);
  Check(TrimControls(metaCharset) == metaCharset);

  static TRegExp regExp;  // compiled patterns are kept between inputs
  TPageInfo info;
  try {
    // The linear title and description scans give the engine's answer.
    Check(FindTitle(text) == MatchFirstGroup(regExp, text, TitlePattern));
    Check(FindDescriptionElement(text) == MatchFirstGroup(regExp, text, DescriptionMetaPattern));
    ReadStatus(regExp, text, info);
    Check(info.StatusCode >= -1);
    (void)ReadRedirectTarget(regExp, text);
    ExtractPageData(regExp, text, info);
    // No markup can come out of a page through any text field.
    for (const std::string* value :
         {&info.Status, &info.ContentType, &info.Charset, &info.Title, &info.Description}) {
      Check(HasNoMarkup(*value));
    }
    Check(TrimControls(info.Charset) == info.Charset);
  } catch (const TError&) {
    // An engine error (a match too complex to finish) ends a real fetch
    // quietly; here it is simply the end of this input.
  }
  return 0;
}
