#include "Main/MainForm.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Common/Codepage.h"
#include "Common/DateFormat.h"
#include "Forms/Application.h"
#include "Forms/Clipboard.h"
#include "Forms/FormState.h"
#include "Forms/HandlerBinding.h"
#include "Forms/HtmlClipboard.h"
#include "Forms/MessageBox.h"
#include "Common/TextLines.h"
#include "Info/InfoForm.h"
#include "Links/AddressLine.h"
#include "Links/AddressSources.h"
#include "Links/PageInfo.h"
#include "Links/RequestText.h"
#include "Links/TagExpansion.h"
#include "Settings/ProfileStore.h"
#include "Settings/ProxySettings.h"
#include "Settings/RequestSettings.h"

namespace vellumark {

using forms::TButton;
using forms::TCheckBox;
using forms::TComponent;
using forms::TEdit;
using forms::TLabel;
using forms::TMemo;
using forms::TPageControl;
using forms::TRadioButton;

// "(もしあれば)クリップボードから URL を取得して、変換して\r\nクリップボードを
// 上書きします。\r\n\r\nこのとき、インターネットに接続します。\r\n問題ありませんか？"
const char* const BuildQuestion =
    "(\x82\xe0\x82\xb5\x82\xa0\x82\xea\x82\xce)\x83N\x83\x8a\x83"
    "b\x83v\x83{\x81[\x83h\x82\xa9\x82\xe7 URL \x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xc4\x81"
    "A\x95\xcf\x8a\xb7\x82\xb5\x82\xc4\x0d\x0a\x83N\x83\x8a\x83"
    "b\x83v\x83{\x81[\x83h\x82\xf0\x8f\xe3\x8f\x91\x82\xab\x82\xb5\x82\xdc\x82\xb7\x81"
    "B\x0d\x0a\x0d\x0a\x82\xb1\x82\xcc\x82\xc6\x82\xab\x81"
    "A\x83"
    "C\x83\x93\x83^\x81[\x83l\x83"
    "b\x83g\x82\xc9\x90\xda\x91\xb1\x82\xb5\x82\xdc\x82\xb7\x81"
    "B\x0d\x0a\x96\xe2\x91\xe8\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xa9\x81H";

namespace {

// The message that tells the window a running Build has lines for it; its
// wParam is the run's number.
constexpr UINT BuildLinesMessage = WM_APP + 1;
// The timer that shows lines held back while the result memo was busy.
constexpr UINT_PTR BuildTimerId = 0x13;

std::string ProgressText(int done, int total) {
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d", done, total);
  return text;
}

// The largest dropped file read: address lists and bookmark exports are far
// smaller; anything bigger is not one.
constexpr LONGLONG DroppedFileLimit = 16 * 1024 * 1024;

// A file's bytes, or nothing when it cannot be opened or read or is too
// large.
std::optional<std::string> ReadDroppedFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart <= DroppedFileLimit) {
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (content.empty() || ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr)) {
      content.resize(got);
      bytes = std::move(content);
    }
  }
  CloseHandle(file);
  return bytes;
}

std::string Utf8Of(const std::wstring& wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                      nullptr);
  return utf8;
}

// " を読み込めません" (cannot be read), after a file's path.
const char* const UnreadableFile = " \x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1";

std::wstring ExecutablePath() {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return std::wstring(path.data(), length);
}

}  // namespace

std::wstring SettingsPathFor(std::wstring_view executablePath) {
  const std::size_t slash = executablePath.find_last_of(L"\\/:");
  const std::size_t dot = executablePath.rfind(L'.');
  std::wstring path(executablePath);
  if (dot != std::wstring_view::npos && (slash == std::wstring_view::npos || dot > slash)) {
    path.resize(dot);
  }
  return path + L".ini";
}

TMainForm::TMainForm() : TForm(MainFormDefinition()), settingsPath_(SettingsPathFor(ExecutablePath())) {}

TMainForm::~TMainForm() { Destroy(); }

