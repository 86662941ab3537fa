// The main window in process under Wine + Xvfb: the real TMainForm with the
// product's resources, driven by window messages (texts set with
// WM_SETTEXT and typed with WM_CHAR, buttons clicked with BM_CLICK, closed
// with WM_CLOSE, files dropped with WM_DROPFILES and through the address
// box's drop target), building from a loopback web server. Checked: the result
// box, the progress label, the clipboard, the radio-button hints and the
// INI file.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Common/Codepage.h"
#include "Common/DateFormat.h"
#include "Forms/Application.h"
#include "Forms/CfHtml.h"
#include "Forms/Clipboard.h"
#include "Forms/GuiTest.h"
#include "Forms/MessageBox.h"
#include "Common/TextLines.h"
#include "Http/Http.h"
#include "Main/MainForm.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using forms::TApplication;
using forms::TButton;
using forms::TCheckBox;
using forms::TEdit;
using forms::TLabel;
using forms::TMemo;
using forms::TPageControl;
using forms::TRadioButton;
using guitest::Pump;
using guitest::SectionNames;
using guitest::TempFolder;
using guitest::Value;
using loopback::HttpResponseText;
using loopback::TLoopbackServer;
using loopback::TScript;

// "日本" in Shift_JIS.
const std::string JapaneseTitle = "\x93\xfa\x96\x7b";

