#include "tests/wine/wine_support.h"

#include <windows.h>

#include <array>

#include "app/handles_win.h"
#include "app/unicode_win.h"

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
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
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
    } while (FindNextFileW(search, &found));
    FindClose(search);
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
  std::string commandLine = Quote(ProgramFolder() + "\\" + program);
  for (const std::string& arg : args) commandLine += " " + Quote(arg);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
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

  std::array<char, 4096> chunk{};
  DWORD got = 0;
  while (ReadFile(reader.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got) {
    run.output.append(chunk.data(), got);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = code;
  return run;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  bytes.clear();
  std::array<char, 65536> chunk{};
  DWORD got = 0;
  while (ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got) {
    bytes.append(chunk.data(), got);
  }
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace sysinfo::testing
