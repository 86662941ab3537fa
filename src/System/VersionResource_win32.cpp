// The version resource through the wide functions of version.dll; string
// values arrive as UTF-16 and are converted to Shift_JIS with code page 932.
#include <windows.h>

#include <cstring>
#include <vector>

#include "Common/Codepage.h"
#include "System/VersionResource.h"

namespace vellumark {
namespace {

std::string ReadVersionValue(const std::string& keyName, const std::wstring& filePath) {
  try {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(filePath.c_str(), &handle);
    if (size == 0) return {};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(filePath.c_str(), 0, size, block.data())) return {};

    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) ||
        length < sizeof(DWORD) || translation == nullptr) {
      return {};
    }
    DWORD first = 0;
    std::memcpy(&first, translation, sizeof first);

    const std::wstring path = SjisToWide(VersionValuePath(keyName, first));
    void* value = nullptr;
    length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0 ||
        value == nullptr) {
      return {};
    }
    const auto* text = static_cast<const wchar_t*>(value);
    std::size_t count = 0;
    while (count < length && text[count] != L'\0') ++count;
    const std::string sjis = WideToSjis(std::wstring_view(text, count));
    return TrimVersionValue(sjis, sjis.size());
  } catch (...) {
    return {};
  }
}

}  // namespace

std::string GetVersionInfoValue(const std::string& keyName, const std::string& filePath) {
  return ReadVersionValue(keyName, SjisToWide(filePath));
}

std::string GetOwnVersionInfoValue(const std::string& keyName) {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return ReadVersionValue(keyName, std::wstring(path.data(), length));
}

}  // namespace vellumark
