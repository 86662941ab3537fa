// Shell actions and shortcut files through the wide shell interfaces, with
// the program's Shift_JIS texts converted by code page 932.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "System/Shell.h"
#include "System/ShellPath.h"
#include "System/ShellText.h"

namespace vellumark {
namespace {

int comUsers = 0;
bool comInitialised = false;
HWND ownerWindow = nullptr;

// Holds one COM interface pointer and releases it on every path out.
template <typename T>
class TComRef {
 public:
  TComRef() = default;
  ~TComRef() {
    if (ptr_ != nullptr) ptr_->Release();
  }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;

  T* operator->() const { return ptr_; }
  T* Get() const { return ptr_; }
  void** Out() { return reinterpret_cast<void**>(&ptr_); }

 private:
  T* ptr_ = nullptr;
};

// The error a failing COM call raises: the system's text for the result
// code, or, for a code the system has no text for, the text of the Win32
// code inside it, else "OLE error" with the code.
[[noreturn]] void RaiseComError(HRESULT result) {
  const auto code = static_cast<unsigned long>(result);
  std::string text = SystemErrorText(code);
  if (text.empty() && HRESULT_FACILITY(result) == FACILITY_WIN32) text = SystemErrorText(HRESULT_CODE(result));
  if (text.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %.8lX", code);
    text = fallback;
  }
  throw TError(text);
}

void Check(HRESULT result) {
  if (FAILED(result)) RaiseComError(result);
}

}  // namespace

TComLibrary::TComLibrary() {
  if (comUsers++ == 0) comInitialised = SUCCEEDED(CoInitialize(nullptr));
}

TComLibrary::~TComLibrary() {
  if (--comUsers == 0 && comInitialised) {
    CoUninitialize();
    comInitialised = false;
  }
}

void SetShellOwnerWindow(void* window) { ownerWindow = static_cast<HWND>(window); }
void* ShellOwnerWindow() { return ownerWindow; }

void ShellOpen(std::string_view target, std::string_view parameters) {
  try {
    const std::wstring file = SjisToWide(target);
    const std::wstring arguments = SjisToWide(parameters);
    const std::wstring directory = SjisToWide(ExtractFilePath(target));
    ShellExecuteW(ownerWindow, nullptr, file.c_str(), arguments.c_str(), directory.c_str(), SW_SHOW);
  } catch (...) {
    // A target that cannot be opened does nothing visible.
  }
}

void ShowFileProperties(std::string_view path) {
  const std::wstring file = SjisToWide(path);
  SHELLEXECUTEINFOW request;
  ZeroMemory(&request, sizeof request);
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  request.hwnd = ownerWindow;
  request.lpVerb = L"properties";
  request.lpFile = file.c_str();
  request.nShow = 0;
  ShellExecuteExW(&request);
  // The sheet belongs to the shell; a process handle it may hand back is
  // not needed.
  if (request.hProcess != nullptr) CloseHandle(request.hProcess);
}

void CreateShortcut(std::string_view targetPath, std::string_view folder, std::string_view linkName) {
  if (folder.empty()) throw TError(SystemErrorText(ERROR_PATH_NOT_FOUND));
  TComRef<IUnknown> object;
  Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                         object.Out()));
  TComRef<IShellLinkW> link;
  Check(object->QueryInterface(IID_IShellLinkW, link.Out()));
  TComRef<IPersistFile> file;
  Check(object->QueryInterface(IID_IPersistFile, file.Out()));

  link->SetArguments(L"/starup");
  link->SetPath(SjisToWide(targetPath).c_str());
  link->SetWorkingDirectory(SjisToWide(ExtractFileDir(targetPath)).c_str());

  const std::wstring name = SjisToWide(ShortcutFileName(folder, linkName));
  Check(file->Save(name.c_str(), FALSE));
}

}  // namespace vellumark
