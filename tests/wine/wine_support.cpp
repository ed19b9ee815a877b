// Wine test helpers: folders, files, programs run and their output, Unix-side calls.
#include "tests/wine/wine_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo::testing {
namespace {

std::string Quote(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  // The search is closed before its folder is removed.
  if (const UniqueFind search = AdoptFind(FindFirstFileW((folder + L"\\*").c_str(), &found))) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search.get(), &found));
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::string ProgramFolder() {
  std::array<wchar_t, MAX_PATH> path{};
  GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::wstring folder = path.data();
  folder.erase(folder.find_last_of(L"\\/"));
  return WideToUtf8(folder);
}

TempFolder::TempFolder() {
  std::array<wchar_t, MAX_PATH> base{};
  GetTempPathW(static_cast<DWORD>(base.size()), base.data());
  static int counter = 0;
  const std::wstring folder = std::wstring(base.data()) + L"sysinfo-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
  CreateDirectoryW(folder.c_str(), nullptr);
  path_ = WideToUtf8(folder);
}

TempFolder::~TempFolder() { RemoveTree(Utf8ToWide(path_)); }

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
  const bool fullPath = program.find('\\') != std::string::npos;
  std::string commandLine = Quote(fullPath ? program : ProgramFolder() + "\\" + program);
  for (const std::string& arg : args) commandLine += " " + Quote(arg);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring wideCommand = Utf8ToWide(commandLine);
  ProgramRun run;
  if (!CreateProcessW(nullptr, wideCommand.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    run.exitCode = 0xFFFFFFFF;
    run.output = "cannot start " + commandLine;
    return run;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  writer.reset();  // the child holds the only write end now, so reading ends when it exits

  // Read while the program runs, for at most kPatienceMs: one that hangs is ended and fails.
  const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
  std::array<char, 4096> chunk{};
  DWORD available = 0;
  while (PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr)) {
    DWORD got = 0;
    if (available > 0 && ReadFile(reader.get(), chunk.data(),
                                  std::min<DWORD>(available, chunk.size()), &got, nullptr)) {
      run.output.append(chunk.data(), got);
    } else if (GetTickCount64() > deadline) {
      TerminateProcess(process.hProcess, WAIT_TIMEOUT);
      run.output += "\n(ended after " + std::to_string(kPatienceMs) + " ms)";
      break;
    } else if (available == 0) {
      Sleep(1);
    }
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = code;
  return run;
}

namespace {

// The names of the files that match `pattern`, in lower case.
std::set<std::string> FileNames(const std::string& pattern) {
  std::set<std::string> names;
  WIN32_FIND_DATAW found{};
  const UniqueFind search = AdoptFind(FindFirstFileW(Utf8ToWide(pattern).c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = FindNextFileW(search.get(), &found)) {
    std::string name = WideToUtf8(found.cFileName);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    names.insert(name);
  }
  return names;
}

std::set<std::string> Markers(const std::string& folder) {
  std::set<std::string> markers = FileNames(folder + "\\*.loaded");
  markers.merge(FileNames(folder + "\\*.called"));
  return markers;
}

const std::string kLookalikes = "lookalikes";  // beside the test program

}  // namespace

Planting::Planting() {
  const std::wstring key = L"Software\\Wine\\DllOverrides";
  for (const std::string& dll : FileNames(ProgramFolder() + "\\" + kLookalikes + "\\*.dll")) {
    const std::wstring name = Utf8ToWide(dll.substr(0, dll.find('.')));
    overrides_.emplace_back(HKEY_CURRENT_USER, key, name);
    WriteText(HKEY_CURRENT_USER, key, name, L"native,builtin");
  }
  EXPECT_FALSE(overrides_.empty()) << "no look-alikes built";

  TempFolder control;
  PlantIn(control.path());
  PlacedFiles placed;
  const std::string program = placed.Copy("known_dlls_only.exe", control.File("control.exe"));
  EXPECT_EQ(RunProgram(program, {}).exitCode, 0u);
  winesOwn_ = Markers(control.path());
}

void Planting::PlantIn(const std::string& folder) const {
  for (const std::string& dll : FileNames(ProgramFolder() + "\\" + kLookalikes + "\\*.dll")) {
    EXPECT_TRUE(CopyFileW(Utf8ToWide(ProgramFolder() + "\\" + kLookalikes + "\\" + dll).c_str(),
                          Utf8ToWide(folder + "\\" + dll).c_str(), FALSE))
        << dll;
  }
}

std::set<std::string> Planting::MarkersBeyondWinesOwn(const std::string& folder) const {
  std::set<std::string> beyond;
  for (const std::string& marker : Markers(folder)) {
    // Wine may load a look-alike for itself; no program of KnownDLLs calls one.
    if (marker.ends_with(".called") || !winesOwn_.contains(marker)) beyond.insert(marker);
  }
  return beyond;
}

UniqueHandle StartChildTest(const std::wstring& test) {
  std::array<wchar_t, MAX_PATH> self{};
  GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self.data()) +
                         L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child)) {
    return {};
  }
  CloseHandle(child.hThread);
  return AdoptHandle(child.hProcess);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  bytes.clear();
  std::array<char, 65536> chunk{};
  DWORD got = 0;
  while (ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
         got) {
    bytes.append(chunk.data(), got);
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  const UniqueHandle file = AdoptHandle(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Asked of the folder's listing: Wine answers no attributes for a link to a device.
bool FileExists(const std::string& path) {
  WIN32_FIND_DATAW found{};
  return static_cast<bool>(AdoptFind(FindFirstFileW(Utf8ToWide(path).c_str(), &found)));
}

std::string UnixFileName(const std::string& path) {
  const auto unixName = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(
      GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name"));
  char* name = unixName ? unixName(Utf8ToWide(path).c_str()) : nullptr;
  if (!name) return {};
  std::string unix(name);
  HeapFree(GetProcessHeap(), 0, name);
  return unix;
}

void StartUnixProgram(const std::vector<std::wstring>& argv) {
  std::wstring command = L"start.exe /unix";
  for (const std::wstring& arg : argv) command += L" \"" + arg + L"\"";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return;
  }
  const UniqueHandle process(started.hProcess), thread(started.hThread);
  WaitForSingleObject(started.hProcess, INFINITE);
}

PlacedFiles::~PlacedFiles() {
  for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) {
    const std::wstring path = Utf8ToWide(*it);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
  }
}

std::string PlacedFiles::Write(const std::string& path, const std::string& bytes,
                               unsigned long attributes) {
  paths_.push_back(path);
  EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
  if (attributes) SetFileAttributesW(Utf8ToWide(path).c_str(), attributes);
  return path;
}

std::string PlacedFiles::Copy(const std::string& builtFile, const std::string& path) {
  paths_.push_back(path);
  EXPECT_TRUE(CopyFileW(Utf8ToWide(ProgramFolder() + "\\" + builtFile).c_str(),
                        Utf8ToWide(path).c_str(), FALSE))
      << path;
  return path;
}

std::string PlacedFiles::MakeFolder(const std::string& path) {
  paths_.push_back(path);
  CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr);
  return path;
}

