// Program entry of Vellumark.exe. Start-up order: COM for the main thread,
// then the socket library, then the application and its main window; at the
// end they go in the reverse order.
#include <windows.h>

#include "Forms/Application.h"
#include "Http/Http.h"
#include "Main/MainForm.h"
#include "System/Shell.h"

namespace {

int RunProgram() {
  vellumark::TComLibrary com;
  vellumark::TSocketLibrary sockets;
  vellumark::forms::TApplication& app = vellumark::forms::TApplication::Instance();
  app.Initialize();
  {
    vellumark::TMainForm mainForm;
    app.SetMainForm(&mainForm);
    mainForm.Create();
    vellumark::SetShellOwnerWindow(mainForm.Handle());
    app.Run();
    mainForm.Destroy();
    vellumark::SetShellOwnerWindow(nullptr);
  }
  app.Finalize();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return RunProgram();
  } catch (const std::exception& error) {
    vellumark::forms::TApplication::Instance().ShowException(error);
    return 1;
  }
}
