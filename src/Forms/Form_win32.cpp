#include "Forms/Form.h"

#include <commctrl.h>

#include "Forms/Application.h"
#include "Forms/Text.h"
#include "Forms/WindowClasses.h"

namespace vellumark::forms {
namespace {

int Scaled(int value) { return TApplication::Instance().Scale(value); }

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

}  // namespace

TForm::TForm(std::span<const TComponentDef> definition)
    : definition_(definition), name_(definition.empty() ? "" : definition[0].name) {}

TForm::~TForm() {
  // FormDestroy belongs to the derived window and has run (through Destroy)
  // before this point; here only the windows and resources go.
  destroyed_ = true;
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  components_.clear();
  for (const TFontEntry& entry : fonts_) DeleteObject(entry.font);
}

HFONT TForm::FontFor(const TFontDef* font) {
  if (font == nullptr) return font_;
  for (const TFontEntry& entry : fonts_) {
    if (entry.def == font) return entry.font;
  }
  LOGFONTW lf{};
  lf.lfHeight = -Scaled(font->height);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = static_cast<BYTE>(font->charset);
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, font->face, LF_FACESIZE);
  HFONT handle = CreateFontIndirectW(&lf);
  fonts_.push_back({font, handle});
  return handle;
}

void TForm::Create() {
  TApplication& app = TApplication::Instance();
  app.Initialize();
  if (definition_.empty() || definition_[0].kind != TKind::Form) {
    throw std::logic_error("a window table begins with the window's own row");
  }
  const TComponentDef& self = definition_[0];
  font_ = FontFor(self.font);
  if (font_ == nullptr) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // The starting place is a point on the screen, in screen pixels at any
  // resolution; the size follows the resolution like the contents do.
  HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, FormClassName, self.text != nullptr ? self.text : L"",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, self.left, self.top,
                              Scaled(self.width), Scaled(self.height),
                              app.Handle(), nullptr, app.ModuleHandle(),
                              static_cast<TWindowObject*>(this));
  if (hwnd == nullptr) throw std::runtime_error("cannot create the window " + name_);
  Attach(hwnd);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app.Icon()));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app.Icon()));

  if (self.flags & dfShowHints) {
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, app.ModuleHandle(),
                               nullptr);
    if (toolTip_ != nullptr) SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, Scaled(600));
  }

  CreateComponents();
  BindHandlers();
  GuardedCall([this] { FormCreate(); });
}

