// Reading a page's data out of one response text: the status line, the
// redirect target and, for a 200 response, the media type, the character set,
// the title and the description. Pure functions over a text and a TRegExp, so
// they run without a network (benchmarks and fuzzing use them directly).
#pragma once

#include <string>
#include <string_view>

#include "Links/PageInfo.h"
#include "RegExp/RegExp.h"

namespace vellumark {

// The nine patterns, exactly as the program uses them. Each runs with
// IgnoreCase on and Global off; the value is capture group 1 of the first
// match, or empty text. The charset value may stand in quotes; its label is
// cut from the group afterwards (ExtractPageData).
inline constexpr std::string_view StatusLinePattern =
    R"re((^HTTP/[0-9]\.[0-9][\s]+[0-9]+[\s]+[^\s]*))re";
inline constexpr std::string_view StatusCodePattern =
    R"re(^HTTP/[0-9]\.[0-9][\s]+([0-9]+)[\s]+[^\s]*)re";
inline constexpr std::string_view LocationPattern = R"re(Location:[\s]*([^\s]*))re";
inline constexpr std::string_view ContentTypePattern = R"re(Content-Type:[\s]*([^;\s]*))re";
inline constexpr std::string_view HttpEquivContentTypePattern =
    R"re(http-equiv=["]?content-type"[\s]+content=["]?([^;"\s]*))re";
inline constexpr std::string_view CharsetPattern = R"re(;[\s]*charset[\s]*=[\s]*["']?([^\s">]*))re";
inline constexpr std::string_view TitlePattern = R"re(<title[^>]*>([^<]*)</title>)re";
inline constexpr std::string_view DescriptionMetaPattern =
    R"re(<meta[\s]*name[\s]*=[\s]*"?description"?[\s]*([^>]*)>)re";
inline constexpr std::string_view DescriptionContentPattern = R"re(content[\s]*="?([^">]*)"?)re";

// Capture group 1 of TitlePattern and of DescriptionMetaPattern on `text`,
// found by a forward scan instead of the regular-expression engine: the same
// first match, but in time linear in the text, where the engine's retries
// grow with the square of a head full of unfinished "<title" or "<meta"
// elements (minutes for a few hundred KiB, hours for 4 MiB). Exact although
// letters can be the second byte of a Shift_JIS character: every word the
// scans look for starts at "<" or right after a one-byte character ("<meta",
// a blank, "=", a quote), so it always begins on a character boundary; and a
// lead byte never pairs with "<", ">", '"' or a blank (SjisCharLength), so the
// engine sees those delimiters where the scans do.
std::string FindTitle(std::string_view text);
std::string FindDescriptionElement(std::string_view text);

// Sets `Status` (the status line as far as its first word after the code,
// escaped as HTML text) and `StatusCode` (its number; -1 when the text does
// not start with a recognisable status line or the number does not
// convert).
void ReadStatus(TRegExp& regExp, std::string_view responseText, TPageInfo& info);

// The Location header's value of a redirect response (empty when absent).
std::string ReadRedirectTarget(TRegExp& regExp, std::string_view responseText);

// Fills `ContentType`, `Charset`, `Title` and `Description` from the text of
// a 200 response: its head as received, then its body. The text is converted
// to Shift_JIS by its declared character set first (the charset parameter,
// or else the first <meta charset> element; neither counts inside a comment
// of the body); header lines are ASCII and pass through unchanged. A UTF-8
// byte order mark opening the body decides over any declaration: the text
// is read as UTF-8 without the mark, and `Charset` is the declared name
// when it is a UTF-8 label, otherwise "UTF-8". `Charset` is the encoding
// label only: ASCII letters, digits and "-_.:" up to the first other byte
// (no quote, blank or ">"). Every value is stored escaped as HTML text
// (EscapeMarkup).
void ExtractPageData(TRegExp& regExp, std::string responseText, TPageInfo& info);

// Converts `text` in place to Shift_JIS as the charset name says (a
// case-insensitive "contains" test, in this order): "Shift_JIS" or "xsjis":
// unchanged; "UTF-8": from UTF-8; "euc": from EUC-JP without detection;
// anything else, empty included: from UTF-8 when the text is well-formed
// UTF-8 with a multi-byte character (IsMultiByteUtf8), otherwise detect,
// then convert JIS or EUC-JP. A text the detection leaves undecided between
// EUC-JP and Shift_JIS is converted from EUC-JP when the charset is empty
// and MorePlausibleReading says so; otherwise it stays as it is. Characters
// from UTF-8 that code page 932 lacks become decimal character references.
void ConvertByCharset(std::string& text, std::string_view charset);

// The label of the first HTML5 charset element: "<meta", white space or "/",
// then attributes separated by white space or "/" up to the ">" that ends
// the element, one of them "charset" (any letter case) with "=" and optional
// white space around it. A value in double or single quotes may hold ">";
// an unquoted one ends at white space or ">". The label is the value's
// ASCII letters, digits and "-_.:" after any leading bytes 0 to 32, up to
// the first other byte (a missing closing quote does not matter); empty
// when there is none or the first charset attribute has none. Used only
// when the charset parameter gives nothing.
std::string_view FindMetaCharset(std::string_view text);

// Removes leading and trailing bytes 0 to 32.
std::string_view TrimControls(std::string_view text);

// `"`, `<`, `>` and `'` as %22, %3C, %3E and %27: the same address, but it
// can no longer end an attribute or start a tag where a tag line is pasted.
// For every address a server gives (redirect targets).
std::string EncodeMarkupInAddress(std::string_view address);

// `<`, `>`, `"` and `'` as "&lt;", "&gt;", "&quot;" and "&#39;": a text value
// from a server is HTML text in any template, inside an attribute or not.
// "&" stays: a page's own entities are already HTML.
std::string EscapeMarkup(std::string_view text);

}  // namespace vellumark
