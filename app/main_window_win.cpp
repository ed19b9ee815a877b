// The main window: its controls, the saved ticks and level, and the scan it runs on Start.
#include "app/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <cmath>

#include "base/format.h"
#include "base/levels.h"
#include "base/program.h"
#include "collectors/categories.h"
#include "collectors/wmi_win.h"
#include "app/links.h"
#include "app/message_pump_win.h"
#include "base/locale_win.h"
#include "report/report_file_win.h"
#include "base/special_folders_win.h"
#include "base/text.h"
#include "app/theme_support_win.h"
#include "base/unicode_win.h"
#include "report/redaction.h"
#include "generated/version.h"
#include "support/file_version_win.h"
#include "ui/common_dialog_win.h"
#include "ui/window_win.h"

namespace sysinfo {
namespace {

constexpr UINT_PTR kWorkTimer = 1;  // TimerDoTheWork
constexpr UINT kWorkTimerMs = 100;

// What the scan thread asks and tells the window. The path is asked by a sent message, which waits
// for the answer, as the save dialog belongs to the window's thread; the rest is posted, each
// payload owned by its message until the window adopts it.
constexpr UINT kAskReportPath = WM_APP + 1;  // lParam: a PathQuestion on the asking thread's stack
constexpr UINT kScanStarting = WM_APP + 2;
constexpr UINT kScanStatus = WM_APP + 3;  // lParam: the std::string to show
constexpr UINT kScanEnded = WM_APP + 4;  // lParam: the SessionOutcome

// How long the window, told that the session ends, lets a stopped scan close its report before
// returning, after which Windows may end the process.
constexpr auto kEndSessionWait = std::chrono::seconds(5);

constexpr char kReportFileName[] = "\\System_Information_By_Veltrix.txt";
constexpr char kFontName[] = "Verdana";
constexpr double kFontPoints = 8;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// The pictures are drawn for these scales, in percent of 96 dpi (scripts/make-artwork.sh).
constexpr int kArtScales[] = {100, 125, 150, 200, 250, 300};

// The layout, in twips (15 to a pixel at 96 dpi): left, top, right, bottom.
constexpr LONG kClientWidth = 6120;
constexpr LONG kClientHeight = 5790;
constexpr RECT kFrame1Place{120, 90, 3180, 5220};
constexpr RECT kCheckListPlace{240, 375, 3060, 4575};  // a client area of 2760 by 4080
constexpr RECT kCommand2Place{240, 4680, 1605, 5070};
constexpr RECT kCommand3Place{1695, 4680, 3060, 5070};
constexpr RECT kFrame2Place{3300, 90, 6000, 1620};
constexpr RECT kOptionPlaces[3]{
    {3480, 420, 5880, 720}, {3480, 780, 5880, 1080}, {3480, 1140, 5880, 1440}};
constexpr RECT kCommand1Place{3300, 1740, 6000, 2250};
constexpr RECT kImage1Place{3300, 2370, 6000, 5220};
constexpr RECT kFrame3Place{120, 90, 6000, 1050};
constexpr RECT kLabel1Place{300, 480, 5820, 810};
constexpr RECT kImage2Place{120, 5400, 360, 5640};
constexpr RECT kLabel7Place{450, 5400, 4200, 5640};
// Right of the link, on its line, ending where Start ends.
constexpr RECT kCheckRedactPlace{4320, 5370, 6000, 5670};

// The check list as the window saved it: items on the left, bold Verdana, window colours.
ui::PropertyBag CheckListInfoBag(const ui::FontSpec& ambient) {
  ui::CheckListProperties p = ui::NewCheckListProperties(ambient);
  p.alignment = 0;
  p.foreColor = ui::kButtonText;
  p.font = ui::FontSpec{kFontName, 6.75, FW_BOLD};
  p.backColor = ui::kWindowBackground;
  p.storedForeColor = ui::kButtonText;
  p.storedFont = p.font;
  ui::PropertyBag bag;
  ui::WriteCheckListProperties(bag, p, ambient);
  return bag;
}

// The largest scale no larger than the window's, so that a picture never outgrows its box (the
// smallest below 96 dpi).
int ArtScale(int pixelsPerInch) {
  int chosen = kArtScales[0];
  for (const int scale : kArtScales) {
    if (scale * 96 <= pixelsPerInch * 100) chosen = scale;
  }
  return chosen;
}

UniqueBitmap LoadArt(HINSTANCE instance, const wchar_t* name, int pixelsPerInch) {
  const std::wstring resource = name + std::to_wstring(ArtScale(pixelsPerInch));
  return UniqueBitmap(
      static_cast<HBITMAP>(LoadImageW(instance, resource.c_str(), IMAGE_BITMAP, 0, 0, 0)));
}

// Why ShellExecute (its answer at most 32) opened nothing, in the user's words.
std::string OpenFailureText(INT_PTR code) {
  switch (code) {
    case SE_ERR_NOASSOC:
    case SE_ERR_ASSOCINCOMPLETE: return "No program is set to open this kind of file.";
    case SE_ERR_FNF:
    case SE_ERR_PNF: return "The file is no longer there.";
    case SE_ERR_ACCESSDENIED: return "Access to the file was denied.";
    case SE_ERR_SHARE: return "Another program is using the file.";
    case 0:
    case SE_ERR_OOM: return "There is not enough memory to open it.";
    case ERROR_BAD_FORMAT:
    case SE_ERR_DLLNOTFOUND: return "The program set to open this kind of file cannot be started.";
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return "The program set to open this kind of file did not answer.";
    default: return "Windows could not open it (error " + std::to_string(code) + ").";
  }
}

// The program's version from its own version resource; the build's numbers if it has none.
std::string VersionCaption() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  const VersionApi& version = VersionDll();
  DWORD ignored = 0;
  const DWORD size = version.getSize ? version.getSize(path.c_str(), &ignored) : 0;
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size && version.get(path.c_str(), 0, size, block.data()) &&
      version.query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
      BytesInside(block, fixed, length).size() >= sizeof *fixed) {
    return ProgramCaption(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                          HIWORD(fixed->dwFileVersionLS));
  }
  return ProgramCaption(kVersionMajor, kVersionMinor, kVersionRevision);
}