forms::TNotifyEvent TMainForm::FindHandler(std::string_view name) {
  static constexpr forms::THandlerName<TMainForm> handlers[] = {
      {"BtnBuildClick", &TMainForm::BtnBuildClick},
      {"BtnSelAllClick", &TMainForm::BtnSelAllClick},
      {"BtnClearClick", &TMainForm::BtnClearClick},
      {"BtnVersionClick", &TMainForm::BtnVersionClick},
      {"BtnCloseClick", &TMainForm::BtnCloseClick},
      {"EditFormat1Change", &TMainForm::EditFormat1Change},
  };
  return forms::BindHandler<TMainForm>(*this, handlers, name);
}

void TMainForm::FormCreate() {
  SetCaptionFromVersion(*this);
  Get<TPageControl>("PageControl").SetActivePageIndex(0);
  LoadControlState(settingsPath_, *this);
  auto& source = Get<TMemo>("MemoSource");
  source.onDropFiles = [this](TMemo&, const std::vector<std::wstring>& files) { MemoSourceDropFiles(files); };
  source.onDropText = [this](TMemo&, const std::wstring& text) { MemoSourceDropText(text); };
  source.AcceptDrops();
}

void TMainForm::MemoSourceDropFiles(const std::vector<std::wstring>& files) {
  if (Building()) return;
  std::vector<std::string> lines;
  std::vector<std::wstring> unreadable;
  for (const std::wstring& file : files) {
    const std::optional<std::string> bytes = ReadDroppedFile(file);
    if (!bytes) {
      unreadable.push_back(file);
      continue;
    }
    for (const std::string& address : AddressesOfFile(Utf8Of(file), *bytes).addresses) {
      lines.push_back(Utf8ToSjis(address));
    }
  }
  AppendToSource(lines);
  for (const std::wstring& file : unreadable) AppMessageBox(WideToSjis(file) + UnreadableFile, MB_OK | MB_ICONWARNING);
}

void TMainForm::MemoSourceDropText(const std::wstring& text) {
  if (Building()) return;
  std::vector<std::string> lines;
  for (const std::wstring& line : SplitLines(text)) {
    const std::size_t first = line.find_first_not_of(L" \t\u3000");
    if (first == std::wstring::npos) continue;
    const std::size_t last = line.find_last_not_of(L" \t\u3000");
    lines.push_back(WideToSjis(line.substr(first, last - first + 1)));
  }
  AppendToSource(lines);
}

void TMainForm::AppendToSource(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) {
    if (&line != &lines.front()) text += "\r\n";
    text += line;
  }
  auto& source = Get<TMemo>("MemoSource");
  source.AddLine(text);
  ShowProgress("-/" + std::to_string(source.LineCount()));
}

void TMainForm::FormDestroy() {
  // A Build still running stops here, its controls back as they were, so
  // that the settings are those of the window at rest.
  if (build_) EndBuild(false);
  SaveControlState(settingsPath_, *this);
}

void TMainForm::EditFormat1Change(TComponent& sender) {
  static const char* const edits[] = {"EditFormat1", "EditFormat2", "EditFormat3", "EditFormat4"};
  static const char* const buttons[] = {"RbtnFormat1", "RbtnFormat2", "RbtnFormat3", "RbtnFormat4"};
  for (int i = 0; i < 4; ++i) {
    auto& edit = Get<TEdit>(edits[i]);
    if (&sender == &edit) {
      Get<TRadioButton>(buttons[i]).SetHintW(edit.CaptionW());
      return;
    }
  }
}

void TMainForm::BtnSelAllClick(TComponent&) {
  auto& source = Get<TMemo>("MemoSource");
  source.SelectAll();
  source.SetFocus();
}

void TMainForm::BtnClearClick(TComponent&) { Get<TMemo>("MemoSource").Clear(); }

void TMainForm::BtnVersionClick(TComponent&) { ShowInfoForm(); }

void TMainForm::BtnCloseClick(TComponent&) { Close(); }

