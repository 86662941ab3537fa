// IDNA through the system's IdnToAscii (kernel32 since Windows 7): UTF-8 to
// wide text, then the system's mapping and Punycode. No flags: unassigned
// code points are refused, and no STD3 rule applies, as in browsers.
#include <windows.h>

#include "Http/Idna.h"

namespace vellumark::idna {

std::optional<std::string> ToAscii(std::string_view utf8Name) {
  // A host name is at most a few hundred characters; anything near int's
  // range is no name.
  if (utf8Name.empty() || utf8Name.size() > 4096) return std::nullopt;
  const int inLength = static_cast<int>(utf8Name.size());
  std::wstring wide(utf8Name.size(), L'\0');
  const int wideLength =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name.data(), inLength, wide.data(), inLength);
  if (wideLength <= 0 || wide.find(L'\0') < static_cast<std::size_t>(wideLength)) return std::nullopt;

  const int asciiLength = IdnToAscii(0, wide.data(), wideLength, nullptr, 0);
  if (asciiLength <= 0) return std::nullopt;
  std::wstring ascii(static_cast<std::size_t>(asciiLength), L'\0');
  if (IdnToAscii(0, wide.data(), wideLength, ascii.data(), asciiLength) != asciiLength) return std::nullopt;

  std::string result;
  result.reserve(ascii.size());
  for (const wchar_t c : ascii) {
    if (c == L'\0' || c > 0x7F) return std::nullopt;
    result.push_back(static_cast<char>(c));
  }
  return result;
}

}  // namespace vellumark::idna
