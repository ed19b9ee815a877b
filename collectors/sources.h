// The services the categories read the machine through, each found by its interface's type.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "report/report.h"

namespace sysinfo {

class RegistryRoutines;

// What a category's failure calls a service nobody provided: the interface's own kSourceName.
template <class Service>
inline constexpr std::string_view kSourceName = Service::kSourceName;
// The registry's interface lies below the collectors and knows nothing of them.
template <>
inline constexpr std::string_view kSourceName<RegistryRoutines> = "registry";

// The services the categories read: the generic ones (WMI, the registry, the disk, the scan's
// record of examined files) and those a category declares in its own header. The platform's
// session provides each under its interface's type, a test its fakes; a category asks for the
// ones it reads by type. What a category does not ask for, it never sees.
class Sources {
 public:
  // Provides `service` as the Service, in place of any given before. It must outlive its use.
  template <class Service>
  void Provide(std::type_identity_t<Service>& service) {
    for (auto& [key, provided] : services_) {
      if (key == &kKey<Service>) {
        provided = &service;
        return;
      }
    }
    services_.emplace_back(&kKey<Service>, &service);
  }

  // The Service provided; nothing when none was.
  template <class Service>
  Service* Find() const {
    for (const auto& [key, provided] : services_) {
      if (key == &kKey<Service>) return static_cast<Service*>(provided);
    }
    return nullptr;
  }

  // The Service a category reads. When none was provided the category fails, naming it, and
  // nothing is returned: a session that forgot one shows it in the report instead of crashing.
  template <class Service>
  Service* Need(ReportWriter& report) const {
    Service* service = Find<Service>();
    if (!service) {
      report.SourceEnded(
          Failure("no " + std::string(kSourceName<Service>) + " was provided to the scan"));
    }
    return service;
  }

 private:
  // One address per interface type tells the services apart.
  template <class Service>
  static constexpr char kKey = 0;

  std::vector<std::pair<const void*, void*>> services_;
};

}  // namespace sysinfo
