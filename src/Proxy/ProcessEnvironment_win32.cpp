// Windows compares variable names without regard to letter case: getenv and
// GetEnvironmentVariableW asked for "http_proxy" return HTTP_PROXY's value
// when that comes first. The environment block still holds every variable
// under the name it was given, so the lookup reads the block itself.
#include <windows.h>

#include <cwchar>
#include <string>

#include "Common/Codepage.h"
#include "Proxy/ProcessEnvironment.h"

namespace vellumark {

namespace {

std::string WideToUtf8(std::wstring_view wide) {
  return Utf16LeToUtf8({reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)});
}

// The block's entries are "name=value", each ended by a zero, the block by
// an empty entry. Names of the hidden per-drive variables start with "="
// ("=C:=C:\\work"), so the separator is looked for after the first character.
std::optional<std::string> FindVariable(std::wstring_view name) {
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return std::nullopt;
  std::optional<std::string> value;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    const auto equals = text.find(L'=', 1);
    if (equals != std::wstring_view::npos && text.substr(0, equals) == name) {
      value = WideToUtf8(text.substr(equals + 1));
      break;
    }
  }
  FreeEnvironmentStringsW(block);
  return value;
}

}  // namespace

TEnvironmentLookup ProcessEnvironment() {
  return [](std::string_view name) -> std::optional<std::string> {
    if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
    return FindVariable(Utf8ToUtf16(name));
  };
}

}  // namespace vellumark
