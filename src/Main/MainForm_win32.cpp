#include "Main/MainForm.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "Common/Codepage.h"
#include "Common/DateFormat.h"
#include "Forms/Application.h"
#include "Forms/Clipboard.h"
#include "Forms/FormState.h"
#include "Forms/HandlerBinding.h"
#include "Forms/MessageBox.h"
#include "Forms/TextLines.h"
#include "Info/InfoForm.h"
#include "Links/AddressLine.h"
#include "Links/PageInfo.h"
#include "Links/TagExpansion.h"

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

std::string ProgressText(int done, int total) {
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d", done, total);
  return text;
}

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
  fetcher_ = std::make_unique<TPageFetcher>(httpOptions_);
  Get<TPageControl>("PageControl").SetActivePageIndex(0);
  LoadControlState(settingsPath_, *this);
}

void TMainForm::FormDestroy() {
  // The fetcher (and its regular-expression object) goes also when saving
  // fails.
  struct TRelease {
    std::unique_ptr<TPageFetcher>& fetcher;
    ~TRelease() { fetcher.reset(); }
  } release{fetcher_};
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

void TMainForm::BtnBuildClick(TComponent&) {
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

  // 3. The template.
  const std::string tmpl = ChosenTemplate();

  TDateSuffix date;
  date.enabled = !Get<TCheckBox>("ChkNotDate").Checked();
  date.left = Get<TEdit>("EditLeftPar").Text();
  date.pattern = Get<TEdit>("EditDateFormat").Text();
  date.right = Get<TEdit>("EditRightPar").Text();

  // 4. Start.
  struct TRunning {
    bool& flag;
    ~TRunning() { flag = false; }
  } running{building_ = true};
  result.Clear();
  const std::vector<std::string> lines = source.Lines();
  const int total = static_cast<int>(lines.size());
  int resultLines = result.LineCount();
  ShowProgress(ProgressText(resultLines, total));

  // 5. One tag line per address line. The result memo always ends with a
  // line break here, so the lines a tag line adds are those of the tag line
  // followed by its CR LF.
  TPageInfo info;
  for (const std::string& whole : lines) {
    const std::string line(CutAddressLine(whole));
    fetcher_->FetchPageInfo(line, info);
    const std::string tag = ExpandTag(tmpl, info, date, NowLocal());
    result.AddLine(tag);
    resultLines += static_cast<int>(forms::SplitLines(tag + "\r\n").size());
    ShowProgress(ProgressText(resultLines, total));
  }

  // 6. Finish.
  result.SelectAll();
  ShowProgress("-/-");
  result.CopyToClipboard();
}

}  // namespace vellumark
