#include <windows.h>
#include <shlobj.h>

#include "Common/Codepage.h"
#include "System/Folders.h"
#include "System/Shell.h"

namespace vellumark {

std::string GetSpecialFolderPath(int folderId) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(static_cast<HWND>(ShellOwnerWindow()), folderId, &items)) ||
      items == nullptr) {
    return std::string();
  }
  wchar_t path[MAX_PATH + 1] = {};
  const bool found = SHGetPathFromIDListW(items, path) != FALSE;
  CoTaskMemFree(items);
  return found ? WideToSjis(path) : std::string();
}

std::string GetDesktopFolder() { return GetSpecialFolderPath(CsidlDesktop); }
std::string GetStartupFolder() { return GetSpecialFolderPath(CsidlStartup); }
std::string GetSendToFolder() { return GetSpecialFolderPath(CsidlSendTo); }

}  // namespace vellumark
