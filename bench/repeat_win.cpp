// Twenty scans and twenty windows in one process: handles, memory and GDI/USER objects must stay.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "scan/scan_session_win.h"
#include "app/main_window_win.h"
#include "report/report_file_win.h"
#include "app/theme_support_win.h"
#include "base/unicode_win.h"
#include "collectors/wmi_win.h"
#include "tools/runner_win.h"

namespace sysinfo {
namespace {

int g_runs = 20;  // the 2nd run and this one are compared

struct Counts {
  long long handles = 0;
  long long privateBytes = 0;
  long long gdiObjects = 0;  // -1: the platform does not count them
  long long userObjects = 0;
};

// The system's handle table, filtered to this process: Wine reports no count through
// GetProcessHandleCount but does list the handles.
long long ListedHandles() {
  struct Entry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    void* object;
    ACCESS_MASK access;
  };
  std::vector<BYTE> buffer(1 << 22);
  ULONG length = 0;
  constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
  if (NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                               static_cast<ULONG>(buffer.size()), &length) != 0) {
    return -1;
  }
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
  long long ours = 0;
  for (ULONG i = 0; i < count; ++i) ours += entries[i].processId == GetCurrentProcessId();
  return ours;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
  ++*reinterpret_cast<long long*>(count);
  EnumChildWindows(window, CountWindow, count);
  return TRUE;
}

// The windows this thread owns, children included: the USER objects a leak would pile up, where
// the platform does not count them itself.
long long ThreadWindows() {
  long long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

Counts Measure() {
  Counts counts;
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  counts.handles = handles ? handles : ListedHandles();
  // Commit charge: the private bytes (PrivateUsage is left at 0 by some implementations).
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  counts.privateBytes = static_cast<long long>(memory.PagefileUsage);
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  // Some implementations answer 0 or a failure value instead of a count.
  counts.gdiObjects = (gdi == 0 || gdi == 0xFFFFFFFF) ? -1LL : static_cast<long long>(gdi);
  counts.userObjects = (user == 0 || user == 0xFFFFFFFF) ? ThreadWindows()
                                                         : static_cast<long long>(user);
  return counts;
}

void Print(const Counts& second, const Counts& last) {
  std::printf("  %-14s %12s %11s%d %10s\n", "", "after run 2", "after run ", g_runs, "growth");
  auto row = [](const char* name, long long a, long long b) {
    if (a < 0 || b < 0) {
      std::printf("  %-14s %12s %12s\n", name, "not counted", "not counted");
      return;
    }
    std::printf("  %-14s %12lld %12lld %10lld%s\n", name, a, b, b - a, b > a ? "  GROWS" : "");
  };
  row("handles", second.handles, last.handles);
  row("private bytes", second.privateBytes, last.privateBytes);
  row("GDI objects", second.gdiObjects, last.gdiObjects);
  row("USER objects", second.userObjects, last.userObjects);
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(5);
  }
}

void RepeatScans(const std::string& reportPath) {
  std::FILE* quiet = std::tmpfile();
  const std::vector<std::string> args = {"--out", reportPath, "--all", "--level", "advanced"};
  Counts second;
  for (int run = 1; run <= g_runs; ++run) {
    if (RunReportCommand(args, CreateFileReport, quiet, quiet) != 0) {
      std::printf("scan %d failed\n", run);
    }
    if (run == 2) second = Measure();
  }
  std::fclose(quiet);
  std::printf("whole scan, every category at Advanced, %d times:\n", g_runs);
  Print(second, Measure());
}

// A top-level window with a font and as many check boxes as the form has controls, made and
// destroyed the same way: what the platform itself keeps, for comparison. It runs first, while
// the process has made no window yet.
void RepeatBareWindows() {
  const HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, L"Verdana");
  Counts second;
  for (int run = 1; run <= g_runs; ++run) {
    HWND window = CreateWindowExW(0, L"STATIC", L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 420, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 30; ++i) {
      HWND box = CreateWindowExW(0, L"BUTTON", L"Category", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                                 10 + (i / 15) * 200, 10 + (i % 15) * 25, 180, 20, window, nullptr,
                                 nullptr, nullptr);
      SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    PumpFor(150);
    DestroyWindow(window);
    PumpFor(50);
    if (run == 2) second = Measure();
  }
  DeleteObject(font);
  std::printf(
      "for comparison, a bare window with 30 check boxes opened and closed %d times first:\n",
      g_runs);
  Print(second, Measure());
}

void RepeatWindows() {
  InitCommonControlsOnce();
  ComApartment com;
  Counts second;
  for (int run = 1; run <= g_runs; ++run) {
    auto form = FrmMain::Create(GetModuleHandleW(nullptr));
    if (!form) {
      std::printf("window %d could not be created\n", run);
      return;
    }
    ShowWindow(form->hwnd(), SW_SHOWNORMAL);
    PumpFor(150);
    form.reset();
    PumpFor(50);
    if (run == 2) second = Measure();
  }
  std::printf("main window opened and closed %d times:\n", g_runs);
  Print(second, Measure());
}

}  // namespace
}  // namespace sysinfo

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: repeat_bench REPORT-PATH [RUNS]\n");
    return 2;
  }
  if (argc > 2) sysinfo::g_runs = std::max(3, _wtoi(argv[2]));
  sysinfo::RepeatScans(sysinfo::WideToUtf8(argv[1]));
  sysinfo::RepeatBareWindows();
  sysinfo::RepeatWindows();
  return 0;
}
