#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "app/format.h"
#include "app/main_window_win.h"
#include "app/unicode_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::FileExists;
using testing::ProgramFolder;
using testing::ReadWholeFile;
using testing::SplitLines;
using testing::TempFolder;

constexpr DWORD kPatienceMs = 60'000;  // generous: a cold Wine start can be slow

template <typename Found>
auto WaitFor(Found found) {
  decltype(found()) result{};
  for (DWORD waited = 0; waited < kPatienceMs && !result; waited += 1) {
    result = found();
    if (!result) Sleep(1);
  }
  return result;
}

std::string Text(HWND window) {
  std::array<wchar_t, 1024> buffer{};
  GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return WideToUtf8(buffer.data());
}

struct FindArgs {
  DWORD process;
  const wchar_t* windowClass;
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
  auto* args = reinterpret_cast<FindArgs*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t windowClass[64] = {};
  GetClassNameW(window, windowClass, 64);
  if (process == args->process && lstrcmpW(windowClass, args->windowClass) == 0 &&
      IsWindowVisible(window) && (args->title.empty() || Utf8ToWide(Text(window)) == args->title)) {
    args->found = window;
    return FALSE;
  }
  return TRUE;
}

// The window program copied into a folder of its own, so its settings.ini is the test's.
class WindowProgram {
 public:
  explicit WindowProgram(const std::string& settings = "") {
    // Wine draws the caption itself when no window manager runs, as under Xvfb.
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Decorated", REG_SZ, L"N",
                    2 * sizeof(wchar_t));
    exe_ = folder_.File("sysinfo.exe");
    CopyFileW(Utf8ToWide(ProgramFolder() + "\\sysinfo.exe").c_str(), Utf8ToWide(exe_).c_str(), FALSE);
    if (!settings.empty()) WriteFile("settings.ini", settings);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + Utf8ToWide(exe_) + L"\"";
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              Utf8ToWide(folder_.path()).c_str(), &startup, &process_) != FALSE;
    if (started_) {
      WaitForInputIdle(process_.hProcess, kPatienceMs);
      main = Find(kMainWindowClass);
    }
  }
  ~WindowProgram() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      PostMessageW(main, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.hProcess, kPatienceMs) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
      }
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  // A visible top-level window of the program, waiting until it appears.
  HWND Find(const wchar_t* windowClass, const std::wstring& title = L"") const {
    return WaitFor([&] {
      FindArgs args{process_.dwProcessId, windowClass, title};
      EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&args));
      return args.found;
    });
  }
  HWND Control(int id) const { return GetDlgItem(main, id); }
  // Check box `index` of the category list.
  HWND Category(int index) const { return GetDlgItem(Control(kCheckListInfo), 100 + index); }
  bool Checked(HWND button) const {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs, &state);
    return state == BST_CHECKED;
  }
  void Click(HWND button) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs, &ignored);
  }
  // For buttons whose handler opens a modal window: do not wait for it.
  void PostClick(HWND button) const { PostMessageW(button, BM_CLICK, 0, 0); }

  // Answers the save dialog with a path.
  bool SaveAs(const std::string& path) const {
    HWND dialog = Find(L"#32770", L"Log File Save Location");
    if (!dialog) return false;
    HWND name = GetDlgItem(dialog, 0x47C);  // the file-name box (cmb13)
    if (!name) name = GetDlgItem(dialog, 0x480);  // (edt1) in the older layout
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(path).c_str()),
                        SMTO_ABORTIFHUNG, kPatienceMs, &ignored);
    PostClick(GetDlgItem(dialog, IDOK));
    return true;
  }
  std::string Settings() const {
    std::string bytes;
    ReadWholeFile(folder_.File("settings.ini"), bytes);
    return bytes;
  }
  bool Exited() const { return WaitForSingleObject(process_.hProcess, kPatienceMs) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  HANDLE MainThread() const { return process_.hThread; }
  const TempFolder& folder() const { return folder_; }

  HWND main = nullptr;

 private:
  void WriteFile(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileW(Utf8ToWide(folder_.File(name)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

  TempFolder folder_;
  std::string exe_;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// Copies what the screen shows of a window into a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT place{};
  GetWindowRect(window, &place);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = ((width * 3 + 3) / 4) * 4;
  const DWORD imageBytes = rowBytes * height;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = header.bfOffBits + imageBytes;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), imageBytes);
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

int SelectedLevel(const WindowProgram& program) {
  for (int i = 0; i < 3; ++i) {
    if (program.Checked(program.Control(kOptionLevel0 + i))) return i;
  }
  return -1;
}

TEST(MainWindow, FirstStartWithoutSettings) {
  WindowProgram program;
  ASSERT_TRUE(program.main);
  EXPECT_EQ(Text(program.main), "Veltrix - System Information v1.0.2");
  for (int i = 0; i < 15; ++i) {
    ASSERT_TRUE(program.Category(i)) << i;
    EXPECT_EQ(Text(program.Category(i)), std::string(kCategories[i].text));
    EXPECT_FALSE(program.Checked(program.Category(i))) << i;
  }
  EXPECT_EQ(SelectedLevel(program), 0);  // Basic
  EXPECT_FALSE(IsWindowVisible(program.Control(kFrame3)));
  EXPECT_EQ(program.Settings(), "");

  // Start saves a tick for every item; cancelling the dialog leaves the window as it was.
  program.PostClick(program.Control(kCommand1));
  HWND dialog = program.Find(L"#32770", L"Log File Save Location");
  ASSERT_TRUE(dialog);
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return IsWindow(dialog) ? HWND{} : program.main; }));
  const std::string settings = program.Settings();
  for (const Category& category : kCategories) {
    EXPECT_NE(settings.find(std::string(category.text) + "=False"), std::string::npos) << category.text;
  }
  EXPECT_TRUE(IsWindowVisible(program.Control(kCommand1)));
  EXPECT_FALSE(IsWindowVisible(program.Control(kFrame3)));
}

