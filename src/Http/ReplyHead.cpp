#include "Http/ReplyHead.h"

#include "Common/AsciiCase.h"

namespace vellumark {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::size_t HeadLength(std::string_view text) {
  // The first line break followed by an empty line, whichever line ends the
  // server uses.
  for (std::size_t pos = text.find('\n'); pos != std::string_view::npos; pos = text.find('\n', pos + 1)) {
    if (pos + 1 < text.size() && text[pos + 1] == '\n') return pos + 2;
    if (pos + 2 < text.size() && text[pos + 1] == '\r' && text[pos + 2] == '\n') return pos + 3;
  }
  return std::string_view::npos;
}

std::vector<std::string_view> HeaderValues(std::string_view head, std::string_view name) {
  std::vector<std::string_view> values;
  std::size_t start = head.find('\n');  // the status line is no field
  while (start != std::string_view::npos && start + 1 < head.size()) {
    const std::size_t lineStart = start + 1;
    const std::size_t lineEnd = head.find('\n', lineStart);
    const std::string_view line =
        head.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoreCase(TrimBlanks(line.substr(0, colon)), name)) {
      values.push_back(TrimBlanks(line.substr(colon + 1)));
    }
    start = lineEnd;
  }
  return values;
}

int HeadStatusCode(std::string_view head) {
  if (!head.starts_with("HTTP/")) return -1;
  std::size_t pos = head.find_first_of(" \t");
  if (pos == std::string_view::npos) return -1;
  while (pos < head.size() && IsBlank(head[pos])) ++pos;
  int code = 0;
  int digits = 0;
  for (; pos < head.size() && head[pos] >= '0' && head[pos] <= '9' && digits < 3; ++pos, ++digits) {
    code = code * 10 + (head[pos] - '0');
  }
  const bool moreDigits = pos < head.size() && head[pos] >= '0' && head[pos] <= '9';
  return digits == 3 && !moreDigits ? code : -1;
}

}  // namespace vellumark