void ShowAll(const std::vector<HWND>& windows, bool shown) {
  for (HWND window : windows) ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
}

struct PathQuestion {
  const std::string& proposed;
  std::string answer;
};

// A payload that fails to be posted is freed here; one that is posted belongs to the message.
template <typename Payload>
void PostOwned(HWND window, UINT message, std::unique_ptr<Payload> payload) {
  if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(payload.get()))) payload.release();
}

template <typename Payload>
std::unique_ptr<Payload> AdoptPosted(LPARAM lParam) {
  return std::unique_ptr<Payload>(reinterpret_cast<Payload*>(lParam));
}

// The window as the scan thread sees it: asked for the path, told the rest without waiting.
class WindowScanHost final : public ScanHost {
 public:
  explicit WindowScanHost(HWND window) : window_(window) {}
  std::string AskReportPath(const std::string& proposed) override {
    PathQuestion question{proposed, {}};
    SendMessageW(window_, kAskReportPath, 0, reinterpret_cast<LPARAM>(&question));
    return question.answer;
  }
  OpenedReport CreateReport(const std::string& path, ReportFormat) override {
    return CreateFileReport(path);
  }
  void ScanStarting() override { PostMessageW(window_, kScanStarting, 0, 0); }
  void ShowStatus(const std::string& text) override {
    PostOwned(window_, kScanStatus, std::make_unique<std::string>(text));
  }
  std::string ShortDate() override { return ShortDateNow(); }
  std::string ShortTime() override { return TimeNow(); }
  void CategoryDone(std::string_view, const CategoryOutcome&) override {}

 private:
  HWND window_;
};

// A report saved with a category read only in part says so where the user looks first.
std::string NotReadLine(const std::vector<std::string>& categories) {
  if (categories.empty()) return {};
  std::string line = "\r\nCould not be read in full: ";
  for (std::size_t i = 0; i < categories.size(); ++i) line += (i ? ", " : "") + categories[i];
  return line + ".";
}

}  // namespace

