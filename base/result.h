// What a source gave, and why it could not be read to its end.
#pragma once

#include <string>
#include <utility>

namespace sysinfo {

// A read of a source: what it gave, and when it could not be read (access denied, a broken key
// or disk), the platform's reason. Nothing there is an answer, not a failure: an absent key or
// folder gives an empty value and no error. A read that failed part-way keeps what it read
// before, so a section can still show it while its category says it failed.
template <class T>
struct Result {
  T value{};
  std::string error;  // empty: read to its end

  bool Failed() const { return !error.empty(); }
};

// Takes the values of several reads and keeps the reason of the first that failed: a section
// goes on past a failed read and its category then says why it failed.
class FirstFailure {
 public:
  template <class T>
  T Take(Result<T> read) {
    if (error_.empty()) error_ = std::move(read.error);
    return std::move(read.value);
  }
  const std::string& Error() const { return error_; }

 private:
  std::string error_;
};

}  // namespace sysinfo
