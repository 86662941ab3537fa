// The window layer under Wine: a window built from a table, its components
// and their properties with their side effects, alignment, the splitter,
// tooltips, tab order, the clipboard and the error display.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "Common/Error.h"
#include "Forms/Application.h"
#include "Forms/Clipboard.h"
#include "Forms/Form.h"
#include "Common/TextLines.h"
#include "Forms/GuiTest.h"

namespace vellumark::forms {
namespace {

using ::testing::ElementsAre;
using guitest::RectIn;
using guitest::ToolTipsOwnedBy;
using guitest::WindowText;

constexpr TFontDef TestFont{L"Arial", 12, ANSI_CHARSET};

const TComponentDef TestDefinition[] = {
    {.name = "TestForm", .kind = TKind::Form, .left = 50, .top = 40, .width = 400, .height = 300,
     .text = L"TestForm", .font = &TestFont, .flags = dfShowHints, .image = 3},
    {.name = "Top", .kind = TKind::Panel, .align = TAlign::Top, .height = 60},
    {.name = "Btn", .kind = TKind::Button, .parent = "Top", .left = 0, .top = 0, .width = 80,
     .height = 25, .text = L"Press", .hint = L"押す", .handler = "BtnClick"},
    {.name = "Edit1", .kind = TKind::Edit, .parent = "Top", .left = 90, .top = 0, .width = 100,
     .height = 21, .text = L"abc", .handler = "EditChange"},
    {.name = "Edit2", .kind = TKind::Edit, .parent = "Top", .left = 200, .top = 0, .width = 100,
     .height = 21, .text = L"", .handler = "EditChange"},
    {.name = "R1", .kind = TKind::RadioButton, .parent = "Top", .left = 0, .top = 30, .width = 40,
     .height = 17, .text = L"1", .flags = dfChecked},
    {.name = "R2", .kind = TKind::RadioButton, .parent = "Top", .left = 40, .top = 30,
     .width = 40, .height = 17, .text = L"2"},
    {.name = "Chk", .kind = TKind::CheckBox, .parent = "Top", .left = 90, .top = 30, .width = 80,
     .height = 17, .text = L"しない"},
    {.name = "Lbl", .kind = TKind::Label, .parent = "Top", .left = 200, .top = 30,
     .text = L"Label text"},
    {.name = "Mid", .kind = TKind::Panel, .align = TAlign::Top, .height = 80},
    {.name = "Memo", .kind = TKind::Memo, .parent = "Mid", .align = TAlign::Client,
     .text = L"one\r\ntwo", .flags = dfScrollBars},
    {.name = "Side", .kind = TKind::Panel, .parent = "Mid", .align = TAlign::Right, .width = 60},
    {.name = "R3", .kind = TKind::RadioButton, .parent = "Side", .left = 0, .top = 0, .width = 40,
     .height = 17, .text = L"3", .flags = dfChecked},
    {.name = "Split", .kind = TKind::Splitter, .align = TAlign::Top, .height = 5},
    {.name = "Result", .kind = TKind::Memo, .align = TAlign::Client, .flags = dfScrollBars},
    {.name = "Images", .kind = TKind::ImageList, .width = 16, .height = 16},
};

class TTestForm : public TForm {
 public:
  TTestForm() : TForm(TestDefinition) {}
  ~TTestForm() override { Destroy(); }
  int clicks = 0;
  std::vector<std::string> changes;
  bool throwOnClick = false;
  bool created = false;
  bool destroyed = false;

 protected:
  void FormCreate() override { created = true; }
  void FormDestroy() override { destroyed = true; }
  TNotifyEvent FindHandler(std::string_view name) override {
    if (name == "BtnClick") {
      return [this](TComponent&) {
        ++clicks;
        if (throwOnClick) throw TError("boom");
      };
    }
    if (name == "EditChange") {
      return [this](TComponent& sender) { changes.push_back(sender.Name()); };
    }
    return {};
  }
};

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TTestForm>();
    // Not shown: without a window manager, Wine waits two seconds for each
    // shown window to go when it is destroyed.
    form->Create();
    guitest::Pump();
  }
  void TearDown() override { form.reset(); }
  std::unique_ptr<TTestForm> form;
};