std::string TMainForm::ChosenTemplate() const {
  for (const char* name : {"RbtnFormat2", "RbtnFormat3", "RbtnFormat4"}) {
    auto& button = Get<TRadioButton>(name);
    if (button.Checked()) return button.Hint();
  }
  return Get<TRadioButton>("RbtnFormat1").Hint();
}

void TMainForm::ShowProgress(std::string_view text) {
  auto& label = Get<TLabel>("LblProgress");
  label.SetText(text);
  label.Repaint();
}

// What the coordinating thread of a running Build hands to the window: the
// finished lines in order and the end of the run, behind a lock. At most one
// message waits in the window's queue to have them taken; it carries the
// run's number, so that one left over from a stopped run is ignored.
struct TMainForm::TBuildChannel {
  TBuildChannel(HWND window, WPARAM number) : window_(window), number_(number) {}

  // Called on the coordinating thread.
  void Push(const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    Notify();
  }
  void End() {
    const std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    Notify();
  }

  // Called on the window's thread: the lines ready so far, and whether the
  // run has handed out its last one.
  std::vector<std::string> Take(bool& ended) {
    const std::lock_guard<std::mutex> lock(mutex_);
    posted_ = false;
    ended = ended_;
    return std::exchange(lines_, {});
  }
  WPARAM Number() const { return number_; }

 private:
  void Notify() {
    if (!posted_) posted_ = PostMessageW(window_, BuildLinesMessage, number_, 0) != FALSE;
  }
  std::mutex mutex_;
  HWND window_;
  WPARAM number_;
  std::vector<std::string> lines_;
  bool ended_ = false;
  bool posted_ = false;
};

// A running Build as the window sees it.
struct TMainForm::TBuildRun {
  std::shared_ptr<TBuildChannel> channel;
  std::unique_ptr<TOrderedFetch> fetch;
  int total = 0;        // lines of MemoSource at the start
  int resultLines = 0;  // lines now in MemoResult
  // The controls taken away from the user for the run, each with its state
  // before, which comes back at the end.
  std::vector<std::pair<forms::TControl*, bool>> disabled;
  std::vector<std::pair<TMemo*, bool>> readOnly;
  // Lines taken from the channel and not yet shown, and whether the last
  // one has come.
  std::vector<std::string> pending;
  bool ended = false;
  // Appending costs the edit control time in proportion to all the text it
  // holds, so appends are spaced out: after one that took T, the next waits
  // until 2T have passed, and the window's thread stays free at least two
  // thirds of the time however long the result grows.
  std::chrono::steady_clock::time_point nextAppend{};
  bool timerSet = false;
};

namespace {

// The controls that would change a running Build's input or start another.
constexpr const char* BuildInputs[] = {
    "BtnBuild",    "BtnSelAll",   "BtnClear",    "RbtnFormat1", "RbtnFormat2",    "RbtnFormat3",
    "RbtnFormat4", "EditFormat1", "EditFormat2", "EditFormat3", "EditFormat4",    "ChkNotDate",
    "EditLeftPar", "EditDateFormat", "EditRightPar",
};

// The request settings of a Build: the defaults, then what the user keeps in
// the [Request] section of the settings file, read afresh for each Build so
// an edit takes effect without a restart.
TRequestSettings RequestSettingsOf(const std::wstring& settingsPath) {
  TRequestSettings settings;
  ReadRequestSettings(*OpenProfileFile(settingsPath, false), settings);
  return settings;
}

// How a Build reaches the sites: through the proxy the [Proxy] section of
// the settings file names, else the one the system is set to (auto-detection
// and the auto-config script at most once per Build), else directly.
std::shared_ptr<const TProxyFinder> ProxyFinderOf(const std::wstring& settingsPath) {
  return MakeProxyFinder({{}, {}, ReadProxySettings(*OpenProfileFile(settingsPath, false)), /*useSystem=*/true});
}

// Fetchers that stop as soon as the run's flag is set; the workers share the
// run's proxy finder.
TFetcherFactory CancellableFetchers(THttpOptions options, TRequestSettings request,
                                    std::shared_ptr<const TProxyFinder> proxies,
                                    std::shared_ptr<std::atomic<bool>> cancelled) {
  options.cancelled = cancelled.get();
  return [options, request, proxies, cancelled]() -> TFetchFunction {
    auto fetcher = std::make_shared<TPageFetcher>(options, request, proxies);
    // The flag lives as long as the fetcher that watches it.
    return [fetcher, cancelled](std::string_view address, TPageInfo& info) {
      fetcher->FetchPageInfo(address, info);
    };
  };
}

}  // namespace

