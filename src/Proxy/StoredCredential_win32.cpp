// Credential Manager's generic credentials. cmdkey /generic stores the
// password as the credential's blob: UTF-16LE code units, no terminator.
#include <windows.h>
#include <wincred.h>

#include <cwchar>
#include <string>

#include "Common/Codepage.h"
#include "Proxy/StoredCredential.h"

namespace vellumark {

namespace {

std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf16BytesToUtf8(const void* data, std::size_t bytes) {
  std::string_view units(static_cast<const char*>(data), bytes);
  // Some programs store the password with its terminating zero; a password
  // never holds one.
  while (units.size() >= 2 && units[units.size() - 1] == '\0' && units[units.size() - 2] == '\0') {
    units.remove_suffix(2);
  }
  return Utf16LeToUtf8(units);
}

}  // namespace

std::optional<TStoredCredential> ReadStoredCredential(const TProxy& proxy) {
  const std::wstring target = Utf8ToWide(StoredCredentialTarget(proxy));
  PCREDENTIALW credential = nullptr;
  if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential)) return std::nullopt;
  TStoredCredential stored;
  if (credential->UserName != nullptr) {
    stored.username = Utf16BytesToUtf8(credential->UserName, std::wcslen(credential->UserName) * sizeof(wchar_t));
  }
  if (credential->CredentialBlob != nullptr) {
    stored.password = Utf16BytesToUtf8(credential->CredentialBlob, credential->CredentialBlobSize);
  }
  CredFree(credential);
  return stored;
}

}  // namespace vellumark
