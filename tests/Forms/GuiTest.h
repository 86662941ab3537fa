// Helpers of the in-process window tests (Windows, under Wine + Xvfb).
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "Forms/Application.h"

namespace vellumark::guitest {

// Handles the window messages that are waiting.
inline void Pump() { forms::TApplication::Instance().ProcessMessages(); }

// Collects what the application's error display would show.
class TErrorCatcher {
 public:
  TErrorCatcher() {
    forms::TApplication::Instance().SetErrorHook(
        [this](const std::string& message) { messages.push_back(message); });
  }
  ~TErrorCatcher() { forms::TApplication::Instance().SetErrorHook({}); }
  TErrorCatcher(const TErrorCatcher&) = delete;
  TErrorCatcher& operator=(const TErrorCatcher&) = delete;
  std::vector<std::string> messages;
};

inline std::wstring WindowText(HWND hwnd) {
  wchar_t text[1024] = {};
  GetWindowTextW(hwnd, text, 1024);
  return text;
}

// Tooltip windows the window owns.
inline int ToolTipsOwnedBy(HWND owner) {
  struct TSearch {
    HWND owner;
    int count;
  } search{owner, 0};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (_wcsicmp(name, L"tooltips_class32") == 0 && GetWindow(hwnd, GW_OWNER) == s->owner) ++s->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

inline RECT RectIn(HWND hwnd, HWND parent) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace vellumark::guitest
