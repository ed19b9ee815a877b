// The WMI interfaces the sections read through: service, query result, object.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "base/value.h"

namespace sysinfo {

class WmiObject {
 public:
  virtual ~WmiObject() = default;
  // Property names are matched without regard to case.
  virtual SourceValue Get(std::string_view property) const = 0;
};

// A forward-only query result, read once.
class WmiResult {
 public:
  virtual ~WmiResult() = default;
  // The next object, valid until the following call; nothing at the end or on a failure.
  virtual const WmiObject* Next() = 0;
  // How the enumeration ended: nothing while it goes on or once it was read to its end; else
  // that it failed (connection, query or enumeration) or that the provider stopped answering
  // within the bounded wait (TimedOut), with the platform's reason.
  virtual Status Outcome() const = 0;
};

// The local root\CIMV2 namespace. Each query connects anew, as each section does.
class WmiService {
 public:
  static constexpr std::string_view kSourceName = "WMI service";
  virtual ~WmiService() = default;
  virtual std::unique_ptr<WmiResult> ExecQuery(std::string_view wql) = 0;
};

}  // namespace sysinfo
