#include "Info/InfoForm.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <vector>

#include "Common/Codepage.h"
#include "Forms/Application.h"
#include "Forms/FormState.h"
#include "Forms/HandlerBinding.h"
#include "Info/InfoFormLayout.h"
#include "System/Folders.h"
#include "System/OsVersion.h"
#include "System/Shell.h"
#include "System/ShellPath.h"
#include "System/StatusSystem.h"
#include "System/VersionResource.h"

namespace vellumark {
namespace {

using forms::TApplication;
using forms::TComponent;
using forms::TControl;
using forms::TLabel;
using forms::TNotifyEvent;
using forms::TPanel;

constexpr COLORREF White = RGB(255, 255, 255);

// The panel's inner border.
constexpr int PanelBorder = 10;
// The window's client size as designed, before it fits its content.
constexpr int DesignClientWidth = 357;
constexpr int DesignClientHeight = 423;

int Scaled(int value) { return TApplication::Instance().Scale(value); }

// The running executable's path, in Shift_JIS.
std::string ExecutablePath() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return WideToSjis(path);
}

TPixelRect RectIn(HWND window, HWND parent) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return TPixelRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                    static_cast<int>(r.bottom)};
}

}  // namespace

// ---------------------------------------------------------------- the window

TInfoForm::TShellActions TInfoForm::ShellActions() {
  TShellActions actions;
  actions.open = [](const std::string& target) { ShellOpen(target, ""); };
  actions.showProperties = [](const std::string& path) { ShowFileProperties(path); };
  actions.createShortcut = [](const std::string& target, const std::string& folder,
                              const std::string& linkName) { CreateShortcut(target, folder, linkName); };
  actions.desktopFolder = GetDesktopFolder;
  actions.startupFolder = GetStartupFolder;
  actions.sendToFolder = GetSendToFolder;
  return actions;
}

TInfoForm::TInfoForm() : TInfoForm(ShellActions()) {}

TInfoForm::TInfoForm(TShellActions actions)
    : TForm(InfoFormDefinition()), actions_(std::move(actions)) {
  timer1_.onTimer = [this](forms::TTimer& sender) { Timer1Timer(sender); };
}

TInfoForm::~TInfoForm() {
  Destroy();
  timer1_.Detach();
  if (keyPreview_ != nullptr) UnhookWindowsHookEx(keyPreview_);
  keyPreview_ = nullptr;
  // The label windows are gone with the window; their fonts can go now.
  for (HFONT font : fonts_) DeleteObject(font);
  fonts_.clear();
}

forms::TNotifyEvent TInfoForm::FindHandler(std::string_view name) {
  static constexpr forms::THandlerName<TInfoForm> handlers[] = {
      {"lblURLClick", &TInfoForm::lblURLClick},
      {"Label1Click", &TInfoForm::Label1Click},
      {"lblMailClick", &TInfoForm::lblMailClick},
      {"LblExeNameClick", &TInfoForm::LblExeNameClick},
      {"LblLaunchOnStartupClick", &TInfoForm::LblLaunchOnStartupClick},
      {"LblOpenStartupClick", &TInfoForm::LblOpenStartupClick},
  };
  return forms::BindHandler<TInfoForm>(*this, handlers, name);
}

const forms::TNotifyEvent* TInfoForm::LinkHandler(HWND label) const {
  const auto found = linkHandlers_.find(label);
  return found != linkHandlers_.end() ? &found->second : nullptr;
}

