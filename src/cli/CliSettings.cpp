#include "cli/CliSettings.h"

#include <cstddef>

#include "Common/Codepage.h"
#include "Settings/ProxySettings.h"
#include "Settings/RequestSettings.h"

namespace vellumark {

namespace {

// Sections are the main window's name, a dot and the component's name.
constexpr const char* kEditFormatSections[4] = {
    "MainForm.EditFormat1", "MainForm.EditFormat2", "MainForm.EditFormat3",
    "MainForm.EditFormat4"};
constexpr const char* kRbtnFormatSections[4] = {
    "MainForm.RbtnFormat1", "MainForm.RbtnFormat2", "MainForm.RbtnFormat3",
    "MainForm.RbtnFormat4"};

}  // namespace

TTagSettings DefaultTagSettings() {
  TTagSettings settings;
  for (std::size_t i = 0; i < 4; ++i) settings.templates[i] = std::string(DefaultTagTemplates[i]);
  settings.formatChecked = {true, false, false, false};
  settings.date = TDateSuffix{};
  return settings;
}

void ApplyIniSettings(TIniFile& ini, TTagSettings& settings) {
  for (std::size_t i = 0; i < 4; ++i) {
    settings.templates[i] =
        ReadProfileText(ini, kEditFormatSections[i], "Text", settings.templates[i]);
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const bool checked =
        ReadProfileBool(ini, kRbtnFormatSections[i], "Checked", settings.formatChecked[i]);
    if (checked) {
      // Checking a radio button unchecks its siblings on the same panel.
      settings.formatChecked = {false, false, false, false};
      settings.formatChecked[i] = true;
    } else {
      settings.formatChecked[i] = false;
    }
  }
  settings.date.enabled =
      !ReadProfileBool(ini, "MainForm.ChkNotDate", "Checked", !settings.date.enabled);
  settings.date.left = ReadProfileText(ini, "MainForm.EditLeftPar", "Text", settings.date.left);
  settings.date.pattern =
      ReadProfileText(ini, "MainForm.EditDateFormat", "Text", settings.date.pattern);
  settings.date.right = ReadProfileText(ini, "MainForm.EditRightPar", "Text", settings.date.right);
}

int ChosenFormat(const TTagSettings& settings) {
  if (settings.formatChecked[1]) return 2;
  if (settings.formatChecked[2]) return 3;
  if (settings.formatChecked[3]) return 4;
  return 1;
}

TRunTemplate ResolveRunTemplate(const TCliOptions& options) {
  TTagSettings settings = DefaultTagSettings();
  TRunTemplate run;
  if (options.iniPath) {
    TIniFile ini = TIniFile::Load(*options.iniPath);
    ApplyIniSettings(ini, settings);
    ReadRequestSettings(ini, run.request);
    run.iniProxy = ReadProxySettings(ini);
  }
  run.proxy = {options.proxy, options.noProxy};
  if (options.userAgent) run.request.userAgent = *options.userAgent;
  if (options.acceptLanguage) run.request.acceptLanguage = *options.acceptLanguage;
  if (options.deadlineSeconds) run.request.deadlineSeconds = *options.deadlineSeconds;

  const int format = options.format.value_or(ChosenFormat(settings));
  run.tagTemplate = options.tagTemplate ? Utf8ToSjis(*options.tagTemplate)
                                        : settings.templates[static_cast<std::size_t>(format - 1)];
  run.date = settings.date;
  if (options.noDate) run.date.enabled = false;
  if (options.dateFormat) run.date.pattern = Utf8ToSjis(*options.dateFormat);
  if (options.dateLeft) run.date.left = Utf8ToSjis(*options.dateLeft);
  if (options.dateRight) run.date.right = Utf8ToSjis(*options.dateRight);
  if (options.now) {
    const TFixedTime& t = *options.now;
    run.fixedNow = MakeDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  return run;
}

}  // namespace vellumark
