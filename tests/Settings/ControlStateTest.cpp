// Control-state persistence: sections, keys, encodings and order, over an
// in-memory INI store and a scripted window.
#include "Settings/ControlState.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Common/Error.h"

namespace vellumark {
namespace {

using ::testing::ElementsAre;

// An INI file in memory that remembers the order of writes and can fail
// from a chosen write on.
class TMemoryStore : public TProfileStore {
 public:
  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    ++attempts;
    if (failFrom > 0 && attempts >= failFrom) return false;
    values[{section, key}] = value;
    writes.push_back(section + "/" + key + "=" + value);
    return true;
  }
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    auto found = values.find({section, key});
    return found == values.end() ? defaultValue : found->second;
  }
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::string> writes;
  int attempts = 0;
  int failFrom = 0;  // 0: never fail
};

enum class TFakeKind { NonVisual, Control, Edit, CheckBox, Radio };

struct TFakeWindow;

// A component whose setters log what was applied, in order. Radio buttons
// behave like the real ones: checking one unchecks its siblings.
class TFakeComponent : public TStateComponent {
 public:
  TFakeComponent(TFakeWindow& window, std::string name, TFakeKind kind)
      : window_(window), name_(std::move(name)), kind_(kind) {}
  std::string Name() const override { return name_; }
  int Tag() const override { return tag; }
  void SetTag(int value) override;
  bool IsVisualControl() const override { return kind_ != TFakeKind::NonVisual; }
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool value) override;
  bool IsSingleLineEdit() const override { return kind_ == TFakeKind::Edit; }
  std::string Text() const override { return text; }
  void SetText(const std::string& value) override;
  bool IsCheckBox() const override { return kind_ == TFakeKind::CheckBox; }
  bool IsRadioButton() const override { return kind_ == TFakeKind::Radio; }
  bool Checked() const override { return checked; }
  void SetChecked(bool value) override;

  int tag = 0;
  bool enabled = true;
  std::string text;
  bool checked = false;

 private:
  TFakeWindow& window_;
  std::string name_;
  TFakeKind kind_;
};

struct TFakeWindow : TStateWindow {
  std::string Name() const override { return "MainForm"; }
  int Left() const override { return left; }
  int Top() const override { return top; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  void SetLeft(int v) override { left = v; log.push_back("Left=" + std::to_string(v)); }
  void SetTop(int v) override { top = v; log.push_back("Top=" + std::to_string(v)); }
  void SetWidth(int v) override { width = v; log.push_back("Width=" + std::to_string(v)); }
  void SetHeight(int v) override { height = v; log.push_back("Height=" + std::to_string(v)); }
  int ComponentCount() const override { return static_cast<int>(components.size()); }
  TStateComponent& Component(int index) override { return components.at(static_cast<std::size_t>(index)); }

  TFakeComponent& Add(std::string name, TFakeKind kind) {
    components.emplace_back(*this, std::move(name), kind);
    return components.back();
  }
  TFakeComponent& Get(const std::string& name) {
    for (auto& c : components) {
      if (c.Name() == name) return c;
    }
    throw std::logic_error(name);
  }

  int left = 300, top = 195, width = 447, height = 358;
  std::vector<TFakeComponent> components;
  std::vector<std::string> log;
};

void TFakeComponent::SetTag(int value) {
  tag = value;
  window_.log.push_back(name_ + ".Tag=" + std::to_string(value));
}
void TFakeComponent::SetEnabled(bool value) {
  enabled = value;
  window_.log.push_back(name_ + ".Enabled=" + std::to_string(value));
}
void TFakeComponent::SetText(const std::string& value) {
  text = value;
  window_.log.push_back(name_ + ".Text=" + value);
}
void TFakeComponent::SetChecked(bool value) {
  checked = value;
  window_.log.push_back(name_ + ".Checked=" + std::to_string(value));
  if (value && kind_ == TFakeKind::Radio) {
    for (auto& sibling : window_.components) {
      if (&sibling != this && sibling.IsRadioButton()) sibling.checked = false;
    }
  }
}

// A window with one component of every kind persistence tells apart.
class ControlStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.components.reserve(8);
    window.Add("Panel1", TFakeKind::Control);
    window.Add("EditFormat1", TFakeKind::Edit).text = "<li>#URL#";
    window.Add("ChkNotDate", TFakeKind::CheckBox);
    window.Add("RbtnFormat1", TFakeKind::Radio).checked = true;
    window.Add("RbtnFormat2", TFakeKind::Radio);
    window.Add("ImageList1", TFakeKind::NonVisual);
  }
  TFakeWindow window;
  TMemoryStore store;
};

