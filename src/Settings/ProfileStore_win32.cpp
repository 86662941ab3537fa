// The settings file over the wide profile functions of kernel32.
#include "Settings/ProfileStore.h"

#include <windows.h>

#include <vector>

#include "Common/Codepage.h"

namespace vellumark {
namespace {

class TProfileFile : public TProfileStore {
 public:
  TProfileFile(std::wstring path, bool forWriting) : path_(std::move(path)) {
    if (forWriting && GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        static const unsigned char bom[2] = {0xFF, 0xFE};
        DWORD written = 0;
        WriteFile(file, bom, sizeof bom, &written, nullptr);
        CloseHandle(file);
      }
    }
  }
  // Releasing the file flushes the platform's cached writes.
  ~TProfileFile() override { WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str()); }
  TProfileFile(const TProfileFile&) = delete;
  TProfileFile& operator=(const TProfileFile&) = delete;

  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    return WritePrivateProfileStringW(SjisToWide(section).c_str(), SjisToWide(key).c_str(),
                                      SjisToWide(value).c_str(), path_.c_str()) != FALSE;
  }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    // Room for more than the longest text kept, which is cut afterwards.
    std::vector<wchar_t> buffer(4 * (MaxStoredTextBytes + 1));
    const DWORD length = GetPrivateProfileStringW(
        SjisToWide(section).c_str(), SjisToWide(key).c_str(), SjisToWide(defaultValue).c_str(),
        buffer.data(), static_cast<DWORD>(buffer.size()), path_.c_str());
    return WideToSjis(std::wstring_view(buffer.data(), length));
  }

 private:
  std::wstring path_;
};

}  // namespace

std::unique_ptr<TProfileStore> OpenProfileFile(const std::wstring& path, bool forWriting) {
  return std::make_unique<TProfileFile>(path, forWriting);
}

}  // namespace vellumark