TEST_F(FormsTest, OwnsItsComponentsInDeclarationOrderAsRealChildWindows) {
  std::vector<std::string> names;
  for (int i = 0; i < form->ComponentCount(); ++i) names.push_back(form->Component(i).Name());
  EXPECT_THAT(names, ElementsAre("Top", "Btn", "Edit1", "Edit2", "R1", "R2", "Chk", "Lbl", "Mid",
                                 "Memo", "Side", "R3", "Split", "Result", "Images"));
  EXPECT_TRUE(form->created);

  auto& button = form->Get<TButton>("Btn");
  EXPECT_EQ(GetParent(button.Handle()), form->Get<TPanel>("Top").Handle());
  EXPECT_EQ(GetParent(form->Get<TPanel>("Top").Handle()), form->Handle());
  EXPECT_EQ(WindowText(button.Handle()), L"Press");
  EXPECT_EQ(WindowText(form->Get<TCheckBox>("Chk").Handle()), L"しない");
  EXPECT_EQ(WindowText(form->Get<TLabel>("Lbl").Handle()), L"Label text");
  EXPECT_EQ(form->Get<TMemo>("Memo").Text(), "one\r\ntwo");

  // Kinds as generic code sees them.
  EXPECT_TRUE(form->Get<TEdit>("Edit1").IsSingleLineEdit());
  EXPECT_FALSE(form->Get<TMemo>("Memo").IsSingleLineEdit());
  EXPECT_TRUE(form->Get<TCheckBox>("Chk").IsCheckBox());
  EXPECT_FALSE(form->Get<TRadioButton>("R1").IsCheckBox());
  EXPECT_TRUE(form->Get<TRadioButton>("R1").IsRadioButton());
  EXPECT_FALSE(form->Get<TImageList>("Images").IsVisualControl());
  EXPECT_TRUE(form->Get<TSplitter>("Split").IsVisualControl());
  EXPECT_THROW(form->Get<TEdit>("Btn"), std::logic_error);

  // A label without a size takes the size of its text.
  EXPECT_GT(form->Get<TLabel>("Lbl").Width(), 30);
}

TEST_F(FormsTest, AnEditReportsAChangeOnlyWhenItsTextChanges) {
  auto& edit = form->Get<TEdit>("Edit1");
  edit.SetText("abc");
  EXPECT_TRUE(form->changes.empty());
  edit.SetText("abcd");
  EXPECT_THAT(form->changes, ElementsAre("Edit1"));
  EXPECT_EQ(edit.Text(), "abcd");
  // Typing is a change too.
  SendMessageW(edit.Handle(), WM_CHAR, 'x', 0);
  EXPECT_THAT(form->changes, ElementsAre("Edit1", "Edit1"));
  // Shift_JIS in, the same characters on screen.
  form->Get<TEdit>("Edit2").SetText("\x83\x65\x83\x58\x83\x67");  // テスト
  EXPECT_EQ(WindowText(form->Get<TEdit>("Edit2").Handle()), L"テスト");
  EXPECT_EQ(form->changes.back(), "Edit2");
}

TEST_F(FormsTest, CheckingARadioButtonUnchecksOnlyItsSiblings) {
  auto& r1 = form->Get<TRadioButton>("R1");
  auto& r2 = form->Get<TRadioButton>("R2");
  auto& r3 = form->Get<TRadioButton>("R3");
  ASSERT_TRUE(r1.Checked());
  ASSERT_TRUE(r3.Checked());
  r2.SetChecked(true);
  EXPECT_FALSE(r1.Checked());
  EXPECT_TRUE(r2.Checked());
  EXPECT_TRUE(r3.Checked()) << "another parent's radio button is not a sibling";
  r2.SetChecked(false);
  EXPECT_FALSE(r1.Checked());
  EXPECT_FALSE(r2.Checked());
  // A click by the user does the same.
  r1.Click();
  EXPECT_TRUE(r1.Checked());
  EXPECT_FALSE(r2.Checked());
  // Check boxes are independent.
  auto& check = form->Get<TCheckBox>("Chk");
  check.SetChecked(true);
  EXPECT_TRUE(check.Checked());
  EXPECT_TRUE(r1.Checked());
}

