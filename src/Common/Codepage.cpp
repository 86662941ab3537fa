#include "Common/Codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Common/CodepageBackend.h"

namespace vellumark {

namespace {

// The Shift_JIS form of codepage_backend::kUndecodable.
constexpr std::string_view kUndecodableSjis = "\x81\x45";
constexpr char kUnmappable = '?';  // what an unmappable character becomes
// Stands for a character that can never be mapped (surrogates, characters
// outside the BMP): U+FFFF is a noncharacter that no code page assigns.
constexpr wchar_t kNeverMapped = 0xFFFF;

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsSingleByteChar(unsigned char b) { return b <= 0x7F || (b >= 0xA1 && b <= 0xDF); }

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Characters that Japanese text carries under the JIS X 0208 / JIS X 0201
// mapping, where code page 932 has the same character under another code
// point. They take the code page 932 character instead of "?".
struct TLookAlike {
  char32_t ch;
  std::string_view sjis;
};
constexpr std::array<TLookAlike, 9> kLookAlikes{{
    {0x00A2, "\x81\x91"},  // CENT SIGN -> FULLWIDTH CENT SIGN
    {0x00A3, "\x81\x92"},  // POUND SIGN -> FULLWIDTH POUND SIGN
    {0x00A5, "\x5C"},      // YEN SIGN -> 0x5C, shown as a yen sign by Japanese fonts
    {0x00AC, "\x81\xCA"},  // NOT SIGN -> FULLWIDTH NOT SIGN
    {0x2014, "\x81\x5C"},  // EM DASH -> HORIZONTAL BAR
    {0x2016, "\x81\x61"},  // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x203E, "\x7E"},      // OVERLINE -> 0x7E
    {0x2212, "\x81\x7C"},  // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x301C, "\x81\x60"},  // WAVE DASH -> FULLWIDTH TILDE
}};

std::string_view LookAlike(wchar_t ch) {
  for (const TLookAlike& entry : kLookAlikes) {
    if (entry.ch == static_cast<char32_t>(ch)) return entry.sjis;
  }
  return {};
}

// Writes what a character that code page 932 lacks becomes: one "?", or its
// decimal character reference. A character outside the BMP stands in the BMP
// text as kNeverMapped; with references on, the code point of every
// kNeverMapped waits in `astral`, in text order.
class TMissingWriter {
 public:
  TMissingWriter() = default;
  explicit TMissingWriter(const std::vector<char32_t>& astral) : astral_(&astral) {}

  void Append(std::string& out, wchar_t ch) {
    if (astral_ == nullptr) {
      out += kUnmappable;
      return;
    }
    char32_t cp = static_cast<char32_t>(ch);
    if (ch == kNeverMapped) cp = next_ < astral_->size() ? (*astral_)[next_++] : cp;
    char digits[8];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + cp % 10);
      cp /= 10;
    } while (cp != 0);
    out += "&#";
    while (count > 0) out += digits[--count];
    out += ';';
  }

 private:
  const std::vector<char32_t>* astral_ = nullptr;
  std::size_t next_ = 0;
};

// Appends the code page 932 form of each character of BMP text (no
// surrogates) to `out` with the exact-mapping rule: the platform's result
// for a character is kept only when it converts back to the same character;
// what is left goes to `missing`. `ends` gets the end of each character's
// bytes in `out`.
void EncodeExact(std::wstring_view bmp, TMissingWriter& missing, std::string& out,
                 std::vector<std::size_t>& ends) {
  if (bmp.empty()) return;
  const std::string encoded = codepage_backend::EncodeBmp(bmp);
  const std::wstring back = SjisToWide(encoded);

  if (back.size() != bmp.size()) {
    // The platform broke the one-character-per-character contract; convert
    // one character at a time so that the damage stays local.
    if (bmp.size() == 1) {
      const std::string_view lookAlike = LookAlike(bmp[0]);
      if (lookAlike.empty()) {
        missing.Append(out, bmp[0]);
      } else {
        out += lookAlike;
      }
      ends.push_back(out.size());
      return;
    }
    for (std::size_t i = 0; i < bmp.size(); ++i) EncodeExact(bmp.substr(i, 1), missing, out, ends);
    return;
  }

  std::size_t pos = 0;
  for (std::size_t i = 0; i < bmp.size(); ++i) {
    const std::size_t length = SjisCharLength(encoded, pos);
    if (back[i] == bmp[i]) {
      out.append(encoded, pos, length);
    } else if (const std::string_view lookAlike = LookAlike(bmp[i]); !lookAlike.empty()) {
      out += lookAlike;
    } else {
      missing.Append(out, bmp[i]);
    }
    ends.push_back(out.size());
    pos += length;
  }
}

