// The main window's table: every component in declaration order with its
// place, caption, hint, font, initial state and handler. Positions are
// pixels at 96 DPI.
#include <windows.h>

#include "Main/MainForm.h"
#include "Main/MainFormRes.h"

namespace vellumark {
namespace {

using forms::TAlign;
using forms::TComponentDef;
using forms::TFontDef;
using forms::TKind;

constexpr TFontDef WindowFont{L"Arial", 12, ANSI_CHARSET};
constexpr TFontDef GothicFont{L"ＭＳ ゴシック", 13, SHIFTJIS_CHARSET};

constexpr const wchar_t* Template1 =
    L"<li><a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#";
constexpr const wchar_t* Template2 =
    L"<br><a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#";
constexpr const wchar_t* Template3 = L"<a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#";
constexpr const wchar_t* Template4 = L"";

constexpr const wchar_t* SampleAddresses =
    L"http://www.example.co.jp/\r\n"
    L"http://www.example.com/\r\n"
    L"http://www.example.net/\r\n"
    L"http://www.example.org/\r\n"
    L"http://example.jp/index.html\r\n"
    L"http://www.example.ne.jp/~vellumark/";

const TComponentDef Definition[] = {
    {.name = "MainForm", .kind = TKind::Form, .left = 300, .top = 195, .width = 447,
     .height = 358, .text = L"MainForm", .font = &WindowFont, .flags = forms::dfShowHints,
     .image = 3},

    {.name = "PageControl", .kind = TKind::PageControl, .align = TAlign::Client,
     .images = "ImageList1"},
    {.name = "TabSheet1", .kind = TKind::TabSheet, .parent = "PageControl", .text = L"BUILD",
     .image = 0},
    {.name = "Panel1", .kind = TKind::Panel, .parent = "TabSheet1", .align = TAlign::Top,
     .height = 57},
    {.name = "BtnBuild", .kind = TKind::Button, .parent = "Panel1", .left = 0, .top = 0,
     .width = 201, .height = 25, .text = L" Build <a href='http://...'> TAG",
     .hint = L"リングタグ作成", .image = VELLUMARK_IDB_BUILD, .handler = "BtnBuildClick"},
    {.name = "Label17", .kind = TKind::Label, .parent = "Panel1", .left = 0, .top = 32,
     .text = L"Format"},
    {.name = "RbtnFormat1", .kind = TKind::RadioButton, .parent = "Panel1", .left = 48, .top = 32,
     .width = 30, .height = 17, .text = L"1", .hint = Template1, .flags = forms::dfChecked},
    {.name = "RbtnFormat2", .kind = TKind::RadioButton, .parent = "Panel1", .left = 80, .top = 32,
     .width = 30, .height = 17, .text = L"2", .hint = Template2},
    {.name = "RbtnFormat3", .kind = TKind::RadioButton, .parent = "Panel1", .left = 112, .top = 32,
     .width = 30, .height = 17, .text = L"3", .hint = Template3},
    {.name = "RbtnFormat4", .kind = TKind::RadioButton, .parent = "Panel1", .left = 144, .top = 32,
     .width = 30, .height = 17, .text = L"4", .hint = Template4},
    {.name = "ChkNotask", .kind = TKind::CheckBox, .parent = "Panel1", .left = 224, .top = 3,
     .width = 201, .height = 14, .text = L"Don't ask before Clear Clipboard"},
    {.name = "ChkNotFromClipboard", .kind = TKind::CheckBox, .parent = "Panel1", .left = 224,
     .top = 19, .width = 201, .height = 14, .text = L"Don't Paste from Clipboard",
     .flags = forms::dfChecked},
    {.name = "Label18", .kind = TKind::Label, .parent = "Panel1", .left = 224, .top = 40,
     .text = L"Progress"},
    {.name = "LblProgress", .kind = TKind::Label, .parent = "Panel1", .left = 288, .top = 40,
     .text = L"-/-"},
    {.name = "Panel2", .kind = TKind::Panel, .parent = "TabSheet1", .align = TAlign::Top,
     .height = 104},
    {.name = "MemoSource", .kind = TKind::Memo, .parent = "Panel2", .align = TAlign::Client,
     .text = SampleAddresses, .flags = forms::dfScrollBars | forms::dfKeepSelection},
    {.name = "Panel3", .kind = TKind::Panel, .parent = "Panel2", .align = TAlign::Right,
     .width = 81},
    {.name = "BtnSelAll", .kind = TKind::Button, .parent = "Panel3", .left = 8, .top = 0,
     .width = 73, .height = 25, .text = L"SelectAll", .handler = "BtnSelAllClick"},
    {.name = "BtnClear", .kind = TKind::Button, .parent = "Panel3", .left = 8, .top = 32,
     .width = 73, .height = 25, .text = L"ClearAll", .handler = "BtnClearClick"},
    {.name = "Splitter1", .kind = TKind::Splitter, .parent = "TabSheet1", .align = TAlign::Top,
     .height = 5},
    {.name = "MemoResult", .kind = TKind::Memo, .parent = "TabSheet1", .align = TAlign::Client,
     .font = &GothicFont, .flags = forms::dfScrollBars | forms::dfKeepSelection},

    {.name = "TabSheet2", .kind = TKind::TabSheet, .parent = "PageControl", .text = L"CONFIG",
     .font = &GothicFont, .image = 1},
    {.name = "Label1", .kind = TKind::Label, .parent = "TabSheet2", .left = 8, .top = 8,
     .text = L"取得データの出力フォーマット(タグは下)"},
    {.name = "Label12", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 36,
     .text = L"1."},
    {.name = "Label13", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 60,
     .text = L"2."},
    {.name = "Label14", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 84,
     .text = L"3."},
    {.name = "Label15", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 108,
     .text = L"4."},
    {.name = "EditFormat1", .kind = TKind::Edit, .parent = "TabSheet2", .left = 40, .top = 32,
     .width = 377, .height = 21, .text = Template1, .handler = "EditFormat1Change"},
    {.name = "EditFormat2", .kind = TKind::Edit, .parent = "TabSheet2", .left = 40, .top = 56,
     .width = 377, .height = 21, .text = Template2, .handler = "EditFormat1Change"},
    {.name = "EditFormat3", .kind = TKind::Edit, .parent = "TabSheet2", .left = 40, .top = 80,
     .width = 377, .height = 21, .text = Template3, .handler = "EditFormat1Change"},
    {.name = "EditFormat4", .kind = TKind::Edit, .parent = "TabSheet2", .left = 40, .top = 104,
     .width = 377, .height = 21, .text = Template4, .handler = "EditFormat1Change"},
    {.name = "Label10", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 132,
     .text = L"タグ作成日付(後ろに付加)"},
    {.name = "ChkNotDate", .kind = TKind::CheckBox, .parent = "TabSheet2", .left = 200,
     .top = 128, .width = 65, .height = 21, .text = L"しない"},
    {.name = "EditLeftPar", .kind = TKind::Edit, .parent = "TabSheet2", .left = 272, .top = 128,
     .width = 25, .height = 21, .text = L":[", .flags = forms::dfImeOff},
    {.name = "EditDateFormat", .kind = TKind::Edit, .parent = "TabSheet2", .left = 304,
     .top = 128, .width = 81, .height = 21, .text = L"YYYY/MM/DD", .flags = forms::dfImeOff},
    {.name = "EditRightPar", .kind = TKind::Edit, .parent = "TabSheet2", .left = 392, .top = 128,
     .width = 25, .height = 21, .text = L"]", .flags = forms::dfImeOff},
    {.name = "Label2", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 160,
     .text = L"#URL#          http://www.example.co.jp/"},
    {.name = "Label3", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 176,
     .text = L"#HOST#         www.example.co.jp"},
    {.name = "Label4", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 192,
     .text = L"#PAGE#         /"},
    {.name = "Label5", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 208,
     .text = L"#STATUS#       HTTP/1.1 200 OK"},
    {.name = "Label6", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 224,
     .text = L"#CONTENTTYPE#  text/html"},
    {.name = "Label7", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 240,
     .text = L"#CHARSET#      EUC-JP"},
    {.name = "Label8", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 256,
     .text = L"#TITLE#        サンプル商会"},
    {.name = "Label9", .kind = TKind::Label, .parent = "TabSheet2", .left = 16, .top = 272,
     .text = L"#DESCRIPTION#  サンプル商会は、ウェブページのアドレスからリンクタグを作る小さな道具と、その使い方を紹介しています。"},
    {.name = "Label16", .kind = TKind::Label, .parent = "TabSheet2", .left = 240, .top = 256,
     .text = L"※なければ #URL# で代用"},

    {.name = "BtnVersion", .kind = TKind::Button, .left = 272, .top = 0, .width = 73,
     .height = 25, .text = L"Version", .hint = L"バージョン情報表示",
     .image = VELLUMARK_IDB_VERSION, .handler = "BtnVersionClick"},
    {.name = "BtnClose", .kind = TKind::Button, .left = 352, .top = 0, .width = 73, .height = 25,
     .text = L"Quit", .hint = L"プログラム終了", .image = VELLUMARK_IDB_QUIT,
     .handler = "BtnCloseClick"},
    {.name = "ImageList1", .kind = TKind::ImageList, .width = 16, .height = 16,
     .image = VELLUMARK_IDB_TABS},
};

}  // namespace

std::span<const forms::TComponentDef> MainFormDefinition() { return Definition; }

}  // namespace vellumark