void TInfoForm::ApplyLook() {
  // A single border, not resizable, with the system menu only; the design
  // client size.
  const LONG_PTR style =
      (GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) |
      WS_CAPTION | WS_SYSMENU;
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
  RECT outer{0, 0, Scaled(DesignClientWidth), Scaled(DesignClientHeight)};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  background_ = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  panel_ = Get<TPanel>("PnlBack").Handle();
  SetWindowSubclass(panel_, PanelProc, 1, reinterpret_cast<DWORD_PTR>(this));

  // Every label lies on the white panel; its row says how it looks.
  for (const forms::TComponentDef& row : InfoFormDefinition()) {
    if (row.kind != forms::TKind::Label) continue;
    TLabel& label = Get<TLabel>(row.name);
    const unsigned look = row.flags;
    HWND h = label.Handle();
    LONG_PTR labelStyle = GetWindowLongPtrW(h, GWL_STYLE);
    if (look & forms::dfIcon) labelStyle = (labelStyle & ~SS_TYPEMASK) | SS_ICON;
    if (look & forms::dfLink) labelStyle |= SS_NOTIFY;
    if (look & forms::dfCentreV) labelStyle |= SS_CENTERIMAGE;
    SetWindowLongPtrW(h, GWL_STYLE, labelStyle);
    if (look & forms::dfSeeThrough) {
      SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    }
    if (look & (forms::dfUnderline | forms::dfBold)) {
      LOGFONTW lf{};
      GetObjectW(label.Font(), sizeof lf, &lf);
      if (look & forms::dfUnderline) lf.lfUnderline = TRUE;
      if (look & forms::dfBold) lf.lfWeight = FW_BOLD;
      HFONT font = CreateFontIndirectW(&lf);
      fonts_.push_back(font);
      label.SetFont(font);
    }
    looks_[h] = TLook{row.color, (look & forms::dfSeeThrough) == 0};
    if ((look & forms::dfLink) && label.Def().handler != nullptr) {
      linkHandlers_[h] = FindHandler(label.Def().handler);
    }
    if (look & forms::dfHidden) label.SetVisible(false);
    if ((look & forms::dfIcon) == 0) label.AutoSize();
  }

  // Key preview: every key pressed while the window is active reaches
  // FormKeyDown first, whichever of its windows has the focus.
  keyPreview_ = SetWindowsHookExW(WH_GETMESSAGE, KeyPreviewProc, nullptr, GetCurrentThreadId());
  timer1_.Attach(hwnd_, 1);
}

void TInfoForm::SetLabelText(const char* name, const std::string& text) {
  TLabel& label = Get<TLabel>(name);
  if (label.Caption() != text) label.SetCaption(text);
  label.AutoSize();
}

void TInfoForm::FormCreate() {
  ApplyLook();
  // 1. The caption: title, version and the window's name.
  SetCaptionFromVersion(*this);
  // 2-4. The program's description, file name and icon.
  const std::string exe = ExecutablePath();
  SetLabelText("LblFileDescription", GetOwnVersionInfoValue("FileDescription"));
  SetLabelText("LblExeName", ExtractFileName(exe));
  SendMessageW(Get<TLabel>("AppIcon").Handle(), STM_SETICON,
               reinterpret_cast<WPARAM>(TApplication::Instance().Icon()), 0);
  // 5. The figures, once before the first tick.
  UpdateStatus();
  // 6. The OS, without its first "Microsoft ".
  SetLabelText("LblOsVersion", RemoveFirstMicrosoft(GetOSDescription()));
  // 7. The version.
  SetLabelText("LblExeVersion", ExeVersionText(GetOwnVersionInfoValue("FileVersion")));
  // 8. From now on the panel and the window fit their content.
  FitToContent();
  // 9. The place on the screen, for the fitted size.
  CenterOnWorkArea();
}

void TInfoForm::FormDestroy() {
  timer1_.Detach();
  RestoreTaskbarEntry();
  if (keyPreview_ != nullptr) UnhookWindowsHookEx(keyPreview_);
  keyPreview_ = nullptr;
}

