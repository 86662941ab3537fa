// The components of a window: each one a small object that owns its real
// child window (carrying its caption or text) and gives the usual properties
// with their usual side effects. Controls handle their own notifications,
// which their parent window reflects back to them.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Forms/Definition.h"

namespace vellumark::forms {

class TForm;
class TComponent;
class TContainer;
class TDropTarget;
class TMemo;

using TNotifyEvent = std::function<void(TComponent& sender)>;
// What is dropped onto a memo: files by their paths, or text (a link or
// lines) as it came.
using TDropFilesEvent = std::function<void(TMemo& sender, const std::vector<std::wstring>& files)>;
using TDropTextEvent = std::function<void(TMemo& sender, const std::wstring& text)>;

// Anything that owns a window handle and takes its messages.
class TWindowObject {
 public:
  virtual ~TWindowObject() = default;
  HWND Handle() const { return hwnd_; }
  // The object behind a window created by this layer, or nullptr.
  static TWindowObject* FromHandle(HWND hwnd);

  // Messages of the object's own window. Return true when handled, with the
  // result in `result`.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  void Attach(HWND hwnd);
  void Detach();
  HWND hwnd_ = nullptr;
};

// A component owned by a window: a name and a general-purpose integer tag.
class TComponent {
 public:
  TComponent(TForm& owner, const TComponentDef& def);
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  TKind Kind() const { return def_.kind; }
  const TComponentDef& Def() const { return def_; }
  TForm& Owner() const { return owner_; }

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // The kinds generic code asks about.
  virtual bool IsVisualControl() const { return false; }
  bool IsSingleLineEdit() const { return def_.kind == TKind::Edit; }
  bool IsCheckBox() const { return def_.kind == TKind::CheckBox; }
  bool IsRadioButton() const { return def_.kind == TKind::RadioButton; }

 private:
  TForm& owner_;
  const TComponentDef& def_;
  std::string name_;
  int tag_ = 0;
};

// A visual control: a child window of its parent container.
class TControl : public TComponent, public TWindowObject {
 public:
  TControl(TForm& owner, const TComponentDef& def, TContainer& parent);
  ~TControl() override;

  bool IsVisualControl() const override { return true; }
  TContainer& Parent() const { return parent_; }
  TAlign Align() const { return Def().align; }

  // Creates the window; called by the form in declaration order.
  virtual void Create();

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);

  // Hint (Shift_JIS): the tooltip text where the window shows hints, where
  // a change shows at once; kept as a text of the control in any case.
  std::string Hint() const;
  void SetHint(std::string_view hint);
  const std::wstring& HintW() const { return hint_; }
  void SetHintW(std::wstring hint);

  // Window text as Shift_JIS / UTF-16.
  std::string Caption() const;
  void SetCaption(std::string_view caption);
  std::wstring CaptionW() const;
  void SetCaptionW(const std::wstring& caption);

  // Bounds in the parent's client coordinates, in pixels.
  RECT BoundsRect() const;
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const;
  int Height() const;

  // Paints the control now, without waiting for the message loop.
  void Repaint();
  void SetFocus();
  // Whether the Tab key stops here.
  virtual bool TabStop() const { return false; }

  HFONT Font() const { return font_; }
  // Gives the control another font, which the caller keeps alive while the
  // control uses it.
  void SetFont(HFONT font);

  // Notifications reflected from the parent window.
  virtual void HandleCommand(WORD code);
  virtual bool HandleNotify(NMHDR* header, LRESULT& result);

 protected:
  void CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle);
  // Calls a handler; an error that leaves it goes to the application's
  // error display instead of into the window system.
  void Fire(const TNotifyEvent& handler);

 private:
  TContainer& parent_;
  std::wstring hint_;
  HFONT font_ = nullptr;
};

// A control that holds other controls and places the aligned ones.
class TContainer {
 public:
  virtual ~TContainer() = default;
  virtual HWND ContainerHandle() const = 0;
  // The area aligned children share, in client coordinates.
  virtual RECT AlignRect() const;
  // Where a child's own position (left 0, top 0) lies in client
  // coordinates: inside the inner border, if the container has one.
  virtual POINT ChildOrigin() const { return POINT{0, 0}; }
  virtual HFONT ContainerFont() const = 0;
  // The window this container belongs to.
  virtual TForm& ContainerForm() = 0;

  const std::vector<TControl*>& Children() const { return children_; }
  void AddChild(TControl* child) { children_.push_back(child); }
  // Places the aligned children: top strips in declaration order, then
  // right strips, then the one that fills the rest.
  void Realign();

  // Shared handling of a container window's messages: reflection of child
  // notifications, control colours, layout on resize.
  bool HandleContainerMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result);

 private:
  std::vector<TControl*> children_;
};

class TImageList : public TComponent {
 public:
  TImageList(TForm& owner, const TComponentDef& def);
  ~TImageList() override;
  // Loads the pictures; called by the form in declaration order.
  void Create();
  HIMAGELIST Handle() const { return images_; }
  int Count() const;

 private:
  HIMAGELIST images_ = nullptr;
};

