// The tag settings vellumark-cli works with: the four templates, the chosen
// format and the date suffix, as Vellumark.exe has them on its CONFIG page,
// taken from the program's defaults, a saved settings file and the command
// line, in that order. Texts are Shift_JIS bytes.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "Common/DateFormat.h"
#include "Links/RequestText.h"
#include "Links/TagExpansion.h"
#include "Proxy/ProxyFinder.h"
#include "cli/CliOptions.h"
#include "cli/IniFile.h"

namespace vellumark {

struct TTagSettings {
  std::array<std::string, 4> templates;
  // The format radio buttons 1..4, in the order the main window declares them.
  std::array<bool, 4> formatChecked{};
  TDateSuffix date;
};

// The main window's own defaults: templates 1-3 as it ships them, template 4
// empty, format 1 checked, date suffix on with ":[", "YYYY/MM/DD", "]".
TTagSettings DefaultTagSettings();

// Restores what a settings file saved over `settings`, as the main window
// restores its controls at start-up, with the window's own value readers:
// each value read with the current one as its default (so a missing or
// unreadable value changes nothing); the radio buttons visited in order,
// where checking one unchecks the others and unchecking one changes nothing
// else.
void ApplyIniSettings(TIniFile& ini, TTagSettings& settings);

// The format the Build command uses for these radio states: 2, else 3, else
// 4 when checked, otherwise 1 (also when none is checked).
int ChosenFormat(const TTagSettings& settings);

// What one run uses: the template and the date suffix.
struct TRunTemplate {
  std::string tagTemplate;
  TDateSuffix date;
  std::optional<TDateTime> fixedNow;  // from --now; the clock otherwise
  TRequestSettings request;           // [Request] of --ini, then the options
  TProxySettings proxy;               // --proxy, --noproxy
  std::optional<TIniProxy> iniProxy;  // [Proxy] of --ini
};

// Puts the settings of one run together: defaults, then the settings file
// (--ini; raises TError when it cannot be read), then the options given on
// the command line (texts converted from UTF-8 to Shift_JIS; the request's
// header values are ASCII and taken as they are).
TRunTemplate ResolveRunTemplate(const TCliOptions& options);

}  // namespace vellumark
