// A hosts file held in memory, read a few bytes at a time as a slow disk gives it.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "collectors/hosts_file.h"
#include "tests/fakes/memory_reader.h"

namespace sysinfo::testing {

class FakeHostsFile final : public HostsFileSource {
 public:
  explicit FakeHostsFile(std::string text = {}, std::size_t maxRead = 4096)
      : text_(std::move(text)), maxRead_(maxRead) {}
  std::string Path() const override { return "C:\\hosts"; }
  Result<std::unique_ptr<ByteReader>> Open() override {
    return {std::make_unique<MemoryReader>(AsBytes(text_), maxRead_), {}};
  }

 private:
  std::string text_;
  std::size_t maxRead_;
};

}  // namespace sysinfo::testing
