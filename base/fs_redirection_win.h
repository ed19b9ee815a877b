// FsRedirectionOff: the 32-bit program sees the real System32 while it lives.
#pragma once

#include <windows.h>

namespace sysinfo {

// Turns off the file-system redirection of 32-bit programs on 64-bit Windows for its lifetime,
// so paths under the Windows folder name the real System32. Restores the previous state on
// every way out of the scope. Where there is no redirection (64-bit programs, 32-bit Windows)
// the call fails and nothing is restored.
class FsRedirectionOff {
 public:
  FsRedirectionOff() : off_(Wow64DisableWow64FsRedirection(&previous_) != FALSE) {}
  ~FsRedirectionOff() {
    if (off_) Wow64RevertWow64FsRedirection(previous_);
  }
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

 private:
  PVOID previous_ = nullptr;
  bool off_;
};

}  // namespace sysinfo