TEST_F(FormsTest, AHintShowsAsTooltipAndChangesAtOnce) {
  auto& button = form->Get<TButton>("Btn");
  auto tipText = [&]() {
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(button.Handle());
    tool.uId = reinterpret_cast<UINT_PTR>(button.Handle());
    tool.lpszText = text;
    SendMessageW(form->ToolTip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return std::wstring(text);
  };
  EXPECT_EQ(tipText(), L"押す");
  EXPECT_EQ(button.Hint(), "\x89\x9f\x82\xb7");  // 押す in Shift_JIS
  button.SetHint("<a href=\"#URL#\">");
  EXPECT_EQ(tipText(), L"<a href=\"#URL#\">");
  EXPECT_EQ(button.Hint(), "<a href=\"#URL#\">");
}


TEST_F(FormsTest, AWindowWithoutShowHintsKeepsTheHintsButShowsNoTooltip) {
  EXPECT_EQ(ToolTipsOwnedBy(form->Handle()), 1) << "the test window's row asks for hints";

  static const TComponentDef quietDefinition[] = {
      {.name = "QuietForm", .kind = TKind::Form, .left = 60, .top = 50, .width = 200, .height = 100},
      {.name = "Link", .kind = TKind::Label, .text = L"link", .hint = L"http://example.org/?q=押す"},
  };
  TForm quiet(quietDefinition);
  quiet.Create();
  EXPECT_EQ(quiet.ToolTip(), nullptr);
  EXPECT_EQ(ToolTipsOwnedBy(quiet.Handle()), 0);
  auto& link = quiet.Get<TLabel>("Link");
  EXPECT_EQ(link.Hint(), "http://example.org/?q=\x89\x9f\x82\xb7");
  link.SetHint("changed");
  EXPECT_EQ(link.Hint(), "changed");
  quiet.Destroy();
}

TEST_F(FormsTest, AlignedControlsShareTheClientAreaInsideTheBorder) {
  RECT client{};
  GetClientRect(form->Handle(), &client);
  const RECT top = RectIn(form->Get<TPanel>("Top").Handle(), form->Handle());
  const RECT mid = RectIn(form->Get<TPanel>("Mid").Handle(), form->Handle());
  const RECT split = RectIn(form->Get<TSplitter>("Split").Handle(), form->Handle());
  const RECT result = RectIn(form->Get<TMemo>("Result").Handle(), form->Handle());
  EXPECT_EQ(top.left, 3);
  EXPECT_EQ(top.top, 3);
  EXPECT_EQ(top.right, client.right - 3);
  EXPECT_EQ(top.bottom, 63);
  EXPECT_EQ(mid.top, 63);
  EXPECT_EQ(mid.bottom, 143);
  EXPECT_EQ(split.top, 143);
  EXPECT_EQ(split.bottom, 148);
  EXPECT_EQ(result.top, 148);
  EXPECT_EQ(result.bottom, client.bottom - 3);
  EXPECT_EQ(result.right, client.right - 3);
  // Inside Mid: the side strip on the right, the memo fills the rest.
  const HWND midHandle = form->Get<TPanel>("Mid").Handle();
  const RECT side = RectIn(form->Get<TPanel>("Side").Handle(), midHandle);
  const RECT memo = RectIn(form->Get<TMemo>("Memo").Handle(), midHandle);
  RECT midClient{};
  GetClientRect(midHandle, &midClient);
  EXPECT_EQ(side.right, midClient.right);
  EXPECT_EQ(side.right - side.left, 60);
  EXPECT_EQ(memo.left, 0);
  EXPECT_EQ(memo.right, side.left);
  EXPECT_EQ(memo.bottom, midClient.bottom);
  // Controls at their own place sit inside the border too.
  const RECT button = RectIn(form->Get<TButton>("Btn").Handle(), form->Get<TPanel>("Top").Handle());
  EXPECT_EQ(button.left, 0);
  EXPECT_EQ(button.right, 80);

  // A wider window widens the strips.
  form->SetWidth(form->Width() + 50);
  guitest::Pump();
  GetClientRect(midHandle, &midClient);
  EXPECT_EQ(RectIn(form->Get<TPanel>("Side").Handle(), midHandle).right, midClient.right);
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(RectIn(form->Get<TPanel>("Top").Handle(), form->Handle()).right, client.right - 3);
}

TEST_F(FormsTest, TheSplitterResizesThePanelAboveItAndNeverShutsIt) {
  auto& split = form->Get<TSplitter>("Split");
  auto& mid = form->Get<TPanel>("Mid");
  auto& result = form->Get<TMemo>("Result");
  ASSERT_EQ(split.Target(), &mid);
  auto drag = [&](int dy) {
    SendMessageW(split.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
    SendMessageW(split.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 2 + dy));
    SendMessageW(split.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2 + dy));
  };
  drag(20);
  EXPECT_EQ(mid.Height(), 100);
  EXPECT_EQ(RectIn(split.Handle(), form->Handle()).top, 163);
  EXPECT_EQ(RectIn(result.Handle(), form->Handle()).top, 168);
  drag(-500);
  EXPECT_EQ(mid.Height(), TSplitter::MinSize);
  drag(2000);
  EXPECT_EQ(result.Height(), TSplitter::MinSize) << "the control below keeps its minimum too";
}

