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
  virtual WmiValue Get(std::string_view property) const = 0;
};

// A forward-only query result, read once.
class WmiResult {
 public:
  virtual ~WmiResult() = default;
  // The next object, valid until the following call; nothing at the end or on a failure.
  virtual const WmiObject* Next() = 0;
  virtual QueryStatus Status() const = 0;
  // The platform's reason when the status is not Ok.
  virtual std::string Error() const = 0;
};

// How a query ended, as its section tells it: nothing when it was read to its end.
inline Status QueryError(const WmiResult& result) {
  switch (result.Status()) {
    case QueryStatus::Ok: return std::nullopt;
    case QueryStatus::TimedOut: return Error{ErrorKind::TimedOut, result.Error()};
    case QueryStatus::Failed: break;
  }
  return Failure(result.Error());
}

// The local root\CIMV2 namespace. Each query connects anew, as each section does.
class WmiService {
 public:
  static constexpr std::string_view kSourceName = "WMI service";
  virtual ~WmiService() = default;
  virtual std::unique_ptr<WmiResult> ExecQuery(std::string_view wql) = 0;
};

}  // namespace sysinfo
