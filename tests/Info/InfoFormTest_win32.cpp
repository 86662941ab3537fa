// The about window in process under Wine + Xvfb. This program is built as
// Vellumark.exe (in a folder of its own) with the product's resources, so
// the caption, the name label and the mail subject read exactly as in the
// product.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Forms/Application.h"
#include "Forms/GuiTest.h"
#include "Info/InfoForm.h"
#include "Info/InfoFormLayout.h"
#include "System/OsVersion.h"
#include "System/Shell.h"
#include "System/ShellPath.h"
#include "System/VersionResource.h"

namespace vellumark {
namespace {

using forms::TApplication;
using forms::TControl;
using forms::TLabel;
using forms::TPanel;
using ::testing::StartsWith;

constexpr const char* FigureLabels[] = {
    "LblPhys",           "LblPageFile",       "LblVirtual",
    "LblWorkingSetSize", "LblPageFaultCount", "LblPagefileUsage",
    "LblPagedPoolUsage", "LblNonPagedPoolUsage", "LblProcessTime"};
constexpr const char* FigurePrefixes[] = {
    "Free Physical Memory:", "Free Paging File:",   "Free Virtual Memory:",
    "Memory Usage:",         "Page Fault:",         "Pagefile Usage:",
    "Paged Pool Usage:",     "NonPaged Pool Usage:", "Kernel:"};
constexpr const char* HiddenLabels[] = {"LblLaunchOnStartup", "LblOpenStartup",
                                        "LblLaunchOnSendTo", "LblOpenSendTo"};
// What a click on the handle opens: the address kept as Label1's hint.
constexpr const char* HandleSearchAddress = "http://search.example.org/?q=vellumark-dev";

std::string ExePath() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return WideToSjis(path);
}

// Records what the link labels ask for instead of handing it to the shell.
struct TShellRecorder {
  struct TShortcut {
    std::string target, folder, linkName;
  };
  std::vector<std::string> opened;
  std::vector<std::string> properties;
  std::vector<TShortcut> shortcuts;

  TInfoForm::TShellActions Actions() {
    TInfoForm::TShellActions actions;
    actions.open = [this](const std::string& target) { opened.push_back(target); };
    actions.showProperties = [this](const std::string& path) { properties.push_back(path); };
    actions.createShortcut = [this](const std::string& target, const std::string& folder,
                                    const std::string& linkName) {
      shortcuts.push_back({target, folder, linkName});
    };
    actions.desktopFolder = [] { return std::string("C:\\users\\me\\Desktop"); };
    actions.startupFolder = [] { return std::string("C:\\users\\me\\Start Menu\\Startup"); };
    actions.sendToFolder = [] { return std::string("C:\\users\\me\\SendTo"); };
    return actions;
  }
  std::size_t Count() const { return opened.size() + properties.size() + shortcuts.size(); }
};

// The size DrawText gives the window's text in the font the window uses.
SIZE TextExtent(HWND window) {
  const std::wstring text = guitest::WindowText(window);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return SIZE{r.right, r.bottom};
}


// A click on a label window as the mouse gives it.
void ClickOn(HWND window) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

class InfoFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TApplication::Instance().Initialize(); }
  void SetUp() override { form.Create(); }

  TLabel& Label(const char* name) { return form.Get<TLabel>(name); }
  HWND Panel() { return form.Get<TPanel>("PnlBack").Handle(); }

  TShellRecorder shell;
  TInfoForm form{shell.Actions()};
};

