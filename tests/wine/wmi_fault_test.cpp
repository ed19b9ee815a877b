#include <gtest/gtest.h>

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <vector>

#include "app/format.h"
#include "collectors/collectors.h"
#include "collectors/wmi_win.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using Microsoft::WRL::ComPtr;
using testing::CapturedReport;

// Passes the first objects of a real enumeration through, then stops answering the way a hung
// provider does: every later Next waits out its timeout and reports WBEM_S_TIMEDOUT.
class StallingEnumerator final : public IEnumWbemClassObject {
 public:
  StallingEnumerator(ComPtr<IEnumWbemClassObject> real, int objectsBeforeStall)
      : real_(std::move(real)), left_(objectsBeforeStall) {}

  std::vector<long> timeouts;  // what each Next call was willing to wait

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IEnumWbemClassObject) {
      *object = static_cast<IEnumWbemClassObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the test's stack

  HRESULT STDMETHODCALLTYPE Next(long timeout, ULONG count, IWbemClassObject** objects,
                                 ULONG* returned) override {
    timeouts.push_back(timeout);
    if (left_-- > 0) return real_->Next(timeout, count, objects, returned);
    *returned = 0;
    return WBEM_S_TIMEDOUT;
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Skip(long, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

 private:
  ComPtr<IEnumWbemClassObject> real_;
  int left_;
  ULONG references_ = 1;
};

// The real operating-system query, stalling after `objects` objects.
class StallingWmi final : public WmiService {
 public:
  explicit StallingWmi(int objects) : objects_(objects) {}
  std::unique_ptr<StallingEnumerator> enumerator;

  std::unique_ptr<WmiResult> ExecQuery(std::string_view) override {
    ComPtr<IEnumWbemClassObject> real;
    StartWmiQuery("SELECT * FROM Win32_OperatingSystem", &real);
    enumerator = std::make_unique<StallingEnumerator>(real, objects_);
    return MakeWmiResult(enumerator.get());
  }

 private:
  int objects_;
};

TEST(WmiFaults, AProviderThatStopsAnsweringEndsTheSectionAsAFailedEnumeration) {
  ComApartment com;
  const std::string separator(SeparatorLine);
  struct Case {
    int objectsBeforeStall;
    bool keepsTheObjectsBlock;
  };
  for (const Case c : {Case{0, false}, Case{1, true}}) {
    StallingWmi wmi(c.objectsBeforeStall);
    CapturedReport report;
    CollectOperatingSystem(report.writer(), wmi, 1);
    const auto lines = report.Lines();
    if (c.keepsTheObjectsBlock) {
      ASSERT_GT(lines.size(), 3u);
      EXPECT_NE(lines.front().find("Windows"), std::string::npos);
    } else {
      EXPECT_EQ(lines, std::vector<std::string>{separator});  // as a failed query prints
    }
    EXPECT_EQ(lines.back(), separator);
    // Every wait is bounded by the named constant, never infinite.
    ASSERT_FALSE(wmi.enumerator->timeouts.empty());
    for (long timeout : wmi.enumerator->timeouts) EXPECT_EQ(timeout, kWmiObjectWaitMs);
  }
}

TEST(WmiFaults, TheResultSaysItTimedOutAndWhy) {
  ComApartment com;
  StallingWmi wmi(0);
  auto result = wmi.ExecQuery("");
  EXPECT_EQ(result->Next(), nullptr);
  EXPECT_EQ(result->Status(), QueryStatus::TimedOut);
  EXPECT_EQ(result->Error(), "WMI did not answer within 30 seconds");
  EXPECT_EQ(result->Next(), nullptr);  // and it does not ask the provider again
  EXPECT_EQ(wmi.enumerator->timeouts.size(), 1u);
}

}  // namespace
}  // namespace sysinfo
