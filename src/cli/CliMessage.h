// Names and values inside vellumark-cli's one-line messages.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// `text` between single quotes, with every control character (below 0x20,
// and DEL) written as \n, \r, \t or \xHH, so that a file name or an option
// value holding a line break cannot split the message. Other bytes (UTF-8
// included) stay as they are.
inline std::string QuotedForMessage(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string quoted = "'";
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (b < 0x20 || b == 0x7F) {
      quoted += "\\x";
      quoted += kHex[b >> 4];
      quoted += kHex[b & 0x0F];
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

}  // namespace vellumark
