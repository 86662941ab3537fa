#include "Forms/Controls.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>

#include "Forms/Application.h"
#include "Forms/Clipboard.h"
#include "Forms/DropTarget.h"
#include "Forms/Form.h"
#include "Forms/Text.h"
#include "Common/TextLines.h"
#include "Forms/WindowClasses.h"

namespace vellumark::forms {
namespace {

constexpr const wchar_t* ObjectProperty = L"VellumarkObject";

int Scaled(int value) { return TApplication::Instance().Scale(value); }

// Control ids only need to be distinct among siblings; a process-wide
// counter keeps them distinct everywhere.
int NextControlId() {
  static int next = 100;
  return next++;
}

}  // namespace

// ---------------------------------------------------------------- window objects

TWindowObject* TWindowObject::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<TWindowObject*>(GetPropW(hwnd, ObjectProperty));
}

bool TWindowObject::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void TWindowObject::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  SetPropW(hwnd, ObjectProperty, this);
}

void TWindowObject::Detach() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) RemovePropW(hwnd_, ObjectProperty);
  hwnd_ = nullptr;
}

LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    if (create->lpCreateParams != nullptr) {
      SetPropW(hwnd, ObjectProperty, create->lpCreateParams);
    }
  }
  TWindowObject* object = TWindowObject::FromHandle(hwnd);
  if (object != nullptr) {
    LRESULT result = 0;
    if (object->HandleMessage(message, wParam, lParam, result)) return result;
  }
  if (message == WM_NCDESTROY) RemovePropW(hwnd, ObjectProperty);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterWindowClasses(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  registered = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ObjectWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = FormClassName;
  wc.hIcon = TApplication::Instance().Icon();
  RegisterClassExW(&wc);
  wc.hIcon = nullptr;
  wc.lpszClassName = PanelClassName;
  RegisterClassExW(&wc);
  wc.lpszClassName = SplitterClassName;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32645));  // IDC_SIZENS
  RegisterClassExW(&wc);
}

// ---------------------------------------------------------------- components

TComponent::TComponent(TForm& owner, const TComponentDef& def)
    : owner_(owner), def_(def), name_(def.name) {}

TControl::TControl(TForm& owner, const TComponentDef& def, TContainer& parent)
    : TComponent(owner, def), parent_(parent) {}

TControl::~TControl() { Detach(); }

void TControl::Create() {}

void TControl::CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle) {
  const TComponentDef& def = Def();
  // A click on a radio button unchecks the other radio buttons of its group,
  // and the window system finds the group in the sibling order, which runs
  // from front to back. The form puts later declarations in front of
  // earlier ones, so a run of radio buttons lies there backwards and begins
  // at its last declared button: a radio button that another one follows
  // stays in that group; every other control starts a group of its own, so
  // that a click unchecks exactly the run's other buttons.
  bool startsGroup = true;
  if (def.kind == TKind::RadioButton) {
    const auto& siblings = parent_.Children();
    auto self = std::find(siblings.begin(), siblings.end(), this);
    if (self != siblings.end() && self + 1 != siblings.end() && (*(self + 1))->IsRadioButton()) {
      startsGroup = false;
    }
  }
  style |= WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (startsGroup ? WS_GROUP : 0);
  const std::wstring text = def.text != nullptr ? def.text : L"";
  const POINT origin = parent_.ChildOrigin();
  HWND hwnd = CreateWindowExW(exStyle, windowClass, text.c_str(), style,
                              origin.x + Scaled(def.left), origin.y + Scaled(def.top),
                              Scaled(def.width), Scaled(def.height),
                              parent_.ContainerHandle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())),
                              TApplication::Instance().ModuleHandle(),
                              static_cast<TWindowObject*>(this));
  if (hwnd == nullptr) throw std::runtime_error("cannot create the control " + Name());
  Attach(hwnd);
  font_ = def.font != nullptr ? Owner().FontFor(def.font) : parent_.ContainerFont();
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  // The hint is kept whether or not the window shows hints. Where it does,
  // every control gets a tool in the window's tooltip; an empty hint shows
  // nothing.
  if (def.hint != nullptr) hint_ = def.hint;
  if (HWND tip = Owner().ToolTip()) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent_.ContainerHandle();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

