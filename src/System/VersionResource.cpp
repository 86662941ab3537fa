#include "System/VersionResource.h"

#include <algorithm>
#include <cstdio>

namespace vellumark {

std::string VersionValuePath(std::string_view keyName, std::uint32_t translation) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%04X%04X", static_cast<unsigned>(translation & 0xFFFFu),
                static_cast<unsigned>(translation >> 16));
  std::string path = "\\StringFileInfo\\";
  path += digits;
  path += '\\';
  path += keyName;
  return path;
}

std::string TrimVersionValue(std::string_view raw, std::size_t length) {
  std::string_view value = raw.substr(0, std::min(length, raw.size()));
  const std::size_t zero = value.find('\0');
  if (zero != std::string_view::npos) value = value.substr(0, zero);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  return std::string(value);
}

std::string CaptionFromVersion(std::string_view title, std::string_view fileVersion,
                               std::string_view windowName) {
  std::string caption(title);
  caption += " Ver.";
  caption += fileVersion;
  caption += " - ";
  caption += windowName;
  return caption;
}

}  // namespace vellumark
