// The program's one window (FrmMain) and the identifiers of its controls.
#pragma once

#include <windows.h>

#include <array>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/handles_win.h"
#include "collectors/wmi_win.h"
#include "scan/scan_session_win.h"
#include "app/settings_win.h"
#include "ui/check_list_win.h"

namespace sysinfo {

// Control identifiers of the main window; tests find the controls by them.
enum ControlId : int {
  kFrame1 = 101,
  kCheckListInfo,
  kCommand2,  // Select All
  kCommand3,  // Unselect All
  kFrame2,
  kOptionLevel0,  // Basic; Moderate and Advanced follow
  kOptionLevel1,
  kOptionLevel2,
  kCommand1,  // Start
  kFrame3,
  kLabel1,
  kImage1,
  kImage2,
  kLabel7,
  kCheckRedact,  // writes the report with identifying values replaced
};

inline constexpr wchar_t kMainWindowClass[] = L"SysInfoMainWindow";

using UniqueIcon = UniqueResource<HICON, DestroyIcon>;

// Where the scans get their WMI service: the machine's own, or a test's.
using WmiMaker = std::unique_ptr<WmiService> (*)();

// The program's one window: the categories to tick, the detail level, whether to hide what
// identifies the machine, Start, and the status of a running scan. Every choice persists in
// settings.ini (see OpenSettings). The scan runs on a thread of its own, which asks the window
// for the report's path and posts it the rest; closing the window stops it. Its layout, fonts and
// pictures follow the DPI of the monitor it is on.
class FrmMain final {
 public:
  // Builds the window (not yet shown). The scan session is made at the first scan.
  static std::unique_ptr<FrmMain> Create(HINSTANCE instance, WmiMaker makeWmi = MakeWmiService);
  ~FrmMain() = default;
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  HWND hwnd() const { return window_.get(); }

 private:
  FrmMain(HINSTANCE instance, WmiMaker makeWmi);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  // Everything sized for the window's DPI: layout, fonts, pictures and icons.
  void ScaleTo(int pixelsPerInch);
  void FitFrame();
  void MakeFonts();
  void ShowArt();
  void SetIcons();
  HWND AddControl(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                  const RECT& twips);
  void Load();
  void OnCommand(int id, int code);
  void OnStart();
  void OnLevelClicked(int index);
  void SelectAll(bool selected);
  void OnWorkTimer();
  std::string AskReportPath(const std::string& proposed);
  void ScanStarting();
  void ShowStatus(const std::string& text);
  void OnScanEnded(const SessionOutcome& outcome);
  void ShowScanOutcome(const ScanOutcome& outcome);
  void ViewReport(const std::string& path);
  void ShowIdle();
  void OpenLink(const wchar_t* address);
  void CloseProgram();
  void EndMidScan();
  // The scan Start asks for.
  ScanChoices Choices() const;
  // Tells the user why a redacted report cannot be made, or its markers not kept.
  void ShowRedactionTrouble(const std::string& reason) const;
  bool Redacting() const;
  int Px(LONG twips) const;

  HINSTANCE instance_;
  WmiMaker makeWmi_;
  std::unique_ptr<ScanSession> session_;
  UniqueFont font_;
  UniqueFont linkFont_;
  UniqueBitmap logo_;
  UniqueBitmap social_;
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  int pixelsPerInch_ = 96;
  std::vector<std::pair<HWND, RECT>> places_;  // each control but the check list, in twips
  std::unique_ptr<ui::CheckList> checkList_;
  std::vector<HWND> frame1_;  // the frame and what it holds
  std::vector<HWND> frame2_;
  std::vector<HWND> frame3_;
  std::array<HWND, 3> optionLevel_{};
  HWND command1_ = nullptr;
  HWND checkRedact_ = nullptr;
  HWND label1_ = nullptr;
  std::string reportPath_;
  std::unique_ptr<SettingsStore> settings_;
  int shownLevel_ = kDesignLevelIndex;  // the selected level button, as stored
  std::jthread scan_;  // the running scan, until the window hears that it ended
  std::future<void> scanEnded_;  // ready once the scan has closed its report
  bool closing_ = false;  // closed mid-scan: the window goes once the scan has stopped
  UniqueWindow window_;  // last: destroyed first, while everything it shows is still there
};

// The window program until its window is closed: the window made and shown, its messages
// dispatched. 0 when it ends by being closed, 1 when the window cannot be made.
int RunWindowProgram(HINSTANCE instance, WmiMaker makeWmi = MakeWmiService);

}  // namespace sysinfo
