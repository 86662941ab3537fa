// Control-state persistence of a window of this program (Windows): the INI
// file is read and written with the platform's profile functions.
#pragma once

#include <string>

namespace vellumark {
namespace forms {
class TForm;
}

// Both take the INI file's path (Shift_JIS, or UTF-16 for any path the
// system allows). Save throws TError "<path> に書き込めません" when a write
// fails; entries after it are not written. Load raises nothing of its own.
void SaveControlState(const std::string& path, forms::TForm& form);
void LoadControlState(const std::string& path, forms::TForm& form);
void SaveControlState(const std::wstring& path, forms::TForm& form);
void LoadControlState(const std::wstring& path, forms::TForm& form);

// The window's caption: the application title, " Ver." with the running
// executable's FileVersion, " - " and the window's name.
void SetCaptionFromVersion(forms::TForm& form);

}  // namespace vellumark