TEST_F(InfoFormTest, CreationFillsEveryLabel) {
  // The test program has the product's name and version resource.
  ASSERT_EQ(ExtractFileName(ExePath()), "Vellumark.exe");
  EXPECT_EQ(form.Caption(), "Vellumark Ver.0.6.9.19 - InfoForm");

  // "URLからリンクタグを作成するユーティリティ" in Shift_JIS.
  EXPECT_EQ(Label("LblFileDescription").Caption(),
            "URL\x82\xa9\x82\xe7\x83\x8a\x83\x93\x83\x4e\x83\x5e\x83\x4f\x82\xf0\x8d\xec\x90\xac"
            "\x82\xb7\x82\xe9\x83\x86\x81\x5b\x83\x65\x83\x42\x83\x8a\x83\x65\x83\x42");
  EXPECT_EQ(Label("LblExeName").Caption(), "Vellumark.exe");
  EXPECT_EQ(Label("LblExeVersion").Caption(), "Ver.0.6.9.19");
  EXPECT_EQ(Label("lblComment").Caption(), InfoCreditLine);
  EXPECT_EQ(Label("lblURL").Caption(), InfoHomePageAddress);
  EXPECT_EQ(Label("Label1").Caption(), "(vellumark-dev)");
  EXPECT_EQ(Label("Label1").Hint(), HandleSearchAddress);
  EXPECT_EQ(Label("lblMail").Caption(), InfoMailAddress);
  // The handle in the window is the one the version resource names.
  EXPECT_EQ(GetOwnVersionInfoValue("Comments"), "vellumark-dev");
  // By path as well; a string the resource does not have, and one it has
  // empty, read as empty texts.
  EXPECT_EQ(GetVersionInfoValue("FileVersion", ExePath()), "0.6.9.19");
  EXPECT_EQ(GetOwnVersionInfoValue("PrivateBuild"), "");
  EXPECT_EQ(GetOwnVersionInfoValue("SpecialBuild"), "");
  EXPECT_EQ(GetOwnVersionInfoValue("CompanyName"), "");
  EXPECT_EQ(Label("LblOpenFolderIn").Caption(), "Open Folder This Program Installed");
  EXPECT_EQ(Label("LblLaunchOnDesktop").Caption(), "Create Shortcut on \"Desktop\"");
  EXPECT_EQ(Label("LblLaunchOnStartup").Caption(), "Create Shortcut into \"Startup\"");
  EXPECT_EQ(Label("LblLaunchOnSendTo").Caption(), "Create Shortcut into \"SendTo\"");
  EXPECT_EQ(Label("LblOpenStartup").Caption(), "(Open)");
  EXPECT_EQ(Label("Label2").Caption(), "System Information");
  EXPECT_EQ(Label("Label3").Caption(), "Process Information");

  // The OS line is the description without its first "Microsoft ".
  const std::string os = Label("LblOsVersion").Caption();
  EXPECT_EQ(os, RemoveFirstMicrosoft(GetOSDescription()));
  EXPECT_THAT(os, ::testing::Not(StartsWith("Microsoft ")));
  EXPECT_FALSE(os.empty());

  // The figures are there before the first tick.
  for (std::size_t i = 0; i < std::size(FigureLabels); ++i) {
    EXPECT_THAT(Label(FigureLabels[i]).Caption(), StartsWith(FigurePrefixes[i])) << FigureLabels[i];
  }
  EXPECT_THAT(Label("LblProcessTime").Caption(), ::testing::MatchesRegex(
                                                     "Kernel:\\d+:\\d\\d:\\d\\d; "
                                                     "User:\\d+:\\d\\d:\\d\\d; "
                                                     "Process:\\d+:\\d\\d:\\d\\d"));

  EXPECT_TRUE(form.Timer1().Enabled());
  EXPECT_EQ(form.Timer1().Interval(), 500u);
}

