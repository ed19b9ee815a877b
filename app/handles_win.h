#pragma once

#include <windows.h>

#include <memory>

namespace sysinfo {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
// A kernel handle closed when it goes out of scope; never holds INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

inline UniqueHandle AdoptHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace sysinfo