std::unique_ptr<FrmMain> FrmMain::Create(HINSTANCE instance, WmiMaker makeWmi) {
  // The small icon is shared: a window made again must not load (and leak) another copy.
  ui::RegisterWindowClass(
      {kMainWindowClass, ui::OwnedWindowProc<&FrmMain::window_, &FrmMain::HandleMessage>,
       LoadIconW(instance, L"APPICON"),
       static_cast<HICON>(LoadImageW(instance, L"APPICON", IMAGE_ICON, 16, 16, LR_SHARED)),
       reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
  std::unique_ptr<FrmMain> form(new FrmMain(instance, makeWmi));
  CreateWindowExW(kExStyle, kMainWindowClass, L"Veltrix - System Information", kStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, form.get());
  if (!form->window_) return nullptr;
  // Sized once it exists: its DPI is that of the monitor it opened on.
  form->pixelsPerInch_ = ui::WindowDpi(form->hwnd());
  form->FitFrame();
  form->CreateControls();
  form->Load();
  return form;
}

FrmMain::FrmMain(HINSTANCE instance, WmiMaker makeWmi)
    : instance_(instance), makeWmi_(makeWmi), settings_(OpenSettings()) {}

int FrmMain::Px(LONG twips) const {
  return static_cast<int>(std::lround(twips * pixelsPerInch_ / 1440.0));
}

void FrmMain::FitFrame() {
  const SIZE frame = ui::WindowSizeForClient({Px(kClientWidth), Px(kClientHeight)}, kStyle,
                                             kExStyle, pixelsPerInch_);
  SetWindowPos(window_.get(), nullptr, 0, 0, frame.cx, frame.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved to a monitor of another DPI, or its scale changed: layout, fonts, pictures and icons
// again; the frame goes where Windows suggests (WM_DPICHANGED).
void FrmMain::ScaleTo(int pixelsPerInch) {
  pixelsPerInch_ = pixelsPerInch;
  MakeFonts();
  for (const auto& [control, twips] : places_) {
    SetWindowPos(control, nullptr, Px(twips.left), Px(twips.top), Px(twips.right - twips.left),
                 Px(twips.bottom - twips.top), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  checkList_->ScaleTo(pixelsPerInch);
  ShowArt();
  SetIcons();
}

// The controls take the new fonts before the old ones are deleted.
void FrmMain::MakeFonts() {
  const int height = -static_cast<int>(std::lround(kFontPoints * pixelsPerInch_ / 72.0));
  const auto verdana = [height](BOOL underline) {
    return UniqueFont(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Verdana"));
  };
  UniqueFont font = verdana(FALSE);
  UniqueFont linkFont = verdana(TRUE);
  for (const auto& [control, twips] : places_) {
    const HFONT shown = GetDlgCtrlID(control) == kLabel7 ? linkFont.get() : font.get();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
  }
  font_ = std::move(font);
  linkFont_ = std::move(linkFont);
}

// Each picture as drawn for the window's scale (ArtScale); the control hands back the one it
// showed before, which goes.
void FrmMain::ShowArt() {
  UniqueBitmap logo = LoadArt(instance_, L"LOGO", pixelsPerInch_);
  UniqueBitmap social = LoadArt(instance_, L"SOCIAL", pixelsPerInch_);
  SendDlgItemMessageW(window_.get(), kImage1, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(logo.get()));
  SendDlgItemMessageW(window_.get(), kImage2, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(social.get()));
  logo_ = std::move(logo);
  social_ = std::move(social);
}

// The icon of the caption and of Alt+Tab, each at the size its place takes at this DPI.
void FrmMain::SetIcons() {
  const auto icon = [this](int metric) {
    const int size = ui::SystemMetricForDpi(metric, pixelsPerInch_);
    return UniqueIcon(
        static_cast<HICON>(LoadImageW(instance_, L"APPICON", IMAGE_ICON, size, size, 0)));
  };
  UniqueIcon smallIcon = icon(SM_CXSMICON);
  UniqueIcon bigIcon = icon(SM_CXICON);
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
  smallIcon_ = std::move(smallIcon);
  bigIcon_ = std::move(bigIcon);
}

HWND FrmMain::AddControl(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                         const RECT& twips) {
  HWND control = CreateWindowExW(
      0, windowClass, text, WS_CHILD | WS_VISIBLE | style, Px(twips.left), Px(twips.top),
      Px(twips.right - twips.left), Px(twips.bottom - twips.top), window_.get(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  places_.emplace_back(control, twips);
  return control;
}

void FrmMain::CreateControls() {
  MakeFonts();

  // Frames first: in the tab order and below what they hold.
  frame1_.push_back(AddControl(L"BUTTON", L"Information:", BS_GROUPBOX, kFrame1, kFrame1Place));
  const ui::FontSpec ambient{kFontName, kFontPoints, FW_NORMAL};
  checkList_ = ui::CheckList::Create(
      {window_.get(), kCheckListInfo, kCheckListPlace, CheckListInfoBag(ambient), ambient});
  frame1_.push_back(checkList_->hwnd());
  frame1_.push_back(
      AddControl(L"BUTTON", L"Select All", BS_PUSHBUTTON | WS_TABSTOP, kCommand2, kCommand2Place));
  frame1_.push_back(AddControl(L"BUTTON", L"Unselect All", BS_PUSHBUTTON | WS_TABSTOP, kCommand3,
                               kCommand3Place));

  frame2_.push_back(AddControl(L"BUTTON", L"Detail Level:", BS_GROUPBOX, kFrame2, kFrame2Place));
  for (int i = 0; i < 3; ++i) {
    const std::wstring caption = Utf8ToWide(LevelCaption(kDetailLevels[i]));
    const DWORD group = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
    optionLevel_[i] = AddControl(L"BUTTON", caption.c_str(), BS_AUTORADIOBUTTON | group,
                                 kOptionLevel0 + i, kOptionPlaces[i]);
    frame2_.push_back(optionLevel_[i]);
  }
  // The design-time choice; the settings may replace it.
  SendMessageW(optionLevel_[kDesignLevelIndex], BM_SETCHECK, BST_CHECKED, 0);
  command1_ = AddControl(L"BUTTON", L"Start", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, kCommand1,
                         kCommand1Place);

  AddControl(L"STATIC", nullptr, SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, kImage1, kImage1Place);
  AddControl(L"STATIC", nullptr, SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, kImage2, kImage2Place);
  ShowArt();
  SetIcons();
  HWND label7 = AddControl(L"STATIC", L"Follow Veltrix on Facebook", SS_NOTIFY | SS_LEFT, kLabel7,
                           kLabel7Place);
  SendMessageW(label7, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);

  frame3_.push_back(AddControl(L"BUTTON", L"", BS_GROUPBOX, kFrame3, kFrame3Place));
  label1_ = AddControl(L"STATIC", L"Status:", SS_LEFT | SS_ENDELLIPSIS, kLabel1, kLabel1Place);
  frame3_.push_back(label1_);
  ShowAll(frame3_, false);
  // Made last, so it comes last in the tab order.
  checkRedact_ = AddControl(L"BUTTON", L"Hide identities", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                            kCheckRedact, kCheckRedactPlace);

  for (HWND frame : {frame1_.front(), frame2_.front(), frame3_.front()}) FixThemeSupport(frame);
}

void FrmMain::Load() {
  reportPath_ = GetSpecialFolder(kFolderDesktop) + kReportFileName;
  ui::SetWindowTextUtf8(window_.get(), VersionCaption());
  for (const CategoryDefinition* category : kCategoryList)
    checkList_->AddItem(std::string(category->text));
  for (int i = 0; i < checkList_->ListCount(); ++i) {
    if (auto tick = ParseBoolean(settings_->ReadIni(kSettingsSection, checkList_->List(i)))) {
      checkList_->SetSelected(i, *tick);
    }
  }
  shownLevel_ = RestoredLevelIndex(settings_->ReadIni(kSettingsSection, kDetailLevelKey));
  for (int i = 0; i < 3; ++i) {
    SendMessageW(optionLevel_[i], BM_SETCHECK, i == shownLevel_ ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  const bool redact =
      ParseBoolean(settings_->ReadIni(kSettingsSection, kRedactKey)).value_or(false);
  SendMessageW(checkRedact_, BM_SETCHECK, redact ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT FrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_TIMER:
      if (wParam == kWorkTimer) {
        OnWorkTimer();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window_.get(), kLabel7)) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 192));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_SETCURSOR: {
      const HWND over = reinterpret_cast<HWND>(wParam);
      const int id = GetDlgCtrlID(over);
      if (over != window_.get() && (id == kImage1 || id == kImage2 || id == kLabel7)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case kAskReportPath: {
      auto* question = reinterpret_cast<PathQuestion*>(lParam);
      if (!closing_) question->answer = AskReportPath(question->proposed);
      return 0;
    }
    case kScanStarting: ScanStarting(); return 0;
    case kScanStatus: ShowStatus(*AdoptPosted<std::string>(lParam)); return 0;
    case kScanEnded: OnScanEnded(*AdoptPosted<SessionOutcome>(lParam)); return 0;
    case WM_DPICHANGED: {
      ScaleTo(HIWORD(wParam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE: CloseProgram(); return 0;
    case WM_ENDSESSION:
      // The process may be ended at any moment once this returns: the report is closed first.
      if (wParam && scan_.joinable()) {
        EndMidScan();
        scanEnded_.wait_for(kEndSessionWait);
      }
      return 0;
    default: break;
  }
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}

void FrmMain::OnCommand(int id, int code) {
  switch (id) {
    case kCommand1:
      if (code == BN_CLICKED) OnStart();
      break;
    case kCommand2:
      if (code == BN_CLICKED) SelectAll(true);
      break;
    case kCommand3:
      if (code == BN_CLICKED) SelectAll(false);
      break;
    case kOptionLevel0:
    case kOptionLevel1:
    case kOptionLevel2:
      if (code == BN_CLICKED) OnLevelClicked(id - kOptionLevel0);
      break;
    case kImage1:
      if (code == STN_CLICKED) OpenLink(kMakerWebPage);
      break;
    case kImage2:
    case kLabel7:
      if (code == STN_CLICKED) OpenLink(kMakerSocialPage);
      break;
    default: break;
  }
}

void FrmMain::OnStart() {
  for (int i = 0; i < checkList_->ListCount(); ++i) {
    if (!checkList_->ItemEditable(i)) continue;
    settings_->WriteIni(kSettingsSection, checkList_->List(i),
                        BooleanText(checkList_->Selected(i)));
  }
  settings_->WriteIni(kSettingsSection, kRedactKey, BooleanText(Redacting()));
  SetTimer(window_.get(), kWorkTimer, kWorkTimerMs, nullptr);
}

// A click (by mouse, or by the dialog manager for an arrow key) selects the button; the level
// is stored only when the selection changed, so the stored level is always the one shown.
void FrmMain::OnLevelClicked(int index) {
  const bool selected = SendMessageW(optionLevel_[index], BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (!selected || index == shownLevel_) return;
  shownLevel_ = index;
  settings_->WriteIni(kSettingsSection, kDetailLevelKey, std::to_string(index));
}

void FrmMain::SelectAll(bool selected) {
  for (int i = 0; i < checkList_->ListCount(); ++i) {
    if (!checkList_->ItemEditable(i)) continue;
    checkList_->SetSelected(i, selected);
    settings_->WriteIni(kSettingsSection, checkList_->List(i), BooleanText(selected));
  }
}

bool FrmMain::Redacting() const {
  return SendMessageW(checkRedact_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

ScanChoices FrmMain::Choices() const {
  ScanChoices choices;
  choices.caption = ui::WindowTextUtf8(window_.get());
  for (int i = 0; i < checkList_->ListCount(); ++i)
    choices.ticked.push_back(checkList_->Selected(i));
  choices.level = DetailLevel::None;
  for (int i = 0; i < 3; ++i) {
    if (SendMessageW(optionLevel_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
      choices.level = kDetailLevels[i];
    }
  }
  choices.redact = Redacting();
  choices.redaction.words = ParseRedactWords(settings_->ReadIni(kSettingsSection, kRedactWordsKey));
  choices.path = reportPath_;
  return choices;
}

void FrmMain::ShowRedactionTrouble(const std::string& reason) const {
  MessageBoxW(window_.get(), Utf8ToWide(reason).c_str(), L"Hide identities",
              MB_OK | MB_ICONEXCLAMATION);
}

// The scan runs on a thread of its own, in an apartment of its own, and posts its end with its
// outcome; the window stays free to repaint, move and be closed meanwhile.
void FrmMain::OnWorkTimer() {
  KillTimer(window_.get(), kWorkTimer);  // one scan per press of Start
  if (scan_.joinable()) return;
  if (!session_) session_ = std::make_unique<ScanSession>(makeWmi_());
  std::promise<void> ended;
  scanEnded_ = ended.get_future();
  scan_ = std::jthread([session = session_.get(), window = window_.get(), choices = Choices(),
                        ended = std::move(ended)](std::stop_token stop) mutable {
    const ComApartment com(ComThread::Gathering);
    WindowScanHost host(window);
    auto outcome = std::make_unique<SessionOutcome>(session->Run(choices, host, stop));
    ended.set_value();
    PostOwned(window, kScanEnded, std::move(outcome));
  });
}

// The user is told whether the report was saved, then what the redaction could not do.
void FrmMain::OnScanEnded(const SessionOutcome& outcome) {
  scan_.join();  // it has nothing left to do but end
  if (closing_) {
    window_.reset();
    PostQuitMessage(0);
    return;
  }
  if (outcome.scan.result != ScanResult::Cancelled) ShowScanOutcome(outcome.scan);
  if (outcome.redactionRefused) ShowRedactionTrouble(outcome.redactionRefused->message);
  if (outcome.mapNotKept) ShowRedactionTrouble(outcome.mapNotKept->message);
}

std::string FrmMain::AskReportPath(const std::string& proposed) {
  ui::Win32FileDialogs platform;
  ui::cCommonDialog dialog(platform);
  dialog.DialogTitle = "Log File Save Location";
  dialog.CancelError = true;
  dialog.hWnd = reinterpret_cast<std::uintptr_t>(window_.get());
  dialog.Filter = "Text Files (*.txt)|*.txt";
  dialog.Filename = proposed;
  dialog.flags = ui::kOverwritePrompt;
  dialog.ShowSave();
  if (!dialog.Filename.empty()) {
    reportPath_ = dialog.Filename;
  } else if (dialog.ExtendedError() != 0) {
    // The dialog did not open at all: say so instead of leaving Start doing nothing.
    const std::string text = "The save dialog could not be shown for:\r\n" + proposed + "\r\n\r\n" +
                             ui::FileDialogErrorText(dialog.ExtendedError());
    MessageBoxW(window_.get(), Utf8ToWide(text).c_str(), L"Log File Save Location",
                MB_OK | MB_ICONEXCLAMATION);
  }
  return dialog.Filename;
}

void FrmMain::ScanStarting() {
  ShowAll(frame1_, false);
  ShowAll(frame2_, false);
  ShowWindow(command1_, SW_HIDE);
  ShowWindow(checkRedact_, SW_HIDE);
  ShowAll(frame3_, true);
}

void FrmMain::ShowStatus(const std::string& text) {
  ui::SetWindowTextUtf8(label1_, text);
  UpdateWindow(label1_);
}

void FrmMain::ShowIdle() {
  ShowAll(frame1_, true);
  ShowAll(frame2_, true);
  ShowWindow(command1_, SW_SHOW);
  ShowWindow(checkRedact_, SW_SHOW);
  ShowAll(frame3_, false);
}

void FrmMain::ShowScanOutcome(const ScanOutcome& outcome) {
  ShowIdle();
  if (outcome.result == ScanResult::Saved) {
    const std::string text = "File Saved To:\r\n" + outcome.path + NotReadLine(outcome.unread) +
                             "\r\n\r\nWould you like to view the file now?";
    if (MessageBoxW(window_.get(), Utf8ToWide(text).c_str(), L"Done!", MB_YESNO) == IDYES) {
      ViewReport(outcome.path);
    }
    return;
  }
  // Nothing claims a report that is not there: say where it was meant to go and why it failed.
  const std::string text = "The report could not be saved to:\r\n" + outcome.path + "\r\n\r\n" +
                           outcome.error.value_or(Error{}).message;
  MessageBoxW(window_.get(), Utf8ToWide(text).c_str(), L"Report Not Saved",
              MB_OK | MB_ICONEXCLAMATION);
}

// The report in the program the user has for its kind of file; when there is none, or it cannot
// be started, the user is told instead of nothing happening.
void FrmMain::ViewReport(const std::string& path) {
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(window_.get(), L"Open", Utf8ToWide(path).c_str(), L"", L"", SW_SHOWNORMAL));
  if (opened > 32) return;
  const std::string text = "The report could not be opened:\r\n" + path + "\r\n\r\n" +
                           OpenFailureText(opened);
  MessageBoxW(window_.get(), Utf8ToWide(text).c_str(), L"Report Not Opened",
              MB_OK | MB_ICONEXCLAMATION);
}

void FrmMain::OpenLink(const wchar_t* address) {
  ShellExecuteW(window_.get(), L"Open", address, L"", L"", SW_SHOWNORMAL);
}

void FrmMain::CloseProgram() {
  KillTimer(window_.get(), kWorkTimer);
  if (scan_.joinable()) {
    EndMidScan();
    return;
  }
  window_.reset();
  PostQuitMessage(0);
}

// The scan writes what it has gathered, closes its report and says it ended, without waiting for
// a category stalled in the platform; the window then goes, and the program ends.
void FrmMain::EndMidScan() {
  closing_ = true;
  scan_.request_stop();
}

int RunWindowProgram(HINSTANCE instance, WmiMaker makeWmi) {
  DispatchPendingMessages();
  InitCommonControlsOnce();
  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  auto form = FrmMain::Create(instance, makeWmi);
  if (!form) return 1;
  ShowWindow(form->hwnd(), SW_SHOWNORMAL);
  UpdateWindow(form->hwnd());

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(form->hwnd(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

}  // namespace sysinfo