// EncodeExact for a whole text. ASCII is code page 932's own first half on
// every platform (the all-ASCII shortcuts rely on that too), so only the
// other characters go to the platform, gathered in one text: a page of
// markup with a little Japanese in it costs little more than a copy.
std::string EncodeBmpExact(std::wstring_view bmp, TMissingWriter& missing) {
  std::wstring others;
  for (wchar_t ch : bmp) {
    if (static_cast<std::uint32_t>(ch) >= 0x80) others += ch;
  }
  std::string encoded;
  std::vector<std::size_t> ends;
  ends.reserve(others.size());
  EncodeExact(others, missing, encoded, ends);

  std::string result;
  result.reserve(bmp.size() - others.size() + encoded.size());
  std::size_t next = 0;  // the next of the other characters
  std::size_t from = 0;  // where its bytes start in `encoded`
  for (wchar_t ch : bmp) {
    if (static_cast<std::uint32_t>(ch) < 0x80) {
      result += static_cast<char>(ch);
    } else {
      result.append(encoded, from, ends[next] - from);
      from = ends[next++];
    }
  }
  return result;
}

// What a UTF-8 lead byte asks of the bytes after it: the length of the whole
// sequence (0 for a byte that cannot start one) and the range its second
// byte must lie in; the narrower ranges exclude overlong forms, surrogates
// and values above U+10FFFF. Later bytes lie in 0x80..0xBF.
struct TUtf8Lead {
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
};

TUtf8Lead Utf8Lead(unsigned char b0) {
  TUtf8Lead lead;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    lead.length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    lead.length = 3;
    if (b0 == 0xE0) lead.low = 0xA0;
    if (b0 == 0xED) lead.high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    lead.length = 4;
    if (b0 == 0xF0) lead.low = 0x90;
    if (b0 == 0xF4) lead.high = 0x8F;
  }
  return lead;
}

bool FitsUtf8Sequence(const TUtf8Lead& lead, std::size_t k, unsigned char b) {
  return b >= (k == 1 ? lead.low : 0x80) && b <= (k == 1 ? lead.high : 0xBF);
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unitAt = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
  };
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit);
  }
  return out;
}

std::size_t SjisCharLength(std::string_view text, std::size_t pos) {
  if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
      IsTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

std::string_view SjisPrefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // Characters are found from the start: a trail byte can look like a lead
  // byte, so the boundary cannot be found by looking back from the limit.
  std::size_t end = 0;
  while (end < maxBytes) {
    const std::size_t next = end + SjisCharLength(text, end);
    if (next > maxBytes) break;
    end = next;
  }
  return text.substr(0, end);
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // UTF-8 finds its boundaries looking back: a continuation byte
  // (10xxxxxx) never starts a character.
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::wstring SjisToWide(std::string_view sjis) {
  if (IsAscii(sjis)) return std::wstring(sjis.begin(), sjis.end());

  // Bytes that cannot be (part of) a character are replaced by the Shift_JIS
  // form of U+30FB before the platform sees the text, so every platform
  // decodes the same well-formed text.
  std::string wellFormed;
  bool replaced = false;
  for (std::size_t pos = 0; pos < sjis.size();) {
    const std::size_t length = SjisCharLength(sjis, pos);
    const auto b = static_cast<unsigned char>(sjis[pos]);
    if (length == 1 && !IsSingleByteChar(b)) {
      if (!replaced) {
        wellFormed.reserve(sjis.size() + 16);
        wellFormed.assign(sjis.substr(0, pos));
        replaced = true;
      }
      wellFormed += kUndecodableSjis;
    } else if (replaced) {
      wellFormed.append(sjis.substr(pos, length));
    }
    pos += length;
  }
  return codepage_backend::DecodeWellFormed(replaced ? std::string_view(wellFormed) : sjis);
}

std::string WideToSjis(std::wstring_view wide) {
  bool ascii = true;
  for (wchar_t ch : wide) ascii = ascii && static_cast<std::uint32_t>(ch) < 0x80;
  if (ascii) {
    std::string result(wide.size(), '\0');
    std::transform(wide.begin(), wide.end(), result.begin(),
                   [](wchar_t ch) { return static_cast<char>(ch); });
    return result;
  }

  // One BMP character per character, so that every platform maps the same
  // units: a surrogate pair (UTF-16 wchar_t) or a value above U+FFFF
  // (UTF-32 wchar_t) is one character that code page 932 does not have.
  std::wstring bmp;
  bmp.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const auto ch = static_cast<std::uint32_t>(wide[i]);
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < wide.size() &&
        static_cast<std::uint32_t>(wide[i + 1]) >= 0xDC00 &&
        static_cast<std::uint32_t>(wide[i + 1]) <= 0xDFFF) {
      bmp += kNeverMapped;
      ++i;
    } else if ((ch >= 0xD800 && ch <= 0xDFFF) || ch > 0xFFFF) {
      bmp += kNeverMapped;
    } else {
      bmp += static_cast<wchar_t>(ch);
    }
  }
  TMissingWriter questionMarks;
  return EncodeBmpExact(bmp, questionMarks);
}

