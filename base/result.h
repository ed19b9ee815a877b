// Why something could not be done, and what a source gave before it could not be read further.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace sysinfo {

// What the callers tell apart: a source that failed from one that stopped answering (the JSON
// status), a name the user gave that is refused (the runner's exit status 2), a file read back
// that is not one this program reads.
enum class ErrorKind {
  Failed,  // the platform could not do it: access denied, a broken key or disk, a full disk
  TimedOut,  // a source stopped answering within its bounded wait
  Refused,  // a command line, or a report's name that is a link or one of a file's several names
  FileRefused,  // a file read back (a report, the redaction map) is not one this program reads
};

// The kind and the one printable line the user is shown.
struct Error {
  ErrorKind kind = ErrorKind::Failed;
  std::string message;
  std::size_t at = 0;  // FileRefused: the byte of the text where the fault lies

  bool operator==(const Error&) const = default;
};

// The platform's failure with its reason.
inline Error Failure(std::string message) { return {ErrorKind::Failed, std::move(message)}; }

// What an operation that gives nothing back says: nothing when it succeeded.
using Status = std::optional<Error>;

// A read of a source: what it gave, and when it could not be read (access denied, a broken key
// or disk), why. Nothing there is an answer, not a failure: an absent key or folder gives an
// empty value and no error. A read that failed part-way keeps what it read before, so a section
// can still show it while its category says it failed.
template <class T>
struct Result {
  T value{};
  Status error;  // nothing: read to its end

  bool Failed() const { return error.has_value(); }
};

// Takes the values of several reads and keeps the first failure: a section goes on past a
// failed read and its category then says why it failed.
class FirstFailure {
 public:
  template <class T>
  T Take(Result<T> read) {
    if (!first_) first_ = std::move(read.error);
    return std::move(read.value);
  }
  const Status& First() const { return first_; }

 private:
  Status first_;
};

}  // namespace sysinfo
