// Control-state persistence over the wide profile functions of kernel32.
// Texts are converted explicitly with code page 932, and a file that does not
// exist yet is started as UTF-16 (with its byte-order mark), so the profile
// functions keep it in Unicode and the templates survive on any Windows
// locale, not only where the ANSI code page is 932.
#include "Info/FormState.h"

#include <windows.h>

#include <vector>

#include "Common/Codepage.h"
#include "Forms/Application.h"
#include "Forms/Form.h"
#include "Info/ControlState.h"
#include "Info/VersionResource.h"

namespace vellumark {
namespace {

class TProfileFile : public TProfileStore {
 public:
  TProfileFile(std::wstring path, bool forWriting) : path_(std::move(path)) {
    if (forWriting && GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        static const unsigned char bom[2] = {0xFF, 0xFE};
        DWORD written = 0;
        WriteFile(file, bom, sizeof bom, &written, nullptr);
        CloseHandle(file);
      }
    }
  }
  // Releasing the file flushes the platform's cached writes.
  ~TProfileFile() override { WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str()); }
  TProfileFile(const TProfileFile&) = delete;
  TProfileFile& operator=(const TProfileFile&) = delete;

  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    return WritePrivateProfileStringW(SjisToWide(section).c_str(), SjisToWide(key).c_str(),
                                      SjisToWide(value).c_str(), path_.c_str()) != FALSE;
  }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    // Room for more than the longest text kept, which is cut afterwards.
    std::vector<wchar_t> buffer(4 * (MaxStoredTextBytes + 1));
    const DWORD length = GetPrivateProfileStringW(
        SjisToWide(section).c_str(), SjisToWide(key).c_str(), SjisToWide(defaultValue).c_str(),
        buffer.data(), static_cast<DWORD>(buffer.size()), path_.c_str());
    return WideToSjis(std::wstring_view(buffer.data(), length));
  }

 private:
  std::wstring path_;
};

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
  TProfileFile file(path, true);
  TFormState window(form);
  SaveControlState(file, WideToSjis(path), window);
}

void LoadControlState(const std::wstring& path, forms::TForm& form) {
  TProfileFile file(path, false);
  TFormState window(form);
  LoadControlState(file, window);
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
