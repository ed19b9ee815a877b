// WMI over COM: the root\CIMV2 query, its enumeration with a bounded wait, VARIANT values.
#include "collectors/wmi_win.h"

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <charconv>
#include <cstdio>

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo {
namespace {

using Microsoft::WRL::ComPtr;

constexpr long kQueryFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;  // 48

// A BSTR of UTF-8 text, freed when it goes out of scope.
UniqueBstr MakeBstr(std::string_view text) {
  return UniqueBstr(SysAllocString(Utf8ToWide(text).c_str()));
}

std::optional<std::int64_t> SignedBits(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    case VT_I8: return v.llVal;
    default: return std::nullopt;
  }
}

// A 64-bit value given as text; a null text pointer is no value at all.
template <class Number>
SourceValue NumberFromText(BSTR bstr) {
  if (!bstr) return Unreadable{};
  const std::string text = WideToUtf8(bstr);
  Number number{};
  const auto end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, number);
  if (ec == std::errc() && ptr == end && !text.empty()) return number;
  return text;
}

}  // namespace

SourceValue ToWmiValue(const VARIANT& v, CIMTYPE type) {
  if (v.vt == VT_NULL || v.vt == VT_EMPTY) return Null{};
  if (type & CIM_FLAG_ARRAY || v.vt & VT_ARRAY) return Unreadable{};
  const auto bits = SignedBits(v);
  switch (type) {
    case CIM_SINT8:
    case CIM_SINT16:
    case CIM_SINT32:
      if (bits) return *bits;
      break;
    case CIM_UINT8:
      if (bits) return static_cast<std::uint64_t>(*bits & 0xFF);
      break;
    case CIM_UINT16:
    case CIM_CHAR16:
      if (bits) return static_cast<std::uint64_t>(*bits & 0xFFFF);
      break;
    case CIM_UINT32:
      if (bits) return static_cast<std::uint64_t>(*bits & 0xFFFFFFFF);
      break;
    case CIM_SINT64:
      if (v.vt == VT_BSTR) return NumberFromText<std::int64_t>(v.bstrVal);
      if (bits) return *bits;
      break;
    case CIM_UINT64:
      if (v.vt == VT_BSTR) return NumberFromText<std::uint64_t>(v.bstrVal);
      if (v.vt == VT_UI8) return static_cast<std::uint64_t>(v.ullVal);
      if (bits) return static_cast<std::uint64_t>(*bits);
      break;
    case CIM_BOOLEAN:
      if (v.vt == VT_BOOL) return v.boolVal != VARIANT_FALSE;
      break;
    case CIM_REAL32:
      if (v.vt == VT_R4) return static_cast<double>(v.fltVal);
      break;
    case CIM_REAL64:
      if (v.vt == VT_R8) return v.dblVal;
      break;
    default: break;
  }
  if (v.vt == VT_BSTR) return WideToUtf8(v.bstrVal ? v.bstrVal : L"");  // a null BSTR is empty text
  if (v.vt == VT_BOOL) return v.boolVal != VARIANT_FALSE;
  if (bits) return *bits;
  return Unreadable{};
}

namespace {

class WinWmiObject final : public WmiObject {
 public:
  void Reset(ComPtr<IWbemClassObject> object) { object_ = std::move(object); }

  SourceValue Get(std::string_view property) const override {
    return WmiProperty(object_.Get(), property);
  }

 private:
  ComPtr<IWbemClassObject> object_;
};

class WinWmiResult final : public WmiResult {
 public:
  explicit WinWmiResult(ComPtr<IEnumWbemClassObject> enumerator)
      : enumerator_(std::move(enumerator)) {}
  explicit WinWmiResult(Error failure) : outcome_(std::move(failure)), finished_(true) {}

