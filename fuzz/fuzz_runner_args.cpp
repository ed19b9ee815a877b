// The runner's command line: any argument list is either accepted or refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/runner_args.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  const sysinfo::RunnerOptions options = sysinfo::ParseRunnerArgs(args);
  // An accepted scan always names its file; a comparison may write to standard output; help and
  // the version are answered without either.
  const bool accepted = !options.help && !options.version && !options.error;
  if (accepted && !options.compare && options.outPath.empty()) __builtin_trap();
  return 0;
}
