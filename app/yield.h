#pragma once

namespace sysinfo {

// Lets the window process its pending messages during long work. The window installs a message
// pump; the console runner and the tests leave the default, which does nothing.
using YieldFunction = void (*)();
void SetYield(YieldFunction function);
void (Yield)();  // in parentheses: <windows.h> defines a Yield() macro

}  // namespace sysinfo
