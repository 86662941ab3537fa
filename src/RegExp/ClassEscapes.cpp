#include "RegExp/ClassEscapes.h"

#include <vector>

namespace vellumark {

namespace {

struct TRange {
  char32_t first;
  char32_t last;
};
using TRanges = std::vector<TRange>;

// The largest character a wide text can hold here (U+FFFF with a 16-bit
// wchar_t, U+10FFFF with a 32-bit one).
constexpr char32_t kMaxChar = sizeof(wchar_t) >= 4 ? 0x10FFFF : 0xFFFF;

const TRanges& SpaceRanges() {
  static const TRanges ranges{{0x09, 0x0D}, {0x20, 0x20}};
  return ranges;
}
const TRanges& DigitRanges() {
  static const TRanges ranges{{0x30, 0x39}};
  return ranges;
}
const TRanges& WordRanges() {
  static const TRanges ranges{{0x30, 0x39}, {0x41, 0x5A}, {0x5F, 0x5F}, {0x61, 0x7A}};
  return ranges;
}

// The ranges are sorted and do not touch each other.
TRanges Complement(const TRanges& ranges) {
  TRanges result;
  char32_t next = 0;
  for (const TRange& range : ranges) {
    if (range.first > next) result.push_back({next, range.first - 1});
    next = range.last + 1;
  }
  if (next <= kMaxChar) result.push_back({next, kMaxChar});
  return result;
}

// The ranges of a class escape letter, or nullptr when it is none.
const TRanges* ClassRanges(wchar_t letter) {
  static const TRanges notSpace = Complement(SpaceRanges());
  static const TRanges notDigit = Complement(DigitRanges());
  static const TRanges notWord = Complement(WordRanges());
  switch (letter) {
    case L's': return &SpaceRanges();
    case L'S': return &notSpace;
    case L'd': return &DigitRanges();
    case L'D': return &notDigit;
    case L'w': return &WordRanges();
    case L'W': return &notWord;
    default: return nullptr;
  }
}

// Written as "\x{hex}", which needs no escaping rules of its own.
void AppendChar(std::wstring& out, char32_t ch) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  out += L"\\x{";
  int shift = 20;
  while (shift > 0 && (ch >> shift) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) out += kHex[(ch >> shift) & 0xF];
  out += L'}';
}

// The inside of a bracket expression for the ranges.
std::wstring SetBody(const TRanges& ranges) {
  std::wstring body;
  for (const TRange& range : ranges) {
    AppendChar(body, range.first);
    if (range.last != range.first) {
      body += L'-';
      AppendChar(body, range.last);
    }
  }
  return body;
}

std::wstring WordBoundary(bool boundary) {
  const std::wstring word = L"[" + SetBody(WordRanges()) + L"]";
  if (boundary) {
    return L"(?:(?<=" + word + L")(?!" + word + L")|(?<!" + word + L")(?=" + word + L"))";
  }
  return L"(?:(?<=" + word + L")(?=" + word + L")|(?<!" + word + L")(?!" + word + L"))";
}

// Rewrites the bracket expression that starts at pattern[start] ("[") and
// appends it to `out`. Returns the position after its closing "]", or npos
// when it is not closed.
std::size_t RewriteBracket(std::wstring_view pattern, std::size_t start, std::wstring& out) {
  std::wstring set = L"[";
  std::size_t i = start + 1;
  if (i < pattern.size() && pattern[i] == L'^') {
    set += L'^';
    ++i;
  }
  const std::size_t itemStart = i;
  // A "-" beside a spelled-out class would join it into a range it never
  // meant; it is written as a literal "-" instead.
  bool lastWasClass = false;
  while (i < pattern.size()) {
    const wchar_t c = pattern[i];
    if (c == L']' && i != itemStart) {
      out += set;
      out += L']';
      return i + 1;
    }
    if (c == L'\\' && i + 1 < pattern.size()) {
      if (const TRanges* ranges = ClassRanges(pattern[i + 1])) {
        if (set.size() > 1 && set.back() == L'-' && set[set.size() - 2] != L'\\' &&
            set[set.size() - 2] != L'[' && set[set.size() - 2] != L'^') {
          set.back() = L'\\';
          set += L'-';
        }
        set += SetBody(*ranges);
        lastWasClass = true;
      } else {
        set.append(pattern.substr(i, 2));
        lastWasClass = false;
      }
      i += 2;
      continue;
    }
    if (c == L'[' && i + 1 < pattern.size() &&
        (pattern[i + 1] == L':' || pattern[i + 1] == L'.' || pattern[i + 1] == L'=')) {
      // A named class such as "[:alpha:]" goes through unchanged.
      const wchar_t closing[] = {pattern[i + 1], L']', L'\0'};
      const std::size_t end = pattern.find(closing, i + 2);
      if (end == std::wstring_view::npos) return std::wstring_view::npos;
      set.append(pattern.substr(i, end + 2 - i));
      i = end + 2;
      lastWasClass = false;
      continue;
    }
    if (c == L'-' && lastWasClass) {
      set += L"\\-";
    } else {
      set += c;
    }
    lastWasClass = false;
    ++i;
  }
  return std::wstring_view::npos;
}

}  // namespace

std::wstring RewriteClassEscapes(std::wstring_view pattern) {
  std::wstring out;
  out.reserve(pattern.size() + 32);
  std::size_t i = 0;
  while (i < pattern.size()) {
    const wchar_t c = pattern[i];
    if (c == L'\\' && i + 1 < pattern.size()) {
      const wchar_t letter = pattern[i + 1];
      if (const TRanges* ranges = ClassRanges(letter)) {
        out += L'[' + SetBody(*ranges) + L']';
      } else if (letter == L'b' || letter == L'B') {
        out += WordBoundary(letter == L'b');
      } else {
        out.append(pattern.substr(i, 2));
      }
      i += 2;
      continue;
    }
    if (c == L'.') {
      out += L"[^\\x{A}]";  // any character but LF (CR and the Unicode line ends included)
      ++i;
      continue;
    }
    if (c == L'[') {
      const std::size_t next = RewriteBracket(pattern, i, out);
      if (next == std::wstring_view::npos) {
        out.append(pattern.substr(i));  // unclosed: the engine reports it
        break;
      }
      i = next;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace vellumark
