// The about window's table: every component with its place, caption, hint,
// font and handler. Positions are pixels at 96 DPI. The panel's children
// are placed inside its inner border of 10 pixels, so their positions are
// offset by it. Each label's row also gives its look: colour, underline or
// bold, link (hand cursor, click handler), hidden, see-through.
#include <windows.h>

#include "Info/InfoForm.h"
#include "Info/InfoFormRes.h"

namespace vellumark {
namespace {

using forms::TComponentDef;
using forms::TFontDef;
using forms::TKind;
using forms::dfBold;
using forms::dfCentreV;
using forms::dfHidden;
using forms::dfIcon;
using forms::dfLink;
using forms::dfSeeThrough;

constexpr unsigned Navy = RGB(0, 0, 128);
constexpr unsigned Maroon = RGB(128, 0, 0);
constexpr unsigned Teal = RGB(0, 128, 128);
constexpr unsigned Green = RGB(0, 128, 0);
// A link label: underlined, clickable.
constexpr unsigned Link = forms::dfUnderline | forms::dfLink;

constexpr TFontDef WindowFont{L"Arial", 13, ANSI_CHARSET};
constexpr TFontDef DescriptionFont{L"MS UI Gothic", 13, SHIFTJIS_CHARSET};
constexpr TFontDef ExeNameFont{L"Arial", 27, ANSI_CHARSET};

// The panel's inner border.
constexpr int In = 10;

const TComponentDef Definition[] = {
    // Outer bounds giving the design client size 357 x 423 with a caption
    // and a single border; the window fits itself to its content later.
    {.name = "InfoForm", .kind = TKind::Form, .left = 0, .top = 0, .width = 363, .height = 452,
     .text = L"InfoForm", .font = &WindowFont},
    {.name = "PnlBack", .kind = TKind::Panel, .left = 8, .top = 8, .width = 329, .height = 401},

    // AppIcon is an icon picture: a static control that shows the icon.
    {.name = "AppIcon", .kind = TKind::Label, .parent = "PnlBack", .left = In + 8, .top = In + 8,
     .width = 32, .height = 32, .flags = dfIcon},
    {.name = "LblFileDescription", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 8, .text = L"LblFileDescription", .font = &DescriptionFont},
    {.name = "LblExeName", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 16, .text = L"LblExeName", .font = &ExeNameFont, .flags = dfLink | dfSeeThrough,
     .handler = "LblExeNameClick"},
    {.name = "LblExeVersion", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 48, .text = L"Ver."},
    {.name = "lblComment", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 64, .text = L"Built by the Vellumark project with C++ and MinGW-w64"},
    {.name = "lblURL", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56, .top = In + 88,
     .text = L"http://www.example.org/", .flags = Link | dfCentreV, .handler = "lblURLClick", .color = Navy},
    {.name = "Label1", .kind = TKind::Label, .parent = "PnlBack", .left = In + 224,
     .top = In + 88, .text = L"(" VELLUMARK_HANDLE ")",
     .hint = L"http://search.example.org/?q=" VELLUMARK_HANDLE, .flags = Link, .handler = "Label1Click",
     .color = Navy},
    {.name = "lblMail", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 104, .text = L"vellumark@example.org", .flags = Link, .handler = "lblMailClick",
     .color = Navy},
    {.name = "LblOpenFolderIn", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 128, .text = L"Open Folder This Program Installed",
     .flags = Link, .handler = "LblOpenStartupClick", .color = Maroon},
    {.name = "LblLaunchOnDesktop", .kind = TKind::Label, .parent = "PnlBack", .left = In + 56,
     .top = In + 144, .text = L"Create Shortcut on \"Desktop\"",
     .flags = Link, .handler = "LblLaunchOnStartupClick", .color = Maroon},
    {.name = "Label2", .kind = TKind::Label, .parent = "PnlBack", .left = In + 8, .top = In + 168,
     .text = L"System Information", .flags = dfBold, .color = Teal},
    {.name = "LblOsVersion", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 184, .text = L"LblOsVersion", .color = Teal},
    {.name = "LblPhys", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 200, .text = L"LblPhys", .color = Teal},
    {.name = "LblPageFile", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 216, .text = L"LblPageFile", .color = Teal},
    {.name = "LblVirtual", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 232, .text = L"LblVirtual", .color = Teal},
    {.name = "LblLaunchOnStartup", .kind = TKind::Label, .parent = "PnlBack", .left = In + 104,
     .top = In + 240, .text = L"Create Shortcut into \"Startup\"",
     .flags = Link | dfHidden, .handler = "LblLaunchOnStartupClick", .color = Maroon},
    {.name = "LblOpenStartup", .kind = TKind::Label, .parent = "PnlBack", .left = In + 288,
     .top = In + 240, .text = L"(Open)", .flags = Link | dfHidden, .handler = "LblOpenStartupClick",
     .color = Maroon},
    {.name = "Label3", .kind = TKind::Label, .parent = "PnlBack", .left = In + 8, .top = In + 248,
     .text = L"Process Information", .flags = dfBold, .color = Green},
    {.name = "LblLaunchOnSendTo", .kind = TKind::Label, .parent = "PnlBack", .left = In + 104,
     .top = In + 256, .text = L"Create Shortcut into \"SendTo\"",
     .flags = Link | dfHidden, .handler = "LblLaunchOnStartupClick", .color = Maroon},
    {.name = "LblOpenSendTo", .kind = TKind::Label, .parent = "PnlBack", .left = In + 288,
     .top = In + 256, .text = L"(Open)", .flags = Link | dfHidden, .handler = "LblOpenStartupClick",
     .color = Maroon},
    {.name = "LblWorkingSetSize", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 264, .text = L"LblWorkingSetSize", .color = Green},
    {.name = "LblPageFaultCount", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 280, .text = L"LblPageFaultCount", .color = Green},
    {.name = "LblPagefileUsage", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 296, .text = L"LblPagefileUsage", .color = Green},
    {.name = "LblPagedPoolUsage", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 312, .text = L"LblPagedPoolUsage", .color = Green},
    {.name = "LblNonPagedPoolUsage", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 328, .text = L"LblNonPagedPoolUsage", .color = Green},
    {.name = "LblProcessTime", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16,
     .top = In + 344, .text = L"LblProcessTime", .color = Green},
    // How the result and the address box meet other programs.
    {.name = "Label4", .kind = TKind::Label, .parent = "PnlBack", .left = In + 8, .top = In + 368,
     .text = L"Tips", .flags = dfBold, .color = Navy},
    {.name = "LblTipPaste", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16, .top = In + 384,
     .text = L"Paste into Word, Outlook or web mail: the lines become live links", .color = Navy},
    {.name = "LblTipDrop", .kind = TKind::Label, .parent = "PnlBack", .left = In + 16, .top = In + 400,
     .text = L"Drop links, .url files or bookmark exports onto the address list", .color = Navy},
};

}  // namespace

std::span<const forms::TComponentDef> InfoFormDefinition() { return Definition; }

}  // namespace vellumark