TEST_F(InfoFormTest, EveryLabelIsARealWindowAndOnlyFourAreHidden) {
  int labels = 0;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    auto* label = dynamic_cast<TLabel*>(&form.Component(i));
    if (label == nullptr) continue;
    ++labels;
    wchar_t className[64] = {};
    GetClassNameW(label->Handle(), className, 64);
    EXPECT_STREQ(className, L"Static") << label->Name();
    EXPECT_EQ(GetParent(label->Handle()), Panel()) << label->Name();
    const bool hidden = std::find(std::begin(HiddenLabels), std::end(HiddenLabels), label->Name()) !=
                        std::end(HiddenLabels);
    EXPECT_EQ(label->Visible(), !hidden) << label->Name();
    if (label->Name() != "AppIcon") {
      EXPECT_EQ(guitest::WindowText(label->Handle()), SjisToWide(label->Caption())) << label->Name();
      // Sized to its text in the font it shows (bold, underlined or large),
      // with one pixel to spare so that the last glyph is not clipped.
      const SIZE text = TextExtent(label->Handle());
      EXPECT_EQ(label->Width(), text.cx + 1) << label->Name();
      EXPECT_EQ(label->Height(), text.cy) << label->Name();
    }
  }
  EXPECT_EQ(labels, 29);  // the icon and 28 texts
  // The icon shows the application's icon.
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Label("AppIcon").Handle(), STM_GETICON, 0, 0)),
            TApplication::Instance().Icon());
}

TEST_F(InfoFormTest, LinksLookLikeLinksAndShowTheHand) {
  auto fontOf = [](HWND window) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
  };
  // Colours as the panel gives them to each label.
  HDC dc = CreateCompatibleDC(nullptr);
  auto colourOf = [&](const char* name) {
    SendMessageW(Panel(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Label(name).Handle()));
    return GetTextColor(dc);
  };
  const HCURSOR hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  auto cursorOver = [&](const char* name) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    SendMessageW(Label(name).Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Label(name).Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };

  for (const char* link : {"lblURL", "Label1", "lblMail"}) {
    EXPECT_EQ(colourOf(link), RGB(0, 0, 128)) << link;
    EXPECT_TRUE(fontOf(Label(link).Handle()).lfUnderline) << link;
    EXPECT_EQ(cursorOver(link), hand) << link;
  }
  for (const char* link : {"LblOpenFolderIn", "LblLaunchOnDesktop", "LblLaunchOnStartup",
                           "LblOpenStartup", "LblLaunchOnSendTo", "LblOpenSendTo"}) {
    EXPECT_EQ(colourOf(link), RGB(128, 0, 0)) << link;
    EXPECT_TRUE(fontOf(Label(link).Handle()).lfUnderline) << link;
    EXPECT_EQ(cursorOver(link), hand) << link;
  }
  // The program's name: large Arial, the hand, no underline.
  const LOGFONTW name = fontOf(Label("LblExeName").Handle());
  EXPECT_STREQ(name.lfFaceName, L"Arial");
  EXPECT_EQ(name.lfHeight, -TApplication::Instance().Scale(27));
  EXPECT_FALSE(name.lfUnderline);
  EXPECT_EQ(cursorOver("LblExeName"), hand);
  const LOGFONTW description = fontOf(Label("LblFileDescription").Handle());
  EXPECT_STREQ(description.lfFaceName, L"MS UI Gothic");
  EXPECT_EQ(description.lfCharSet, SHIFTJIS_CHARSET);

  // Headings bold, figures in teal (system) and green (process); plain
  // labels keep the arrow.
  EXPECT_EQ(colourOf("Label2"), RGB(0, 128, 128));
  EXPECT_EQ(fontOf(Label("Label2").Handle()).lfWeight, FW_BOLD);
  EXPECT_EQ(colourOf("Label3"), RGB(0, 128, 0));
  EXPECT_EQ(fontOf(Label("Label3").Handle()).lfWeight, FW_BOLD);
  for (const char* teal : {"LblOsVersion", "LblPhys", "LblPageFile", "LblVirtual"}) {
    EXPECT_EQ(colourOf(teal), RGB(0, 128, 128)) << teal;
  }
  for (const char* green : {"LblWorkingSetSize", "LblPageFaultCount", "LblPagefileUsage",
                            "LblPagedPoolUsage", "LblNonPagedPoolUsage", "LblProcessTime"}) {
    EXPECT_EQ(colourOf(green), RGB(0, 128, 0)) << green;
    EXPECT_FALSE(fontOf(Label(green).Handle()).lfUnderline) << green;
  }
  EXPECT_NE(cursorOver("Label2"), hand);
  EXPECT_NE(cursorOver("LblPhys"), hand);
  DeleteDC(dc);

  // No tooltips in this window: Label1's hint only keeps the address its
  // click opens.
  EXPECT_EQ(form.ToolTip(), nullptr);
  EXPECT_EQ(guitest::ToolTipsOwnedBy(form.Handle()), 0);
  EXPECT_EQ(Label("Label1").Hint(), HandleSearchAddress);
}

