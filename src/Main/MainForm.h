// The main window: the BUILD page (address list, Build command, template
// choice, result) and the CONFIG page (the four templates, the date suffix,
// the placeholder legend), with the Version and Quit buttons over the tab row.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Forms/Form.h"
#include "Http/Http.h"
#include "Links/OrderedFetch.h"
#include "Links/PageFetcher.h"

namespace vellumark {

// The window's table: the window itself, then its 47 components in
// declaration order.
std::span<const forms::TComponentDef> MainFormDefinition();

// The question asked before a build, in Shift_JIS.
extern const char* const BuildQuestion;

// The settings file of an executable: its path with the extension replaced
// by ".ini" (added when the file name has none).
std::wstring SettingsPathFor(std::wstring_view executablePath);

class TMainForm : public forms::TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  // Test seams: the connection options of the Build's fetchers (a loopback
  // server's port), and the settings file, read by Create.
  void SetHttpOptions(const THttpOptions& options) { httpOptions_ = options; }
  void SetSettingsPath(std::wstring path) { settingsPath_ = std::move(path); }
  const std::wstring& SettingsPath() const { return settingsPath_; }
  // Test seams: how many fetches a Build runs at once, and the fetch each of
  // its workers uses (empty: a page fetcher with the connection options).
  void SetBuildJobs(int jobs) { buildJobs_ = jobs; }
  void SetFetcherFactory(TFetcherFactory factory) { fetcherFactory_ = std::move(factory); }

  // Whether a Build is running.
  bool Building() const { return build_ != nullptr; }
  // Stops a running Build as Esc does: no further fetch starts, the ones
  // under way are abandoned, the lines already shown stay and the Build ends
  // as usual for them (selected, "-/-", copied to the clipboard).
  void StopBuild();

  void FormCreate() override;
  void FormDestroy() override;
  void BtnBuildClick(forms::TComponent& sender);
  void BtnSelAllClick(forms::TComponent& sender);
  void BtnClearClick(forms::TComponent& sender);
  void BtnVersionClick(forms::TComponent& sender);
  void BtnCloseClick(forms::TComponent& sender);
  void EditFormat1Change(forms::TComponent& sender);

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  forms::TNotifyEvent FindHandler(std::string_view name) override;
  // Esc stops a running Build.
  bool PreviewKey(WORD key) override;
  // Closing the window stops a running Build.
  void FormClose() override;

 private:
  // The template of the chosen format: the hint of the first checked of
  // RbtnFormat2, 3, 4, else that of RbtnFormat1.
  std::string ChosenTemplate() const;
  void ShowProgress(std::string_view text);

  // Drops onto MemoSource (none while a Build runs): the addresses of the
  // dropped files, or the lines of dropped text, appended one per line;
  // the progress label then shows "-/N" for the N lines of the list. A
  // file that cannot be read is named in a message box.
  void MemoSourceDropFiles(const std::vector<std::wstring>& files);
  void MemoSourceDropText(const std::wstring& text);
  void AppendToSource(const std::vector<std::string>& lines);

  // The running Build: its channel from the coordinating thread, its fetch
  // run, its counts and the controls it took from the user.
  struct TBuildChannel;
  struct TBuildRun;
  void TakeBuildLines();
  // Shows the lines taken so far when the result memo is due for more, else
  // sets a timer for then; ends the Build after its last line.
  void ShowBuildLines();
  void AppendBuildLines();
  // Ends the running Build: stops its fetches, keeps the lines that were
  // ready, gives the controls back; then, with `finish`, selects, shows
  // "-/-" and copies to the clipboard.
  void EndBuild(bool finish);
  void RestoreBuildInputs(TBuildRun& run);
  void FinishBuild();

  THttpOptions httpOptions_;
  std::wstring settingsPath_;
  int buildJobs_ = 8;
  TFetcherFactory fetcherFactory_;
  std::unique_ptr<TBuildRun> build_;
  WPARAM buildNumber_ = 0;
};

}  // namespace vellumark
