// WMI over COM: the COM apartment, the real service, and VARIANTs as report values.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <memory>
#include <string_view>

#include "collectors/wmi.h"

namespace sysinfo {

// How long one step of an enumeration may wait for the provider before the section gives up
// on it, as it would on a failed enumeration.
inline constexpr long kWmiObjectWaitMs = 30'000;

// Which thread COM is initialised for: the program's main (window) thread, a single-threaded
// apartment that also sets the process's default impersonation; or a thread gathering categories
// side by side, which joins the multithreaded apartment and makes its own WMI connections there.
enum class ComThread { Main, Gathering };

// Initialises COM for the calling thread and undoes it at scope end.
class ComApartment {
 public:
  explicit ComApartment(ComThread thread = ComThread::Main);
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_ = false;
};

// One place turns every VARIANT into a report value. The CIM type that `Get` gives decides how
// to read it: unsigned 8-, 16- and 32-bit values arrive in signed VARIANT types, 64-bit ones as
// text. Arrays are unreadable; VT_NULL and VT_EMPTY are Null.
SourceValue ToWmiValue(const VARIANT& v, CIMTYPE type);

// WMI of the local machine, namespace root\CIMV2.
std::unique_ptr<WmiService> MakeWmiService();

// Connects to a namespace of the local machine (root\subscription), waiting at most as long as
// WMI allows a connection (WBEM_FLAG_CONNECT_USE_MAX_WAIT). On success `*services` holds it, to
// be released by the caller; WBEM_E_INVALID_NAMESPACE when there is no such namespace.
HRESULT ConnectWmi(std::string_view wmiNamespace, IWbemServices** services);

// Starts a forward-only, immediately returning WQL query (flags 48) in a connected namespace.
HRESULT StartWmiQuery(IWbemServices* services, std::string_view wql,
                      IEnumWbemClassObject** enumerator);

// Connects to root\CIMV2 and starts the query there. On success `*enumerator` holds the result,
// to be released by the caller.
HRESULT StartWmiQuery(std::string_view wql, IEnumWbemClassObject** enumerator);

// A property of an object as a report value (see ToWmiValue); Unreadable when the class does not
// define it.
SourceValue WmiProperty(IWbemClassObject* object, std::string_view property);

// The system's words for a WMI failure, or its code when the system has none.
std::string WmiErrorText(HRESULT hr);

// That the provider did not answer one step within kWmiObjectWaitMs.
Error WmiTimeout();

// A query result over an enumerator that has already been obtained; the service above uses it
// for every query, and tests hand it enumerators that misbehave.
std::unique_ptr<WmiResult> MakeWmiResult(IEnumWbemClassObject* enumerator);

}  // namespace sysinfo
