// The about window (Windows): the program's icon, name, description and
// version, the link labels (home page, handle search, mail, property sheet,
// folder, shortcuts), the OS description and nine live system and process
// figures.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Forms/Form.h"
#include "Forms/Timer.h"

namespace vellumark {

// Shows the about window modally and returns when it closes. A new window
// is made for each showing and destroyed afterwards, also on an error.
void ShowInfoForm();

// The about window's table: the window itself, then its components.
std::span<const forms::TComponentDef> InfoFormDefinition();

class TInfoForm : public forms::TForm {
 public:
  // What the link labels call. The program's actions are the shell's;
  // tests put recorders in their place.
  struct TShellActions {
    std::function<void(const std::string& target)> open;  // with empty parameters
    std::function<void(const std::string& path)> showProperties;
    std::function<void(const std::string& target, const std::string& folder,
                       const std::string& linkName)>
        createShortcut;
    std::function<std::string()> desktopFolder;
    std::function<std::string()> startupFolder;
    std::function<std::string()> sendToFolder;
  };
  static TShellActions ShellActions();

  TInfoForm();
  explicit TInfoForm(TShellActions actions);
  ~TInfoForm() override;

  // Event handlers, as the table and the window's events name them.
  void FormCreate() override;
  void FormDestroy() override;
  void FormShow();
  void FormPaint(HDC canvas);
  void FormKeyDown(WORD key);
  void lblURLClick(forms::TComponent& sender);
  void Label1Click(forms::TComponent& sender);
  void lblMailClick(forms::TComponent& sender);
  void LblExeNameClick(forms::TComponent& sender);
  void LblLaunchOnStartupClick(forms::TComponent& sender);
  void LblOpenStartupClick(forms::TComponent& sender);
  void Timer1Timer(forms::TTimer& sender);

  // Writes the nine figure lines afresh (virtual so that a test can stand
  // in an update that fails).
  virtual void UpdateStatus();
  // Centres the window in a rectangle of the work area's size at the
  // screen origin.
  void CenterOnWorkArea();

  forms::TTimer& Timer1() { return timer1_; }
  // The click handler bound to a link label's window, if any.
  const forms::TNotifyEvent* LinkHandler(HWND label) const;
  // Whether the window hid the application window (the taskbar entry)
  // when it was shown; it shows it again when it goes.
  bool HidTaskbarEntry() const { return hidTaskbarEntry_; }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  forms::TNotifyEvent FindHandler(std::string_view name) override;

 private:
  void ApplyLook();
  void FitToContent();
  void SetLabelText(const char* name, const std::string& text);
  void RestoreTaskbarEntry();
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR data);
  static LRESULT CALLBACK KeyPreviewProc(int code, WPARAM wParam, LPARAM lParam);
  bool HandlePanelMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  TShellActions actions_;
  forms::TTimer timer1_{500};
  std::map<HWND, forms::TNotifyEvent> linkHandlers_;
  // Per label window: text colour and whether its background is its own.
  struct TLook {
    COLORREF color;
    bool opaque;
  };
  std::map<HWND, TLook> looks_;
  std::vector<HFONT> fonts_;
  HBRUSH background_ = nullptr;
  HHOOK keyPreview_ = nullptr;
  HWND panel_ = nullptr;
  bool hidTaskbarEntry_ = false;
};

}  // namespace vellumark
