// Window classes of this layer's own windows (the windows, panels, tab pages
// and splitters); every one is served by ObjectWindowProc, which hands the
// messages to the object created with the window.
#pragma once

#include <windows.h>

namespace vellumark::forms {

inline constexpr const wchar_t* FormClassName = L"VellumarkForm";
inline constexpr const wchar_t* PanelClassName = L"VellumarkPanel";
inline constexpr const wchar_t* SplitterClassName = L"VellumarkSplitter";

LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the classes above once per process.
void RegisterWindowClasses(HINSTANCE instance);

}  // namespace vellumark::forms
