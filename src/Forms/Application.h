// The application object: the hidden application window that carries the
// taskbar button and owns the program's windows, the application title, the
// message loop and the general error display.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace vellumark::forms {

class TForm;

// The title taken from an executable's path: its file name without the
// folder, cut at the first ".", every character after the first in lower
// case.
std::wstring ApplicationTitleFromPath(std::wstring_view path);

class TApplication {
 public:
  static TApplication& Instance();

  // Registers the window classes, creates the application window and
  // sets the title from the running executable's name. Idempotent.
  void Initialize();
  // Destroys the application window.
  void Finalize();

  HINSTANCE ModuleHandle() const { return instance_; }
  HWND Handle() const { return handle_; }
  const std::wstring& TitleW() const { return title_; }
  std::string Title() const;
  HICON Icon() const { return icon_; }

  void SetMainForm(TForm* form) { mainForm_ = form; }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main window and the taskbar button, then runs the message loop
  // until the main window closes.
  void Run();
  // Handles the messages that are waiting, then returns.
  void ProcessMessages();
  // Dispatches one message; a key pressed in one of this layer's windows
  // goes to its DialogKey first. Returns false on WM_QUIT.
  bool HandleMessage(MSG& msg);
  void Terminate();
  // Whether the message loop is to end: Terminate was called or a WM_QUIT
  // came. A nested loop (a message box) that ends early because of it
  // reports no answer of the user.
  bool Terminated() const { return terminated_; }
  // Forgets the termination, as Run does when its loop starts (tests that
  // close several main windows in one process).
  void ClearTerminated() { terminated_ = false; }

  // Brings the application's active window to the front.
  void BringToFront();

  // The general error display: a message box with the error's message
  // (Shift_JIS), captioned with the application title.
  void ShowException(const std::exception& error);
  void ShowErrorMessage(const std::string& message);
  // Replaces the message box of the error display (tests); an empty
  // function restores it.
  using TErrorHook = std::function<void(const std::string& message)>;
  void SetErrorHook(TErrorHook hook) { errorHook_ = std::move(hook); }

  // Screen resolution in dots per inch, and a 96-DPI length scaled to it.
  int Dpi() const { return dpi_; }
  int Scale(int pixelsAt96) const;
  // Lays the windows made from now on out for another resolution (tests).
  void SetDpi(int dpi) { dpi_ = dpi > 0 ? dpi : 96; }

 private:
  TApplication() = default;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_ = nullptr;
  HWND handle_ = nullptr;
  HICON icon_ = nullptr;
  std::wstring title_;
  TForm* mainForm_ = nullptr;
  TErrorHook errorHook_;
  int dpi_ = 96;
  bool terminated_ = false;
};

// Runs `action`; an error that leaves it goes to the general error display.
template <class F>
void GuardedCall(F&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    TApplication::Instance().ShowException(error);
  }
}

}  // namespace vellumark::forms
