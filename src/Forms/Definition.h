// A window is described by a table of its components, in declaration order,
// much like a resource: the first row is the window itself, every further
// row one component it owns. The table is plain constant data; TForm builds
// the real windows from it.
#pragma once

namespace vellumark::forms {

enum class TKind {
  Form,         // the window itself (first row only)
  ImageList,    // non-visual: a strip of 16 x 16 pictures from a bitmap resource
  PageControl,  // tab control whose pages are the TabSheet rows naming it as parent
  TabSheet,
  Panel,        // plain container without bevel
  Button,       // push button, optionally with a 16 x 16 picture
  Label,        // static text, sized to its text
  Edit,         // single-line edit
  Memo,         // multi-line edit
  CheckBox,
  RadioButton,
  Splitter,     // drag bar that resizes the aligned control before it
};

// How a control takes its place in its parent: at its own bounds, or as a
// strip along the top or the right edge of what is left, or filling the rest.
enum class TAlign { None, Top, Right, Client };

// A font: face name, character height in pixels at 96 DPI, character set.
struct TFontDef {
  const wchar_t* face;
  int height;
  int charset;
};

// Row flags.
enum : unsigned {
  dfChecked = 1u << 0,        // check box / radio button starts checked
  dfScrollBars = 1u << 1,     // memo: both scroll bars, lines never wrap
  dfImeOff = 1u << 2,         // edit: no input method editor
  dfKeepSelection = 1u << 3,  // edit/memo: the selection stays visible without focus
  dfShowHints = 1u << 4,      // window: its controls' hints show as tooltips
  // A label's look, applied by the window that shows it:
  dfUnderline = 1u << 5,
  dfBold = 1u << 6,
  dfLink = 1u << 7,        // reacts to clicks (its handler), shows the hand cursor
  dfHidden = 1u << 8,      // invisible from the start
  dfSeeThrough = 1u << 9,  // lets what lies under it show through
  dfCentreV = 1u << 10,    // text vertically centred
  dfIcon = 1u << 11,       // shows an icon instead of text
};

struct TComponentDef {
  const char* name = "";
  TKind kind = TKind::Panel;
  const char* parent = nullptr;  // owning control's name; nullptr: the window
  TAlign align = TAlign::None;
  // Position and size in pixels at 96 DPI, relative to the parent. A strip
  // uses only its height (top) or width (right); a label with no size takes
  // the size of its text. For the window itself these are its outer bounds
  // on the screen, where left and top are screen pixels at any resolution;
  // for an image list, the size of one picture.
  int left = 0, top = 0, width = 0, height = 0;
  const wchar_t* text = nullptr;  // caption or text (lines separated by CR LF)
  const wchar_t* hint = nullptr;  // tooltip
  const TFontDef* font = nullptr;  // nullptr: the parent's font
  unsigned flags = 0;
  // Button, image list: bitmap resource id (0: none). Tab sheet: picture
  // index in its page control's image list (-1: none). Window: inner border
  // width in pixels at 96 DPI.
  int image = 0;
  const char* images = nullptr;  // page control: name of its image list
  const char* handler = nullptr;  // click / change handler, bound by name
  unsigned color = 0;  // label: text colour as 0x00BBGGRR (the system's RGB()); black
};

}  // namespace vellumark::forms
