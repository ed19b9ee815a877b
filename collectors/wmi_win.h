#pragma once

#include <memory>

#include "collectors/wmi.h"

namespace sysinfo {

// How long one step of an enumeration may wait for the provider before the section gives up
// on it, as it would on a failed enumeration.
inline constexpr long kWmiObjectWaitMs = 30'000;

// Initialises COM for the calling (window) thread and the process's default impersonation,
// and undoes it at scope end.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_ = false;
};

// WMI of the local machine, namespace root\CIMV2.
std::unique_ptr<WmiService> MakeWmiService();

}  // namespace sysinfo
