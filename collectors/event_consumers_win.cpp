// WMI subscriptions and BITS jobs over COM: every wait bounded, every text cut, every string freed.
#include "collectors/event_consumers_win.h"

#include <windows.h>
#include <bits.h>
#include <bits1_5.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <array>
#include <optional>
#include <string>
#include <variant>

#include "base/handles_win.h"
#include "base/text.h"
#include "base/unicode_win.h"
#include "collectors/event_consumers.h"
#include "collectors/wmi_win.h"

namespace sysinfo {
namespace {

using Microsoft::WRL::ComPtr;
using TaskText = UniqueTaskMemory<wchar_t>;

constexpr std::string_view kBindings = "SELECT * FROM __FilterToConsumerBinding";
// WMI's failures as the HRESULTs its calls return.
constexpr HRESULT kNoSuchNamespace = static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE);
constexpr HRESULT kNoSuchObject = static_cast<HRESULT>(WBEM_E_NOT_FOUND);

std::string BoundedText(const SourceValue& value) {
  const auto* text = std::get_if<std::string>(&value);
  return text ? BoundedConsumerText(*text) : std::string();
}

std::string PropertyText(IWbemClassObject* object, std::string_view property) {
  return BoundedText(WmiProperty(object, property));
}

std::string BoundedText(const TaskText& text) {
  return text ? BoundedConsumerText(WideToUtf8(text.get())) : std::string();
}

void KeepFirst(Status& failure, Error error) {
  if (!failure) failure = std::move(error);
}

Error BitsFailure(std::string_view what, HRESULT hr) {
  return Failure(std::string(what) + ": " + SystemErrorText(static_cast<DWORD>(hr)));
}

// The object at a binding's path. GetObject alone would wait as long as the provider takes, so the
// call returns at once and the object is waited for as each step of an enumeration is. A path to
// an object that is gone is no failure: the binding is still listed.
ComPtr<IWbemClassObject> ObjectAt(IWbemServices* services, const std::string& path,
                                  std::string_view what, Status& failure) {
  if (path.empty()) return nullptr;  // an empty path would give a new, empty class
  const UniqueBstr wide(SysAllocString(Utf8ToWide(path).c_str()));
  ComPtr<IWbemCallResult> call;
  ComPtr<IWbemClassObject> object;
  HRESULT hr = services->GetObject(wide.get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, nullptr,
                                   &call);
  if (SUCCEEDED(hr) && !call) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = call->GetResultObject(kWmiObjectWaitMs, &object);
  if (hr == WBEM_S_TIMEDOUT) {
    KeepFirst(failure, WmiTimeout());
    return nullptr;
  }
  if (SUCCEEDED(hr) && !object) hr = E_POINTER;
  if (FAILED(hr) && hr != kNoSuchObject) {
    KeepFirst(failure, Failure("a binding's " + std::string(what) + ": " + WmiErrorText(hr)));
  }
  return SUCCEEDED(hr) ? object : nullptr;
}

void ReadFilter(IWbemServices* services, const std::string& path, EventSubscription& binding,
                Status& failure) {
  const ComPtr<IWbemClassObject> filter = ObjectAt(services, path, "filter", failure);
  if (!filter) {
    binding.filter = path;
    return;
  }
  binding.filter = PropertyText(filter.Get(), "Name");
  binding.query = PropertyText(filter.Get(), "Query");
}

void ReadConsumer(IWbemServices* services, const std::string& path, EventSubscription& binding,
                  Status& failure) {
  const ComPtr<IWbemClassObject> consumer = ObjectAt(services, path, "consumer", failure);
  if (!consumer) {
    binding.consumer = path;
    return;
  }
  binding.consumerClass = PropertyText(consumer.Get(), "__CLASS");
  binding.consumer = PropertyText(consumer.Get(), "Name");
  if (EqualsIgnoreCase(binding.consumerClass, "CommandLineEventConsumer")) {
    binding.executablePath = PropertyText(consumer.Get(), "ExecutablePath");
    binding.commandLine = PropertyText(consumer.Get(), "CommandLineTemplate");
  } else if (EqualsIgnoreCase(binding.consumerClass, "ActiveScriptEventConsumer")) {
    binding.scriptFile = PropertyText(consumer.Get(), "ScriptFileName");
    binding.scriptText = PropertyText(consumer.Get(), "ScriptText");
  }
}

// The display name, id and owner of a job that names a program; nothing for one that does not.
std::optional<BitsJob> NotifyingJob(IBackgroundCopyJob* job, Status& failure, bool& unanswered) {
  ComPtr<IBackgroundCopyJob2> job2;
  TaskText program;
  TaskText parameters;
  HRESULT hr = job->QueryInterface(IID_PPV_ARGS(&job2));
  if (SUCCEEDED(hr)) hr = job2->GetNotifyCmdLine(program.put(), parameters.put());
  if (hr == E_NOTIMPL) unanswered = true;  // the system cannot say, which is no failed read
  if (FAILED(hr)) {
    if (!unanswered) KeepFirst(failure, BitsFailure("BITS job command", hr));
    return std::nullopt;
  }
  if (!program || program.get()[0] == L'\0') return std::nullopt;
  BitsJob read;
  read.notifyProgram = BoundedText(program);
  read.notifyParameters = BoundedText(parameters);
  TaskText name;
  TaskText owner;
  GUID id{};
  std::array<wchar_t, 40> idText{};
  if (SUCCEEDED(job->GetDisplayName(name.put()))) read.name = BoundedText(name);
  if (SUCCEEDED(job->GetOwner(owner.put()))) read.owner = BoundedText(owner);
  if (SUCCEEDED(job->GetId(&id)) &&
      StringFromGUID2(id, idText.data(), static_cast<int>(idText.size())) > 0) {
    read.id = WideToUtf8(idText.data());
  }
  return read;
}

// Every user's jobs when the caller may see them (an administrator), else the caller's own.
HRESULT EnumerateJobs(IBackgroundCopyManager* manager, IEnumBackgroundCopyJobs** jobs) {
  HRESULT hr = manager->EnumJobs(BG_JOB_ENUM_ALL_USERS, jobs);
  if (hr == E_ACCESSDENIED) hr = manager->EnumJobs(0, jobs);
  if (SUCCEEDED(hr) && !*jobs) hr = E_POINTER;
  return hr;
}

}  // namespace

