// The program's one window (FrmMain) and the identifiers of its controls.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/handles_win.h"
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

// The program's one window: the categories to tick, the detail level, whether to hide what
// identifies the machine, Start, and the status of a running scan. Every choice persists in
// settings.ini (see OpenSettings).
class FrmMain final : public ScanHost {
 public:
  // Builds the window (not yet shown). The scan session is made at the first scan.
  static std::unique_ptr<FrmMain> Create(HINSTANCE instance);
  ~FrmMain() override = default;
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  HWND hwnd() const { return window_.get(); }

  // ScanHost.
  std::string AskReportPath(const std::string& proposed) override;
  OpenedReport CreateReport(const std::string& path, ReportFormat format) override;
  void ReportOpened(ReportWriter& report) override { openReport_ = &report; }
  void ScanStarting() override;
  void ShowStatus(const std::string& text) override;
  std::string ShortDate() override;
  std::string ShortTime() override;
  void CategoryDone(std::string_view, const CategoryOutcome&) override {}
  void ScanFinished(const ScanOutcome& outcome) override;

 private:
  explicit FrmMain(HINSTANCE instance);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  HWND AddControl(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                  const RECT& twips);
  void Load();
  void OnCommand(int id, int code);
  void OnStart();
  void OnLevelClicked(int index);
  void SelectAll(bool selected);
  void OnWorkTimer();
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
  std::unique_ptr<ScanSession> session_;
  UniqueFont font_;
  UniqueFont linkFont_;
  UniqueBitmap logo_;
  UniqueBitmap social_;
  int pixelsPerInch_ = 96;
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
  ReportWriter* openReport_ = nullptr;
  bool scanning_ = false;
  UniqueWindow window_;  // last: destroyed first, while everything it shows is still there
};

}  // namespace sysinfo
