// Program entry of Vellumark.exe. Start-up order: OLE for the main thread
// (COM, and the drag and drop of the address box; COM's own user nests in
// it), then the socket library, then the application and its main window;
// at the end they go in the reverse order.
#include <windows.h>

#include "Forms/Application.h"
#include "Forms/DropTarget.h"
#include "Http/Http.h"
#include "Links/OrderedFetch.h"
#include "Main/MainForm.h"
#include "System/Shell.h"

namespace {

int RunProgram() {
  vellumark::forms::TOleLibrary ole;
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
  // A Build stopped by closing the window leaves its fetches to end on their
  // own, which they do within moments; one caught in a host-name lookup
  // (which nothing can cut short) could take many seconds more. The
  // settings are saved by now, so the process ends without waiting for it.
  if (!vellumark::WaitForFetchThreads(500)) ExitProcess(0);
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
