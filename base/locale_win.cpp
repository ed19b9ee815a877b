// The user's number, date and time formats read from the locale.
#include "base/locale_win.h"

#include <array>

#include "base/unicode_win.h"

namespace sysinfo {
namespace {

std::string LocaleText(LCTYPE type, std::string fallback) {
  std::array<wchar_t, 16> buffer{};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer.data(),
                                     static_cast<int>(buffer.size()));
  if (length <= 0) return fallback;
  return WideToUtf8(std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
}

std::string DateText(DWORD flags, const SYSTEMTIME* time) {
  std::array<wchar_t, 128> buffer{};
  const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, time, nullptr, buffer.data(),
                                     static_cast<int>(buffer.size()), nullptr);
  if (length <= 0) return {};
  return WideToUtf8(std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
}

std::string TimeText(const SYSTEMTIME* time) {
  std::array<wchar_t, 128> buffer{};
  const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, time, nullptr, buffer.data(),
                                     static_cast<int>(buffer.size()));
  if (length <= 0) return {};
  return WideToUtf8(std::wstring_view(buffer.data(), static_cast<std::size_t>(length - 1)));
}

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

constexpr std::int64_t kTicksPerMinute = 600'000'000;  // 100 ns ticks

LocalTime LocalTimeOf(const SYSTEMTIME& local, int utcOffsetMinutes) {
  return {local.wYear,   local.wMonth,  local.wDay,      local.wHour,
          local.wMinute, local.wSecond, utcOffsetMinutes};
}

}  // namespace

NumberFormat UserNumberFormat() {
  return NumberFormat{LocaleText(LOCALE_SDECIMAL, "."), LocaleText(LOCALE_STHOUSAND, ",")};
}

std::string ShortDateNow() { return DateText(DATE_SHORTDATE, nullptr); }

std::string TimeNow() { return TimeText(nullptr); }

std::string FormatLongDateTime(const SYSTEMTIME& time) {
  return DateText(DATE_LONGDATE, &time) + " " + TimeText(&time);
}

std::optional<Moment> FileTimeToMoment(const FILETIME& fileTime) {
  // The offset is the one the text's conversion used (the zone's bias now), so the ISO spelling
  // reads back as the same instant and shows the same wall clock as the text.
  FILETIME local{};
  SYSTEMTIME time{};
  if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &time)) {
    return std::nullopt;
  }
  time.wMilliseconds = 0;
  const auto offset = static_cast<int>((Ticks(local) - Ticks(fileTime)) / kTicksPerMinute);
  return Moment{FormatLongDateTime(time), LocalTimeOf(time, offset)};
}

LocalTime LocalTimeNow() {
  SYSTEMTIME utc{};
  GetSystemTime(&utc);
  utc.wMilliseconds = 0;
  SYSTEMTIME local{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  FILETIME utcFile{};
  FILETIME localFile{};
  SystemTimeToFileTime(&utc, &utcFile);
  SystemTimeToFileTime(&local, &localFile);
  return LocalTimeOf(local,
                     static_cast<int>((Ticks(localFile) - Ticks(utcFile)) / kTicksPerMinute));
}

}  // namespace sysinfo
