// The current user's special folders (Windows builds only).
#pragma once

#include <string>

namespace vellumark {

inline constexpr int CsidlDesktop = 0;
inline constexpr int CsidlStartup = 7;
inline constexpr int CsidlSendTo = 9;

// The path of the special folder `folderId` (a shell CSIDL value); empty when
// the shell cannot resolve it.
std::string GetSpecialFolderPath(int folderId);

std::string GetDesktopFolder();
std::string GetStartupFolder();
std::string GetSendToFolder();

}  // namespace vellumark