bool TControl::Enabled() const { return IsWindowEnabled(Handle()) != FALSE; }
void TControl::SetEnabled(bool enabled) { EnableWindow(Handle(), enabled ? TRUE : FALSE); }
bool TControl::Visible() const { return (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }
void TControl::SetVisible(bool visible) { ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE); }

void TControl::SetFont(HFONT font) {
  font_ = font;
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TControl::Hint() const { return Sjis(hint_); }
void TControl::SetHint(std::string_view hint) { SetHintW(Wide(hint)); }

void TControl::SetHintW(std::wstring hint) {
  hint_ = std::move(hint);
  if (HWND tip = Owner().ToolTip(); tip != nullptr && Handle() != nullptr) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Parent().ContainerHandle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

std::wstring TControl::CaptionW() const {
  const int length = GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(Handle(), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

std::string TControl::Caption() const { return Sjis(CaptionW()); }
void TControl::SetCaption(std::string_view caption) { SetCaptionW(Wide(caption)); }
void TControl::SetCaptionW(const std::wstring& caption) { SetWindowTextW(Handle(), caption.c_str()); }

RECT TControl::BoundsRect() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, Parent().ContainerHandle(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int TControl::Width() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return r.right - r.left;
}

int TControl::Height() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return r.bottom - r.top;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::Repaint() {
  RedrawWindow(Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TControl::SetFocus() { ::SetFocus(Handle()); }

void TControl::HandleCommand(WORD) {}
bool TControl::HandleNotify(NMHDR*, LRESULT&) { return false; }

void TControl::Fire(const TNotifyEvent& handler) {
  if (handler) GuardedCall([&] { handler(*this); });
}

// ---------------------------------------------------------------- containers

RECT TContainer::AlignRect() const {
  RECT r{};
  GetClientRect(ContainerHandle(), &r);
  return r;
}

void TContainer::Realign() {
  RECT r = AlignRect();
  auto alignOf = [](const TControl* c) {
    return c->Kind() == TKind::TabSheet ? TAlign::Client : c->Align();
  };
  for (TControl* c : children_) {
    if (alignOf(c) != TAlign::Top) continue;
    const int h = c->Height();
    c->SetBounds(r.left, r.top, r.right - r.left, h);
    r.top += h;
  }
  for (TControl* c : children_) {
    if (alignOf(c) != TAlign::Right) continue;
    const int w = c->Width();
    c->SetBounds(r.right - w, r.top, w, std::max(0L, r.bottom - r.top));
    r.right -= w;
  }
  for (TControl* c : children_) {
    if (alignOf(c) != TAlign::Client) continue;
    c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
  }
}

bool TContainer::HandleContainerMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) {
        if (auto* control = dynamic_cast<TControl*>(
                TWindowObject::FromHandle(reinterpret_cast<HWND>(lParam)))) {
          control->HandleCommand(HIWORD(wParam));
          result = 0;
          return true;
        }
      }
      return false;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (auto* control = dynamic_cast<TControl*>(TWindowObject::FromHandle(header->hwndFrom))) {
        return control->HandleNotify(header, result);
      }
      return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_SIZE:
      Realign();
      result = 0;
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- image list

TImageList::TImageList(TForm& owner, const TComponentDef& def) : TComponent(owner, def) {}

TImageList::~TImageList() {
  if (images_ != nullptr) ImageList_Destroy(images_);
}

void TImageList::Create() {
  const TComponentDef& def = Def();
  const int w = def.width > 0 ? def.width : 16;
  const int h = def.height > 0 ? def.height : 16;
  images_ = ImageList_Create(w, h, ILC_COLOR32 | ILC_MASK, 2, 2);
  if (def.image == 0) return;
  auto bitmap = static_cast<HBITMAP>(LoadImageW(TApplication::Instance().ModuleHandle(),
                                                MAKEINTRESOURCEW(def.image), IMAGE_BITMAP, 0, 0,
                                                LR_CREATEDIBSECTION));
  if (bitmap != nullptr) {
    ImageList_AddMasked(images_, bitmap, RGB(255, 0, 255));
    DeleteObject(bitmap);
  }
}

int TImageList::Count() const { return images_ != nullptr ? ImageList_GetImageCount(images_) : 0; }

// ---------------------------------------------------------------- panels, pages

void TPanel::Create() {
  CreateControlWindow(PanelClassName, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return HandleContainerMessage(Handle(), message, wParam, lParam, result);
}

namespace {

LRESULT CALLBACK PageControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR, DWORD_PTR data) {
  auto* pages = reinterpret_cast<TPageControl*>(data);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, PageControlProc, 1);
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  if (message == WM_SIZE) pages->Realign();
  return result;
}

}  // namespace

void TPageControl::Create() {
  CreateControlWindow(WC_TABCONTROLW,
                      TCS_BUTTONS | TCS_FLATBUTTONS | TCS_FIXEDWIDTH | WS_CLIPCHILDREN | WS_TABSTOP,
                      WS_EX_CONTROLPARENT);
  SendMessageW(Handle(), TCM_SETITEMSIZE, 0, MAKELPARAM(Scaled(80), Scaled(25)));
  if (Def().images != nullptr) {
    auto& images = Owner().Get<TImageList>(Def().images);
    SendMessageW(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Handle()));
  }
  SetWindowSubclass(Handle(), PageControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

RECT TPageControl::AlignRect() const {
  RECT r{};
  GetClientRect(Handle(), &r);
  SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TPageControl::AddPage(TTabSheet* page) { pages_.push_back(page); }

int TPageControl::ActivePageIndex() const {
  return static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
}

TTabSheet* TPageControl::ActivePage() const {
  const int index = ActivePageIndex();
  return index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
  SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  TTabSheet* active = ActivePage();
  for (TTabSheet* page : pages_) {
    if (page != active) ShowWindow(page->Handle(), SW_HIDE);
  }
  if (active != nullptr) ShowWindow(active->Handle(), SW_SHOWNA);
}

bool TPageControl::HandleNotify(NMHDR* header, LRESULT& result) {
  if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    ShowActivePage();
    result = 0;
    return true;
  }
  return false;
}

TTabSheet::TTabSheet(TForm& owner, const TComponentDef& def, TPageControl& pageControl)
    : TPanel(owner, def, pageControl), pageControl_(pageControl) {}

int TTabSheet::PageIndex() const {
  for (int i = 0; i < pageControl_.PageCount(); ++i) {
    if (&pageControl_.Page(i) == this) return i;
  }
  return -1;
}

void TTabSheet::Create() {
  std::wstring caption = Def().text != nullptr ? Def().text : L"";
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = caption.data();
  item.iImage = Def().image;
  SendMessageW(pageControl_.Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(PageIndex()),
               reinterpret_cast<LPARAM>(&item));
  TPanel::Create();
  if (PageIndex() != 0) ShowWindow(Handle(), SW_HIDE);
}

// ---------------------------------------------------------------- buttons, labels

TButton::~TButton() {
  if (picture_ != nullptr) ImageList_Destroy(picture_);
}

void TButton::Create() {
  CreateControlWindow(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0);
  if (Def().image == 0) return;
  auto bitmap = static_cast<HBITMAP>(LoadImageW(TApplication::Instance().ModuleHandle(),
                                                MAKEINTRESOURCEW(Def().image), IMAGE_BITMAP, 0,
                                                0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return;
  picture_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
  ImageList_AddMasked(picture_, bitmap, RGB(255, 0, 255));
  DeleteObject(bitmap);
  BUTTON_IMAGELIST list{};
  list.himl = picture_;
  list.margin = RECT{Scaled(2), 0, 0, 0};
  list.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
  SendMessageW(Handle(), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
}

void TButton::Click() { SendMessageW(Handle(), BM_CLICK, 0, 0); }

void TButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Fire(onClick);
}

void TLabel::Create() {
  CreateControlWindow(L"STATIC", SS_LEFT | SS_NOPREFIX, 0);
  if (Def().width == 0 && Def().height == 0) AutoSize();
}

void TLabel::SetText(std::string_view text) {
  SetCaption(text);
  if (Def().width == 0 && Def().height == 0) AutoSize();
}

void TLabel::AutoSize() {
  const std::wstring text = CaptionW();
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, Font());
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  // One pixel of slack: the static control clips its text to the client
  // rectangle, and an anti-aliased last glyph can reach one pixel past the
  // advance width that DT_CALCRECT reports.
  SetWindowPos(Handle(), nullptr, 0, 0, r.right + 1, r.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- edits

void TEdit::Create() {
  DWORD style = ES_AUTOHSCROLL | WS_TABSTOP;
  if (Def().flags & dfKeepSelection) style |= ES_NOHIDESEL;
  CreateControlWindow(L"EDIT", style, WS_EX_CLIENTEDGE);
  if (Def().flags & dfImeOff) ImmAssociateContextEx(Handle(), nullptr, 0);
}

void TEdit::SetText(std::string_view text) { SetTextW(Wide(text)); }

void TEdit::SetTextW(const std::wstring& text) {
  // The edit control reports a change for every assignment, even of the
  // same text; only a real change is passed on.
  if (CaptionW() == text) return;
  SetWindowTextW(Handle(), text.c_str());
}

void TEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }

bool TEdit::ReadOnly() const { return (GetWindowLongW(Handle(), GWL_STYLE) & ES_READONLY) != 0; }
void TEdit::SetReadOnly(bool readOnly) { SendMessageW(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }

std::pair<int, int> TEdit::Selection() const {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

std::wstring TEdit::SelectedTextW() const {
  const auto [start, end] = Selection();
  const std::wstring text = CaptionW();
  const auto from = std::min(static_cast<std::size_t>(std::max(start, 0)), text.size());
  const auto to = std::min(static_cast<std::size_t>(std::max(end, 0)), text.size());
  return from < to ? text.substr(from, to - from) : std::wstring();
}

void TEdit::HandleCommand(WORD code) {
  if (code == EN_CHANGE) Fire(onTextChanged);
}

void TMemo::Create() {
  DWORD style = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_TABSTOP;
  if (Def().flags & dfScrollBars) style |= WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL;
  if (Def().flags & dfKeepSelection) style |= ES_NOHIDESEL;
  CreateControlWindow(L"EDIT", style, WS_EX_CLIENTEDGE);
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

std::vector<std::string> TMemo::Lines() const { return SplitLines(Text()); }

std::string TMemo::Line(int index, std::size_t limit) const {
  const std::vector<std::string> lines = Lines();
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return {};
  return lines[static_cast<std::size_t>(index)].substr(0, limit);
}

void TMemo::AddLine(std::string_view line) {
  const std::wstring text = CaptionW();
  std::wstring added;
  if (!text.empty() && text.back() != L'\n' && text.back() != L'\r') added = L"\r\n";
  added += Wide(line);
  added += L"\r\n";
  const auto end = static_cast<WPARAM>(text.size());
  SendMessageW(Handle(), EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
}

void TMemo::CopyToClipboard() { SetClipboardTextW(SelectedTextW()); }

TMemo::~TMemo() {
  StopDrops();
  if (dropTarget_ != nullptr) {
    dropTarget_->Disconnect();
    dropTarget_->Release();
  }
}

void TMemo::AcceptDrops() {
  if (dropTarget_ != nullptr) return;
  SetWindowSubclass(Handle(), DropProc, 1, reinterpret_cast<DWORD_PTR>(this));
  DragAcceptFiles(Handle(), TRUE);
  dropTarget_ = new TDropTarget(
      [this] { return !ReadOnly(); },
      [this](const std::vector<std::wstring>& files) {
        if (onDropFiles) GuardedCall([&] { onDropFiles(*this, files); });
      },
      [this](const std::wstring& text) {
        if (onDropText) GuardedCall([&] { onDropText(*this, text); });
      });
  // Without OLE on this thread only the shell's drops arrive.
  dropRegistered_ = SUCCEEDED(RegisterDragDrop(Handle(), dropTarget_));
}

IDropTarget* TMemo::DropTarget() const { return dropTarget_; }

// Ends both kinds of drop while the window still exists.
void TMemo::StopDrops() {
  HWND hwnd = Handle();
  if (hwnd == nullptr || !IsWindow(hwnd) || dropTarget_ == nullptr) return;
  if (dropRegistered_) RevokeDragDrop(hwnd);
  dropRegistered_ = false;
  DragAcceptFiles(hwnd, FALSE);
  RemoveWindowSubclass(hwnd, DropProc, 1);
}

LRESULT CALLBACK TMemo::DropProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data) {
  auto* memo = reinterpret_cast<TMemo*>(data);
  if (message == WM_DROPFILES) {
    auto drop = reinterpret_cast<HDROP>(wParam);
    const std::vector<std::wstring> files = DroppedFileNames(drop);
    DragFinish(drop);
    if (!memo->ReadOnly() && memo->onDropFiles) GuardedCall([&] { memo->onDropFiles(*memo, files); });
    return 0;
  }
  if (message == WM_DESTROY) memo->StopDrops();
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------- check boxes

void TCheckBox::Create() {
  CreateControlWindow(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0);
}

bool TCheckBox::Checked() const {
  return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::Click() { SendMessageW(Handle(), BM_CLICK, 0, 0); }

void TCheckBox::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Fire(onClick);
}

void TRadioButton::Create() {
  CreateControlWindow(L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0);
}

void TRadioButton::SetChecked(bool checked) {
  TCheckBox::SetChecked(checked);
  if (!checked) return;
  for (TControl* sibling : Parent().Children()) {
    if (sibling != this && sibling->IsRadioButton()) {
      static_cast<TRadioButton*>(sibling)->TCheckBox::SetChecked(false);
    }
  }
}

std::vector<TRadioButton*> TRadioButton::Group() const {
  std::vector<TRadioButton*> group;
  bool mine = false;
  for (TControl* sibling : Parent().Children()) {
    if (!sibling->IsRadioButton()) {
      if (mine) break;
      group.clear();
      continue;
    }
    group.push_back(static_cast<TRadioButton*>(sibling));
    if (sibling == this) mine = true;
  }
  return group;
}

TRadioButton* TRadioButton::GroupStop() const {
  TRadioButton* first = nullptr;
  for (TRadioButton* button : Group()) {
    if (!button->Visible() || !button->Enabled()) continue;
    if (button->Checked()) return button;
    if (first == nullptr) first = button;
  }
  return first;
}

void TRadioButton::SelectInGroup(bool forward) {
  const std::vector<TRadioButton*> group = Group();
  const auto self = std::find(group.begin(), group.end(), this);
  if (self == group.end()) return;
  const std::size_t count = group.size();
  std::size_t at = static_cast<std::size_t>(self - group.begin());
  for (std::size_t step = 1; step < count; ++step) {
    at = forward ? (at + 1) % count : (at + count - 1) % count;
    TRadioButton* next = group[at];
    if (!next->Visible() || !next->Enabled()) continue;
    next->SetChecked(true);
    next->SetFocus();
    return;
  }
}

// ---------------------------------------------------------------- splitter

void TSplitter::Create() { CreateControlWindow(SplitterClassName, 0, 0); }

TControl* TSplitter::Target() const {
  TControl* target = nullptr;
  for (TControl* sibling : Parent().Children()) {
    if (sibling == this) break;
    if (sibling->Align() == Align() && sibling->Align() != TAlign::None) target = sibling;
  }
  return target;
}

bool TSplitter::HandleMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  // Mouse positions arrive in the splitter's client coordinates (also while
  // it holds the capture); the drag is measured on the screen, where the
  // splitter's own moves do not shift it.
  auto screenY = [this, lParam] {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(Handle(), &p);
    return static_cast<int>(p.y);
  };
  switch (message) {
    case WM_LBUTTONDOWN: {
      TControl* target = Target();
      if (target == nullptr) return false;
      dragging_ = true;
      dragStart_ = screenY();
      startSize_ = target->Height();
      SetCapture(Handle());
      result = 0;
      return true;
    }
    case WM_MOUSEMOVE: {
      TControl* target = Target();
      if (!dragging_ || target == nullptr) return false;
      // Room the control below may give up while keeping its minimum size.
      int room = 0;
      for (TControl* sibling : Parent().Children()) {
        if (sibling->Align() == TAlign::Client) room = sibling->Height();
      }
      const int minSize = Scaled(MinSize);
      const int current = target->Height();
      const int wanted = startSize_ + (screenY() - dragStart_);
      const int largest = current + std::max(0, room - minSize);
      const int size = std::max(minSize, std::min(wanted, largest));
      if (size != current) {
        RECT r = target->BoundsRect();
        target->SetBounds(r.left, r.top, r.right - r.left, size);
        Parent().Realign();
      }
      result = 0;
      return true;
    }
    case WM_LBUTTONUP:
      if (dragging_) ReleaseCapture();
      dragging_ = false;
      result = 0;
      return true;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return false;
    default:
      return false;
  }
}

}  // namespace vellumark::forms
