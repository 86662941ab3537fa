// The settings file of the Windows program: an INI file read and written with
// the system's profile functions (Windows builds only).
#pragma once

#include <memory>
#include <string>

#include "Settings/ControlState.h"

namespace vellumark {

// The INI file at `path`. Texts are converted explicitly with code page 932.
// Opened `forWriting`, a file that does not exist yet is started as UTF-16
// (with its byte-order mark), so the profile functions keep it in Unicode and
// the templates survive on any Windows locale. Releasing the store flushes
// the system's cached writes.
std::unique_ptr<TProfileStore> OpenProfileFile(const std::wstring& path, bool forWriting);

}  // namespace vellumark
