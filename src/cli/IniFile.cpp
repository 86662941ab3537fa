#include "cli/IniFile.h"

#include <filesystem>
#include <fstream>

#include "Common/AsciiCase.h"
#include "Common/Codepage.h"
#include "Common/Error.h"
#include "cli/CliInput.h"
#include "cli/CliMessage.h"

namespace vellumark {

namespace {

std::string LowerAscii(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

TIniFile TIniFile::Parse(std::string_view bytes) {
  std::string converted;
  if (bytes.starts_with("\xFF\xFE")) {
    converted = Utf8ToSjis(Utf16LeToUtf8(bytes.substr(2)));
    bytes = converted;
  } else if (bytes.starts_with("\xEF\xBB\xBF")) {
    converted = Utf8ToSjis(bytes.substr(3));
    bytes = converted;
  }

  TIniFile ini;
  TSection* current = nullptr;  // entries before any section header are ignored
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view line = TrimBlanks(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name =
          TrimBlanks(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      // A repeated header opens nothing: its keys are skipped like those
      // before the first header.
      const auto [section, isNew] = ini.sections_.try_emplace(LowerAscii(name));
      current = isNew ? &section->second : nullptr;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (current == nullptr || eq == std::string_view::npos) continue;
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    current->try_emplace(LowerAscii(key), value);
  }
  return ini;
}

TIniFile TIniFile::Load(const std::string& utf8Path) {
  const std::u8string u8(utf8Path.begin(), utf8Path.end());
  const std::filesystem::path path(u8);
  const std::string cannotRead = "cannot read settings file " + QuotedForMessage(utf8Path);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw TError(cannotRead + ": it is a folder");
  if (!std::filesystem::exists(path, ec)) throw TError(cannotRead + ": no such file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TError(cannotRead);
  const std::string bytes = ReadAll(in);
  if (in.bad()) throw TError(cannotRead);
  return Parse(bytes);
}

std::optional<std::string> TIniFile::Find(std::string_view section, std::string_view key) const {
  const auto s = sections_.find(LowerAscii(section));
  if (s == sections_.end()) return std::nullopt;
  const auto entry = s->second.find(LowerAscii(key));
  if (entry == s->second.end()) return std::nullopt;
  return entry->second;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
  return Find(section, key).value_or(defaultValue);
}

bool TIniFile::WriteString(const std::string&, const std::string&, const std::string&) {
  return false;
}

}  // namespace vellumark
