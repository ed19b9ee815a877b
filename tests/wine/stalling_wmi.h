// A WMI service whose provider stops answering: the real operating-system query, then a stall.
#pragma once

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <memory>
#include <string_view>
#include <vector>

#include "collectors/wmi_win.h"

namespace sysinfo::testing {

// Passes the first objects of a real enumeration through, then stops answering the way a hung
// provider does: every later Next reports WBEM_S_TIMEDOUT at once, or, `waits`, never returns.
class StallingEnumerator final : public IEnumWbemClassObject {
 public:
  StallingEnumerator(Microsoft::WRL::ComPtr<IEnumWbemClassObject> real, int objectsBeforeStall,
                     bool waits)
      : real_(std::move(real)), left_(objectsBeforeStall), waits_(waits) {}

  std::vector<long> timeouts;  // what each Next call was willing to wait

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    const bool known = iid == IID_IUnknown || iid == IID_IEnumWbemClassObject;
    *object = known ? static_cast<IEnumWbemClassObject*>(this) : nullptr;
    if (known) AddRef();
    return known ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // owned by the test

  HRESULT STDMETHODCALLTYPE Next(long timeout, ULONG count, IWbemClassObject** objects,
                                 ULONG* returned) override {
    timeouts.push_back(timeout);
    if (left_-- > 0) return real_->Next(timeout, count, objects, returned);
    if (waits_) Sleep(INFINITE);
    *returned = 0;
    return WBEM_S_TIMEDOUT;
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Skip(long, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

 private:
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> real_;
  int left_;
  bool waits_;  // for good, rather than answering at once that the time is up
  ULONG references_ = 1;
};

// The real operating-system query, stalling after `objects` objects.
class StallingWmi final : public WmiService {
 public:
  explicit StallingWmi(int objects, bool waits = false) : objects_(objects), waits_(waits) {}
  std::unique_ptr<StallingEnumerator> enumerator;

  std::unique_ptr<WmiResult> ExecQuery(std::string_view) override {
    Microsoft::WRL::ComPtr<IEnumWbemClassObject> real;
    StartWmiQuery("SELECT * FROM Win32_OperatingSystem", &real);
    enumerator = std::make_unique<StallingEnumerator>(real, objects_, waits_);
    return MakeWmiResult(enumerator.get());
  }

 private:
  int objects_;
  bool waits_;
};

}  // namespace sysinfo::testing