TEST_F(ControlStateTest, SaveWritesBoundsThenEveryComponentInDeclarationOrder) {
  window.components[0].tag = -7;
  window.Get("ChkNotDate").checked = true;
  SaveControlState(store, "C:\\x\\Vellumark.ini", window);
  EXPECT_THAT(store.writes,
              ElementsAre("MainForm.MainForm/Top=195", "MainForm.MainForm/Left=300",
                          "MainForm.MainForm/Width=447", "MainForm.MainForm/Height=358",
                          "MainForm.Panel1/Tag=-7", "MainForm.Panel1/Enabled=1",
                          "MainForm.EditFormat1/Tag=0", "MainForm.EditFormat1/Enabled=1",
                          "MainForm.EditFormat1/Text=<li>#URL#", "MainForm.ChkNotDate/Tag=0",
                          "MainForm.ChkNotDate/Enabled=1", "MainForm.ChkNotDate/Checked=1",
                          "MainForm.RbtnFormat1/Tag=0", "MainForm.RbtnFormat1/Enabled=1",
                          "MainForm.RbtnFormat1/Checked=1", "MainForm.RbtnFormat2/Tag=0",
                          "MainForm.RbtnFormat2/Enabled=1", "MainForm.RbtnFormat2/Checked=0",
                          "MainForm.ImageList1/Tag=0"));
}

TEST_F(ControlStateTest, LoadWithoutStoredValuesChangesNothing) {
  LoadControlState(store, window);
  EXPECT_EQ(window.left, 300);
  EXPECT_EQ(window.height, 358);
  EXPECT_EQ(window.Get("EditFormat1").text, "<li>#URL#");
  EXPECT_TRUE(window.Get("RbtnFormat1").checked);
  EXPECT_FALSE(window.Get("RbtnFormat2").checked);
  EXPECT_TRUE(window.Get("Panel1").enabled);
}

TEST_F(ControlStateTest, LoadAppliesEachValueThroughItsSetterInOrder) {
  LoadControlState(store, window);
  EXPECT_THAT(window.log,
              ElementsAre("Top=195", "Left=300", "Width=447", "Height=358", "Panel1.Tag=0",
                          "Panel1.Enabled=1", "EditFormat1.Tag=0", "EditFormat1.Enabled=1",
                          "EditFormat1.Text=<li>#URL#", "ChkNotDate.Tag=0", "ChkNotDate.Enabled=1",
                          "ChkNotDate.Checked=0", "RbtnFormat1.Tag=0", "RbtnFormat1.Enabled=1",
                          "RbtnFormat1.Checked=1", "RbtnFormat2.Tag=0", "RbtnFormat2.Enabled=1",
                          "RbtnFormat2.Checked=0", "ImageList1.Tag=0"));
}

TEST_F(ControlStateTest, RoundTripKeepsNegativeBoundsTextsAndChecks) {
  window.left = -40;
  window.top = -3;
  window.Get("EditFormat1").text = "\x83\x65\x83\x58\x83\x67 #TITLE#";  // テスト
  window.Get("RbtnFormat2").SetChecked(true);
  window.Get("Panel1").tag = 12;
  SaveControlState(store, "x.ini", window);

  TFakeWindow fresh;
  fresh.components.reserve(8);
  fresh.Add("Panel1", TFakeKind::Control);
  fresh.Add("EditFormat1", TFakeKind::Edit).text = "default";
  fresh.Add("ChkNotDate", TFakeKind::CheckBox);
  fresh.Add("RbtnFormat1", TFakeKind::Radio).checked = true;
  fresh.Add("RbtnFormat2", TFakeKind::Radio);
  fresh.Add("ImageList1", TFakeKind::NonVisual);
  LoadControlState(store, fresh);
  EXPECT_EQ(fresh.left, -40);
  EXPECT_EQ(fresh.top, -3);
  EXPECT_EQ(fresh.Get("EditFormat1").text, "\x83\x65\x83\x58\x83\x67 #TITLE#");
  EXPECT_FALSE(fresh.Get("RbtnFormat1").checked);
  EXPECT_TRUE(fresh.Get("RbtnFormat2").checked);
  EXPECT_EQ(fresh.Get("Panel1").tag, 12);
}

TEST_F(ControlStateTest, IntegersAcceptHexadecimalSpellings) {
  const std::string own = "MainForm.MainForm";
  struct {
    const char* stored;
    int expected;
  } cases[] = {
      {"0x200", 512}, {"0X200", 512}, {"$200", 512}, {"x200", 512}, {"-25", -25},
      {"  640", 640}, {"0x", 447},    {"abc", 447},  {"", 447},     {"12px", 447},
  };
  for (const auto& c : cases) {
    store.values[{own, "Width"}] = c.stored;
    window.width = 447;
    LoadControlState(store, window);
    EXPECT_EQ(window.width, c.expected) << "stored \"" << c.stored << "\"";
  }
  // Only the first 2047 bytes are read, as for a text.
  store.values[{own, "Width"}] = std::string(2046, '0') + "12";
  LoadControlState(store, window);
  EXPECT_EQ(window.width, 1);
  store.values[{own, "Width"}] = "0x" + std::string(2044, '0') + "1F";
  LoadControlState(store, window);
  EXPECT_EQ(window.width, 1);
}

