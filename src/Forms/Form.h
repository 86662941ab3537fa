// A window built from its component table. It owns its components in
// declaration order, creates their windows, places the aligned ones, shows
// their hints as tooltips when its row asks for it (dfShowHints), gives the
// keyboard of a dialog (Tab order in declaration order, pages, radio groups)
// and binds the handlers the table names.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Forms/Controls.h"
#include "Forms/Definition.h"

namespace vellumark::forms {

class TForm : public TContainer, public TWindowObject {
 public:
  // `definition` row 0 is the window itself; it must outlive the form.
  explicit TForm(std::span<const TComponentDef> definition);
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // Creates the window and every component, binds the handlers, then runs
  // FormCreate. The window stays hidden until Show.
  void Create();
  // Runs FormDestroy, then destroys the windows. Safe to call twice.
  void Destroy();
  bool Created() const { return hwnd_ != nullptr; }

  const std::string& Name() const { return name_; }
  std::string Caption() const;
  void SetCaption(std::string_view caption);
  std::wstring CaptionW() const;
  void SetCaptionW(const std::wstring& caption);

  // Outer bounds on the screen, in pixels. Each setter moves or resizes the
  // window once.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);

  // Owned components, in declaration order.
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent& Component(int index) const { return *components_.at(static_cast<std::size_t>(index)); }
  TComponent* FindComponent(std::string_view name) const;
  // The named component as its class; throws std::logic_error when the
  // table has no such component of that class.
  template <class T>
  T& Get(std::string_view name) const {
    T* found = dynamic_cast<T*>(FindComponent(name));
    if (found == nullptr) throw std::logic_error("no component " + std::string(name));
    return *found;
  }

  void Show();
  bool Visible() const;
  // Closes the window: the main window ends the message loop, a modal one
  // ends its ShowModal, any other is hidden.
  void Close();
  // Shows the window modal to the application's other windows and returns
  // when it closes.
  void ShowModal();

  // Tab order: the focusable controls in declaration order, visiting each
  // container's children where the container stands (a page control: its
  // tab row, then its visible page).
  std::vector<TControl*> TabOrder() const;
  // Moves the focus to the next (or previous) stop of the tab order,
  // wrapping around; from no focus, to the first (or last) stop.
  void SelectNext(bool forward);
  // Shows the next (or previous) page of the page control that holds the
  // focus (else the window's first), wrapping around. The focus, when it
  // was on the old page, moves to the new page's first stop.
  void SelectNextPage(bool forward);

  // The keyboard of a dialog, for a key pressed in this window (WM_KEYDOWN,
  // or WM_SYSKEYDOWN, which arrives when no control has the focus): first
  // PreviewKey, then Tab and Shift+Tab, Ctrl+Tab and Ctrl+Shift+Tab between
  // pages, the arrow keys between the radio buttons of a group, Enter on a
  // focused button. True when the key was used. Keys pressed with Alt are
  // left to the window system (Alt+F4 closes the window).
  bool DialogKey(const MSG& msg);

  // The tooltip window that shows the hints; null when the window's row
  // does not ask for hints (the controls keep their hints all the same).
  HWND ToolTip() const { return toolTip_; }
  HFONT FontFor(const TFontDef* font);

  // TContainer
  HWND ContainerHandle() const override { return hwnd_; }
  RECT AlignRect() const override;
  POINT ChildOrigin() const override;
  HFONT ContainerFont() const override { return font_; }
  TForm& ContainerForm() override { return *this; }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  virtual void FormCreate() {}
  virtual void FormDestroy() {}
  // Runs first when the window is asked to close (Close, the close box,
  // Alt+F4, the taskbar).
  virtual void FormClose() {}
  // A key pressed in the window before the dialog keys act on it; true when
  // the window used it. An error that leaves it goes to the error display.
  virtual bool PreviewKey(WORD /*key*/) { return false; }
  // The handler a table row names; an empty function when unknown.
  virtual TNotifyEvent FindHandler(std::string_view name);

 private:
  void CreateComponents();
  void BindHandlers();

  std::span<const TComponentDef> definition_;
  std::string name_;
  std::vector<std::unique_ptr<TComponent>> components_;
  struct TFontEntry {
    const TFontDef* def;
    HFONT font;
  };
  std::vector<TFontEntry> fonts_;
  HFONT font_ = nullptr;
  HWND toolTip_ = nullptr;
  bool modal_ = false;
  bool destroyed_ = false;
};

}  // namespace vellumark::forms