TEST_F(FormsTest, MemoLinesFollowStringListRules) {
  auto& memo = form->Get<TMemo>("Result");
  EXPECT_EQ(memo.LineCount(), 0);
  memo.AddLine("first");
  memo.AddLine("");
  memo.AddLine("\x83\x65\x83\x58\x83\x67");  // テスト
  EXPECT_EQ(memo.Text(), "first\r\n\r\n\x83\x65\x83\x58\x83\x67\r\n");
  EXPECT_EQ(memo.LineCount(), 3);
  EXPECT_EQ(memo.Line(2, 4096), "\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(memo.Line(0, 3), "fir");
  // Text without a final line break gets one before the new line.
  auto& source = form->Get<TMemo>("Memo");
  source.AddLine("three");
  EXPECT_EQ(source.Text(), "one\r\ntwo\r\nthree\r\n");
  source.Clear();
  EXPECT_EQ(source.LineCount(), 0);
}

TEST_F(FormsTest, SelectionAndClipboardKeepJapaneseText) {
  auto& memo = form->Get<TMemo>("Result");
  memo.AddLine("\x83\x65\x83\x58\x83\x67 <a>");  // テスト <a>
  memo.SelectAll();
  EXPECT_EQ(memo.SelectedTextW(), L"テスト <a>\r\n");
  memo.CopyToClipboard();
  EXPECT_EQ(ClipboardTextW(), L"テスト <a>\r\n");
  EXPECT_EQ(ClipboardText(), "\x83\x65\x83\x58\x83\x67 <a>\r\n");
  SetClipboardText("x\r\ny");
  EXPECT_EQ(ClipboardText(), "x\r\ny");
  // An empty clipboard holds no text.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ClipboardText(), "");
}

TEST(ClipboardTest, TheOpenErrorTextIsPinned) {
  // "クリップボードを開くことができません"
  EXPECT_EQ(std::string(ClipboardOpenError),
            "\x83\x4e\x83\x8a\x83\x62\x83\x76\x83\x7b\x81\x5b\x83\x68\x82\xf0\x8a\x4a\x82\xad"
            "\x82\xb1\x82\xc6\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1");
}

TEST_F(FormsTest, AnErrorInAHandlerGoesToTheErrorDisplay) {
  guitest::TErrorCatcher errors;
  form->throwOnClick = true;
  form->Get<TButton>("Btn").Click();
  EXPECT_EQ(form->clicks, 1);
  EXPECT_THAT(errors.messages, ElementsAre("boom"));
  form->throwOnClick = false;
  form->Get<TButton>("Btn").Click();
  EXPECT_EQ(form->clicks, 2);
  EXPECT_EQ(errors.messages.size(), 1u);
}

TEST_F(FormsTest, TabMovesTheFocusInDeclarationOrder) {
  std::vector<std::string> order;
  for (TControl* control : form->TabOrder()) order.push_back(control->Name());
  // Only the checked radio button of a group is a stop.
  EXPECT_THAT(order, ElementsAre("Btn", "Edit1", "Edit2", "R1", "Chk", "Memo", "R3", "Result"));
  form->Get<TButton>("Btn").SetFocus();
  form->SelectNext(true);
  EXPECT_EQ(GetFocus(), form->Get<TEdit>("Edit1").Handle());
  form->SelectNext(false);
  form->SelectNext(false);
  EXPECT_EQ(GetFocus(), form->Get<TMemo>("Result").Handle());
  // The Tab key through the message loop.
  MSG msg{form->Get<TMemo>("Result").Handle(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  TApplication::Instance().HandleMessage(msg);
  EXPECT_EQ(GetFocus(), form->Get<TButton>("Btn").Handle());
  // With no control focused the key arrives as a system key and starts at
  // the first (Shift: the last) stop.
  SetFocus(nullptr);
  guitest::Press(form->Handle(), VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), form->Get<TMemo>("Result").Handle());

  // A group without a checked button stops at its first; a focused button
  // that is not its group's stop moves on from the group.
  auto& r1 = form->Get<TRadioButton>("R1");
  auto& r2 = form->Get<TRadioButton>("R2");
  r1.SetChecked(false);
  EXPECT_EQ(r1.GroupStop(), &r1);
  r2.SetFocus();
  form->SelectNext(true);
  EXPECT_EQ(GetFocus(), form->Get<TCheckBox>("Chk").Handle());
  // The arrow keys check the next button of the group, wrapping around, and
  // never leave the group (R3 has another parent).
  r1.SetFocus();
  for (const auto& [key, checked] : {std::pair{VK_RIGHT, &r2}, {VK_DOWN, &r1}, {VK_UP, &r2}}) {
    guitest::Press(form->Handle(), key);
    EXPECT_EQ(GetFocus(), checked->Handle());
    EXPECT_TRUE(checked->Checked());
    EXPECT_FALSE((checked == &r1 ? r2 : r1).Checked());
  }
  EXPECT_TRUE(form->Get<TRadioButton>("R3").Checked());
}

TEST_F(FormsTest, BoundsSettersMoveTheWindowOneValueAtATime) {
  form->SetLeft(-20);
  form->SetTop(-5);
  form->SetWidth(512);
  form->SetHeight(333);
  EXPECT_EQ(form->Left(), -20);
  EXPECT_EQ(form->Top(), -5);
  EXPECT_EQ(form->Width(), 512);
  EXPECT_EQ(form->Height(), 333);
}

TEST(FormPlacementTest, TheStartingPlaceIsInScreenPixelsAndTheSizeFollowsTheResolution) {
  TApplication& app = TApplication::Instance();
  app.Initialize();
  const int saved = app.Dpi();
  app.SetDpi(144);
  {
    TTestForm scaled;
    scaled.Create();
    EXPECT_EQ(scaled.Left(), 50);
    EXPECT_EQ(scaled.Top(), 40);
    EXPECT_EQ(scaled.Width(), 600);
    EXPECT_EQ(scaled.Height(), 450);
    EXPECT_EQ(scaled.Get<TButton>("Btn").Width(), 120);
  }
  app.SetDpi(saved);
}

TEST_F(FormsTest, DestroyRunsTheDestroyHandlerOnce) {
  form->Destroy();
  EXPECT_TRUE(form->destroyed);
  EXPECT_FALSE(form->Created());
  form->destroyed = false;
  form->Destroy();
  EXPECT_FALSE(form->destroyed);
}

TEST(ApplicationTitleTest, FileNameCutAtTheFirstDotWithTheRestInLowerCase) {
  EXPECT_EQ(ApplicationTitleFromPath(L"C:\\Tools\\Vellumark.exe"), L"Vellumark");
  EXPECT_EQ(ApplicationTitleFromPath(L"C:\\Tools\\VELLUMARK.EXE"), L"Vellumark");
  EXPECT_EQ(ApplicationTitleFromPath(L"C:\\a.b\\my.tool.exe"), L"my");
  EXPECT_EQ(ApplicationTitleFromPath(L"C:\\x\\ÉCOLE.exe"), L"École");
  EXPECT_EQ(ApplicationTitleFromPath(L"リンクTOOL.exe"), L"リンクtool");
  EXPECT_EQ(ApplicationTitleFromPath(L"X"), L"X");
}

}  // namespace
}  // namespace vellumark::forms
