// Control-state persistence of a real window through a real INI file and
// the platform's profile functions (Windows, under Wine + Xvfb).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Forms/Application.h"
#include "Forms/Form.h"
#include "Forms/FormState.h"
#include "Forms/GuiTest.h"

namespace vellumark {
namespace {

using forms::TAlign;
using forms::TCheckBox;
using forms::TComponentDef;
using forms::TEdit;
using forms::TKind;
using forms::TRadioButton;
using guitest::SectionNames;
using guitest::TempFolder;
using guitest::Value;

const TComponentDef Definition[] = {
    {.name = "StateForm", .kind = TKind::Form, .left = 30, .top = 20, .width = 300,
     .height = 200, .text = L"StateForm"},
    {.name = "Panel1", .kind = TKind::Panel, .align = TAlign::Top, .height = 80},
    {.name = "Edit1", .kind = TKind::Edit, .parent = "Panel1", .left = 0, .top = 0, .width = 200,
     .height = 21, .text = L"<li>#URL#"},
    {.name = "Rbtn1", .kind = TKind::RadioButton, .parent = "Panel1", .left = 0, .top = 30,
     .width = 40, .height = 17, .text = L"1", .flags = forms::dfChecked},
    {.name = "Rbtn2", .kind = TKind::RadioButton, .parent = "Panel1", .left = 40, .top = 30,
     .width = 40, .height = 17, .text = L"2"},
    {.name = "Chk", .kind = TKind::CheckBox, .parent = "Panel1", .left = 90, .top = 30,
     .width = 80, .height = 17, .text = L"Chk"},
    {.name = "Memo", .kind = TKind::Memo, .align = TAlign::Client, .text = L"not stored"},
    {.name = "Images", .kind = TKind::ImageList},
};

class TStateForm : public forms::TForm {
 public:
  TStateForm() : TForm(Definition) {}
  ~TStateForm() override { Destroy(); }
};

void Store(const std::wstring& file, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()));
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

class FormStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = TempFolder() + L"vellumark_formstate_test.ini";
    DeleteFileW(file.c_str());
    form.Create();
  }
  void TearDown() override { DeleteFileW(file.c_str()); }
  std::wstring file;
  TStateForm form;
};

TEST_F(FormStateTest, RoundTripThroughARealFile) {
  form.SetLeft(-12);
  form.SetTop(-4);
  form.SetWidth(320);
  form.Get<TEdit>("Edit1").SetText("\x83\x65\x83\x58\x83\x67 #TITLE#");  // テスト
  form.Get<TRadioButton>("Rbtn2").SetChecked(true);
  form.Get<TCheckBox>("Chk").SetChecked(true);
  form.Component(0).SetTag(42);
  SaveControlState(file, form);

  // One section for the window and one per owned component.
  EXPECT_THAT(SectionNames(file),
              ::testing::ElementsAre(L"StateForm.StateForm", L"StateForm.Panel1", L"StateForm.Edit1",
                                     L"StateForm.Rbtn1", L"StateForm.Rbtn2", L"StateForm.Chk",
                                     L"StateForm.Memo", L"StateForm.Images"));
  EXPECT_EQ(Value(file, L"StateForm.StateForm", L"Left"), L"-12");
  EXPECT_EQ(Value(file, L"StateForm.Edit1", L"Text"), L"テスト #TITLE#");
  EXPECT_EQ(Value(file, L"StateForm.Rbtn1", L"Checked"), L"0");
  EXPECT_EQ(Value(file, L"StateForm.Memo", L"Text"), L"<missing>");
  EXPECT_EQ(Value(file, L"StateForm.Memo", L"Enabled"), L"1");
  EXPECT_EQ(Value(file, L"StateForm.Images", L"Enabled"), L"<missing>");
  EXPECT_EQ(Value(file, L"StateForm.Panel1", L"Tag"), L"42");

  TStateForm fresh;
  fresh.Create();
  LoadControlState(file, fresh);
  EXPECT_EQ(fresh.Left(), -12);
  EXPECT_EQ(fresh.Top(), -4);
  EXPECT_EQ(fresh.Width(), 320);
  EXPECT_EQ(fresh.Get<TEdit>("Edit1").Text(), "\x83\x65\x83\x58\x83\x67 #TITLE#");
  EXPECT_FALSE(fresh.Get<TRadioButton>("Rbtn1").Checked());
  EXPECT_TRUE(fresh.Get<TRadioButton>("Rbtn2").Checked());
  EXPECT_TRUE(fresh.Get<TCheckBox>("Chk").Checked());
  EXPECT_EQ(fresh.Component(0).Tag(), 42);
  EXPECT_EQ(fresh.Get<forms::TMemo>("Memo").Text(), "not stored");
}

