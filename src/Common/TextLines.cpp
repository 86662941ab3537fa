#include "Common/TextLines.h"

namespace vellumark {
namespace {

template <class Char>
std::vector<std::basic_string<Char>> Split(std::basic_string_view<Char> text) {
  std::vector<std::basic_string<Char>> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const Char c = text[i];
    if (c == Char('\r') || c == Char('\n')) {
      lines.emplace_back(text.substr(start, i - start));
      ++i;
      if (c == Char('\r') && i < text.size() && text[i] == Char('\n')) ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) { return Split(text); }
std::vector<std::wstring> SplitLines(std::wstring_view text) { return Split(text); }

}  // namespace vellumark