TEST_F(InfoFormTest, WindowFitsItsContentAroundTheTablePositions) {
  // A single border, no sizing, no minimise or maximise box.
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_SYSMENU, 0);

  const int s = TApplication::Instance().Scale(1);
  const RECT panel = guitest::RectIn(Panel(), form.Handle());
  EXPECT_EQ(panel.left, 8 * s);
  EXPECT_EQ(panel.top, 8 * s);
  // Table positions inside the panel's inner border of 10.
  const RECT icon = guitest::RectIn(Label("AppIcon").Handle(), Panel());
  EXPECT_EQ(icon.left, 18 * s);
  EXPECT_EQ(icon.top, 18 * s);
  EXPECT_EQ(icon.right - icon.left, 32);
  EXPECT_EQ(guitest::RectIn(Label("Label1").Handle(), Panel()).left, 234 * s);
  EXPECT_EQ(guitest::RectIn(Label("LblProcessTime").Handle(), Panel()).top, 354 * s);

  // The panel reaches the farthest visible label plus its border; the
  // window's client area ends where the panel ends.
  LONG right = 0, bottom = 0;
  for (TControl* child : form.Get<TPanel>("PnlBack").Children()) {
    if (!child->Visible()) continue;
    const RECT r = guitest::RectIn(child->Handle(), Panel());
    right = std::max(right, r.right);
    bottom = std::max(bottom, r.bottom);
  }
  EXPECT_EQ(panel.right - panel.left, right + 10 * s);
  EXPECT_EQ(panel.bottom - panel.top, bottom + 10 * s);
  RECT client{};
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, panel.right);
  EXPECT_EQ(client.bottom, panel.bottom);
  // lblURL ends before Label1 begins.
  EXPECT_LE(guitest::RectIn(Label("lblURL").Handle(), Panel()).right,
            guitest::RectIn(Label("Label1").Handle(), Panel()).left);
}

// Sets the desktop work area for one test and puts the old one back.
class TWorkArea {
 public:
  explicit TWorkArea(RECT area) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved_, 0);
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);
  }
  ~TWorkArea() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved_, 0); }
  TWorkArea(const TWorkArea&) = delete;
  TWorkArea& operator=(const TWorkArea&) = delete;

 private:
  RECT saved_{};
};

