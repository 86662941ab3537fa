#include "Forms/MessageBox.h"

#include <windows.h>

#include "Common/Codepage.h"
#include "Forms/Application.h"
#include "Forms/Form.h"

namespace vellumark {
namespace {

TAppMessageBoxHook& Hook() {
  static TAppMessageBoxHook hook;
  return hook;
}

}  // namespace

void SetAppMessageBoxHook(TAppMessageBoxHook hook) { Hook() = std::move(hook); }

int AppMessageBox(const std::string& text, unsigned flags) {
  forms::TApplication& app = forms::TApplication::Instance();
  app.BringToFront();
  const unsigned shown = flags | MB_TOPMOST;
  if (Hook()) return Hook()(text, shown);
  // Owned by the main window, so that the window takes no input while the
  // question is open.
  HWND owner = app.MainForm() != nullptr ? app.MainForm()->Handle() : app.Handle();
  return MessageBoxW(owner, SjisToWide(text).c_str(), app.TitleW().c_str(), shown);
}

}  // namespace vellumark
