// The Windows Update history through the agent's COM interfaces.
#include "collectors/windows_updates_win.h"

#include <windows.h>
#include <wrl/client.h>
#include <wuapi.h>

#include <algorithm>

#include "base/handles_win.h"
#include "base/locale_win.h"
#include "base/unicode_win.h"
#include "collectors/wmi_win.h"

namespace sysinfo {
namespace {

using Microsoft::WRL::ComPtr;

// The agent's session class; defined here so that no import library of wuapi is linked.
constexpr CLSID kUpdateSessionClass = {
    0x4cb43d7f, 0x7eee, 0x4906, {0x86, 0x98, 0x60, 0xda, 0x1c, 0x38, 0xf2, 0xfe}};

Error ComError(HRESULT hr) { return SystemError(static_cast<DWORD>(hr)); }

// The agent's DATE is UTC.
SourceValue DateText(DATE date) {
  SYSTEMTIME system{};
  FILETIME file{};
  if (!VariantTimeToSystemTime(date, &system) || !SystemTimeToFileTime(&system, &file))
    return std::string();
  if (auto moment = FileTimeToMoment(file)) return std::move(*moment);
  return std::string();
}

UpdateHistoryEntry ReadEntry(IUpdateHistoryEntry* item) {
  UpdateHistoryEntry entry;
  UniqueBstr title;
  if (SUCCEEDED(item->get_Title(title.put())) && title) entry.title = WideToUtf8(title.get());
  OperationResultCode result{};
  if (SUCCEEDED(item->get_ResultCode(&result))) entry.resultCode = result;
  UpdateOperation operation{};
  if (SUCCEEDED(item->get_Operation(&operation))) entry.operation = operation;
  LONG hresult = 0;
  if (SUCCEEDED(item->get_HResult(&hresult))) entry.hresult = hresult;
  DATE date = 0;
  if (SUCCEEDED(item->get_Date(&date))) entry.date = DateText(date);
  return entry;
}

}  // namespace

Result<std::vector<UpdateHistoryEntry>> WindowsUpdateHistory::Entries(std::size_t maxEntries) {
  const ComApartment apartment;
  ComPtr<IUpdateSession> session;
  ComPtr<IUpdateSearcher> searcher;
  LONG total = 0;
  HRESULT hr = CoCreateInstance(kUpdateSessionClass, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&session));
  if (SUCCEEDED(hr)) hr = session->CreateUpdateSearcher(&searcher);
  if (SUCCEEDED(hr)) hr = searcher->GetTotalHistoryCount(&total);
  if (FAILED(hr)) return {{}, ComError(hr)};
  const LONG wanted =
      static_cast<LONG>(std::min<std::size_t>(std::max<LONG>(total, 0), maxEntries));
  Result<std::vector<UpdateHistoryEntry>> entries;
  if (wanted == 0) return entries;
  ComPtr<IUpdateHistoryEntryCollection> history;
  LONG count = 0;
  hr = searcher->QueryHistory(0, wanted, &history);
  if (SUCCEEDED(hr)) hr = history->get_Count(&count);
  if (FAILED(hr)) return {{}, ComError(hr)};
  for (LONG i = 0; i < std::min(count, wanted); ++i) {
    ComPtr<IUpdateHistoryEntry> item;
    if (SUCCEEDED(history->get_Item(i, &item))) entries.value.push_back(ReadEntry(item.Get()));
  }
  return entries;
}

}  // namespace sysinfo