std::string PlacedFiles::WriteBelow(const std::string& base, const std::string& below,
                                    const std::string& bytes) {
  for (std::size_t slash = below.find('\\'); slash != std::string::npos;
       slash = below.find('\\', slash + 1)) {
    const std::string folder = base + "\\" + below.substr(0, slash);
    if (GetFileAttributesW(Utf8ToWide(folder).c_str()) == INVALID_FILE_ATTRIBUTES)
      MakeFolder(folder);
  }
  return Write(base + "\\" + below, bytes);
}

Lines SectionBody(const Lines& report, std::size_t number, std::string_view name) {
  const std::string prefix = std::to_string(number) + ". " + std::string(name);
  const auto start = std::find_if(report.begin(), report.end(), [&](const std::string& line) {
    return line.rfind(prefix + " (Detail Level: ", 0) == 0 || line == prefix + " Start" ||
           line.rfind(prefix + " Start (", 0) == 0;
  });
  const auto end = std::find(start, report.end(), prefix + " End");
  if (end == report.end() || end - start < 2) {
    ADD_FAILURE() << "no block of " << prefix;
    return {};
  }
  EXPECT_EQ(start[1], kSeparator) << prefix;
  return Lines(start + 2, end);
}

bool HoldsWord(std::string_view text, std::string_view word, bool anyCase) {
  const auto lower = [anyCase](unsigned char c) {
    return static_cast<char>(anyCase ? std::tolower(c) : c);
  };
  const auto wordByte = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t at = 0; at + word.size() <= text.size() && !word.empty(); ++at) {
    if (!std::equal(word.begin(), word.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                    [&](char a, char b) { return lower(a) == lower(b); }))
      continue;
    const std::size_t end = at + word.size();
    if ((at == 0 || !wordByte(text[at - 1]) || !wordByte(word.front())) &&
        (end == text.size() || !wordByte(text[end]) || !wordByte(word.back())))
      return true;
  }
  return false;
}

std::string ComputerName() {
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameW(name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

}  // namespace sysinfo::testing
