// IDNA through the system's IdnToAscii (kernel32 since Windows 7): UTF-8 to
// wide text, then the system's mapping and Punycode. No flags: no STD3
// rules, and unassigned code points are refused, as in browsers. Which
// UTS #46 options apply is the system's choice; where Wine's differs from
// the URL Standard's, tests/Url says so row by row.
#include <windows.h>

#include "Common/AsciiCase.h"
#include "Url/Idna.h"

namespace vellumark::url {

std::optional<std::string> DomainToAsciiPlatform(std::string_view utf8Domain) {
  // A domain is far shorter than int's range; anything near it is no domain.
  if (utf8Domain.empty() || utf8Domain.size() > 0xFFFFF) return std::nullopt;
  const int inLength = static_cast<int>(utf8Domain.size());
  std::wstring wide(utf8Domain.size(), L'\0');
  const int wideLength =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Domain.data(), inLength, wide.data(), inLength);
  if (wideLength <= 0) return std::nullopt;

  const int asciiLength = IdnToAscii(0, wide.data(), wideLength, nullptr, 0);
  if (asciiLength <= 0) return std::nullopt;
  std::wstring ascii(static_cast<std::size_t>(asciiLength), L'\0');
  if (IdnToAscii(0, wide.data(), wideLength, ascii.data(), asciiLength) != asciiLength) return std::nullopt;

  std::string result;
  result.reserve(ascii.size());
  for (const wchar_t c : ascii) {
    if (c > 0x7F) return std::nullopt;
    // Some IdnToAscii (Wine's) copy ASCII labels as written; ToASCII's
    // ASCII form is lower case.
    result.push_back(AsciiLower(static_cast<char>(c)));
  }
  return result;
}

}  // namespace vellumark::url
