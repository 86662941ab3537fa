// Splitting file paths into folder, directory and file-name parts, on
// Shift_JIS text: a backslash or colon byte that is the second byte of a
// double-byte character belongs to that character and separates nothing.
// Characters are delimited as the conversion to wide text delimits them
// (SjisCharLength), so a split agrees with the path the system receives.
// The separators are the backslash and the colon.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// Everything up to and including the last separator ("C:\dir\" of
// "C:\dir\file.exe"); empty when there is none.
std::string ExtractFilePath(std::string_view path);

// The folder without its final backslash ("C:\dir" of "C:\dir\file.exe"),
// except where the character before that backslash is itself a separator,
// as in a drive root ("C:\" of "C:\file.exe").
std::string ExtractFileDir(std::string_view path);

// What follows the last separator ("file.exe").
std::string ExtractFileName(std::string_view path);

// `path` with the extension of its file name (from its last "." on) replaced
// by `extension`; a "." inside the folder part is no extension.
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// `path` without a trailing backslash (the last byte of a double-byte
// character is not one).
std::string ExcludeTrailingBackslash(std::string_view path);

// The shortcut file of `linkName` in `folder`: "%s\%s.lnk", the folder taken
// without a trailing backslash. The folder is not empty (CreateShortcut
// refuses an empty one).
std::string ShortcutFileName(std::string_view folder, std::string_view linkName);

}  // namespace vellumark