void TMainForm::BtnBuildClick(TComponent&) {
  if (Building()) return;
  auto& source = Get<TMemo>("MemoSource");
  auto& result = Get<TMemo>("MemoResult");

  // 1. Confirmation. Closing the program from its taskbar button while the
  // question is open ends the question without an answer: no build then.
  if (!Get<TCheckBox>("ChkNotask").Checked()) {
    if (AppMessageBox(BuildQuestion, MB_YESNO | MB_ICONQUESTION) == IDNO) return;
    if (forms::TApplication::Instance().Terminated()) return;
  }

  // 2. The address list from the clipboard.
  if (!Get<TCheckBox>("ChkNotFromClipboard").Checked()) {
    const std::wstring clipboard = forms::ClipboardTextW();
    if (!clipboard.empty()) {
      source.Clear();
      source.SetTextW(clipboard);
    }
  }

  // 3. The template and the date suffix, fixed for the run.
  const std::string tmpl = ChosenTemplate();
  TDateSuffix date;
  date.enabled = !Get<TCheckBox>("ChkNotDate").Checked();
  date.left = Get<TEdit>("EditLeftPar").Text();
  date.pattern = Get<TEdit>("EditDateFormat").Text();
  date.right = Get<TEdit>("EditRightPar").Text();

  // 4. Start.
  result.Clear();
  std::vector<std::string> addresses;
  for (const std::string& whole : source.Lines()) {
    addresses.emplace_back(CutAddressLine(whole));
  }
  auto run = std::make_unique<TBuildRun>();
  run->total = static_cast<int>(addresses.size());
  run->resultLines = result.LineCount();
  ShowProgress(ProgressText(run->resultLines, run->total));
  if (addresses.empty()) {
    FinishBuild();
    return;
  }

  // 5. The lines are fetched and expanded on worker threads, up to
  // buildJobs_ at once; the date is taken as each line is expanded. They
  // come back in order through the channel and are appended as they come;
  // the window's thread goes on with its messages meanwhile.
  run->channel = std::make_shared<TBuildChannel>(Handle(), ++buildNumber_);
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  const TFetcherFactory factory =
      fetcherFactory_ ? fetcherFactory_
                      : CancellableFetchers(httpOptions_, RequestSettingsOf(settingsPath_),
                                            ProxyFinderOf(settingsPath_), cancelled);
  TFetchCallbacks callbacks;
  callbacks.emit = [channel = run->channel](std::size_t, const std::string& line) { channel->Push(line); };
  for (const char* name : BuildInputs) {
    auto& control = Get<forms::TControl>(name);
    run->disabled.emplace_back(&control, control.Enabled());
    control.SetEnabled(false);
  }
  for (TMemo* memo : {&source, &result}) {
    run->readOnly.emplace_back(memo, memo->ReadOnly());
    memo->SetReadOnly(true);
  }
  try {
    run->fetch = std::make_unique<TOrderedFetch>(
        std::move(addresses), buildJobs_, factory,
        [tmpl, date](const TPageInfo& info) { return ExpandTag(tmpl, info, date, NowLocal()); },
        std::move(callbacks), [channel = run->channel] { channel->End(); }, cancelled);
  } catch (...) {
    RestoreBuildInputs(*run);
    throw;
  }
  build_ = std::move(run);
}

void TMainForm::TakeBuildLines() {
  if (!build_) return;
  bool ended = false;
  for (std::string& line : build_->channel->Take(ended)) build_->pending.push_back(std::move(line));
  build_->ended = build_->ended || ended;
  ShowBuildLines();
}

