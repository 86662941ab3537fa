// A portable reader of the settings file that Vellumark.exe saves: the
// Windows profile format ("[section]" lines, then "key=value" lines). It is
// a read-only TProfileStore, so the value encodings (integers with the "0x"
// rewrite, booleans, texts cut to 2047 bytes) are read with the window's own
// ReadProfileInteger / ReadProfileBool / ReadProfileText. Values come back as
// Shift_JIS bytes, like every text of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Settings/ControlState.h"

namespace vellumark {

class TIniFile : public TProfileStore {
 public:
  // Parses the bytes of a file. Shift_JIS (the program's own) is taken as it
  // is; a file that begins with a UTF-16LE or UTF-8 byte-order mark (written by
  // another editor) is converted to Shift_JIS first. Lines end in CR LF, LF or
  // CR. Section and key names are compared without regard to letter case;
  // blanks around names and values are ignored, and one pair of matching
  // quotes around a value is removed. When a section or a key occurs twice,
  // the first one counts, as with the Windows profile functions: the keys
  // under a repeated section header are ignored, not merged into the first.
  // Lookups are hashed, so parsing takes time linear in the file.
  static TIniFile Parse(std::string_view bytes);

  // Reads and parses a file; raises TError naming the file when it cannot be
  // read.
  static TIniFile Load(const std::string& utf8Path);

  // The stored text as it is; nothing when the section or the key is
  // missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // TProfileStore: the stored text, or `defaultValue` when the section or
  // the key is missing. This store never writes (WriteString gives false).
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  // Values by key, and sections by name, each name with its ASCII letters
  // lower-cased.
  using TSection = std::unordered_map<std::string, std::string>;
  std::unordered_map<std::string, TSection> sections_;
};

}  // namespace vellumark
