// An in-memory WMI for tests: objects with given properties, queries with given endings.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "collectors/wmi.h"

namespace sysinfo::testing {

// A WMI object with the properties a test gives it; any other property is unreadable.
class FakeWmiObject final : public WmiObject {
 public:
  FakeWmiObject() = default;
  FakeWmiObject(std::initializer_list<std::pair<const std::string, SourceValue>> properties)
      : properties_(properties) {}

  FakeWmiObject& Set(const std::string& name, SourceValue value) {
    properties_[name] = std::move(value);
    return *this;
  }

  SourceValue Get(std::string_view property) const override {
    for (const auto& [name, value] : properties_) {
      if (EqualsIgnoreCase(name, property)) return value;
    }
    return Unreadable{};
  }

 private:
  std::map<std::string, SourceValue> properties_;
};

// The answer to one query: its objects, then how the enumeration ends.
struct FakeQuery {
  std::vector<FakeWmiObject> objects;
  Status end;  // how the enumeration ends after the objects
};

inline const Error kFakeQueryFailed = Failure("the fake query failed");
inline const Error kFakeQueryTimedOut{ErrorKind::TimedOut, "the fake query failed"};

class FakeWmi final : public WmiService {
 public:
  FakeWmi& Answer(const std::string& wql, FakeQuery query) {
    queries_[wql] = std::move(query);
    return *this;
  }
  FakeWmi& Fail(const std::string& wql) { return Answer(wql, FakeQuery{{}, kFakeQueryFailed}); }

  std::unique_ptr<WmiResult> ExecQuery(std::string_view wql) override {
    asked_.emplace_back(wql);
    const auto found = queries_.find(std::string(wql));
    if (found == queries_.end()) return std::make_unique<Result>(FakeQuery{{}, kFakeQueryFailed});
    return std::make_unique<Result>(found->second);
  }

  const std::vector<std::string>& Asked() const { return asked_; }

 private:
  class Result final : public WmiResult {
   public:
    explicit Result(FakeQuery query) : query_(std::move(query)) {}
    const WmiObject* Next() override {
      if (next_ >= query_.objects.size()) return nullptr;
      return &query_.objects[next_++];
    }
    Status Outcome() const override {
      return next_ >= query_.objects.size() ? query_.end : std::nullopt;
    }

   private:
    FakeQuery query_;
    std::size_t next_ = 0;
  };

  std::map<std::string, FakeQuery> queries_;
  std::vector<std::string> asked_;
};

}  // namespace sysinfo::testing
