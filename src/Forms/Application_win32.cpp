#include "Forms/Application.h"

#include <commctrl.h>

#include "Forms/Controls.h"
#include "Forms/Form.h"
#include "Forms/Text.h"
#include "Forms/WindowClasses.h"

namespace vellumark::forms {
namespace {

constexpr const wchar_t* ApplicationClassName = L"VellumarkApplication";

}  // namespace

std::wstring ApplicationTitleFromPath(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  std::wstring title(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
  const std::size_t dot = title.find(L'.');
  if (dot != std::wstring::npos) title.resize(dot);
  if (title.size() > 1) {
    // The first character stays as it is; a surrogate pair counts as one.
    std::size_t rest = 1;
    if (IS_HIGH_SURROGATE(title[0]) && title.size() > 1 && IS_LOW_SURROGATE(title[1])) rest = 2;
    if (rest < title.size()) CharLowerBuffW(title.data() + rest, static_cast<DWORD>(title.size() - rest));
  }
  return title;
}

TApplication& TApplication::Instance() {
  static TApplication application;
  return application;
}

void TApplication::Initialize() {
  if (instance_ != nullptr) return;
  instance_ = GetModuleHandleW(nullptr);

  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_ <= 0) dpi_ = 96;

  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  title_ = ApplicationTitleFromPath(std::wstring_view(path, length));

  icon_ = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 0, 0,
                                        LR_DEFAULTSIZE | LR_SHARED));
  if (icon_ == nullptr) icon_ = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION

  RegisterWindowClasses(instance_);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = icon_;
  wc.lpszClassName = ApplicationClassName;
  RegisterClassExW(&wc);

  // The application window: no size of its own, it carries the taskbar
  // button and owns the program's windows.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  handle_ = CreateWindowExW(0, ApplicationClassName, title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance_, nullptr);
}

void TApplication::Finalize() {
  if (handle_ != nullptr) DestroyWindow(handle_);
  handle_ = nullptr;
}

std::string TApplication::Title() const { return Sjis(title_); }

int TApplication::Scale(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi_, 96); }

void TApplication::Run() {
  if (mainForm_ != nullptr) {
    ShowWindow(handle_, SW_SHOWNORMAL);
    mainForm_->Show();
  }
  terminated_ = false;
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) HandleMessage(msg);
  terminated_ = true;
}

bool TApplication::HandleMessage(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.hwnd != nullptr) {
    if (auto* form = dynamic_cast<TForm*>(TWindowObject::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)))) {
      if (form->DialogKey(msg)) return true;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Left for the message loop that is to end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      terminated_ = true;
      break;
    }
    HandleMessage(msg);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::BringToFront() {
  if (handle_ == nullptr) return;
  HWND top = GetLastActivePopup(handle_);
  if (top != nullptr && top != handle_ && IsWindowVisible(top) && IsWindowEnabled(top)) {
    SetForegroundWindow(top);
  }
}

void TApplication::ShowException(const std::exception& error) { ShowErrorMessage(error.what()); }

void TApplication::ShowErrorMessage(const std::string& message) {
  if (errorHook_) {
    errorHook_(message);
    return;
  }
  HWND owner = GetActiveWindow();
  if (owner == nullptr && mainForm_ != nullptr) owner = mainForm_->Handle();
  MessageBoxW(owner, Wide(message).c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

LRESULT CALLBACK TApplication::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TApplication& app = Instance();
  switch (message) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          return 0;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          app.BringToFront();
          return 0;
        case SC_CLOSE:
          if (app.mainForm_ != nullptr) app.mainForm_->Close();
          return 0;
        default:
          break;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) {
        HWND top = GetLastActivePopup(hwnd);
        if (top != nullptr && top != hwnd && IsWindowVisible(top) && IsWindowEnabled(top)) {
          SetActiveWindow(top);
          return 0;
        }
      }
      break;
    case WM_CLOSE:
      if (app.mainForm_ != nullptr) app.mainForm_->Close();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace vellumark::forms
