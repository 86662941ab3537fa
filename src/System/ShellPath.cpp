#include "System/ShellPath.h"

#include "Common/Codepage.h"

namespace vellumark {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Position of the last single-byte character of `path` that is one of
// `delimiters`, or kNone.
std::size_t LastDelimiter(std::string_view path, std::string_view delimiters) {
  std::size_t found = kNone;
  for (std::size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
    if (delimiters.find(path[i]) != kNone) found = i;
  }
  return found;
}

// Whether the byte at `index` is a character of its own (not a byte of a
// double-byte one).
bool IsSingleByteAt(std::string_view path, std::size_t index) {
  for (std::size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
    if (i == index) return SjisCharLength(path, i) == 1;
    if (i > index) return false;
  }
  return false;
}

constexpr std::string_view kSeparators = "\\:";

}  // namespace

std::string ExtractFilePath(std::string_view path) {
  const std::size_t last = LastDelimiter(path, kSeparators);
  return last == kNone ? std::string() : std::string(path.substr(0, last + 1));
}

std::string ExtractFileDir(std::string_view path) {
  const std::size_t last = LastDelimiter(path, kSeparators);
  if (last == kNone) return std::string();
  std::size_t end = last + 1;
  const bool keepBackslash = last == 0 || path[last] != '\\' ||
                             (IsSingleByteAt(path, last - 1) && kSeparators.find(path[last - 1]) != kNone);
  if (!keepBackslash) end = last;
  return std::string(path.substr(0, end));
}

std::string ExtractFileName(std::string_view path) {
  const std::size_t last = LastDelimiter(path, kSeparators);
  return std::string(last == kNone ? path : path.substr(last + 1));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const std::size_t last = LastDelimiter(path, ".\\:");
  const std::size_t cut = (last != kNone && path[last] == '.') ? last : path.size();
  std::string result(path.substr(0, cut));
  result += extension;
  return result;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\' && IsSingleByteAt(path, path.size() - 1)) {
    path.remove_suffix(1);
  }
  return std::string(path);
}

std::string ShortcutFileName(std::string_view folder, std::string_view linkName) {
  std::string name = ExcludeTrailingBackslash(folder);
  name += '\\';
  name += linkName;
  name += ".lnk";
  return name;
}

}  // namespace vellumark
