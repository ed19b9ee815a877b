#include "app/yield.h"

namespace sysinfo {
namespace {

void NoYield() {}
YieldFunction g_yield = NoYield;

}  // namespace

void SetYield(YieldFunction function) { g_yield = function ? function : NoYield; }

void Yield() { g_yield(); }

}  // namespace sysinfo
