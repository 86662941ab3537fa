// The running system's version record and registry, for the OS texts.
#include <windows.h>

#include <cstring>

#include "System/OsVersion.h"

namespace vellumark {
namespace {

class TSystemVersionSource final : public TOsVersionSource {
 public:
  bool Query(bool extended, TOsVersionRecord& record) const override {
    record = TOsVersionRecord{};
    // Both record forms are sized with sizeof: the extended record is a
    // prefix-compatible extension of the basic one.
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
    const bool ok = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
    record.majorVersion = info.dwMajorVersion;
    record.minorVersion = info.dwMinorVersion;
    record.buildNumber = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    record.csdVersion.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    if (extended) {
      record.suiteMask = info.wSuiteMask;
      record.productType = info.wProductType;
    }
    return ok;
  }
};

// Closes an opened registry key on every path out.
class TRegKey {
 public:
  explicit TRegKey(std::string_view path) {
    const std::string name(path);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~TRegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class TSystemRegistry final : public TMachineRegistry {
 public:
  std::optional<std::string> ReadValue(std::string_view keyPath, std::string_view valueName,
                                       std::size_t maxBytes) const override {
    TRegKey key(keyPath);
    if (key.Get() == nullptr) return std::nullopt;
    std::string buffer(maxBytes, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    const std::string value(valueName);
    if (RegQueryValueExA(key.Get(), value.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
        size > maxBytes) {
      return std::nullopt;
    }
    buffer.resize(size);
    return buffer;
  }

  bool KeyExists(std::string_view keyPath) const override { return TRegKey(keyPath).Get() != nullptr; }
};

}  // namespace

std::string GetOSVersionText() {
  TOsVersionRecord record;
  TSystemVersionSource().Query(false, record);  // a refused query leaves the zeroed record
  return FormatOSVersionText(record);
}

std::string GetOSProductName() { return BuildOSProductName(TSystemVersionSource(), TSystemRegistry()); }

std::string GetOSDescription() { return DescribeOS(GetOSProductName, GetOSVersionText); }

}  // namespace vellumark