void TForm::CreateComponents() {
  auto containerNamed = [this](const char* name) -> TContainer* {
    if (name == nullptr) return this;
    return dynamic_cast<TContainer*>(FindComponent(name));
  };
  for (std::size_t i = 1; i < definition_.size(); ++i) {
    const TComponentDef& def = definition_[i];
    if (def.kind == TKind::Form) throw std::logic_error("a second window row in a table");
    if (def.kind == TKind::ImageList) {
      components_.push_back(std::make_unique<TImageList>(*this, def));
      continue;
    }
    TContainer* parent = containerNamed(def.parent);
    if (parent == nullptr) {
      throw std::logic_error(std::string("unknown parent of ") + def.name);
    }
    std::unique_ptr<TControl> control;
    switch (def.kind) {
      case TKind::PageControl: control = std::make_unique<TPageControl>(*this, def, *parent); break;
      case TKind::TabSheet: {
        auto* pages = dynamic_cast<TPageControl*>(parent);
        if (pages == nullptr) throw std::logic_error(std::string("page outside a page control: ") + def.name);
        auto sheet = std::make_unique<TTabSheet>(*this, def, *pages);
        pages->AddPage(sheet.get());
        control = std::move(sheet);
        break;
      }
      case TKind::Panel: control = std::make_unique<TPanel>(*this, def, *parent); break;
      case TKind::Button: control = std::make_unique<TButton>(*this, def, *parent); break;
      case TKind::Label: control = std::make_unique<TLabel>(*this, def, *parent); break;
      case TKind::Edit: control = std::make_unique<TEdit>(*this, def, *parent); break;
      case TKind::Memo: control = std::make_unique<TMemo>(*this, def, *parent); break;
      case TKind::CheckBox: control = std::make_unique<TCheckBox>(*this, def, *parent); break;
      case TKind::RadioButton: control = std::make_unique<TRadioButton>(*this, def, *parent); break;
      case TKind::Splitter: control = std::make_unique<TSplitter>(*this, def, *parent); break;
      default: throw std::logic_error(std::string("unknown kind of ") + def.name);
    }
    parent->AddChild(control.get());
    components_.push_back(std::move(control));
  }

  // Pictures first: a page control takes its icons when it is created.
  for (auto& component : components_) {
    if (auto* images = dynamic_cast<TImageList*>(component.get())) images->Create();
  }
  for (auto& component : components_) {
    if (auto* control = dynamic_cast<TControl*>(component.get())) control->Create();
  }
  // Later declarations lie in front of earlier ones where they overlap.
  for (auto& component : components_) {
    if (auto* control = dynamic_cast<TControl*>(component.get())) {
      SetWindowPos(control->Handle(), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  Realign();
  for (auto& component : components_) {
    if (auto* container = dynamic_cast<TContainer*>(component.get())) container->Realign();
  }
  for (auto& component : components_) {
    if (auto* check = dynamic_cast<TCheckBox*>(component.get())) {
      if (check->Def().flags & dfChecked) check->SetChecked(true);
    }
  }
  for (auto& component : components_) {
    if (auto* pages = dynamic_cast<TPageControl*>(component.get())) pages->SetActivePageIndex(0);
  }
}

void TForm::BindHandlers() {
  for (auto& component : components_) {
    const char* name = component->Def().handler;
    if (name == nullptr) continue;
    TNotifyEvent handler = FindHandler(name);
    if (!handler) throw std::logic_error(std::string("no handler ") + name);
    if (auto* button = dynamic_cast<TButton*>(component.get())) {
      button->onClick = handler;
    } else if (auto* edit = dynamic_cast<TEdit*>(component.get())) {
      edit->onTextChanged = handler;
    } else if (auto* check = dynamic_cast<TCheckBox*>(component.get())) {
      check->onClick = handler;
    }
  }
}

TNotifyEvent TForm::FindHandler(std::string_view) { return {}; }

void TForm::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (hwnd_ != nullptr) GuardedCall([this] { FormDestroy(); });
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  toolTip_ = nullptr;
  components_.clear();
  for (const TFontEntry& entry : fonts_) DeleteObject(entry.font);
  fonts_.clear();
  if (TApplication::Instance().MainForm() == this) TApplication::Instance().SetMainForm(nullptr);
}

TComponent* TForm::FindComponent(std::string_view name) const {
  for (const auto& component : components_) {
    if (component->Name() == name) return component.get();
  }
  return nullptr;
}

std::wstring TForm::CaptionW() const {
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::string TForm::Caption() const { return Sjis(CaptionW()); }
void TForm::SetCaption(std::string_view caption) { SetCaptionW(Wide(caption)); }
void TForm::SetCaptionW(const std::wstring& caption) { SetWindowTextW(hwnd_, caption.c_str()); }

int TForm::Left() const { return WindowRect(hwnd_).left; }
int TForm::Top() const { return WindowRect(hwnd_).top; }
int TForm::Width() const {
  const RECT r = WindowRect(hwnd_);
  return r.right - r.left;
}
int TForm::Height() const {
  const RECT r = WindowRect(hwnd_);
  return r.bottom - r.top;
}

void TForm::SetLeft(int value) {
  SetWindowPos(hwnd_, nullptr, value, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetTop(int value) {
  SetWindowPos(hwnd_, nullptr, Left(), value, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetWidth(int value) {
  SetWindowPos(hwnd_, nullptr, 0, 0, value, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetHeight(int value) {
  SetWindowPos(hwnd_, nullptr, 0, 0, Width(), value, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TForm::AlignRect() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  const int border = Scaled(definition_[0].image);
  InflateRect(&r, -border, -border);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

POINT TForm::ChildOrigin() const {
  const int border = Scaled(definition_[0].image);
  return POINT{border, border};
}

void TForm::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

bool TForm::Visible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_) != FALSE; }

void TForm::Close() {
  GuardedCall([this] { FormClose(); });
  TApplication& app = TApplication::Instance();
  if (modal_) {
    modal_ = false;
    ShowWindow(hwnd_, SW_HIDE);
  } else if (app.MainForm() == this) {
    app.Terminate();
  } else {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

void TForm::ShowModal() {
  TApplication& app = TApplication::Instance();
  HWND main = app.MainForm() != nullptr && app.MainForm() != this ? app.MainForm()->Handle() : nullptr;
  if (main != nullptr) EnableWindow(main, FALSE);
  modal_ = true;
  Show();
  SetForegroundWindow(hwnd_);
  MSG msg{};
  while (modal_) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    app.HandleMessage(msg);
  }
  modal_ = false;
  if (main != nullptr) {
    EnableWindow(main, TRUE);
    SetForegroundWindow(main);
  }
  if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
}

std::vector<TControl*> TForm::TabOrder() const {
  std::vector<TControl*> order;
  auto visit = [&order](auto& self, const TContainer& container) -> void {
    for (TControl* control : container.Children()) {
      // Visible as the controls themselves say, so the order is the same
      // before the window is first shown.
      if (!control->Visible() || !control->Enabled()) continue;
      if (auto* pages = dynamic_cast<TPageControl*>(control)) {
        order.push_back(pages);
        if (TTabSheet* page = pages->ActivePage()) self(self, *page);
      } else if (auto* panel = dynamic_cast<TPanel*>(control)) {
        self(self, *panel);
      } else if (control->TabStop()) {
        order.push_back(control);
      }
    }
  };
  visit(visit, *this);
  return order;
}

namespace {

// Gives `control` the focus; a single-line edit reached by the keyboard has
// its text selected, as in any dialog.
void FocusStop(TControl& control) {
  control.SetFocus();
  if (auto* edit = dynamic_cast<TEdit*>(&control); edit != nullptr && dynamic_cast<TMemo*>(edit) == nullptr) {
    edit->SelectAll();
  }
}

}  // namespace

void TForm::SelectNext(bool forward) {
  const std::vector<TControl*> order = TabOrder();
  if (order.empty()) return;
  // Where the focus stands in the order: the stop that has it; else (a
  // radio button that is not its group's stop, a window inside a control)
  // the innermost stop that holds it. Containers come before their
  // contents, so that is the last one holding it: the page control holds
  // every control of its pages and must not be taken for them.
  HWND focus = GetFocus();
  if (auto* radio = dynamic_cast<TRadioButton*>(TWindowObject::FromHandle(focus))) {
    if (TRadioButton* stop = radio->GroupStop()) focus = stop->Handle();
  }
  std::size_t at = order.size();
  for (std::size_t i = 0; i < order.size() && focus != nullptr; ++i) {
    if (order[i]->Handle() == focus) {
      at = i;
      break;
    }
    if (IsChild(order[i]->Handle(), focus)) at = i;
  }
  std::size_t next = 0;
  if (at == order.size()) {
    next = forward ? 0 : order.size() - 1;
  } else if (forward) {
    next = (at + 1) % order.size();
  } else {
    next = (at + order.size() - 1) % order.size();
  }
  FocusStop(*order[next]);
}

void TForm::SelectNextPage(bool forward) {
  HWND focus = GetFocus();
  TPageControl* pages = nullptr;
  for (const auto& component : components_) {
    auto* candidate = dynamic_cast<TPageControl*>(component.get());
    if (candidate == nullptr || !candidate->Visible() || !candidate->Enabled()) continue;
    if (pages == nullptr) pages = candidate;
    if (focus != nullptr && (candidate->Handle() == focus || IsChild(candidate->Handle(), focus))) {
      pages = candidate;
      break;
    }
  }
  if (pages == nullptr || pages->PageCount() < 2) return;
  const bool focusOnPage = focus != nullptr && IsChild(pages->Handle(), focus);
  const int count = pages->PageCount();
  const int index = (pages->ActivePageIndex() + (forward ? 1 : count - 1)) % count;
  pages->SetActivePageIndex(index);
  if (!focusOnPage) return;
  for (TControl* stop : TabOrder()) {
    if (IsChild(pages->Page(index).Handle(), stop->Handle())) {
      FocusStop(*stop);
      return;
    }
  }
  pages->SetFocus();
}

bool TForm::DialogKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if ((HIWORD(msg.lParam) & KF_ALTDOWN) != 0) return false;
  const auto key = static_cast<WORD>(msg.wParam);
  bool used = false;
  GuardedCall([&] { used = PreviewKey(key); });
  if (used) return true;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  auto* focused = dynamic_cast<TControl*>(TWindowObject::FromHandle(GetFocus()));
  if (focused != nullptr && &focused->Owner() != this) focused = nullptr;
  switch (key) {
    case VK_TAB:
      if (control) {
        SelectNextPage(!shift);
      } else {
        SelectNext(!shift);
      }
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if (auto* radio = dynamic_cast<TRadioButton*>(focused)) {
        radio->SelectInGroup(key == VK_RIGHT || key == VK_DOWN);
        return true;
      }
      return false;
    case VK_RETURN:
      if (auto* button = dynamic_cast<TButton*>(focused); button != nullptr && button->Enabled()) {
        button->Click();
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CLOSE:
      Close();
      result = 0;
      return true;
    case WM_SYSCOMMAND:
      // The main window is minimised with the application window, which
      // carries the taskbar button and takes its owned windows along.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && TApplication::Instance().MainForm() == this) {
        ShowWindow(TApplication::Instance().Handle(), SW_MINIMIZE);
        result = 0;
        return true;
      }
      return false;
    default:
      return HandleContainerMessage(hwnd_, message, wParam, lParam, result);
  }
}

}  // namespace vellumark::forms
