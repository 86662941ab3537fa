// Build in the real main window under Wine: COUNT addresses from a web
// server that answers each request after DELAY_MS (the one on PORT of this
// machine, as window_build.sh starts it; without PORT, one on threads of
// this process). For 8 fetches at once and
// for one at a time, prints the wall time from the click on Build to the
// result on the clipboard against the ideal (COUNT x DELAY_MS / fetches at
// once), and the longest time the window took to answer a message during
// the Build: WM_NULL sent from another thread, as Windows does to tell a
// window that does not respond.
//
//   window_build_bench [COUNT] [DELAY_MS] [PORT]      (defaults 200, 100)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "Forms/Application.h"
#include "Forms/Clipboard.h"
#include "Common/TextLines.h"
#include "Main/MainForm.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Sends WM_NULL to the window from its own thread every few milliseconds
// and keeps the longest wait for the answer.
class TAnswerWatch {
 public:
  explicit TAnswerWatch(HWND window)
      : thread_([this, window] {
          while (!stop_.load()) {
            const auto start = Clock::now();
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            const double ms = Seconds(Clock::now() - start) * 1000;
            if (ms > longestMs_.load()) longestMs_ = ms;
            ++asked_;
            Sleep(5);
          }
        }) {}
  ~TAnswerWatch() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  double LongestMs() const { return longestMs_.load(); }
  int Asked() const { return asked_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> longestMs_{0};
  std::atomic<int> asked_{0};
  std::thread thread_;
};

int Run(int count, int delayMs, int port) {
  TSocketLibrary sockets;
  forms::TApplication& app = forms::TApplication::Instance();
  app.Initialize();
  const std::string page =
      loopback::HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html; charset=UTF-8"}},
                                 "<html><head><title>Bench page</title><meta name=\"description\" "
                                 "content=\"A page that takes its time.\"></head><body></body></html>");
  // The server runs in another process when its port is given, as a web
  // server does; else on threads of this one.
  std::unique_ptr<loopback::TLoopbackServer> server;
  if (port == 0) {
    server = std::make_unique<loopback::TLoopbackServer>(
        loopback::TScript().ReadRequest().Delay(delayMs).Send(page).Close());
    port = server->Port();
  }

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring settings = std::wstring(temp) + L"vellumark_window_build_bench.ini";
  TMainForm form;
  THttpOptions options;
  options.port = static_cast<std::uint16_t>(port);
  form.SetHttpOptions(options);
  form.SetSettingsPath(settings);
  form.Create();
  form.Show();
  form.Get<forms::TCheckBox>("ChkNotask").SetChecked(true);
  form.Get<forms::TCheckBox>("ChkNotFromClipboard").SetChecked(true);
  std::wstring list;
  for (int i = 0; i < count; ++i) list += L"http://127.0.0.1/page" + std::to_wstring(i) + L".html\r\n";
  form.Get<forms::TMemo>("MemoSource").SetTextW(list);
  app.ProcessMessages();

  std::printf("== Build in the window: %d addresses, server pause %d ms\n", count, delayMs);
  std::printf("%-14s %9s %10s %11s %20s\n", "run", "wall (s)", "ideal (s)", "wall/ideal", "longest answer (ms)");
  double wall[2] = {};
  int status = 0;
  const int jobs[2] = {8, 1};
  for (int r = 0; r < 2; ++r) {
    form.SetBuildJobs(jobs[r]);
    forms::SetClipboardText("");
    TAnswerWatch watch(form.Handle());
    const auto start = Clock::now();
    form.Get<forms::TButton>("BtnBuild").Click();
    while (form.Building()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      app.ProcessMessages();
    }
    wall[r] = Seconds(Clock::now() - start);
    watch.Stop();
    const std::vector<std::string> all = SplitLines(forms::ClipboardText());
    const std::size_t lines = all.size();
    if (lines > 0 && all[0].find("takes its time") == std::string::npos && all[0].find("Bench page") == std::string::npos) {
      std::fprintf(stderr, "CHECK FAILED: the pages were not fetched: %s\n", all[0].c_str());
      status = 1;
    }
    if (lines != static_cast<std::size_t>(count)) {
      std::fprintf(stderr, "CHECK FAILED: the clipboard holds %zu lines of %d\n", lines, count);
      status = 1;
    }
    const double ideal = count * delayMs / 1000.0 / jobs[r];
    std::printf("%-14s %9.2f %10.2f %11.2f %20.1f\n", jobs[r] == 8 ? "8 at once" : "one at a time",
                wall[r], ideal, wall[r] / ideal, watch.LongestMs());
  }
  std::printf("8 at once against one at a time: %.1fx faster\n", wall[1] / wall[0]);
  form.Destroy();
  DeleteFileW(settings.c_str());
  return status;
}

}  // namespace
}  // namespace vellumark

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int delayMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 100;
  const int port = argc > 3 ? std::atoi(argv[3]) : 0;
  return vellumark::Run(count, delayMs, port);
}
