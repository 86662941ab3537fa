// Shell actions of the about window (Windows builds only): opening targets
// with their default handler, a file's property sheet, shortcut files, and
// the COM library the shortcut object needs.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// Keeps COM initialised for the calling thread (single-threaded apartment)
// while at least one instance lives. Only the first of nested instances
// initialises and only the last one uninitialises, so the program entry
// holds one for the whole run and tests may hold their own.
class TComLibrary {
 public:
  TComLibrary();
  ~TComLibrary();
  TComLibrary(const TComLibrary&) = delete;
  TComLibrary& operator=(const TComLibrary&) = delete;
};

// The window that owns shell requests (the main window); null until set.
void SetShellOwnerWindow(void* window);
void* ShellOwnerWindow();

// Opens `target` (document, folder, web address, "MailTo:" link) with the
// default handler, passing `parameters`, in the target's path part. The
// result is not examined and nothing is raised.
void ShellOpen(std::string_view target, std::string_view parameters = {});

// Shows the shell's property sheet of the file at `path`; the shell shows no
// error dialog of its own.
void ShowFileProperties(std::string_view path);

// Writes the shortcut file "<folder>\<linkName>.lnk" that starts
// `targetPath` with the argument "/starup" in the target's directory.
// Raises TError with the system's text when the shortcut object cannot be
// made or the file cannot be written. An empty folder (a special folder the
// system could not find) raises the system's "path not found" text, and no
// file is written: the link would otherwise land at the root of the current
// drive.
void CreateShortcut(std::string_view targetPath, std::string_view folder, std::string_view linkName);

}  // namespace vellumark