std::wstring Utf8ToUtf16(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 < 0x80) {
      out += static_cast<wchar_t>(b0);
      ++i;
      continue;
    }
    const TUtf8Lead lead = Utf8Lead(b0);
    char32_t cp = b0 & (0xFF >> (lead.length + 1));
    std::size_t k = 1;
    while (k < lead.length && i + k < utf8.size() && FitsUtf8Sequence(lead, k, static_cast<unsigned char>(utf8[i + k]))) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      ++k;
    }
    if (lead.length == 0 || k < lead.length) {
      // A malformed sequence: one U+FFFD for the bytes taken.
      out += static_cast<wchar_t>(0xFFFD);
      i += lead.length == 0 ? 1 : k;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    i += k;
  }
  return out;
}

std::string Utf8ToSjis(std::string_view utf8, TMissingChar missing) {
  if (IsAscii(utf8)) return std::string(utf8);
  const bool references = missing == TMissingChar::CharacterReference;
  std::vector<char32_t> astral;  // kept only for references

  // ASCII, and the "?" of a malformed byte, go straight to `skeleton`; the
  // other characters are gathered in `others` for the platform, and `slots`
  // holds where each of them belongs in the skeleton. A page of markup is
  // then mostly copied in runs.
  const std::size_t n = utf8.size();
  std::string skeleton;
  skeleton.reserve(n);
  std::wstring others;
  std::vector<std::size_t> slots;
  std::size_t i = 0;
  while (i < n) {
    std::size_t runEnd = i;
    while (n - runEnd >= 8) {
      std::uint64_t group;
      std::memcpy(&group, utf8.data() + runEnd, 8);
      if ((group & 0x8080808080808080ull) != 0) break;
      runEnd += 8;
    }
    while (runEnd < n && static_cast<unsigned char>(utf8[runEnd]) < 0x80) ++runEnd;
    skeleton.append(utf8.substr(i, runEnd - i));
    i = runEnd;
    if (i == n) break;

    const auto b0 = static_cast<unsigned char>(utf8[i]);
    const TUtf8Lead lead = Utf8Lead(b0);
    const std::size_t length = lead.length;
    if (length == 0) {
      skeleton += kUnmappable;
      ++i;
      continue;
    }

    char32_t cp = b0 & (0xFF >> (length + 1));
    bool cutAtEnd = false;
    bool malformed = false;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k >= n) {
        cutAtEnd = true;
        break;
      }
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if (!FitsUtf8Sequence(lead, k, b)) {
        malformed = true;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cutAtEnd) break;  // an incomplete character at the very end is dropped
    if (malformed) {
      // Only the lead byte is replaced; what follows is looked at again on
      // its own (a continuation byte there becomes "?" as well).
      skeleton += kUnmappable;
      ++i;
      continue;
    }
    slots.push_back(skeleton.size());
    if (cp >= kNeverMapped) {
      others += kNeverMapped;
      if (references) astral.push_back(cp);
    } else {
      others += static_cast<wchar_t>(cp);
    }
    i += length;
  }

  TMissingWriter writer = references ? TMissingWriter(astral) : TMissingWriter();
  std::string encoded;
  std::vector<std::size_t> ends;
  ends.reserve(others.size());
  EncodeExact(others, writer, encoded, ends);

  std::string result;
  result.reserve(skeleton.size() + encoded.size());
  std::size_t from = 0;         // in the skeleton
  std::size_t encodedFrom = 0;  // in `encoded`
  for (std::size_t k = 0; k < slots.size(); ++k) {
    result.append(skeleton, from, slots[k] - from);
    from = slots[k];
    result.append(encoded, encodedFrom, ends[k] - encodedFrom);
    encodedFrom = ends[k];
  }
  result.append(skeleton, from);
  return result;
}

bool IsMultiByteUtf8(std::string_view text) {
  constexpr std::uint64_t highBits = 0x8080808080808080ull;
  const std::size_t n = text.size();
  bool multiByte = false;
  std::size_t i = 0;
  while (i < n) {
    // Long ASCII stretches (markup, scripts) are passed eight bytes at a time.
    while (n - i >= 8) {
      std::uint64_t group;
      std::memcpy(&group, text.data() + i, 8);
      if ((group & highBits) != 0) break;
      i += 8;
    }
    if (i == n) break;
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    const TUtf8Lead lead = Utf8Lead(b0);
    if (lead.length == 0) return false;
    for (std::size_t k = 1; k < lead.length; ++k) {
      if (i + k == n) return multiByte;  // cut off by the end: allowed
      if (!FitsUtf8Sequence(lead, k, static_cast<unsigned char>(text[i + k]))) return false;
    }
    multiByte = true;
    i += lead.length;
  }
  return multiByte;
}

std::string SjisToUtf8(std::string_view sjis) {
  if (IsAscii(sjis)) return std::string(sjis);
  const std::wstring wide = SjisToWide(sjis);
  std::string result;
  result.reserve(sjis.size() * 3 / 2);
  for (wchar_t ch : wide) AppendUtf8(result, static_cast<char32_t>(ch));
  return result;
}

}  // namespace vellumark
