#include "Links/TagExpansion.h"

#include <string>

#include "Common/AsciiCase.h"

namespace vellumark {
namespace {

bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}


// Whether `placeholder` (upper case) is written at `pos` of `text`, in any
// letter case. Only ASCII letters are folded.
bool PlaceholderAt(std::string_view text, std::size_t pos, std::string_view placeholder) {
  if (text.size() - pos < placeholder.size()) return false;
  for (std::size_t k = 0; k < placeholder.size(); ++k) {
    if (AsciiUpper(text[pos + k]) != placeholder[k]) return false;
  }
  return true;
}

// Every occurrence of `placeholder` (which begins with "#") in `text`
// replaced by `value`, scanning from the left, whole Shift_JIS characters at
// a time, and never rescanning an inserted value. An occurrence stays as written when its value would
// make the result longer than MaxExpandedTagBytes.
std::string ReplacePlaceholder(std::string_view text, std::string_view placeholder,
                               std::string_view value) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsLeadByte(text[i]) && i + 1 < text.size()) {
      out.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    if (PlaceholderAt(text, i, placeholder)) {
      const std::size_t rest = text.size() - i - placeholder.size();
      const bool fits = value.size() <= placeholder.size() ||
                        out.size() + value.size() + rest <= MaxExpandedTagBytes;
      out.append(fits ? value : text.substr(i, placeholder.size()));
      i += placeholder.size();
      continue;
    }
    // Copy up to the next "#" or two-byte character in one piece: only
    // there can a placeholder start or the character width change.
    std::size_t next = i + 1;
    while (next < text.size() && text[next] != '#' && !IsLeadByte(text[next])) ++next;
    out.append(text.substr(i, next - i));
    i = next;
  }
  return out;
}

}  // namespace

std::string ExpandTag(std::string_view tmpl, const TPageInfo& info, const TDateSuffix& date,
                      const TDateTime& now) {
  const std::string& title = info.Title.empty() ? info.URL : info.Title;
  const std::string_view steps[8][2] = {
      {"#URL#", info.URL},
      {"#HOST#", info.Host},
      {"#PAGE#", info.Page},
      {"#STATUS#", info.Status},
      {"#CONTENTTYPE#", info.ContentType},
      {"#CHARSET#", info.Charset},
      {"#TITLE#", title},
      {"#DESCRIPTION#", info.Description},
  };
  std::string line(tmpl);
  for (const auto& step : steps) line = ReplacePlaceholder(line, step[0], step[1]);
  if (date.enabled) {
    line += date.left;
    line += FormatDateTime(date.pattern, now);
    line += date.right;
  }
  return line;
}

}  // namespace vellumark
