// What vellumark-cli writes for one address: a tag line in the chosen output
// encoding, or a JSON object with every field of the fetch.
#pragma once

#include <string>
#include <string_view>

#include "Links/PageInfo.h"
#include "cli/CliOptions.h"

namespace vellumark {

// `text` with every byte sequence that is not well-formed UTF-8 (stray
// continuation bytes, cut-off or overlong sequences, surrogates, values past
// U+10FFFF) replaced by U+FFFD, one replacement per bad sequence.
std::string ToValidUtf8(std::string_view text);

// A JSON string literal (with its quotes) for a UTF-8 text: quote, backslash
// and every control character below 0x20 (and DEL) escaped; anything that is
// not well-formed UTF-8 replaced first (ToValidUtf8), so the result is always
// valid JSON in valid UTF-8.
std::string JsonString(std::string_view utf8);

// One JSON object on one line (no line end) with the fields of `info` under
// their own names, texts converted from Shift_JIS to UTF-8, StatusCode as a
// number: {"URL":...,"Host":...,"Page":...,"Status":...,"StatusCode":...,
// "ContentType":...,"Charset":...,"Title":...,"Description":...,"Error":...}
std::string FormatJsonLine(const TPageInfo& info);

// One output line in the chosen encoding, with its line end: Shift_JIS bytes
// as they are, ended by CR LF (what the main window puts on the clipboard);
// or UTF-8, ended by LF.
std::string EncodeTagLine(std::string_view sjisLine, TOutputEncoding encoding);

}  // namespace vellumark