TEST(InfoFormPlacement, CentredFromTheScreenOriginNotFromTheWorkArea) {
  TApplication::Instance().Initialize();
  TShellRecorder shell;
  {
    TWorkArea docked(RECT{200, 30, 1000, 700});  // task bars at the left and the top
    RECT check{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &check, 0);
    ASSERT_EQ(check.left, 200);
    TInfoForm form(shell.Actions());
    form.Create();
    EXPECT_EQ(form.Left(), (800 - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (670 - form.Height()) / 2);
  }
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  TInfoForm form(shell.Actions());
  form.Create();
  EXPECT_EQ(form.Left(), (area.right - area.left - form.Width()) / 2);
  EXPECT_EQ(form.Top(), (area.bottom - area.top - form.Height()) / 2);
}

TEST_F(InfoFormTest, LinkClicksGoToTheirTargetsBySender) {
  ClickOn(Label("lblURL").Handle());
  ClickOn(Label("Label1").Handle());
  ClickOn(Label("lblMail").Handle());
  EXPECT_THAT(shell.opened,
              ::testing::ElementsAre(InfoHomePageAddress,
                                     HandleSearchAddress,  // the hint, not the handle
                                     "MailTo:vellumark@example.org?subject=from [Vellumark.exe] user"));

  ClickOn(Label("LblExeName").Handle());
  EXPECT_THAT(shell.properties, ::testing::ElementsAre(ExePath()));

  // The program's folder, whatever the current directory is.
  shell.opened.clear();
  wchar_t saved[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(guitest::TempFolder().c_str());
  ClickOn(Label("LblOpenFolderIn").Handle());
  SetCurrentDirectoryW(saved);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], ExtractFilePath(ExePath()));
  EXPECT_THAT(shell.opened[0], ::testing::EndsWith("\\infoform\\"));

  // Shortcuts named after the program, into the folder of the sender.
  ClickOn(Label("LblLaunchOnDesktop").Handle());
  ClickOn(Label("LblLaunchOnStartup").Handle());  // hidden, but still served
  ClickOn(Label("LblLaunchOnSendTo").Handle());
  ASSERT_EQ(shell.shortcuts.size(), 3u);
  EXPECT_EQ(shell.shortcuts[0].folder, "C:\\users\\me\\Desktop");
  EXPECT_EQ(shell.shortcuts[1].folder, "C:\\users\\me\\Start Menu\\Startup");
  EXPECT_EQ(shell.shortcuts[2].folder, "C:\\users\\me\\SendTo");
  for (const auto& shortcut : shell.shortcuts) {
    EXPECT_EQ(shortcut.target, ExePath());
    EXPECT_EQ(shortcut.linkName, "Vellumark");
  }

  shell.opened.clear();
  ClickOn(Label("LblOpenStartup").Handle());
  ClickOn(Label("LblOpenSendTo").Handle());
  EXPECT_THAT(shell.opened, ::testing::ElementsAre("C:\\users\\me\\Start Menu\\Startup",
                                                   "C:\\users\\me\\SendTo"));

  // Plain labels do nothing, and the shared handlers ignore other senders.
  const std::size_t before = shell.Count();
  ClickOn(Label("Label2").Handle());
  ClickOn(Label("LblPhys").Handle());
  form.LblLaunchOnStartupClick(Label("LblOpenStartup"));
  form.LblOpenStartupClick(Label("LblLaunchOnDesktop"));
  form.LblOpenStartupClick(Label("lblURL"));
  EXPECT_EQ(shell.Count(), before);
}

