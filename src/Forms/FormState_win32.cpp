// A window's controls as control-state persistence sees them, saved to and
// restored from the program's settings file; and the caption made from the
// version resource.
#include "Forms/FormState.h"

#include <windows.h>

#include <vector>

#include "Common/Codepage.h"
#include "Forms/Application.h"
#include "Forms/Form.h"
#include "Settings/ControlState.h"
#include "Settings/ProfileStore.h"
#include "System/VersionResource.h"

namespace vellumark {
namespace {

class TComponentState : public TStateComponent {
 public:
  explicit TComponentState(forms::TComponent& component) : component_(component) {}
  std::string Name() const override { return component_.Name(); }
  int Tag() const override { return component_.Tag(); }
  void SetTag(int tag) override { component_.SetTag(tag); }
  bool IsVisualControl() const override { return component_.IsVisualControl(); }
  bool Enabled() const override { return Control().Enabled(); }
  void SetEnabled(bool enabled) override { Control().SetEnabled(enabled); }
  bool IsSingleLineEdit() const override { return component_.IsSingleLineEdit(); }
  std::string Text() const override { return Edit().Text(); }
  void SetText(const std::string& text) override { Edit().SetText(text); }
  bool IsCheckBox() const override { return component_.IsCheckBox(); }
  bool IsRadioButton() const override { return component_.IsRadioButton(); }
  bool Checked() const override { return Check().Checked(); }
  void SetChecked(bool checked) override { Check().SetChecked(checked); }

 private:
  forms::TControl& Control() const { return dynamic_cast<forms::TControl&>(component_); }
  forms::TEdit& Edit() const { return dynamic_cast<forms::TEdit&>(component_); }
  forms::TCheckBox& Check() const { return dynamic_cast<forms::TCheckBox&>(component_); }
  forms::TComponent& component_;
};

class TFormState : public TStateWindow {
 public:
  explicit TFormState(forms::TForm& form) : form_(form) {
    components_.reserve(static_cast<std::size_t>(form.ComponentCount()));
    for (int i = 0; i < form.ComponentCount(); ++i) components_.emplace_back(form.Component(i));
  }
  std::string Name() const override { return form_.Name(); }
  int Left() const override { return form_.Left(); }
  int Top() const override { return form_.Top(); }
  int Width() const override { return form_.Width(); }
  int Height() const override { return form_.Height(); }
  void SetLeft(int value) override { form_.SetLeft(value); }
  void SetTop(int value) override { form_.SetTop(value); }
  void SetWidth(int value) override { form_.SetWidth(value); }
  void SetHeight(int value) override { form_.SetHeight(value); }
  int ComponentCount() const override { return static_cast<int>(components_.size()); }
  TStateComponent& Component(int index) override {
    return components_.at(static_cast<std::size_t>(index));
  }

 private:
  forms::TForm& form_;
  std::vector<TComponentState> components_;
};

}  // namespace

void SaveControlState(const std::wstring& path, forms::TForm& form) {
  const auto file = OpenProfileFile(path, true);
  TFormState window(form);
  SaveControlState(*file, WideToSjis(path), window);
}

void LoadControlState(const std::wstring& path, forms::TForm& form) {
  const auto file = OpenProfileFile(path, false);
  TFormState window(form);
  LoadControlState(*file, window);
}

void SaveControlState(const std::string& path, forms::TForm& form) {
  SaveControlState(SjisToWide(path), form);
}

void LoadControlState(const std::string& path, forms::TForm& form) {
  LoadControlState(SjisToWide(path), form);
}

void SetCaptionFromVersion(forms::TForm& form) {
  form.SetCaption(CaptionFromVersion(forms::TApplication::Instance().Title(),
                                     GetOwnVersionInfoValue("FileVersion"), form.Name()));
}

}  // namespace vellumark
