#include "cli/CliOutput.h"

#include <cstdint>

#include "Common/Codepage.h"

namespace vellumark {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `pos`, or 0 when the bytes
// there do not start one.
std::size_t WellFormedLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(pos);
  if (b0 < 0x80) return 1;
  std::size_t length = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) lo = 0x90;  // no overlong forms
    if (b0 == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  if (byte(pos + 1) < lo || byte(pos + 1) > hi) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t length = WellFormedLength(text, pos);
    if (length == 0) {
      out += kReplacement;
      // Skip the lead byte and any continuation bytes that belong to the
      // broken sequence, so one bad sequence gives one replacement.
      ++pos;
      while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80 &&
             WellFormedLength(text, pos) == 0) {
        ++pos;
      }
      continue;
    }
    out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

std::string JsonString(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string valid = ToValidUtf8(utf8);
  std::string out;
  out.reserve(valid.size() + 2);
  out += '"';
  for (const char c : valid) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += "\\u00";
          out += kHex[u >> 4];
          out += kHex[u & 0x0F];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string FormatJsonLine(const TPageInfo& info) {
  std::string out = "{";
  auto text = [&](std::string_view name, const std::string& sjis, bool last = false) {
    out += '"';
    out += name;
    out += "\":";
    out += JsonString(SjisToUtf8(sjis));
    if (!last) out += ',';
  };
  text("URL", info.URL);
  text("Host", info.Host);
  text("Page", info.Page);
  text("Status", info.Status);
  out += "\"StatusCode\":" + std::to_string(info.StatusCode) + ",";
  text("ContentType", info.ContentType);
  text("Charset", info.Charset);
  text("Title", info.Title);
  text("Description", info.Description);
  text("Error", info.Error, true);
  out += '}';
  return out;
}

std::string EncodeTagLine(std::string_view sjisLine, TOutputEncoding encoding) {
  if (encoding == TOutputEncoding::ShiftJis) {
    std::string out(sjisLine);
    out += "\r\n";
    return out;
  }
  std::string out = ToValidUtf8(SjisToUtf8(sjisLine));
  out += '\n';
  return out;
}

}  // namespace vellumark