void TInfoForm::FitToContent() {
  if (panel_ == nullptr) return;
  std::vector<TPixelRect> children;
  for (TControl* child : Get<TPanel>("PnlBack").Children()) {
    if (child->Visible()) children.push_back(RectIn(child->Handle(), panel_));
  }
  const TPixelSize panelSize = FitToChildren(children, Scaled(PanelBorder));
  SetWindowPos(panel_, nullptr, 0, 0, panelSize.width, panelSize.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // The client area ends where the panel ends: the panel keeps its place
  // from the table and is all the window shows, with no strip beside or
  // below it where the paint rectangle would show through.
  const std::array<TPixelRect, 1> content{RectIn(panel_, hwnd_)};
  const TPixelSize client = FitToChildren(content, 0);
  RECT outer{0, 0, client.width, client.height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  if (width != Width() || height != Height()) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TInfoForm::CenterOnWorkArea() {
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const TPixelPoint at = CenterOnWorkAreaPosition(
      TPixelRect{static_cast<int>(area.left), static_cast<int>(area.top),
                 static_cast<int>(area.right), static_cast<int>(area.bottom)},
      Width(), Height());
  SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TInfoForm::UpdateStatus() {
  const TStatusLines lines = vellumark::UpdateStatus();
  SetLabelText("LblPhys", lines.phys);
  SetLabelText("LblPageFile", lines.pageFile);
  SetLabelText("LblVirtual", lines.virtualMemory);
  SetLabelText("LblWorkingSetSize", lines.workingSetSize);
  SetLabelText("LblPageFaultCount", lines.pageFaultCount);
  SetLabelText("LblPagefileUsage", lines.pagefileUsage);
  SetLabelText("LblPagedPoolUsage", lines.pagedPoolUsage);
  SetLabelText("LblNonPagedPoolUsage", lines.nonPagedPoolUsage);
  SetLabelText("LblProcessTime", lines.processTime);
  // A line that grew wider still fits (the first update runs before the
  // window first fits itself, which then covers it).
  if (Visible()) FitToContent();
}

void TInfoForm::Timer1Timer(forms::TTimer& sender) {
  // An update that fails leaves the timer off: its error is shown once,
  // instead of again on every tick while the first error box is still up.
  sender.SetEnabled(false);
  UpdateStatus();
  sender.SetEnabled(true);
}

void TInfoForm::FormShow() {
  // The application window carries the taskbar entry; it goes while the
  // about window is up, and comes back when it closes.
  HWND application = TApplication::Instance().Handle();
  if (application != nullptr && IsWindowVisible(application)) {
    hidTaskbarEntry_ = true;
    ShowWindow(application, SW_HIDE);
  }
}

void TInfoForm::RestoreTaskbarEntry() {
  if (!hidTaskbarEntry_) return;
  hidTaskbarEntry_ = false;
  HWND application = TApplication::Instance().Handle();
  if (application != nullptr) ShowWindow(application, SW_SHOWNA);
}

void TInfoForm::FormKeyDown(WORD) { Close(); }

void TInfoForm::FormPaint(HDC canvas) {
  // A black rectangle from the window's screen position over its outer
  // size, taken as client coordinates, with the current pen; the brush is
  // put back afterwards.
  HGDIOBJ brush = SelectObject(canvas, GetStockObject(BLACK_BRUSH));
  const int left = Left();
  const int top = Top();
  Rectangle(canvas, left, top, left + Width(), top + Height());
  SelectObject(canvas, brush);
}

// ---------------------------------------------------------------- links

void TInfoForm::lblURLClick(TComponent&) { actions_.open(Get<TLabel>("lblURL").Caption()); }

void TInfoForm::Label1Click(TComponent& sender) {
  if (auto* control = dynamic_cast<TControl*>(&sender)) actions_.open(control->Hint());
}

void TInfoForm::lblMailClick(TComponent&) {
  actions_.open(MailLinkText(Get<TLabel>("lblMail").Caption(), ExtractFileName(ExecutablePath())));
}

void TInfoForm::LblExeNameClick(TComponent&) { actions_.showProperties(ExecutablePath()); }

void TInfoForm::LblLaunchOnStartupClick(TComponent& sender) {
  std::string folder;
  if (&sender == &Get<TLabel>("LblLaunchOnStartup")) {
    folder = actions_.startupFolder();
  } else if (&sender == &Get<TLabel>("LblLaunchOnDesktop")) {
    folder = actions_.desktopFolder();
  } else if (&sender == &Get<TLabel>("LblLaunchOnSendTo")) {
    folder = actions_.sendToFolder();
  } else {
    return;
  }
  const std::string exe = ExecutablePath();
  actions_.createShortcut(exe, folder, ChangeFileExt(ExtractFileName(exe), ""));
}

void TInfoForm::LblOpenStartupClick(TComponent& sender) {
  if (&sender == &Get<TLabel>("LblOpenStartup")) {
    actions_.open(actions_.startupFolder());
  } else if (&sender == &Get<TLabel>("LblOpenFolderIn")) {
    actions_.open(ExtractFilePath(ExecutablePath()));
  } else if (&sender == &Get<TLabel>("LblOpenSendTo")) {
    actions_.open(actions_.sendToFolder());
  }
}

// ---------------------------------------------------------------- messages

bool TInfoForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      // No background erase: painting covers the client area.
      result = 0;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(hwnd_, &paint);
      FillRect(dc, &paint.rcPaint, background_ != nullptr ? background_ : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      forms::GuardedCall([this, dc] { FormPaint(dc); });
      EndPaint(hwnd_, &paint);
      result = 0;
      return true;
    }
    case WM_SHOWWINDOW:
      if (wParam != FALSE) {
        forms::GuardedCall([this] { FormShow(); });
      } else {
        RestoreTaskbarEntry();
      }
      return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      forms::GuardedCall([this, wParam] { FormKeyDown(static_cast<WORD>(wParam)); });
      result = 0;
      return true;
    case WM_TIMER:
      if (wParam == timer1_.Id()) {
        forms::GuardedCall([this] { timer1_.Tick(); });
        result = 0;
        return true;
      }
      return false;
    default:
      return TForm::HandleMessage(message, wParam, lParam, result);
  }
}

LRESULT CALLBACK TInfoForm::KeyPreviewProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && msg->hwnd != nullptr) {
      auto* form = dynamic_cast<TInfoForm*>(
          forms::TWindowObject::FromHandle(GetAncestor(msg->hwnd, GA_ROOT)));
      if (form != nullptr && form->Visible()) {
        const auto key = static_cast<WORD>(msg->wParam);
        // The key is the window's: nothing else acts on it.
        msg->message = WM_NULL;
        forms::GuardedCall([form, key] { form->FormKeyDown(key); });
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TInfoForm::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, PanelProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (reinterpret_cast<TInfoForm*>(data)->HandlePanelMessage(message, wParam, lParam, result)) {
    return result;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TInfoForm::HandlePanelMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(panel_, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, background_);
      result = 1;
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      const auto look = looks_.find(reinterpret_cast<HWND>(lParam));
      if (look == looks_.end()) return false;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, look->second.color);
      if (look->second.opaque) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, White);
        result = reinterpret_cast<LRESULT>(background_);
      } else {
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      }
      return true;
    }
    case WM_SETCURSOR:
      if (LinkHandler(reinterpret_cast<HWND>(wParam)) != nullptr) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        result = TRUE;
        return true;
      }
      return false;
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED) {
        HWND label = reinterpret_cast<HWND>(lParam);
        const forms::TNotifyEvent* handler = LinkHandler(label);
        auto* sender = dynamic_cast<TComponent*>(forms::TWindowObject::FromHandle(label));
        if (handler != nullptr && *handler && sender != nullptr) {
          const forms::TNotifyEvent call = *handler;
          forms::GuardedCall([&call, sender] { call(*sender); });
          result = 0;
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- showing

void ShowInfoForm() {
  // The window goes with this scope, whichever way showing ends.
  TInfoForm form;
  form.Create();
  form.ShowModal();
}

}  // namespace vellumark
