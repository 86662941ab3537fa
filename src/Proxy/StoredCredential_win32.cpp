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
  const std::wstring target = Utf8ToUtf16(StoredCredentialTarget(proxy));
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