  const WmiObject* Next() override {
    if (finished_) return nullptr;
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT hr = enumerator_->Next(kWmiObjectWaitMs, 1, &object, &returned);
    if (hr == WBEM_S_NO_ERROR && returned == 1) {
      current_.Reset(std::move(object));
      return &current_;
    }
    finished_ = true;
    current_.Reset(nullptr);
    enumerator_.Reset();
    if (hr == WBEM_S_TIMEDOUT) {
      outcome_ = WmiTimeout();
    } else if (FAILED(hr)) {
      outcome_ = Failure(WmiErrorText(hr));
    }
    return nullptr;
  }

  Status Outcome() const override { return outcome_; }

 private:
  ComPtr<IEnumWbemClassObject> enumerator_;
  WinWmiObject current_;
  Status outcome_;
  bool finished_ = false;
};

class WinWmiService final : public WmiService {
 public:
  std::unique_ptr<WmiResult> ExecQuery(std::string_view wql) override {
    ComPtr<IEnumWbemClassObject> enumerator;
    const HRESULT hr = StartWmiQuery(wql, &enumerator);
    if (FAILED(hr)) return std::make_unique<WinWmiResult>(Failure(WmiErrorText(hr)));
    return MakeWmiResult(enumerator.Get());
  }
};

}  // namespace

ComApartment::ComApartment(ComThread thread) {
  if (thread == ComThread::Gathering) {
    initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    return;
  }
  initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

std::unique_ptr<WmiService> MakeWmiService() { return std::make_unique<WinWmiService>(); }

HRESULT ConnectWmi(std::string_view wmiNamespace, IWbemServices** services) {
  *services = nullptr;
  ComPtr<IWbemLocator> locator;
  HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&locator));
  if (FAILED(hr)) return hr;

  // The bounded-wait flag keeps a hung service from blocking the connection for ever.
  const UniqueBstr ns = MakeBstr(wmiNamespace);
  hr = locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT,
                              nullptr, nullptr, services);
  if (FAILED(hr)) return hr;
  if (!*services) return E_POINTER;
  CoSetProxyBlanket(*services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  return hr;
}

HRESULT StartWmiQuery(IWbemServices* services, std::string_view wql,
                      IEnumWbemClassObject** enumerator) {
  *enumerator = nullptr;
  const UniqueBstr language = MakeBstr("WQL");
  const UniqueBstr query = MakeBstr(wql);
  HRESULT hr = services->ExecQuery(language.get(), query.get(), kQueryFlags, nullptr, enumerator);
  if (SUCCEEDED(hr) && !*enumerator) hr = E_POINTER;
  return hr;
}

HRESULT StartWmiQuery(std::string_view wql, IEnumWbemClassObject** enumerator) {
  *enumerator = nullptr;
  ComPtr<IWbemServices> services;
  const HRESULT hr = ConnectWmi("root\\CIMV2", &services);
  if (FAILED(hr)) return hr;
  return StartWmiQuery(services.Get(), wql, enumerator);
}

SourceValue WmiProperty(IWbemClassObject* object, std::string_view property) {
  if (!object) return Unreadable{};
  UniqueVariant value;
  CIMTYPE type = CIM_EMPTY;
  const HRESULT hr = object->Get(Utf8ToWide(property).c_str(), 0, value.get(), &type, nullptr);
  if (FAILED(hr)) return Unreadable{};  // WBEM_E_NOT_FOUND: the class does not define it
  return ToWmiValue(*value, type);
}

std::string WmiErrorText(HRESULT hr) {
  std::string text = SystemErrorText(static_cast<DWORD>(hr));
  if (text.rfind("error 0x", 0) != 0) return text;
  char code[32];
  std::snprintf(code, sizeof code, "WMI error 0x%08lX", static_cast<unsigned long>(hr));
  return code;
}

Error WmiTimeout() {
  return {ErrorKind::TimedOut,
          "WMI did not answer within " + std::to_string(kWmiObjectWaitMs / 1000) + " seconds"};
}

std::unique_ptr<WmiResult> MakeWmiResult(IEnumWbemClassObject* enumerator) {
  return std::make_unique<WinWmiResult>(ComPtr<IEnumWbemClassObject>(enumerator));
}

}  // namespace sysinfo