TEST(InfoFormShortcut, DesktopLabelWritesTheShortcutOrReportsTheFailure) {
  TApplication::Instance().Initialize();
  TComLibrary com;
  const std::string folder = WideToSjis(guitest::TempFolder()) + "vellumark_infoform_desktop";
  CreateDirectoryW(SjisToWide(folder).c_str(), nullptr);
  const std::wstring link = SjisToWide(folder + "\\Vellumark.lnk");
  DeleteFileW(link.c_str());

  TInfoForm::TShellActions actions = TInfoForm::ShellActions();
  std::string desktop = folder + "\\";  // a trailing backslash is dropped
  actions.desktopFolder = [&desktop] { return desktop; };
  TInfoForm form(actions);
  form.Create();
  guitest::TErrorCatcher errors;
  ClickOn(form.Get<TLabel>("LblLaunchOnDesktop").Handle());
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_NE(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);

  // A folder that does not exist: the error reaches the error display and
  // the window stays.
  desktop = folder + "\\missing\\deeper";
  ClickOn(form.Get<TLabel>("LblLaunchOnDesktop").Handle());
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_FALSE(errors.messages[0].empty());
  EXPECT_TRUE(form.Created());
  EXPECT_EQ(GetFileAttributesW(SjisToWide(desktop + "\\Vellumark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);

  DeleteFileW(link.c_str());
  RemoveDirectoryW(SjisToWide(folder).c_str());
}

TEST_F(InfoFormTest, TimerRefreshesTheFigures) {
  for (const char* name : FigureLabels) Label(name).SetCaption("stale");
  const DWORD start = GetTickCount();
  while (Label("LblProcessTime").Caption() == "stale" && GetTickCount() - start < 5000) {
    guitest::Pump();
    Sleep(20);
  }
  for (std::size_t i = 0; i < std::size(FigureLabels); ++i) {
    EXPECT_THAT(Label(FigureLabels[i]).Caption(), StartsWith(FigurePrefixes[i])) << FigureLabels[i];
  }
  // The tick left the timer running for the next one.
  EXPECT_TRUE(form.Timer1().Enabled());
  // A direct tick of a disabled timer does nothing.
  form.Timer1().SetEnabled(false);
  Label("LblPhys").SetCaption("stale");
  form.Timer1().Tick();
  EXPECT_EQ(Label("LblPhys").Caption(), "stale");
}

// The about window with an update of the figures that can be made to fail.
class TFailingStatusForm : public TInfoForm {
 public:
  using TInfoForm::TInfoForm;
  void UpdateStatus() override {
    ++updates;
    if (fail) throw TError("status failed");
    TInfoForm::UpdateStatus();
  }
  bool fail = false;
  int updates = 0;
};

TEST(InfoFormTimer, AFailingUpdateIsShownOnceAndLeavesTheTimerOff) {
  TApplication::Instance().Initialize();
  TShellRecorder shell;
  TFailingStatusForm form(shell.Actions());
  form.Create();
  ASSERT_TRUE(form.Timer1().Enabled());
  guitest::TErrorCatcher errors;
  form.fail = true;
  const int before = form.updates;
  SendMessageW(form.Handle(), WM_TIMER, form.Timer1().Id(), 0);
  EXPECT_THAT(errors.messages, ::testing::ElementsAre("status failed"));
  EXPECT_FALSE(form.Timer1().Enabled());
  // Three intervals later nothing has run again and nothing more is shown.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 1500) {
    guitest::Pump();
    Sleep(20);
  }
  EXPECT_EQ(form.updates, before + 1);
  EXPECT_EQ(errors.messages.size(), 1u);
}

TEST_F(InfoFormTest, NoBackgroundEraseAndThePaintRectangle) {
  SetWindowPos(form.Handle(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int width = form.Width();
  const int height = form.Height();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width + 40, height + 40);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, width + 40, height + 40};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);

  // Erasing the background leaves the canvas as it was.
  EXPECT_EQ(SendMessageW(form.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));

  // The paint draws black from the window's screen position over its outer
  // size, as client coordinates, and gives the brush back.
  SelectObject(dc, red);
  form.FormPaint(dc);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), red);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));    // before the rectangle
  EXPECT_EQ(GetPixel(dc, 30, 40), RGB(0, 0, 0));    // inside it
  EXPECT_EQ(GetPixel(dc, 10 + width + 5, 20 + height + 5), RGB(255, 0, 0));  // after it

  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteObject(red);
  DeleteDC(dc);
}

// ---------------------------------------------------------------- shown modally

// Runs `action` on the about window once ShowInfoForm has it up, from the
// modal loop. Gives up after ten seconds: then the window is closed and the
// test fails.
class TWhileShown {
 public:
  explicit TWhileShown(std::function<void(TInfoForm&)> action) : action_(std::move(action)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &TWhileShown::Tick);
  }
  ~TWhileShown() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TWhileShown(const TWhileShown&) = delete;
  TWhileShown& operator=(const TWhileShown&) = delete;

  bool ran = false;
  bool timedOut = false;

 private:
  static TInfoForm* ShownForm() {
    TInfoForm* found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
          auto* form = dynamic_cast<TInfoForm*>(forms::TWindowObject::FromHandle(hwnd));
          if (form != nullptr && IsWindowVisible(hwnd)) {
            *reinterpret_cast<TInfoForm**>(data) = form;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TWhileShown* self = current_;
    if (self == nullptr) return;
    TInfoForm* form = ShownForm();
    if (form != nullptr && !self->ran) {
      self->ran = true;
      self->action_(*form);
    } else if (++self->ticks_ > 200 && form != nullptr) {
      self->timedOut = true;
      form->Close();
    }
  }

  static inline TWhileShown* current_ = nullptr;
  std::function<void(TInfoForm&)> action_;
  UINT_PTR timer_ = 0;
  int ticks_ = 0;
};