// A UTF-8 text as Shift_JIS.
std::string Sjis(std::u8string_view utf8) {
  return Utf8ToSjis(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::string Page(const std::string& title, const std::string& description) {
  return HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html; charset=Shift_JIS"}},
                          "<html><head><title>" + title + "</title><meta name=\"description\" content=\"" +
                              description + "\"></head>\r\n<body><p>text</p></body></html>");
}

// The file's text as the window wrote it (UTF-16 with a byte-order mark,
// or bytes when there is none), for counting its section headers.
std::wstring FileText(const std::wstring& file) {
  std::string bytes;
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  char block[4096];
  DWORD got = 0;
  while (ReadFile(handle, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(handle);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                     (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    }
    return text;
  }
  return SjisToWide(bytes);
}

int SectionHeaderCount(const std::wstring& text) {
  int count = 0;
  bool lineStart = true;
  for (wchar_t c : text) {
    if (lineStart && c == L'[') ++count;
    lineStart = c == L'\n';
  }
  return count;
}

void SetClipboard(const std::wstring& text) { forms::SetClipboardTextW(text); }

// The clipboard's HTML form, read by its offsets as a pasting program reads
// it: the fragment, UTF-8.
std::string ClipboardHtmlFragment() {
  std::string document;
  if (OpenClipboard(nullptr)) {
    if (HANDLE data = GetClipboardData(RegisterClipboardFormatW(L"HTML Format"))) {
      if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
        document.assign(bytes, strnlen(bytes, GlobalSize(data)));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  std::string fragment;
  EXPECT_TRUE(cfhtml::ReadFragment(document, fragment)) << document;
  return fragment;
}

void EmptyTheClipboard() {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
}

// The date text a line finished now carries with `pattern`; a build that
// runs across midnight may carry the one after.
std::vector<std::string> DatesAround(const std::string& pattern, const TDateTime& before) {
  return {FormatDateTime(pattern, before), FormatDateTime(pattern, NowLocal())};
}

// A signal a server thread waits for (at most 20 s, so that a failing test
// cannot hang).
class TGate {
 public:
  void Open() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(20), [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Asks the window for an answer (WM_NULL) from another thread every few
// milliseconds, as Windows does to tell a hung window, and counts the asks
// not answered within 100 ms.
class TAnswerProbe {
 public:
  explicit TAnswerProbe(HWND window)
      : thread_([this, window] {
          for (; !stop_.load(); Sleep(5), ++asked) {
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &answer) == 0) ++unanswered;
          }
        }) {}
  ~TAnswerProbe() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<int> unanswered{0}, asked{0};

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class MainFormTest : public ::testing::Test {
 protected:
  // OLE, as the program starts it, for the address box's drop target.
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    TApplication::Instance().Initialize();
  }
  static void TearDownTestSuite() { OleUninitialize(); }

  void SetUp() override {
    TApplication::Instance().ClearTerminated();
    settings = TempFolder() + L"vellumark_mainform_test.ini";
    DeleteFileW(settings.c_str());
    server = std::make_unique<TLoopbackServer>(Routes());
    form = std::make_unique<TMainForm>();
    CreateForm(*form);
    SetAppMessageBoxHook([this](const std::string& text, unsigned flags) {
      questions.push_back({text, flags});
      return answer;
    });
  }

  void TearDown() override {
    SetAppMessageBoxHook({});
    progressLabel = nullptr;
    if (form) {
      if (TApplication::Instance().MainForm() == form.get()) TApplication::Instance().SetMainForm(nullptr);
      form->Destroy();
    }
    form.reset();
    DropQuit();
    TApplication::Instance().ClearTerminated();
    for (TGate& gate : gates) gate.Open();
    lookups.Open();
    EXPECT_TRUE(WaitForFetchThreads(20000)) << "a fetch of a stopped Build is still running";
    server.reset();
    DeleteFileW(settings.c_str());
  }

  std::map<std::string, TScript> Routes() {
    auto capture = [this] {
      // The window's thread waits in the fetch here; the label's text is
      // read without a message to it.
      wchar_t text[64] = {};
      if (HWND label = progressLabel.load()) InternalGetWindowText(label, text, 64);
      std::lock_guard lock(progressMutex);
      progressSeen.emplace_back(text);
    };
    return {
        {"/a", TScript().Call(capture).Send(Page("Alpha", "First page")).Close()},
        {"/b", TScript().Call(capture).Send(Page(JapaneseTitle, "Second page")).Close()},
        {"/two-line-title", TScript().Call(capture).Send(Page("Two\r\nLines", "d")).Close()},
        {"/after-two", TScript().Call([this] { AwaitLabel(L"2/2"); }).Call(capture).Send(Page("Alpha", "d")).Close()},
        {"/gate1", TScript().Call([this] { gates[0].Wait(); }).Send(Page("One", "1")).Close()},
        {"/gate2", TScript().Call([this] { gates[1].Wait(); }).Send(Page("Two", "2")).Close()},
        {"/gate3", TScript().Call([this] { gates[2].Wait(); }).Send(Page("Three", "3")).Close()},
        {"/silent", TScript().Silent()},
        {"/late", TScript().Call([this] { Enter(); }).Delay(150).Call([this] { --inFlight; })
                      .Send(Page("Late", "l")).Close()},
        {"/moved", loopback::Redirect(301, "http://127.0.0.1/b")},
        {"/cafe", TScript().Send(HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html; charset=UTF-8"}},
                                                  "<title>caf\xc3\xa9</title><body>")).Close()},
    };
  }

  // On a server thread: waits (at most 10 s) until the progress label reads
  // `text`, reading it without a message to the window.
  void AwaitLabel(const wchar_t* text) {
    for (int i = 0; i < 2000; ++i) {
      wchar_t now[64] = {};
      if (HWND label = progressLabel.load()) InternalGetWindowText(label, now, 64);
      if (std::wstring_view(now) == text) return;
      Sleep(5);
    }
  }

  void CreateForm(TMainForm& window) {
    THttpOptions options;
    options.port = server->Port();
    // Far longer than any wait of a test: a connection that ends sooner was
    // ended by the window.
    options.connectTimeoutMs = 60000;
    options.receiveTimeoutMs = 60000;
    window.SetHttpOptions(options);
    window.SetSettingsPath(settings);
    window.Create();
    window.Show();
    Pump();
    progressLabel = window.Get<TLabel>("LblProgress").Handle();
  }

  static bool QuitPending() {
    MSG msg{};
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
  }
  // A WM_QUIT left by closing the main window would end the next pump early.
  static void DropQuit() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  HWND Handle(const char* name) const {
    auto* control = dynamic_cast<forms::TControl*>(form->FindComponent(name));
    return control != nullptr ? control->Handle() : nullptr;
  }
  void SetText(const char* name, const std::wstring& text) {
    SendMessageW(Handle(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Pump();
  }
  // Clicks a button; a Build it starts is let run to its end.
  void Click(const char* name) {
    SendMessageW(Handle(name), BM_CLICK, 0, 0);
    Pump();
    if (std::string_view(name) == "BtnBuild") WaitForBuild();
  }
  bool Checked(const char* name) const {
    return SendMessageW(Handle(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetChecked(const char* name, bool checked) {
    if (Checked(name) != checked) Click(name);
    ASSERT_EQ(Checked(name), checked) << name;
  }
  std::wstring TextOf(const char* name) const { return guitest::WindowText(Handle(name)); }
  std::string Result() const { return form->Get<TMemo>("MemoResult").Text(); }
  std::wstring TipText(const char* name) {
    wchar_t text[1024] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(Handle(name));
    tool.uId = reinterpret_cast<UINT_PTR>(Handle(name));
    tool.lpszText = text;
    SendMessageW(form->ToolTip(), TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return text;
  }
  // The name of the control that has the focus; empty when none has it.
  std::string FocusName() const {
    HWND focus = GetFocus();
    for (int i = 0; focus != nullptr && i < form->ComponentCount(); ++i) {
      auto* control = dynamic_cast<forms::TControl*>(&form->Component(i));
      if (control != nullptr && control->Handle() == focus) return control->Name();
    }
    return focus != nullptr ? "(another window)" : "";
  }
  // Handles the window's messages until `done` holds (at most 20 s), and
  // notes every new text of the progress label meanwhile.
  bool PumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    for (;;) {
      Pump();
      const std::wstring label = TextOf("LblProgress");
      if (labelsSeen.empty() || labelsSeen.back() != label) labelsSeen.push_back(label);
      if (done()) return true;
      if (GetTickCount() - start > 20000) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  void WaitForBuild() { ASSERT_TRUE(PumpUntil([this] { return !form->Building(); })); }
  void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= milliseconds; });
  }
  // Starts a Build and returns while it runs.
  void StartBuild() {
    SendMessageW(Handle("BtnBuild"), BM_CLICK, 0, 0);
    ASSERT_TRUE(form->Building());
  }
  void Press(WORD key, std::initializer_list<WORD> held = {}) { guitest::Press(form->Handle(), key, held); }
  std::vector<std::wstring> Progress() {
    std::lock_guard lock(progressMutex);
    return progressSeen;
  }

  // A build that asks nothing and leaves the address list alone, with the
  // date off: the lines are fixed texts.
  void QuietBuild() {
    SetChecked("ChkNotask", true);
    SetChecked("ChkNotFromClipboard", true);
    SetChecked("ChkNotDate", true);
  }

  struct TQuestion {
    std::string text;
    unsigned flags;
  };

  std::wstring settings;
  std::unique_ptr<TLoopbackServer> server;
  std::unique_ptr<TMainForm> form;
  std::atomic<HWND> progressLabel{nullptr};
  std::mutex progressMutex;
  std::vector<std::wstring> progressSeen;
  std::vector<TQuestion> questions;
  std::vector<std::wstring> labelsSeen;
  TGate gates[3];
  TGate lookups;
  std::atomic<int> stuck{0};
  std::atomic<int> inFlight{0}, peakInFlight{0};
  void Enter() {
    const int now = ++inFlight;
    int seen = peakInFlight.load();
    while (now > seen && !peakInFlight.compare_exchange_weak(seen, now)) {
    }
  }
  int answer = IDYES;
  guitest::TErrorCatcher errors;
};

const std::string Tag3A = "<a target=\"link\" href=\"http://127.0.0.1/a\">Alpha</a>...First page";
const std::string Tag3B =
    "<a target=\"link\" href=\"http://127.0.0.1/b\">" + JapaneseTitle + "</a>...Second page";

TEST_F(MainFormTest, FirstStartWithoutSettingsShowsTheWindowAsDefined) {
  EXPECT_EQ(form->Get<TPageControl>("PageControl").ActivePageIndex(), 0);
  EXPECT_TRUE(Checked("RbtnFormat1"));
  EXPECT_FALSE(Checked("RbtnFormat2"));
  EXPECT_FALSE(Checked("RbtnFormat3"));
  EXPECT_FALSE(Checked("RbtnFormat4"));
  EXPECT_FALSE(Checked("ChkNotask"));
  EXPECT_TRUE(Checked("ChkNotFromClipboard"));
  EXPECT_FALSE(Checked("ChkNotDate"));
  EXPECT_EQ(TextOf("LblProgress"), L"-/-");
  EXPECT_EQ(Result(), "");
  EXPECT_EQ(form->Get<TMemo>("MemoSource").LineCount(), 6);
  EXPECT_THAT(form->Caption(), ::testing::EndsWith(" - MainForm"));
  // Each radio button's hint, and so its tooltip, is its template.
  for (const char* n : {"1", "2", "3", "4"}) {
    const std::string edit = std::string("EditFormat") + n;
    const std::string button = std::string("RbtnFormat") + n;
    EXPECT_EQ(form->Get<TRadioButton>(button).HintW(), TextOf(edit.c_str())) << button;
    EXPECT_EQ(TipText(button.c_str()), TextOf(edit.c_str())) << button;
  }
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat3").Hint(),
            "<a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#");
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat4").Hint(), "");
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, TypingATemplateChangesItsHintAtOnceAndTheNextBuildUsesIt) {
  SetText("EditFormat3", L"[#HOST#|#page#|#Title#|#STATUS#|#charset#|#ContentType#]");
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat3").Hint(),
            "[#HOST#|#page#|#Title#|#STATUS#|#charset#|#ContentType#]");
  EXPECT_EQ(TipText("RbtnFormat3"), L"[#HOST#|#page#|#Title#|#STATUS#|#charset#|#ContentType#]");
  // Every keystroke counts.
  SendMessageW(Handle("EditFormat3"), EM_SETSEL, 1000, 1000);
  SendMessageW(Handle("EditFormat3"), WM_CHAR, L'!', 1);
  Pump();
  EXPECT_EQ(TipText("RbtnFormat3"), L"[#HOST#|#page#|#Title#|#STATUS#|#charset#|#ContentType#]!");
  // The other templates stay as they were.
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat2").HintW(), TextOf("EditFormat2"));
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat1").HintW(), TextOf("EditFormat1"));

  QuietBuild();
  Click("RbtnFormat3");
  EXPECT_FALSE(Checked("RbtnFormat1"));
  SetText("MemoSource", L"http://127.0.0.1/a");
  Click("BtnBuild");
  EXPECT_EQ(Result(), "[127.0.0.1|/a|Alpha|HTTP/1.1 200 OK|Shift_JIS|text/html]!\r\n");

  // A cleared template 1 builds empty lines.
  SetText("EditFormat1", L"");
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat1").Hint(), "");
  Click("RbtnFormat1");
  EXPECT_FALSE(Checked("RbtnFormat3"));
  SetText("MemoSource", L"x\r\ny");
  Click("BtnBuild");
  EXPECT_EQ(Result(), "\r\n\r\n");
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, BuildFillsTheResultAndTheClipboardWithEveryLineEndedByCrLf) {
  QuietBuild();
  Click("RbtnFormat3");
  SetText("MemoSource", L"http://127.0.0.1/a\r\nhttp://127.0.0.1/b");
  SetText("MemoResult", L"left from before");
  SetClipboard(L"old clipboard");
  Click("BtnBuild");

  const std::string expected = Tag3A + "\r\n" + Tag3B + "\r\n";
  EXPECT_EQ(Result(), expected);
  EXPECT_EQ(forms::ClipboardText(), expected);
  EXPECT_EQ(forms::ClipboardTextW(), SjisToWide(expected)) << "Japanese text as code page 932";
  // The whole result is selected at the end.
  EXPECT_EQ(form->Get<TMemo>("MemoResult").SelectedTextW(), SjisToWide(expected));
  // Counts when each request arrived (lines done / lines listed), then idle
  // again.
  EXPECT_THAT(Progress(), ::testing::Each(::testing::AnyOf(L"0/2", L"1/2")));
  EXPECT_EQ(Progress().size(), 2u);
  EXPECT_EQ(TextOf("LblProgress"), L"-/-");
  EXPECT_EQ(server->Connections().size(), 2u);
  EXPECT_TRUE(questions.empty()) << "no question when ChkNotask is checked";
  EXPECT_TRUE(errors.messages.empty());
}

// Rich editors paste the HTML form: tag lines as live links, the lines of a
// template without markup as the text they are.
TEST_F(MainFormTest, BuildPutsTheLinesInTheClipboardsHtmlFormBesideTheText) {
  QuietBuild();
  const std::string japanese = "\xe6\x97\xa5\xe6\x9c\xac";  // "日本" in UTF-8
  const struct {
    const wchar_t* format4;
    std::string fragment;
  } cases[] = {
      {L"<a href=\"#URL#\">#TITLE#</a>",
       "<a href=\"http://127.0.0.1/b\">" + japanese + "</a><br>\r\n<a href=\"http://127.0.0.1/cafe\">caf&#233;</a>"},
      {L"\"#TITLE#\" & #URL# >",
       "&quot;" + japanese + "&quot; &amp; http://127.0.0.1/b &gt;<br>\r\n"
       "&quot;caf&amp;#233;&quot; &amp; http://127.0.0.1/cafe &gt;"},
  };
  SetText("MemoSource", L"http://127.0.0.1/b\r\nhttp://127.0.0.1/cafe");
  Click("RbtnFormat4");
  for (const auto& c : cases) {
    SetText("EditFormat4", c.format4);
    Click("BtnBuild");
    EXPECT_EQ(ClipboardHtmlFragment(), c.fragment);
    EXPECT_EQ(forms::ClipboardTextW(), SjisToWide(Result()));
  }
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, ProgressCountsMemoLinesNotAddresses) {
  QuietBuild();
  Click("RbtnFormat3");
  // A title with a line break adds two lines to the result, so the count
  // runs ahead; a trailing line break adds no address. The second page
  // answers once the label shows the first.
  SetText("MemoSource", L"http://127.0.0.1/two-line-title\r\nhttp://127.0.0.1/after-two\r\n");
  Click("BtnBuild");
  EXPECT_THAT(Progress(), ::testing::ElementsAre(L"0/2", L"2/2"));
  EXPECT_THAT(labelsSeen, ::testing::Not(::testing::Contains(L"1/2")));
  EXPECT_EQ(form->Get<TMemo>("MemoResult").LineCount(), 3);
  EXPECT_EQ(TextOf("LblProgress"), L"-/-");
}

TEST_F(MainFormTest, UnfetchableAndEmptyLinesStillGiveTheirLines) {
  QuietBuild();
  Click("RbtnFormat3");
  SetText("MemoSource", L"not an address\r\n\r\nhttp://127.0.0.1/missing");
  Click("BtnBuild");
  EXPECT_EQ(Result(),
            "<a target=\"link\" href=\"not an address\">not an address</a>...\r\n"
            "<a target=\"link\" href=\"\"></a>...\r\n"
            "<a target=\"link\" href=\"http://127.0.0.1/missing\">http://127.0.0.1/missing</a>...\r\n");
  EXPECT_EQ(forms::ClipboardText(), Result());
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, AnAddressLineIsReadUpTo4096Bytes) {
  QuietBuild();
  Click("RbtnFormat3");
  const std::string kept(4096, 'k');
  SetText("MemoSource", SjisToWide(kept + "cut off") + L"\r\nnext");
  Click("BtnBuild");
  EXPECT_EQ(Result(), "<a target=\"link\" href=\"" + kept + "\">" + kept + "</a>...\r\n" +
                          "<a target=\"link\" href=\"next\">next</a>...\r\n");

  // A two-byte character ("日", 0x93 0xFA) that the limit would cut in half
  // is left out whole: the line never ends in a lone lead byte. One that
  // ends exactly at the limit stays.
  const std::string before(4095, 'k');
  const std::string whole = std::string(4094, 'k') + JapaneseTitle.substr(0, 2);
  ASSERT_EQ(whole.size(), 4096u);
  SetText("MemoSource", SjisToWide(before + JapaneseTitle) + L"\r\n" + SjisToWide(whole + "x"));
  Click("BtnBuild");
  EXPECT_EQ(Result(), "<a target=\"link\" href=\"" + before + "\">" + before + "</a>...\r\n" +
                          "<a target=\"link\" href=\"" + whole + "\">" + whole + "</a>...\r\n");
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, TheQuestionDecidesWhetherTheBuildRuns) {
  SetChecked("ChkNotask", false);
  SetChecked("ChkNotDate", true);
  Click("RbtnFormat3");
  SetText("MemoSource", L"http://127.0.0.1/a");
  SetText("MemoResult", L"kept");
  SetClipboard(L"http://127.0.0.1/b");

  // No: nothing changes, not the result, the list, the label or the clipboard.
  answer = IDNO;
  Click("BtnBuild");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text,
            Sjis(u8"(もしあれば)クリップボードから URL を取得して、変換して\r\n"
                 u8"クリップボードを上書きします。\r\n\r\n"
                 u8"このとき、インターネットに接続します。\r\n"
                 u8"問題ありませんか？"));
  EXPECT_EQ(questions[0].flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION | MB_TOPMOST));
  EXPECT_EQ(Result(), "kept");
  EXPECT_EQ(TextOf("MemoSource"), L"http://127.0.0.1/a");
  EXPECT_EQ(forms::ClipboardText(), "http://127.0.0.1/b");
  EXPECT_TRUE(Progress().empty());
  EXPECT_TRUE(server->Connections().empty());

  // Yes: the build runs.
  answer = IDYES;
  Click("BtnBuild");
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(Result(), Tag3A + "\r\n");
  EXPECT_EQ(forms::ClipboardText(), Tag3A + "\r\n");
}

TEST_F(MainFormTest, ClosingTheProgramWhileTheQuestionIsOpenStartsNoBuild) {
  TApplication::Instance().SetMainForm(form.get());
  SetChecked("ChkNotask", false);
  SetChecked("ChkNotFromClipboard", false);
  Click("RbtnFormat3");
  SetText("MemoSource", L"http://127.0.0.1/a");
  SetText("MemoResult", L"kept");
  SetClipboard(L"http://127.0.0.1/b");
  ASSERT_FALSE(TApplication::Instance().Terminated());

  // Close from the taskbar button while the question is up: the question's
  // own loop then ends without an answer, as a message box does on WM_QUIT.
  SetAppMessageBoxHook([this](const std::string& text, unsigned flags) {
    questions.push_back({text, flags});
    SendMessageW(TApplication::Instance().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  });
  Click("BtnBuild");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(TApplication::Instance().Terminated());
  EXPECT_TRUE(QuitPending());
  // Nothing was fetched, pasted or copied.
  EXPECT_TRUE(server->Connections().empty());
  EXPECT_EQ(Result(), "kept");
  EXPECT_EQ(TextOf("MemoSource"), L"http://127.0.0.1/a");
  EXPECT_EQ(forms::ClipboardText(), "http://127.0.0.1/b");
  EXPECT_EQ(TextOf("LblProgress"), L"-/-");
}

TEST_F(MainFormTest, PastingReplacesTheListOnlyWhenOnAndTheClipboardHoldsText) {
  QuietBuild();
  Click("RbtnFormat3");
  SetText("MemoSource", L"http://127.0.0.1/a");

  // Off: the clipboard's addresses are ignored (and then overwritten).
  SetClipboard(L"http://127.0.0.1/b");
  Click("BtnBuild");
  EXPECT_EQ(TextOf("MemoSource"), L"http://127.0.0.1/a");
  EXPECT_EQ(Result(), Tag3A + "\r\n");

  // On with text: the list becomes exactly the clipboard text.
  SetChecked("ChkNotFromClipboard", false);
  SetClipboard(L"http://127.0.0.1/b\r\nhttp://127.0.0.1/a");
  Click("BtnBuild");
  EXPECT_EQ(TextOf("MemoSource"), L"http://127.0.0.1/b\r\nhttp://127.0.0.1/a");
  EXPECT_EQ(Result(), Tag3B + "\r\n" + Tag3A + "\r\n");
  EXPECT_EQ(forms::ClipboardText(), Tag3B + "\r\n" + Tag3A + "\r\n");

  // On with an empty clipboard: the list is used as it is.
  SetText("MemoSource", L"http://127.0.0.1/a");
  EmptyTheClipboard();
  Click("BtnBuild");
  EXPECT_EQ(TextOf("MemoSource"), L"http://127.0.0.1/a");
  EXPECT_EQ(Result(), Tag3A + "\r\n");
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, AnEmptyListGivesAnEmptyResult) {
  QuietBuild();
  Click("BtnClear");
  SetText("MemoResult", L"old");
  SetClipboard(L"old");
  Click("BtnBuild");
  EXPECT_EQ(Result(), "");
  EXPECT_EQ(forms::ClipboardText(), "");
  EXPECT_EQ(TextOf("LblProgress"), L"-/-");
  EXPECT_TRUE(server->Connections().empty());
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, TemplateFourGivesTheDateSuffixAloneOrEmptyLines) {
  SetChecked("ChkNotask", true);
  Click("RbtnFormat4");
  EXPECT_FALSE(Checked("RbtnFormat1"));
  SetText("MemoSource", L"http://127.0.0.1/a\r\nhttp://127.0.0.1/b");

  const TDateTime before = NowLocal();
  Click("BtnBuild");
  const std::vector<std::string> lines = SplitLines(Result());
  ASSERT_EQ(lines.size(), 2u);
  std::vector<std::string> expected;
  for (const std::string& date : DatesAround("YYYY/MM/DD", before)) expected.push_back(":[" + date + "]");
  for (const std::string& line : lines) {
    EXPECT_THAT(expected, ::testing::Contains(line));
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(:\[\d{4}/\d{2}/\d{2}\])"))) << line;
  }

  SetChecked("ChkNotDate", true);
  Click("BtnBuild");
  EXPECT_EQ(Result(), "\r\n\r\n");
  EXPECT_EQ(forms::ClipboardText(), "\r\n\r\n");
}

TEST_F(MainFormTest, TheDateSuffixUsesItsThreeEditsAndReplacesNoPlaceholderInThem) {
  SetChecked("ChkNotask", true);
  Click("RbtnFormat3");
  SetText("EditLeftPar", L" (#URL#");
  SetText("EditDateFormat", L"yyyy-mm");
  SetText("EditRightPar", L"#TITLE#)");
  SetText("MemoSource", L"http://127.0.0.1/a");
  const TDateTime before = NowLocal();
  Click("BtnBuild");
  std::vector<std::string> expected;
  for (const std::string& date : DatesAround("yyyy-mm", before)) {
    expected.push_back(Tag3A + " (#URL#" + date + "#TITLE#)\r\n");
  }
  EXPECT_THAT(expected, ::testing::Contains(Result()));
}

TEST_F(MainFormTest, ClearEmptiesOnlyTheListAndSelectAllSelectsOnlyTheList) {
  SetText("MemoResult", L"result stays");
  auto& source = form->Get<TMemo>("MemoSource");
  auto& result = form->Get<TMemo>("MemoResult");
  SendMessageW(result.Handle(), EM_SETSEL, 0, 0);

  Click("BtnSelAll");
  const std::wstring sourceText = TextOf("MemoSource");
  ASSERT_FALSE(sourceText.empty());
  EXPECT_EQ(source.SelectedTextW(), sourceText);
  EXPECT_EQ(result.SelectedTextW(), L"");
  EXPECT_EQ(GetFocus(), source.Handle());

  Click("BtnClear");
  EXPECT_EQ(TextOf("MemoSource"), L"");
  EXPECT_EQ(source.LineCount(), 0);
  EXPECT_EQ(Result(), "result stays");
}

TEST_F(MainFormTest, TabVisitsEveryStopOfThePageAndBothButtonsEitherWay) {
  const std::vector<std::string> stops[] = {
      {"PageControl", "BtnBuild", "RbtnFormat1", "ChkNotask", "ChkNotFromClipboard", "MemoSource",
       "BtnSelAll", "BtnClear", "MemoResult", "BtnVersion", "BtnClose"},
      {"PageControl", "EditFormat1", "EditFormat2", "EditFormat3", "EditFormat4", "ChkNotDate",
       "EditLeftPar", "EditDateFormat", "EditRightPar", "BtnVersion", "BtnClose"},
  };
  auto& pages = form->Get<TPageControl>("PageControl");
  pages.SetFocus();
  for (int page = 0; page < 2; ++page) {
    std::vector<std::string> forward, backward;
    for (std::size_t i = 0; i < stops[page].size(); ++i) {
      Press(VK_TAB);
      forward.push_back(FocusName());
    }
    for (std::size_t i = 0; i < stops[page].size(); ++i) {
      Press(VK_TAB, {VK_SHIFT});
      backward.push_back(FocusName());
    }
    std::vector<std::string> expected(stops[page].begin() + 1, stops[page].end());
    expected.push_back(stops[page].front());
    EXPECT_EQ(forward, expected) << "page " << page;
    EXPECT_EQ(backward, std::vector<std::string>(stops[page].rbegin(), stops[page].rend())) << "page " << page;
    // Ctrl+Tab shows the other page; on the tab row the focus stays there.
    Press(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(pages.ActivePageIndex(), 1 - page);
    EXPECT_EQ(FocusName(), "PageControl");
  }
  // From a control of the page shown, the focus follows onto the new page.
  form->Get<TMemo>("MemoResult").SetFocus();
  Press(VK_TAB, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(pages.ActivePageIndex(), 1);
  EXPECT_EQ(FocusName(), "EditFormat1");
}

TEST_F(MainFormTest, ArrowKeysChooseTheFormatThatEnterOnBuildUses) {
  QuietBuild();
  SetText("EditFormat4", L"4:#TITLE#");
  SetText("MemoSource", L"http://127.0.0.1/a");
  const std::string tag2 = "<br><a target=\"link\" href=\"http://127.0.0.1/a\">Alpha</a>...First page";
  const std::string tag1 = "<li><a target=\"link\" href=\"http://127.0.0.1/a\">Alpha</a>...First page";
  const struct {
    std::vector<WORD> keys;
    const char* chosen;
    std::string line;
  } rows[] = {
      {{VK_RIGHT}, "RbtnFormat2", tag2},
      {{VK_DOWN}, "RbtnFormat3", Tag3A},
      {{VK_RIGHT}, "RbtnFormat4", "4:Alpha"},
      {{VK_RIGHT}, "RbtnFormat1", tag1},  // wraps around
      {{VK_LEFT}, "RbtnFormat4", "4:Alpha"},
      {{VK_UP, VK_UP}, "RbtnFormat2", tag2},
  };
  form->Get<TButton>("BtnBuild").SetFocus();
  Press(VK_TAB);
  ASSERT_EQ(FocusName(), "RbtnFormat1");
  for (const auto& row : rows) {
    for (WORD key : row.keys) Press(key);
    EXPECT_EQ(FocusName(), row.chosen);
    for (const char* name : {"RbtnFormat1", "RbtnFormat2", "RbtnFormat3", "RbtnFormat4"}) {
      EXPECT_EQ(Checked(name), std::string_view(name) == row.chosen) << name;
    }
    // Back to Build, Enter, and Tab returns to the chosen format.
    Press(VK_TAB, {VK_SHIFT});
    ASSERT_EQ(FocusName(), "BtnBuild");
    Press(VK_RETURN);
    WaitForBuild();
    EXPECT_EQ(Result(), row.line + "\r\n") << row.chosen;
    if (FocusName() != "BtnBuild") form->Get<TButton>("BtnBuild").SetFocus();
    Press(VK_TAB);
    EXPECT_EQ(FocusName(), row.chosen);
  }
}

TEST_F(MainFormTest, LinesAppearInInputOrderAsTheyBecomeReadyWhileTheWindowAnswers) {
  QuietBuild();
  Click("RbtnFormat3");
  SetText("MemoSource", L"http://127.0.0.1/gate1\r\nhttp://127.0.0.1/gate2\r\nhttp://127.0.0.1/gate3");
  auto tag = [](const char* n, const char* title) {
    return "<a target=\"link\" href=\"http://127.0.0.1/gate" + std::string(n) + "\">" + title + "</a>..." + n + "\r\n";
  };
  TAnswerProbe probe(form->Handle());
  StartBuild();
  // All three are asked for at once; the last one answers first, and its
  // line waits for the two before it.
  ASSERT_TRUE(PumpUntil([&] { return server->Connections().size() == 3; }));
  gates[2].Open();
  ASSERT_TRUE(PumpUntil([&] { return server->WaitForFinished(1, 0); }));
  PumpFor(300);
  EXPECT_EQ(Result(), "");
  EXPECT_EQ(TextOf("LblProgress"), L"0/3");
  gates[0].Open();
  ASSERT_TRUE(PumpUntil([&] { return TextOf("LblProgress") == L"1/3"; }));
  EXPECT_EQ(Result(), tag("1", "One"));
  EXPECT_TRUE(form->Building());
  gates[1].Open();
  WaitForBuild();
  const std::string all = tag("1", "One") + tag("2", "Two") + tag("3", "Three");
  EXPECT_EQ(Result(), all);
  EXPECT_EQ(forms::ClipboardText(), all);
  EXPECT_EQ(form->Get<TMemo>("MemoResult").SelectedTextW(), SjisToWide(all));
  EXPECT_THAT(labelsSeen, ::testing::Not(::testing::Contains(L"2/3")));
  EXPECT_EQ(labelsSeen.back(), L"-/-");
  EXPECT_GT(probe.asked.load(), 10);
  EXPECT_EQ(probe.unanswered.load(), 0);
}

TEST_F(MainFormTest, EscStopsTheBuildKeepingTheFinishedLinesAndCopyingThem) {
  QuietBuild();
  Click("RbtnFormat3");
  const std::string kept = Tag3A + "\r\n" + Tag3B + "\r\n";
  // Disabling the focused Build button leaves no control with the focus, and
  // the key then comes to the window as a system key; with a control
  // focused it comes as an ordinary one.
  std::size_t connections = 0;
  for (const bool focusNowhere : {true, false}) {
    SetText("MemoSource",
            L"http://127.0.0.1/a\r\nhttp://127.0.0.1/b\r\nhttp://127.0.0.1/silent\r\nhttp://127.0.0.1/a");
    SetClipboard(L"old");
    form->Get<TButton>("BtnBuild").SetFocus();
    StartBuild();
    connections += 4;
    ASSERT_TRUE(PumpUntil([&] { return server->Connections().size() == connections && Result() == kept; }));
    if (!focusNowhere) form->Get<TMemo>("MemoSource").SetFocus();
    ASSERT_EQ(GetFocus() == nullptr, focusNowhere);
    Press(VK_ESCAPE);
    EXPECT_FALSE(form->Building());
    EXPECT_EQ(Result(), kept);
    EXPECT_EQ(forms::ClipboardText(), kept);
    EXPECT_EQ(ClipboardHtmlFragment(), SjisToUtf8(Tag3A + "<br>\r\n" + Tag3B));
    EXPECT_EQ(TextOf("LblProgress"), L"-/-");
    for (const char* name : {"BtnBuild", "BtnClear", "RbtnFormat4", "EditFormat1", "EditRightPar"}) {
      EXPECT_TRUE(IsWindowEnabled(Handle(name))) << name;
    }
    EXPECT_FALSE(form->Get<TMemo>("MemoResult").ReadOnly());
    // The silent server's connection is closed by the window, long before
    // its time-out; nothing of the stopped Build arrives later.
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForFinished(connections, 0); }));
    const auto records = server->Connections();
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const loopback::TConnectionRecord& r) { return r.path == "/silent" && r.peerClosed; }),
              focusNowhere ? 1 : 2);
    PumpFor(200);
    EXPECT_EQ(Result(), kept);
  }
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, AParallelBuildGivesTheSameBytesAsOneAtATime) {
  QuietBuild();
  SetText("EditFormat4", L"#URL#|#HOST#|#PAGE#|#STATUS#|#CONTENTTYPE#|#CHARSET#|#TITLE#|#DESCRIPTION#");
  Click("RbtnFormat4");
  std::wstring list;
  for (const wchar_t* line : {L"http://127.0.0.1/late", L"http://127.0.0.1/b", L"not an address", L"",
                              L"http://127.0.0.1/late", L"http://127.0.0.1/moved", L"http://127.0.0.1/missing",
                              L"http://127.0.0.1/two-line-title", L"http://127.0.0.1/late", L"http://127.0.0.1/a",
                              L"http://127.0.0.1/late", L"http://127.0.0.1/late"}) {
    list += line;
    list += L"\r\n";
  }
  SetText("MemoSource", list);
  // A control the settings file disabled stays disabled after a Build.
  form->Get<TButton>("BtnClear").SetEnabled(false);
  std::vector<std::string> results;
  std::vector<int> peaks;
  for (const int jobs : {1, 8}) {
    form->SetBuildJobs(jobs);
    peakInFlight = 0;
    Click("BtnBuild");
    results.push_back(Result());
    peaks.push_back(peakInFlight.load());
    EXPECT_EQ(forms::ClipboardText(), Result());
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(SplitLines(results[1]).size(), 13u) << "twelve lines, one title of two lines";
  EXPECT_EQ(peaks[0], 1);
  EXPECT_GE(peaks[1], 2) << "the slow pages were fetched side by side";
  EXPECT_FALSE(IsWindowEnabled(Handle("BtnClear")));
  EXPECT_TRUE(IsWindowEnabled(Handle("BtnSelAll")));
  EXPECT_TRUE(errors.messages.empty());
}

// ---------------------------------------------------------------- drops

// A file of the temporary folder holding `bytes`, removed again at the end.
class TTempFile {
 public:
  TTempFile(const wchar_t* name, std::string_view bytes) : path(TempFolder() + name) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);
  }
  ~TTempFile() { DeleteFileW(path.c_str()); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::wstring path;
};

