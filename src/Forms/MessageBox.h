// The program's general message-box call (Windows).
#pragma once

#include <functional>
#include <string>

namespace vellumark {

// Brings the application to the front, then shows a standard message box
// with `text` (Shift_JIS), the application title as its caption, and
// `flags` together with MB_TOPMOST. Returns the id of the pressed button.
int AppMessageBox(const std::string& text, unsigned flags);

// Answers AppMessageBox in place of the user (tests): the hook receives the
// text and the flags as they would be shown, and returns the button id. An
// empty function restores the message box.
using TAppMessageBoxHook = std::function<int(const std::string& text, unsigned flags)>;
void SetAppMessageBoxHook(TAppMessageBoxHook hook);

}  // namespace vellumark