class TPanel : public TControl, public TContainer {
 public:
  using TControl::TControl;
  void Create() override;
  HWND ContainerHandle() const override { return Handle(); }
  HFONT ContainerFont() const override { return Font(); }
  TForm& ContainerForm() override { return Owner(); }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class TTabSheet;

class TPageControl : public TControl, public TContainer {
 public:
  using TControl::TControl;
  void Create() override;
  HWND ContainerHandle() const override { return Handle(); }
  HFONT ContainerFont() const override { return Font(); }
  TForm& ContainerForm() override { return Owner(); }
  RECT AlignRect() const override;
  bool TabStop() const override { return true; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  TTabSheet* ActivePage() const;

  void AddPage(TTabSheet* page);
  bool HandleNotify(NMHDR* header, LRESULT& result) override;

 private:
  void ShowActivePage();
  std::vector<TTabSheet*> pages_;
};

class TTabSheet : public TPanel {
 public:
  TTabSheet(TForm& owner, const TComponentDef& def, TPageControl& pageControl);
  void Create() override;
  TPageControl& PageControl() const { return pageControl_; }
  int PageIndex() const;

 private:
  TPageControl& pageControl_;
};

class TButton : public TControl {
 public:
  using TControl::TControl;
  ~TButton() override;
  void Create() override;
  bool TabStop() const override { return true; }
  // Presses the button as the user would (for tests and keyboard use).
  void Click();
  void HandleCommand(WORD code) override;
  TNotifyEvent onClick;

 private:
  HIMAGELIST picture_ = nullptr;
};

class TLabel : public TControl {
 public:
  using TControl::TControl;
  void Create() override;
  // Sets the caption and sizes the label to it.
  void SetText(std::string_view text);
  void AutoSize();
};

class TEdit : public TControl {
 public:
  using TControl::TControl;
  void Create() override;
  bool TabStop() const override { return true; }

  std::string Text() const { return Caption(); }
  // Changes the text only when it differs; the change raises onTextChanged.
  void SetText(std::string_view text);
  void SetTextW(const std::wstring& text);
  void Clear() { SetTextW(std::wstring()); }
  void SelectAll();
  // A read-only edit takes no typing; it still scrolls, selects and copies.
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  // The selected range, in UTF-16 units.
  std::pair<int, int> Selection() const;
  std::wstring SelectedTextW() const;

  void HandleCommand(WORD code) override;
  TNotifyEvent onTextChanged;
};

class TMemo : public TEdit {
 public:
  using TEdit::TEdit;
  ~TMemo() override;
  void Create() override;

  // Lines by string-list rules: split at CR LF, lone CR or lone LF; a final
  // empty line after the last break does not count; empty text: no lines.
  std::vector<std::string> Lines() const;
  int LineCount() const { return static_cast<int>(Lines().size()); }
  // Line `index` (from 0), at most `limit` bytes of it.
  std::string Line(int index, std::size_t limit) const;
  // Appends `line` as a new last line, each line ended by CR LF.
  void AddLine(std::string_view line);
  // Copies the selection to the clipboard.
  void CopyToClipboard();

  // Drops: files from the shell (WM_DROPFILES) and files, links and text by
  // OLE drag and drop, which needs OLE on the window's thread. Called once
  // the handlers are set; a read-only memo takes no drop.
  void AcceptDrops();
  // The memo's registered drop target (tests); null before AcceptDrops.
  IDropTarget* DropTarget() const;
  TDropFilesEvent onDropFiles;
  TDropTextEvent onDropText;

 private:
  static LRESULT CALLBACK DropProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data);
  void StopDrops();
  TDropTarget* dropTarget_ = nullptr;
  bool dropRegistered_ = false;
};

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  void Create() override;
  bool TabStop() const override { return true; }
  bool Checked() const;
  virtual void SetChecked(bool checked);
  void Click();
  void HandleCommand(WORD code) override;
  TNotifyEvent onClick;
};

class TRadioButton : public TCheckBox {
 public:
  using TCheckBox::TCheckBox;
  void Create() override;
  // A group of radio buttons is one stop of the Tab key: its checked
  // button, or its first one when none is checked.
  bool TabStop() const override { return GroupStop() == this; }
  // Checking unchecks the other radio buttons of the same parent;
  // unchecking changes nothing else.
  void SetChecked(bool checked) override;

  // The group: the run of radio buttons declared one after another in the
  // same parent that this one belongs to, in declaration order.
  std::vector<TRadioButton*> Group() const;
  // The group's Tab stop among its visible, enabled buttons; null when it
  // has none.
  TRadioButton* GroupStop() const;
  // The arrow keys: the next (or previous) visible, enabled button of the
  // group, wrapping around, gets the focus and is checked.
  void SelectInGroup(bool forward);
};

class TSplitter : public TControl {
 public:
  using TControl::TControl;
  void Create() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Minimum size kept for the control being resized: the splitter does not
  // snap it shut.
  static constexpr int MinSize = 30;
  // The control the splitter resizes: the nearest earlier sibling with the
  // same alignment.
  TControl* Target() const;

 private:
  bool dragging_ = false;
  int dragStart_ = 0;
  int startSize_ = 0;
};

}  // namespace vellumark::forms