Result<std::optional<std::vector<EventSubscription>>> ReadEventSubscriptions(
    std::string_view wmiNamespace) {
  const ComApartment apartment;
  ComPtr<IWbemServices> services;
  ComPtr<IEnumWbemClassObject> enumerator;
  HRESULT hr = ConnectWmi(wmiNamespace, &services);
  if (hr == kNoSuchNamespace) return {std::nullopt, {}};
  if (SUCCEEDED(hr)) hr = StartWmiQuery(services.Get(), kBindings, &enumerator);
  if (FAILED(hr)) return {std::nullopt, Failure(WmiErrorText(hr))};

  std::vector<EventSubscription> bindings;
  Status failure;
  const std::unique_ptr<WmiResult> result = MakeWmiResult(enumerator.Get());
  while (const WmiObject* binding = result->Next()) {
    if (bindings.size() == kMaxConsumerCount) {
      KeepFirst(failure, Failure("more than " + std::to_string(kMaxConsumerCount) + " bindings"));
      break;
    }
    EventSubscription& read = bindings.emplace_back();
    read.wmiNamespace = std::string(wmiNamespace);
    const std::string filterPath = BoundedText(binding->Get("Filter"));
    const std::string consumerPath = BoundedText(binding->Get("Consumer"));
    ReadFilter(services.Get(), filterPath, read, failure);
    ReadConsumer(services.Get(), consumerPath, read, failure);
  }
  if (!failure) failure = result->Outcome();
  return {std::move(bindings), std::move(failure)};
}

Result<std::optional<std::vector<BitsJob>>> ReadBitsJobs() {
  const ComApartment apartment;
  ComPtr<IEnumBackgroundCopyJobs> jobs;
  ComPtr<IBackgroundCopyManager> manager;
  HRESULT hr = CoCreateInstance(__uuidof(BackgroundCopyManager), nullptr, CLSCTX_LOCAL_SERVER,
                                IID_PPV_ARGS(&manager));
  // A service that is disabled, not installed or cannot start runs no job: nothing to list, and
  // the reason for the note.
  if (FAILED(hr)) return {std::nullopt, BitsFailure("the BITS service cannot be reached", hr)};
  hr = EnumerateJobs(manager.Get(), &jobs);
  if (FAILED(hr)) return {{}, BitsFailure("BITS", hr)};
  Result<std::optional<std::vector<BitsJob>>> read{std::vector<BitsJob>{}, {}};
  bool unanswered = false;
  for (std::size_t seen = 0;; ++seen) {
    ComPtr<IBackgroundCopyJob> job;
    ULONG fetched = 0;
    const HRESULT next = jobs->Next(1, &job, &fetched);
    if (FAILED(next)) KeepFirst(read.error, BitsFailure("BITS", next));
    if (next != S_OK || fetched != 1 || !job) break;  // S_FALSE: the end of the list
    if (seen == kMaxConsumerCount) {
      KeepFirst(read.error,
                Failure("more than " + std::to_string(kMaxConsumerCount) + " BITS jobs"));
      break;
    }
    if (auto notifying = NotifyingJob(job.Get(), read.error, unanswered))
      read.value->push_back(std::move(*notifying));
  }
  if (unanswered) read.value.reset();
  return read;
}

}  // namespace sysinfo