// Movable global memory holding `bytes`, as drops and the clipboard carry data.
HGLOBAL GlobalCopy(const void* bytes, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  std::memcpy(GlobalLock(memory), bytes, size);
  GlobalUnlock(memory);
  return memory;
}

// An HDROP as the shell makes it: a DROPFILES header with wide names, then
// each path ended by a NUL, then one more NUL.
HGLOBAL ShellDrop(const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const std::wstring& file : files) list += file + L'\0';
  list += L'\0';
  std::string bytes(sizeof(DROPFILES) + list.size() * sizeof(wchar_t), '\0');
  DROPFILES header{};
  header.pFiles = sizeof(DROPFILES);
  header.fWide = TRUE;
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, list.data(), list.size() * sizeof(wchar_t));
  return GlobalCopy(bytes.data(), bytes.size());
}

HGLOBAL WideText(const std::wstring& text) { return GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }

// What a browser or the shell offers a drop target: one format in global
// memory, handed out as a copy on each request. It lives on the test's
// stack, so the interface's missing virtual destructor does not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDataObject final : public IDataObject {
 public:
  TDataObject(CLIPFORMAT format, HGLOBAL memory) : format_(format), memory_(memory) {}
  ~TDataObject() { GlobalFree(memory_); }
  TDataObject(const TDataObject&) = delete;
  TDataObject& operator=(const TDataObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const SIZE_T size = GlobalSize(memory_);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = GlobalCopy(GlobalLock(memory_), size);
    medium->pUnkForRelease = nullptr;
    GlobalUnlock(memory_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  CLIPFORMAT format_;
  HGLOBAL memory_;
};
#pragma GCC diagnostic pop

TEST_F(MainFormTest, DropsAppendTheirAddressesOnePerLineExceptDuringABuild) {
  const TTempFile shortcut(L"vellumark drop.url", "[InternetShortcut]\r\nURL=http://url.example/\r\n");
  const TTempFile bookmarks(L"vellumark drop.html",
                            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                            "<DT><A HREF=\"place:sort=8\">Recent</A>\n"
                            "<DT><A HREF=\"http://h1.example/\">One</A>\n"
                            "<DT><A HREF=\"https://h2.example/\">Two</A>\n</DL>\n");
  const TTempFile list(L"vellumark drop.txt", reinterpret_cast<const char*>(u8"http://t1.example/\r\n  http://例.jp/  \n"));
  const std::wstring missing = TempFolder() + L"vellumark no such file.txt";
  DeleteFileW(missing.c_str());
  const auto link = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
  const std::wstring listLines = L"http://t1.example/\r\nhttp://例.jp/\r\n";

  enum class TVia { Shell, Ole };
  struct TRow {
    const char* what;
    std::wstring before;
    TVia via;
    CLIPFORMAT format;  // Ole: what the data object holds
    std::vector<std::wstring> payload;  // files, or the one text
    int gate;  // -1, or the gate of a Build over `before` running meanwhile
    std::wstring after;
    std::wstring label;
    std::vector<std::wstring> unreadable;
  };
  const std::vector<TRow> rows = {
      {"shell: each kind of file, a missing one named", L"http://kept/", TVia::Shell, 0,
       {shortcut.path, bookmarks.path, list.path, missing}, -1,
       L"http://kept/\r\nhttp://url.example/\r\nhttp://h1.example/\r\nhttps://h2.example/\r\n" + listLines,
       L"-/6", {missing}},
      {"ole: files", L"x\r\n", TVia::Ole, CF_HDROP, {list.path, shortcut.path}, -1,
       L"x\r\n" + listLines + L"http://url.example/\r\n", L"-/4", {}},
      {"ole: text trimmed, empty lines left out", L"http://kept/\r\n", TVia::Ole, CF_UNICODETEXT,
       {L"  http://a.example/ \r\n \r\n\thttp://b.example/\n"}, -1,
       L"http://kept/\r\nhttp://a.example/\r\nhttp://b.example/\r\n", L"-/3", {}},
      {"ole: a link", L"", TVia::Ole, link, {L"http://link.example/日本"}, -1,
       L"http://link.example/日本\r\n", L"-/1", {}},
      {"shell during a Build", L"http://127.0.0.1/gate1", TVia::Shell, 0, {list.path, missing}, 0,
       L"http://127.0.0.1/gate1", L"0/1", {}},
      {"ole during a Build", L"http://127.0.0.1/gate2", TVia::Ole, CF_UNICODETEXT, {L"http://a.example/"}, 1,
       L"http://127.0.0.1/gate2", L"0/1", {}},
  };
  QuietBuild();
  auto& source = form->Get<TMemo>("MemoSource");
  IDropTarget* target = source.DropTarget();
  ASSERT_NE(target, nullptr);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    SetText("MemoSource", row.before);
    questions.clear();
    if (row.gate >= 0) StartBuild();
    if (row.via == TVia::Shell) {
      SendMessageW(source.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(ShellDrop(row.payload)), 0);
    } else {
      TDataObject data(row.format, row.format == CF_HDROP ? ShellDrop(row.payload) : WideText(row.payload[0]));
      const DWORD taken = row.gate >= 0 ? DROPEFFECT_NONE : DROPEFFECT_COPY;
      DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
      EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
      EXPECT_EQ(effect, taken);
      effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
      EXPECT_EQ(target->Drop(&data, 0, POINTL{0, 0}, &effect), S_OK);
      EXPECT_EQ(effect, taken);
    }
    Pump();
    EXPECT_EQ(TextOf("MemoSource"), row.after);
    EXPECT_EQ(TextOf("LblProgress"), row.label);
    ASSERT_EQ(questions.size(), row.unreadable.size());
    for (std::size_t i = 0; i < questions.size(); ++i) {
      EXPECT_THAT(questions[i].text, ::testing::HasSubstr(WideToSjis(row.unreadable[i])));
    }
    if (row.gate >= 0) {
      gates[row.gate].Open();
      WaitForBuild();
    }
  }
  // A drop offered with no copy effect allowed is refused.
  TDataObject text(CF_UNICODETEXT, WideText(L"http://a.example/"));
  DWORD effect = DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragEnter(&text, MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(errors.messages.empty());
}

// Changes settings, closes the window the given way, and returns the file
// it wrote.
class MainFormCloseTest : public MainFormTest {
 protected:
  enum class TCloseBy { Quit, CloseBox, AltF4, Taskbar };
  void CloseBy(TCloseBy way) {
    switch (way) {
      case TCloseBy::Quit: Click("BtnClose"); break;
      case TCloseBy::CloseBox: SendMessageW(form->Handle(), WM_CLOSE, 0, 0); break;
      case TCloseBy::AltF4:
        if (IsWindowEnabled(Handle("BtnBuild"))) form->Get<TButton>("BtnBuild").SetFocus();
        Press(VK_F4, {VK_MENU});
        break;
      case TCloseBy::Taskbar: SendMessageW(TApplication::Instance().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
    Pump();
  }

  void ChangeSettingsAndClose(TCloseBy way) {
    TApplication::Instance().SetMainForm(form.get());
    SetText("EditFormat3", L"<b>#TITLE#</b>");
    SetText("EditDateFormat", L"yy.mm.dd");
    Click("RbtnFormat2");
    SetChecked("ChkNotask", true);
    SetChecked("ChkNotDate", true);
    SetText("MemoSource", L"not stored");
    SetText("MemoResult", L"not stored either");
    ASSERT_FALSE(TApplication::Instance().Terminated());
    ASSERT_FALSE(QuitPending());
    CloseBy(way);
    // Closing ends the message loop: a WM_QUIT waits for it.
    EXPECT_TRUE(QuitPending());
    EXPECT_TRUE(TApplication::Instance().Terminated());
    // The window and its controls are still there for the save.
    EXPECT_TRUE(IsWindow(form->Handle()));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    // As the program does once its loop has ended.
    TApplication::Instance().SetMainForm(nullptr);
    form->Destroy();
    DropQuit();
    TApplication::Instance().ClearTerminated();
  }

  void ExpectSavedSettings() {
    const std::vector<std::wstring> sections = SectionNames(settings);
    EXPECT_EQ(sections.size(), 48u);
    EXPECT_EQ(SectionHeaderCount(FileText(settings)), 48);
    EXPECT_THAT(sections, ::testing::Contains(L"MainForm.MainForm"));
    EXPECT_EQ(Value(settings, L"MainForm.MainForm", L"Left"), L"300");
    EXPECT_EQ(Value(settings, L"MainForm.EditFormat3", L"Text"), L"<b>#TITLE#</b>");
    EXPECT_EQ(Value(settings, L"MainForm.EditDateFormat", L"Text"), L"yy.mm.dd");
    EXPECT_EQ(Value(settings, L"MainForm.RbtnFormat1", L"Checked"), L"0");
    EXPECT_EQ(Value(settings, L"MainForm.RbtnFormat2", L"Checked"), L"1");
    EXPECT_EQ(Value(settings, L"MainForm.ChkNotask", L"Checked"), L"1");
    EXPECT_EQ(Value(settings, L"MainForm.ChkNotDate", L"Checked"), L"1");
    EXPECT_EQ(Value(settings, L"MainForm.MemoSource", L"Enabled"), L"1");
    EXPECT_EQ(Value(settings, L"MainForm.MemoSource", L"Text"), L"<missing>") << "memos are not stored";
    EXPECT_TRUE(errors.messages.empty());
  }
};

TEST_F(MainFormCloseTest, TheCloseBoxSavesAsQuitDoesAndARestartRestores) {
  ChangeSettingsAndClose(TCloseBy::Quit);
  ExpectSavedSettings();
  const std::wstring byQuit = FileText(settings);

  // No way of closing touches the window's state, so the save after the
  // loop writes the same file after each.
  for (TCloseBy way : {TCloseBy::CloseBox, TCloseBy::AltF4, TCloseBy::Taskbar}) {
    DeleteFileW(settings.c_str());
    form = std::make_unique<TMainForm>();
    CreateForm(*form);
    ChangeSettingsAndClose(way);
    ExpectSavedSettings();
    EXPECT_EQ(FileText(settings), byQuit);
  }

  // The next start finds everything as it was, the memos as always.
  form = std::make_unique<TMainForm>();
  CreateForm(*form);
  EXPECT_EQ(TextOf("EditFormat3"), L"<b>#TITLE#</b>");
  EXPECT_EQ(form->Get<TRadioButton>("RbtnFormat3").Hint(), "<b>#TITLE#</b>");
  EXPECT_EQ(TipText("RbtnFormat3"), L"<b>#TITLE#</b>");
  EXPECT_TRUE(Checked("RbtnFormat2"));
  EXPECT_FALSE(Checked("RbtnFormat1"));
  EXPECT_TRUE(Checked("ChkNotask"));
  EXPECT_TRUE(Checked("ChkNotDate"));
  EXPECT_EQ(TextOf("EditDateFormat"), L"yy.mm.dd");
  EXPECT_EQ(form->Get<TMemo>("MemoSource").LineCount(), 6);
  EXPECT_EQ(Result(), "");

  // And builds with the restored choice: template 2, no date.
  SetChecked("ChkNotFromClipboard", true);
  SetText("MemoSource", L"http://127.0.0.1/a");
  Click("BtnBuild");
  EXPECT_EQ(Result(), "<br><a target=\"link\" href=\"http://127.0.0.1/a\">Alpha</a>...First page\r\n");
}

TEST_F(MainFormCloseTest, ClosingDuringABuildEndsPromptlyAndSavesTheSettingsAtRest) {
  // The last row's fetches hang as a host-name lookup can, deaf to the stop.
  const struct {
    TCloseBy way;
    bool deaf;
  } rows[] = {{TCloseBy::Quit, false}, {TCloseBy::CloseBox, false}, {TCloseBy::AltF4, false},
              {TCloseBy::Taskbar, true}};
  for (const auto& row : rows) {
    if (!form) {
      form = std::make_unique<TMainForm>();
      CreateForm(*form);
    }
    TApplication::Instance().SetMainForm(form.get());
    QuietBuild();
    if (row.deaf) {
      form->SetFetcherFactory([this]() -> TFetchFunction {
        return [this](std::string_view, TPageInfo&) {
          ++stuck;
          lookups.Wait();
          --stuck;
        };
      });
    }
    SetText("MemoSource", L"http://127.0.0.1/silent\r\nhttp://127.0.0.1/silent\r\nhttp://127.0.0.1/a");
    const std::size_t before = server->Connections().size();
    StartBuild();
    ASSERT_TRUE(PumpUntil([&] { return row.deaf ? stuck.load() == 3 : server->Connections().size() == before + 3; }));

    const auto start = std::chrono::steady_clock::now();
    CloseBy(row.way);
    EXPECT_TRUE(QuitPending());
    TApplication::Instance().SetMainForm(nullptr);
    form->Destroy();
    const auto took = std::chrono::steady_clock::now() - start;
    form.reset();
    DropQuit();
    TApplication::Instance().ClearTerminated();
    // The fetches' time-out is a minute, and the deaf ones never end on
    // their own: the window waited for none of them.
    EXPECT_LT(took, std::chrono::seconds(5)) << static_cast<int>(row.way);
    if (row.deaf) {
      EXPECT_EQ(stuck.load(), 3);
    }
    // Saved as at rest: nothing stored as disabled because of the Build.
    EXPECT_EQ(SectionNames(settings).size(), 48u);
    for (const wchar_t* name : {L"MainForm.BtnBuild", L"MainForm.BtnSelAll", L"MainForm.RbtnFormat1",
                                L"MainForm.EditFormat1", L"MainForm.ChkNotDate", L"MainForm.EditRightPar"}) {
      EXPECT_EQ(Value(settings, name, L"Enabled"), L"1") << name;
    }
    EXPECT_EQ(Value(settings, L"MainForm.ChkNotask", L"Checked"), L"1");
  }
  lookups.Open();
  EXPECT_TRUE(WaitForFetchThreads(10000));
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
}  // namespace vellumark