TEST(MainWindow, StoredChoicesAreRestored) {
  struct Case {
    const char* level;
    int selected;
  };
  const Case cases[] = {{"2", 2}, {"7", 1}, {"Advanced", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    WindowProgram program(std::string("[main]\r\nOperating System=True\r\nCPU=1\r\nDrives=maybe\r\n"
                                      "Processes=false\r\nDetailLevel=") + c.level + "\r\n");
    ASSERT_TRUE(program.main);
    EXPECT_EQ(SelectedLevel(program), c.selected);
    std::vector<int> ticked;
    for (int i = 0; i < 15; ++i) {
      if (program.Checked(program.Category(i))) ticked.push_back(i);
    }
    EXPECT_EQ(ticked, (std::vector<int>{0, 2}));
  }
}

TEST(MainWindow, ScanDrivenLikeAUser) {
  WindowProgram program;
  ASSERT_TRUE(program.main);
  program.Click(program.Category(0));  // Operating System
  program.Click(program.Category(1));  // Computer System
  ASSERT_TRUE(program.Checked(program.Category(0)));
  ASSERT_TRUE(program.Checked(program.Category(1)));

  // The window as the user sees it, kept as a test artefact.
  SetForegroundWindow(program.main);
  Sleep(500);  // let the window finish painting before the picture is taken
  const std::string artifacts = ProgramFolder() + "\\..\\test-artifacts";
  CreateDirectoryW(Utf8ToWide(artifacts).c_str(), nullptr);
  EXPECT_TRUE(SaveWindowPicture(program.main, artifacts + "\\main-window.bmp"));

  const std::string report = program.folder().File("two sections.txt");
  program.PostClick(program.Control(kCommand1));
  ASSERT_TRUE(program.SaveAs(report));
  HWND done = program.Find(L"#32770", L"Done!");
  ASSERT_TRUE(done);
  wchar_t message[1024] = {};
  GetDlgItemTextW(done, 0xFFFF, message, 1024);
  EXPECT_EQ(WideToUtf8(message),
            "File Saved To:\r\n" + report + "\r\n\r\nWould you like to view the file now?");
  program.PostClick(GetDlgItem(done, IDNO));
  ASSERT_TRUE(WaitFor([&] { return IsWindow(done) ? HWND{} : program.main; }));
  EXPECT_TRUE(IsWindowVisible(program.Control(kCommand1)));  // back to idle

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(report, bytes));
  const auto lines = SplitLines(bytes);
  ASSERT_GT(lines.size(), 16u);
  EXPECT_EQ(lines[0], "Veltrix - System Information v1.0.2");
  EXPECT_EQ(lines[5], "1. Operating System");
  EXPECT_EQ(lines[6], "2. Computer System");
  EXPECT_EQ(lines[8], std::string(SeparatorLine));
  EXPECT_EQ(lines[9], "1. Operating System (Detail Level: Basic) Start");
  const auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("1. Operating System End"));
  EXPECT_TRUE(has("2. Computer System (Detail Level: Basic) Start"));
  EXPECT_EQ(lines[lines.size() - 2], "2. Computer System End");
  EXPECT_GT(lines.size(), 25u);  // both sections have lines of their own
  EXPECT_NE(program.Settings().find("Computer System=True"), std::string::npos);

  PostMessageW(program.main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.Exited());
  EXPECT_EQ(program.ExitCode(), 0u);
}

