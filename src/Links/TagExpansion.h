// Turning one fetched page into its tag line: the chosen template with the
// page's values put in for the placeholders, and the date suffix after it.
// The Build command of the window and vellumark-cli both make their lines
// here. Texts are Shift_JIS bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Common/DateFormat.h"
#include "Links/PageInfo.h"

namespace vellumark {

// The four templates a first start offers (format 1 .. 4; the fourth is
// empty).
inline constexpr std::string_view DefaultTagTemplates[4] = {
    "<li><a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#",
    "<br><a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#",
    "<a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#",
    "",
};

// The date appended to every line: `left`, the current local date-time
// formatted with `pattern` (see FormatDateTime), then `right`; nothing when
// not `enabled`. The defaults are those of a first start.
struct TDateSuffix {
  bool enabled = true;
  std::string left = ":[", pattern = "YYYY/MM/DD", right = "]";
};

// The most bytes that putting values in for placeholders lets a line grow
// to. Values can contain placeholders that a later step fills in again, so
// without a bound a page could multiply its own text into gigabytes; an
// occurrence whose value would take the line past this stays as written.
inline constexpr std::size_t MaxExpandedTagBytes = 16 * 1024 * 1024;

// The tag line for one page:
//  1. An empty `Title` stands for `URL`.
//  2. Starting from `tmpl`, "#URL#", "#HOST#", "#PAGE#", "#STATUS#",
//     "#CONTENTTYPE#", "#CHARSET#", "#TITLE#" and "#DESCRIPTION#" are
//     replaced in this order, each step on the result of the one before, so
//     a value that contains a later placeholder gets that one filled in too
//     (a title containing "#DESCRIPTION#" shows the description there).
//     Every occurrence is replaced, in any letter case ("#url#" too). The
//     text is read as Shift_JIS characters: a two-byte character is stepped
//     over whole, so a lead byte followed by "#" is one character and
//     starts no placeholder.
//  3. Unless `date.enabled` is false, `date.left`, `now` formatted with
//     `date.pattern`, and `date.right` are appended. Placeholders in these
//     three are not replaced.
// `now` is the caller's current local time (NowLocal()), taken afresh for
// each line.
std::string ExpandTag(std::string_view tmpl, const TPageInfo& info, const TDateSuffix& date,
                      const TDateTime& now);

}  // namespace vellumark
