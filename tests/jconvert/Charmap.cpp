#include "jconvert/Charmap.h"

#include <fstream>
#include <stdexcept>

namespace vellumark::testing {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "<U30AB>     /xa5/xab     KATAKANA LETTER KA"; false for anything else
// (comments, ranges such as "<U3000>...<U7199>").
bool ParseLine(const std::string& line, TCharmapEntry& entry) {
  if (line.size() < 4 || line[0] != '<' || line[1] != 'U') return false;
  std::size_t i = 2;
  std::uint32_t code = 0;
  int digits = 0;
  for (; i < line.size() && HexDigit(line[i]) >= 0; ++i, ++digits) {
    code = code * 16 + static_cast<std::uint32_t>(HexDigit(line[i]));
  }
  if (digits == 0 || i >= line.size() || line[i] != '>') return false;
  ++i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::string bytes;
  while (i + 3 < line.size() && line[i] == '/' && line[i + 1] == 'x') {
    const int hi = HexDigit(line[i + 2]);
    const int lo = HexDigit(line[i + 3]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
    i += 4;
  }
  if (bytes.empty()) return false;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::string name = line.substr(i);
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
  entry.code = code;
  entry.bytes = std::move(bytes);
  entry.name = std::move(name);
  return true;
}

}  // namespace

std::vector<TCharmapEntry> LoadCharmap(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open charmap " + path);
  std::vector<TCharmapEntry> entries;
  std::string line;
  bool inside = false;
  bool sawEnd = false;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inside) {
      inside = line == "CHARMAP";
      continue;
    }
    if (line == "END CHARMAP") {
      sawEnd = true;
      break;
    }
    TCharmapEntry entry;
    if (ParseLine(line, entry)) entries.push_back(std::move(entry));
  }
  if (!sawEnd) throw std::runtime_error("no CHARMAP section in " + path);
  return entries;
}

}  // namespace vellumark::testing