TEST_F(ControlStateTest, BooleansAreNonZeroIntegersAndKeepTheCurrentStateOtherwise) {
  auto& check = window.Get("ChkNotDate");
  struct {
    const char* stored;
    bool before;
    bool expected;
  } cases[] = {
      {"2", false, true},   {"1", false, true},   {"0", true, false},  {"-1", false, true},
      {"abc", true, true},  {"abc", false, false}, {"0x0", true, false}, {"$1", false, true},
  };
  for (const auto& c : cases) {
    store.values[{"MainForm.ChkNotDate", "Checked"}] = c.stored;
    check.checked = c.before;
    LoadControlState(store, window);
    EXPECT_EQ(check.checked, c.expected) << "stored \"" << c.stored << "\"";
  }
  store.values[{"MainForm.Panel1", "Enabled"}] = "0";
  LoadControlState(store, window);
  EXPECT_FALSE(window.Get("Panel1").enabled);
  // Only the first 2047 bytes are read: the "1" after them does not count.
  store.values[{"MainForm.ChkNotDate", "Checked"}] = std::string(2047, '0') + "1";
  check.checked = true;
  LoadControlState(store, window);
  EXPECT_FALSE(check.checked);
}

TEST_F(ControlStateTest, RadioButtonsFollowTheLoadOrder) {
  // Both stored as checked: the one visited last wins.
  store.values[{"MainForm.RbtnFormat1", "Checked"}] = "1";
  store.values[{"MainForm.RbtnFormat2", "Checked"}] = "1";
  LoadControlState(store, window);
  EXPECT_FALSE(window.Get("RbtnFormat1").checked);
  EXPECT_TRUE(window.Get("RbtnFormat2").checked);

  // Both stored as unchecked: none stays checked.
  store.values[{"MainForm.RbtnFormat1", "Checked"}] = "0";
  store.values[{"MainForm.RbtnFormat2", "Checked"}] = "0";
  LoadControlState(store, window);
  EXPECT_FALSE(window.Get("RbtnFormat1").checked);
  EXPECT_FALSE(window.Get("RbtnFormat2").checked);
}

TEST_F(ControlStateTest, StoredTextsAreCutTo2047Bytes) {
  store.values[{"MainForm.EditFormat1", "Text"}] = std::string(2047, 'a') + "bcd";
  LoadControlState(store, window);
  EXPECT_EQ(window.Get("EditFormat1").text, std::string(2047, 'a'));
  store.values[{"MainForm.EditFormat1", "Text"}] = std::string(2047, 'z');
  LoadControlState(store, window);
  EXPECT_EQ(window.Get("EditFormat1").text, std::string(2047, 'z'));
  // A two-byte character that the limit would split goes as a whole.
  std::string kana;
  for (int i = 0; i < 1100; ++i) kana += "\x82\xa0";  // あ
  store.values[{"MainForm.EditFormat1", "Text"}] = kana;
  LoadControlState(store, window);
  EXPECT_TRUE(window.Get("EditFormat1").text == kana.substr(0, 2046));
  store.values[{"MainForm.EditFormat1", "Text"}] = "a" + kana;
  LoadControlState(store, window);
  EXPECT_TRUE(window.Get("EditFormat1").text == ("a" + kana).substr(0, 2047));
}

TEST_F(ControlStateTest, SectionsOfOtherComponentsAreLeftAlone) {
  store.values[{"MainForm.Gone", "Tag"}] = "5";
  SaveControlState(store, "x.ini", window);
  EXPECT_EQ(store.ReadString("MainForm.Gone", "Tag", ""), "5");
}

TEST_F(ControlStateTest, AFailedWriteStopsTheSaveWithTheFileInTheMessage) {
  store.failFrom = 6;  // bounds and the first Tag go through, Panel1's Enabled fails
  try {
    SaveControlState(store, "C:\\Program Files\\Vellumark\\Vellumark.ini", window);
    FAIL() << "no error";
  } catch (const TError& error) {
    // "<path> に書き込めません"
    EXPECT_EQ(std::string(error.what()),
              "C:\\Program Files\\Vellumark\\Vellumark.ini "
              "\x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1");
  }
  EXPECT_EQ(store.attempts, 6);
  EXPECT_EQ(store.writes.size(), 5u);
  EXPECT_EQ(store.writes.back(), "MainForm.Panel1/Tag=0");
}

TEST(ProfileWriteErrorTest, PinsTheShiftJisBytes) {
  EXPECT_EQ(ProfileWriteError("a.ini"),
            "a.ini \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1");
}

}  // namespace
}  // namespace vellumark
