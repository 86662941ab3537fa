// Helpers of the in-process window tests (Windows, under Wine + Xvfb).
#pragma once

#include <windows.h>

#include <cwchar>
#include <initializer_list>
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

// Presses and releases `key` as the keyboard delivers it to `window`: to the
// focused control, or, when no control has the focus, to the window itself
// as a system key. `held` are the modifiers held down meanwhile (VK_SHIFT,
// VK_CONTROL, VK_MENU for Alt).
inline void Press(HWND window, WORD key, std::initializer_list<WORD> held = {}) {
  BYTE saved[256] = {};
  GetKeyboardState(saved);
  BYTE state[256] = {};
  bool alt = false;
  for (WORD modifier : held) {
    state[modifier] = 0x80;
    alt = alt || modifier == VK_MENU;
  }
  SetKeyboardState(state);
  HWND focus = GetFocus();
  const bool system = alt || focus == nullptr;
  const LPARAM altBit = alt ? static_cast<LPARAM>(KF_ALTDOWN) << 16 : 0;
  MSG down{focus != nullptr ? focus : window, static_cast<UINT>(system ? WM_SYSKEYDOWN : WM_KEYDOWN), key,
           1 | altBit, 0, {0, 0}};
  forms::TApplication::Instance().HandleMessage(down);
  MSG up{down.hwnd, static_cast<UINT>(system ? WM_SYSKEYUP : WM_KEYUP), key,
         static_cast<LPARAM>(0xC0000001u) | altBit, 0, {0, 0}};
  forms::TApplication::Instance().HandleMessage(up);
  Pump();
  SetKeyboardState(saved);
}

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

// The user's folder for temporary files, with its final backslash.
inline std::wstring TempFolder() {
  wchar_t path[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, path);
  return path;
}

// The section names of an INI file, in file order.
inline std::vector<std::wstring> SectionNames(const std::wstring& file) {
  std::vector<wchar_t> buffer(65536);
  const DWORD length =
      GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
  std::vector<std::wstring> names;
  for (const wchar_t* p = buffer.data(); p < buffer.data() + length && *p != L'\0'; p += wcslen(p) + 1) {
    names.emplace_back(p);
  }
  return names;
}

// One value of an INI file as the system reads it; "<missing>" when absent.
inline std::wstring Value(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  std::vector<wchar_t> buffer(65536);
  const DWORD length = GetPrivateProfileStringW(section, key, L"<missing>", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), file.c_str());
  return std::wstring(buffer.data(), length);
}

inline RECT RectIn(HWND hwnd, HWND parent) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace vellumark::guitest