void TMainForm::ShowBuildLines() {
  TBuildRun& run = *build_;
  if (run.pending.empty() && !run.ended) return;
  const auto now = std::chrono::steady_clock::now();
  if (!run.ended && now < run.nextAppend) {
    if (!run.timerSet) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(run.nextAppend - now).count();
      run.timerSet = SetTimer(Handle(), BuildTimerId, static_cast<UINT>(std::max<long long>(wait, 1)), nullptr) != 0;
    }
    return;
  }
  AppendBuildLines();
  run.nextAppend = std::chrono::steady_clock::now() + 2 * (std::chrono::steady_clock::now() - now);
  if (run.ended) EndBuild(true);
}

void TMainForm::AppendBuildLines() {
  TBuildRun& run = *build_;
  if (run.pending.empty()) return;
  // One edit for all of them: the same text as one line after another. The
  // result memo always ends with a line break here, so the lines a tag line
  // adds are those of the tag line followed by its CR LF.
  std::string text;
  for (const std::string& line : run.pending) {
    if (&line != &run.pending.front()) text += "\r\n";
    text += line;
    run.resultLines += static_cast<int>(SplitLines(line + "\r\n").size());
  }
  run.pending.clear();
  Get<TMemo>("MemoResult").AddLine(text);
  ShowProgress(ProgressText(run.resultLines, run.total));
}

void TMainForm::StopBuild() {
  if (build_) EndBuild(true);
}

void TMainForm::EndBuild(bool finish) {
  // No fetch starts any more and no line comes in after Stop; the lines that
  // were ready stay. Fetches under way end on their own threads.
  build_->fetch->Stop();
  if (build_->timerSet) KillTimer(Handle(), BuildTimerId);
  bool ended = false;
  for (std::string& line : build_->channel->Take(ended)) build_->pending.push_back(std::move(line));
  AppendBuildLines();
  const std::unique_ptr<TBuildRun> run = std::move(build_);
  RestoreBuildInputs(*run);
  if (finish) FinishBuild();
}

void TMainForm::RestoreBuildInputs(TBuildRun& run) {
  for (const auto& [control, enabled] : run.disabled) control->SetEnabled(enabled);
  for (const auto& [memo, readOnly] : run.readOnly) memo->SetReadOnly(readOnly);
  run.disabled.clear();
  run.readOnly.clear();
  // Disabling the focused Build button left no control with the focus.
  auto& build = Get<TButton>("BtnBuild");
  if (GetFocus() == nullptr && GetActiveWindow() == Handle() && build.Enabled()) build.SetFocus();
}

void TMainForm::FinishBuild() {
  auto& result = Get<TMemo>("MemoResult");
  result.SelectAll();
  ShowProgress("-/-");
  // The selection goes out as text and in the HTML form, where a rich
  // editor pastes tag lines as live links. Lines of a template without
  // markup go in escaped, so they paste as the text they are.
  const std::wstring text = result.SelectedTextW();
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(WideToSjis(text))) lines.push_back(SjisToUtf8(line));
  const bool markup = ChosenTemplate().find('<') != std::string::npos;
  forms::SetClipboardTextAndHtmlW(text, forms::HtmlClipboardDocument(forms::HtmlClipboardFragment(lines, markup)));
}

bool TMainForm::PreviewKey(WORD key) {
  if (key != VK_ESCAPE || !Building()) return false;
  StopBuild();
  return true;
}

void TMainForm::FormClose() { StopBuild(); }

bool TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == BuildLinesMessage) {
    if (build_ && build_->channel->Number() == wParam) forms::GuardedCall([this] { TakeBuildLines(); });
    result = 0;
    return true;
  }
  if (message == WM_TIMER && wParam == BuildTimerId) {
    KillTimer(Handle(), BuildTimerId);
    if (build_) {
      build_->timerSet = false;
      forms::GuardedCall([this] { ShowBuildLines(); });
    }
    result = 0;
    return true;
  }
  return TForm::HandleMessage(message, wParam, lParam, result);
}

}  // namespace vellumark