// Saves the about window as it shows on the screen into a BMP file.
void SaveScreenshot(HWND window, const char* path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + size;
  if (FILE* out = std::fopen(path, "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, 1, size, out);
    std::fclose(out);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// Pixels of the window's client area on the screen that are not white,
// along its right column and its bottom row.
int NonWhiteEdgePixels(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  int count = 0;
  for (int y = 0; y < client.bottom; ++y) {
    if (GetPixel(screen, origin.x + client.right - 1, origin.y + y) != RGB(255, 255, 255)) ++count;
  }
  for (int x = 0; x < client.right; ++x) {
    if (GetPixel(screen, origin.x + x, origin.y + client.bottom - 1) != RGB(255, 255, 255)) ++count;
  }
  ReleaseDC(nullptr, screen);
  return count;
}

TEST(ShowInfoForm, AnyKeyClosesTheWindow) {
  TApplication::Instance().Initialize();
  struct TKey {
    UINT message;
    WPARAM key;
    bool toChild;
  };
  // Shift alone, Tab (which otherwise moves the focus), Alt alone, and a
  // key that reaches one of the labels rather than the window.
  for (const TKey key : {TKey{WM_KEYDOWN, VK_SHIFT, false}, TKey{WM_KEYDOWN, VK_TAB, false},
                         TKey{WM_SYSKEYDOWN, VK_MENU, false}, TKey{WM_KEYDOWN, 'Q', true}}) {
    SCOPED_TRACE(key.key);
    bool wasVisible = false;
    TWhileShown shown([&](TInfoForm& form) {
      wasVisible = form.Visible();
      HWND target = key.toChild ? form.Get<TLabel>("LblPhys").Handle() : form.Handle();
      PostMessageW(target, key.message, key.key, 0x00000001);
    });
    ShowInfoForm();  // returns when the window closes
    EXPECT_TRUE(shown.ran);
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(shown.timedOut);
  }
}

TEST(ShowInfoForm, TaskbarEntryComesBackAfterClosing) {
  TApplication& app = TApplication::Instance();
  app.Initialize();
  ShowWindow(app.Handle(), SW_SHOWNA);
  ASSERT_TRUE(IsWindowVisible(app.Handle()));
  bool visibleWhileShown = true;
  int nonWhiteEdge = -1;
  const char* shot = std::getenv("VELLUMARK_INFOFORM_SCREENSHOT");
  TWhileShown shown([&](TInfoForm& form) {
    visibleWhileShown = IsWindowVisible(app.Handle()) != FALSE;
    EXPECT_TRUE(form.HidTaskbarEntry());
    // Let the window and its labels paint and the figures tick once.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1200) {
      guitest::Pump();
      Sleep(20);
    }
    // The white panel reaches the window's right and bottom edges.
    nonWhiteEdge = NonWhiteEdgePixels(form.Handle());
    if (shot != nullptr) SaveScreenshot(form.Handle(), shot);
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  });
  ShowInfoForm();
  EXPECT_TRUE(shown.ran);
  EXPECT_EQ(nonWhiteEdge, 0);
  EXPECT_FALSE(visibleWhileShown);
  EXPECT_TRUE(IsWindowVisible(app.Handle()));

  // An application window that was hidden before stays hidden.
  ShowWindow(app.Handle(), SW_HIDE);
  TWhileShown again([](TInfoForm& form) {
    EXPECT_FALSE(form.HidTaskbarEntry());
    form.Close();
  });
  ShowInfoForm();
  EXPECT_TRUE(again.ran);
  EXPECT_FALSE(IsWindowVisible(app.Handle()));
}

}  // namespace
}  // namespace vellumark
