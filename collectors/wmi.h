#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace sysinfo {

// A WMI property as the collectors see it. `Unreadable` is a property the class does not define
// (or no object at all); `Null` is a property that exists without a value.
struct Unreadable {
  bool operator==(const Unreadable&) const = default;
};
struct Null {
  bool operator==(const Null&) const = default;
};
using WmiValue = std::variant<Unreadable, Null, std::string, std::int64_t, std::uint64_t, bool, double>;

inline bool IsUnreadable(const WmiValue& value) { return std::holds_alternative<Unreadable>(value); }
inline bool IsNull(const WmiValue& value) { return std::holds_alternative<Null>(value); }

// The report text of a value: text unchanged, whole numbers in plain decimal, Booleans as
// "True"/"False", Null as empty text. Nothing for an unreadable value (its line is left out).
std::optional<std::string> ValueText(const WmiValue& value);

// The value as a whole number when it is one (or decimal text of one); used by coded lines.
std::optional<std::int64_t> WholeNumber(const WmiValue& value);

class WmiObject {
 public:
  virtual ~WmiObject() = default;
  // Property names are matched without regard to case.
  virtual WmiValue Get(std::string_view property) const = 0;
};

enum class QueryStatus {
  Ok,        // enumerated to the end
  Failed,    // connection, query or enumeration failed
  TimedOut,  // the provider stopped answering within the bounded wait
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

// The local root\CIMV2 namespace. Each query connects anew, as each section does.
class WmiService {
 public:
  virtual ~WmiService() = default;
  virtual std::unique_ptr<WmiResult> ExecQuery(std::string_view wql) = 0;
};

}  // namespace sysinfo