TEST(MainWindow, AReportThatCannotBeCreatedIsNotClaimed) {
  WindowProgram program;
  ASSERT_TRUE(program.main);
  program.Click(program.Category(2));
  const std::string report = program.folder().File("no such folder\\report.txt");
  program.PostClick(program.Control(kCommand1));
  ASSERT_TRUE(program.SaveAs(report));
  HWND box = program.Find(L"#32770", L"Report Not Saved");
  ASSERT_TRUE(box);
  wchar_t message[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, message, 1024);
  const std::string text = WideToUtf8(message);
  EXPECT_NE(text.find(report), std::string::npos) << text;
  EXPECT_EQ(text.find("File Saved To:"), std::string::npos) << text;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(FileExists(report));
}

TEST(MainWindow, ClosingDuringAScanKeepsTheLinesWritten) {
  WindowProgram program;
  ASSERT_TRUE(program.main);
  program.Click(program.Control(kCommand2));  // Select All
  program.Click(program.Control(kOptionLevel2));
  const std::string report = program.folder().File("closed.txt");
  program.PostClick(program.Control(kCommand1));
  ASSERT_TRUE(program.SaveAs(report));
  // Stop the program as soon as it shows that it scans the first category, then close it.
  const HWND label = program.Control(kLabel1);
  ASSERT_TRUE(WaitFor([&] {
    return Text(label) == "Status: Scanning Operating System ..." ? label : HWND{};
  }));
  SuspendThread(program.MainThread());
  const bool finished = FindWindowW(L"#32770", L"Done!") != nullptr;
  PostMessageW(program.main, WM_CLOSE, 0, 0);
  ResumeThread(program.MainThread());
  ASSERT_FALSE(finished) << "the scan ended before the window could be closed";
  ASSERT_TRUE(program.Exited());

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(report, bytes));
  const auto lines = SplitLines(bytes);
  // Everything written before the close is there: the whole header at least.
  ASSERT_GE(lines.size(), 21u) << bytes;
  EXPECT_EQ(lines[0], "Veltrix - System Information v1.0.2");
  EXPECT_EQ(lines[5], "1. Operating System");
  EXPECT_EQ(lines[19], "15. Suspicious Files!");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "15. Suspicious Files! End"), lines.end());
}

}  // namespace
}  // namespace sysinfo
