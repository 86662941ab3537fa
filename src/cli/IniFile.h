// A portable reader of the settings file that Vellumark.exe saves: the
// Windows profile format ("[section]" lines, then "key=value" lines) with the
// program's value encodings. Values come back as Shift_JIS bytes, like every
// text of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

// The most bytes a stored text yields (the program's read buffer holds 2048
// bytes with the terminating zero).
inline constexpr std::size_t MaxIniTextBytes = 2047;

class TIniFile {
 public:
  // Parses the bytes of a file. Shift_JIS (the program's own) is taken as it
  // is; a file that begins with a UTF-16LE or UTF-8 byte-order mark (written by
  // another editor) is converted to Shift_JIS first. Lines end in CR LF, LF or
  // CR. Section and key names are compared without regard to letter case;
  // blanks around names and values are ignored, and one pair of matching
  // quotes around a value is removed. When a section or a key occurs twice,
  // the first one counts.
  static TIniFile Parse(std::string_view bytes);

  // Reads and parses a file; raises TError naming the file when it cannot be
  // read.
  static TIniFile Load(const std::string& utf8Path);

  // The stored text, cut to MaxIniTextBytes; nothing when the section or the
  // key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // An integer: a text longer than two characters that begins with "0x" or
  // "0X" has those replaced by "$"; then the program's general integer
  // conversion; the default when the key is missing or does not convert.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t defaultValue) const;
  // A boolean: read as an integer with the default 1 or 0; any non-zero
  // number is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

 private:
  struct TEntry {
    std::string key;
    std::string value;
  };
  struct TSection {
    std::string name;
    std::vector<TEntry> entries;
  };
  std::vector<TSection> sections_;
};

// UTF-16LE code units (without a byte-order mark) to UTF-8. An unpaired
// surrogate becomes U+FFFD; a final odd byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace vellumark
