// The main window: the BUILD page (address list, Build command, template
// choice, result) and the CONFIG page (the four templates, the date suffix,
// the placeholder legend), with the Version and Quit buttons over the tab row.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "Forms/Form.h"
#include "Http/Http.h"
#include "Links/PageFetcher.h"

namespace vellumark {

// The window's table: the window itself, then its 47 components in
// declaration order.
std::span<const forms::TComponentDef> MainFormDefinition();

// The question asked before a build, in Shift_JIS.
extern const char* const BuildQuestion;

// The settings file of an executable: its path with the extension replaced
// by ".ini" (added when the file name has none).
std::wstring SettingsPathFor(std::wstring_view executablePath);

class TMainForm : public forms::TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  // Test seams, effective when set before Create: the connection options of
  // the page fetcher (a loopback server's port) and the settings file.
  void SetHttpOptions(const THttpOptions& options) { httpOptions_ = options; }
  void SetSettingsPath(std::wstring path) { settingsPath_ = std::move(path); }
  const std::wstring& SettingsPath() const { return settingsPath_; }
  // The fetcher (it owns the regular-expression object); null before
  // FormCreate and after FormDestroy.
  TPageFetcher* Fetcher() const { return fetcher_.get(); }
  // Whether a Build is running.
  bool Building() const { return building_; }

  void FormCreate() override;
  void FormDestroy() override;
  void BtnBuildClick(forms::TComponent& sender);
  void BtnSelAllClick(forms::TComponent& sender);
  void BtnClearClick(forms::TComponent& sender);
  void BtnVersionClick(forms::TComponent& sender);
  void BtnCloseClick(forms::TComponent& sender);
  void EditFormat1Change(forms::TComponent& sender);

 protected:
  forms::TNotifyEvent FindHandler(std::string_view name) override;

 private:
  // The template of the chosen format: the hint of the first checked of
  // RbtnFormat2, 3, 4, else that of RbtnFormat1.
  std::string ChosenTemplate() const;
  void ShowProgress(std::string_view text);

  THttpOptions httpOptions_;
  std::wstring settingsPath_;
  std::unique_ptr<TPageFetcher> fetcher_;
  bool building_ = false;
};

}  // namespace vellumark
