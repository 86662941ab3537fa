// Helpers of the in-process window tests (Windows, under Wine + Xvfb).
#pragma once

#include <windows.h>

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

inline RECT RectIn(HWND hwnd, HWND parent) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace vellumark::guitest