TEST_F(FormStateTest, AFileStartedByTheProgramIsUnicode) {
  SaveControlState(file, form);
  FILE* f = _wfopen(file.c_str(), L"rb");
  ASSERT_NE(f, nullptr);
  unsigned char head[2] = {};
  EXPECT_EQ(fread(head, 1, 2, f), 2u);
  fclose(f);
  EXPECT_EQ(head[0], 0xFF);
  EXPECT_EQ(head[1], 0xFE);
}

TEST_F(FormStateTest, EditedValuesReadAsTheProgramsIntegersAndBooleans) {
  Store(file, L"StateForm.StateForm", L"Width", L"0x200");
  Store(file, L"StateForm.StateForm", L"Height", L"$100");
  Store(file, L"StateForm.StateForm", L"Left", L"abc");
  Store(file, L"StateForm.Chk", L"Checked", L"2");
  Store(file, L"StateForm.Rbtn1", L"Checked", L"abc");
  Store(file, L"StateForm.Panel1", L"Enabled", L"0");
  const int left = form.Left();
  LoadControlState(file, form);
  EXPECT_EQ(form.Width(), 512);
  EXPECT_EQ(form.Height(), 256);
  EXPECT_EQ(form.Left(), left);
  EXPECT_TRUE(form.Get<TCheckBox>("Chk").Checked());
  EXPECT_TRUE(form.Get<TRadioButton>("Rbtn1").Checked());
  EXPECT_FALSE(form.Get<forms::TPanel>("Panel1").Enabled());
}

TEST_F(FormStateTest, TwoRadioButtonsStoredCheckedLeaveTheLastOne) {
  Store(file, L"StateForm.Rbtn1", L"Checked", L"1");
  Store(file, L"StateForm.Rbtn2", L"Checked", L"1");
  LoadControlState(file, form);
  EXPECT_FALSE(form.Get<TRadioButton>("Rbtn1").Checked());
  EXPECT_TRUE(form.Get<TRadioButton>("Rbtn2").Checked());
}

TEST_F(FormStateTest, ALongStoredTextComesBackCutTo2047Bytes) {
  Store(file, L"StateForm.Edit1", L"Text", std::wstring(3000, L'a'));
  LoadControlState(file, form);
  EXPECT_EQ(form.Get<TEdit>("Edit1").Text(), std::string(2047, 'a'));
  // Counted in Shift_JIS bytes, and never half a character: 1100 two-byte
  // characters come back as 1023.
  Store(file, L"StateForm.Edit1", L"Text", std::wstring(1100, L'\x3042'));  // あ
  LoadControlState(file, form);
  EXPECT_EQ(form.Get<TEdit>("Edit1").CaptionW(), std::wstring(1023, L'\x3042'));
}

TEST_F(FormStateTest, AnUnwritableFileStopsTheSaveWithItsMessage) {
  const std::wstring bad = TempFolder() + L"vellumark_no_such_folder\\sub\\x.ini";
  try {
    SaveControlState(bad, form);
    FAIL() << "no error";
  } catch (const TError& error) {
    EXPECT_EQ(SjisToWide(error.what()), bad + L" に書き込めません");
  }
  EXPECT_EQ(GetFileAttributesW(bad.c_str()), INVALID_FILE_ATTRIBUTES);
  // The window is untouched and a later save to a good file works.
  EXPECT_EQ(form.Get<TEdit>("Edit1").Text(), "<li>#URL#");
  SaveControlState(file, form);
  EXPECT_EQ(Value(file, L"StateForm.Edit1", L"Text"), L"<li>#URL#");
}

TEST_F(FormStateTest, AMissingFileChangesNothing) {
  const int width = form.Width();
  LoadControlState(file, form);
  EXPECT_EQ(form.Width(), width);
  EXPECT_EQ(form.Get<TEdit>("Edit1").Text(), "<li>#URL#");
  EXPECT_TRUE(form.Get<TRadioButton>("Rbtn1").Checked());
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "loading creates no file";
}

}  // namespace
}  // namespace vellumark
