// The about window (Windows).
#pragma once

namespace vellumark {

// Shows the about window modally and returns when it closes.
void ShowInfoForm();

}  // namespace vellumark
